// Documents: what one or more agents work on (a workbook, a project, a database ...), their types,
// and the document manager that knows every document alive.
//
// A document registers itself with the document manager when it is built and unregisters when it
// is destroyed. It keeps a used-by table of the agents that use it, each with a reference count,
// and deletes itself when the last agent stops using it. The document manager never frees
// documents.
#pragma once

#include <memory>

#include "KxDateTime.h"
#include "KxString.h"
#include "svlist.h"

class KxAgent;
class KxDocumentManager;

// The type of a document, by which agents decide whether they handle it. Types are built from
// string constants: the name is not copied.
class KxDocumentType {
public:
    KxDocumentType();
    KxDocumentType(const KxDocumentType& other);
    explicit KxDocumentType(const char* name);
    KxDocumentType& operator=(const KxDocumentType& other);
    virtual ~KxDocumentType();

    // The name; the empty text for a type without name.
    KxString getDocumentDesc() const;
    // Equal when both point to the same name or their descriptions are equal texts.
    int operator==(const KxDocumentType& other) const;
    int operator!=(const KxDocumentType& other) const;

private:
    const char* name_;
};

// A set of document types (not owned), keyed by the type object's address.
class KxDocumentTypes : public Table {
public:
    KxDocumentTypes(unsigned short initialSize = 16, unsigned short growBy = 16);
    // 0 when the same type object is already in.
    int Insert(KxDocumentType* type);
    KxDocumentType* First();
    KxDocumentType* Last();
    KxDocumentType* Next();
    KxDocumentType* Prev();
    KxDocumentType* GetObject(uint32_t pos) const;
};

// One line of a document's used-by table.
class KxDocumentAgentInfo {
public:
    KxDocumentAgentInfo() = default;
    KxAgent* agent = nullptr;
    int count = 0;
};

class KxDocument;

// A list of documents, keyed by the document's address.
class KxDocuments : public Table {
public:
    KxDocuments(unsigned short initialSize = 16, unsigned short growBy = 16);
    KxDocument* First();
    KxDocument* Next();
    KxDocument* GetObject(uint32_t pos) const;
};

class KxDocument {
public:
    virtual ~KxDocument();

    virtual KxDocumentType getType() = 0;
    virtual KxString getTitle();
    virtual void setTitle(const KxString& title);
    virtual KxString getTopic();
    virtual void setTopic(const KxString& topic);
    virtual KxString getAuthor();
    virtual void setAuthor(const KxString& author);
    virtual KxDateTime getLastTimeModified();
    virtual void setLastTimeModified(const KxDateTime& time);
    // Sets the last time modified to now and answers it.
    virtual KxDateTime touchDocument();
    // This document when it is of the type, else null.
    virtual KxDocument* castTo(KxDocumentType& type);
    virtual int isA(KxDocumentType& type);
    // One more use by the agent (a new line with count 1 for an agent not in the table); with
    // `external` non-zero also one more external usage.
    virtual void addAgent(KxAgent* agent, int external);
    // One use less; the agent's line goes when its count reaches 0, and the document deletes
    // itself when no agent uses it any more: do not touch it after a call that may have removed
    // its last user. Answers the agent.
    virtual KxAgent* removeAgent(KxAgent* agent, int external);
    virtual void addExternalUsage();
    virtual void removeExternalUsage();
    // The external-usage count: non-zero means another party uses the document outside agents.
    virtual int maybeInconsistent();
    // Asks every other agent of the table whether the document may close; 0 at the first refusal.
    virtual int queryCloseUsingAgents(KxAgent* requester);

    // The used-by line of an agent, null when the agent does not use the document.
    const KxDocumentAgentInfo* getAgentInfo(KxAgent* agent) const;
    uint32_t getAgentCount() const;

    KxDocument(const KxDocument&) = delete;
    KxDocument& operator=(const KxDocument&) = delete;

protected:
    // The creating agent is the first user; neither the agent nor the manager may be null.
    KxDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr);

private:
    Table usedBy_;
    KxString title_;
    KxString topic_;
    KxString author_;
    KxDateTime lastTimeModified_;
    KxDocumentManager* docMgr_;
    int externalUsage_ = 0;
    // The manager's table, to leave it at destruction only while it still exists (a document
    // may outlive its manager).
    std::weak_ptr<Table> registry_;
};

// Knows every document alive (documents register themselves); never frees one. Copies share one
// table, which goes with the last of them.
class KxDocumentManager {
public:
    KxDocumentManager();
    KxDocumentManager(const KxDocumentManager& other);
    KxDocumentManager& operator=(const KxDocumentManager& other);
    // Writes the number of documents still registered to the diagnostic stream; frees none.
    virtual ~KxDocumentManager();

    virtual void addDocument(KxDocument& doc);
    virtual void removeDocument(KxDocument& doc);
    // The first document in table order whose title is the text; null when none.
    virtual KxDocument* getDocument(KxString& title);
    // Answers the list it is given, unchanged.
    virtual KxDocuments& getDocuments(KxDocuments& list, KxDocumentType& type, int flags);

    int documentExists(KxString& title);
    uint32_t getDocumentCount() const;

private:
    friend class KxDocument;
    std::shared_ptr<Table> documents_;
};
