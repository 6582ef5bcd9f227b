// The database document: one object database of the kernel, opened as an object base, as a class
// dictionary, or first as a base and, for certain errors, as a dictionary. Agents and the database
// browsers reach the open base and its dictionary through it. Before a base closes the user is
// asked what to do with its open transactions.
#pragma once

#include <cstdint>

#include "KxDocument.h"
#include "KxString.h"

class KxAgent;
class KxBase;
class KxClassDict;
class KxDocumentManager;

// How genericOpen opens the database.
enum GenericOpenMode {
    GENERIC_OPEN_OBJECT_BASE = 0,
    GENERIC_OPEN_DICTIONARY = 1,
    // As an object base; as a dictionary when the base open fails with -2095, -2075 or -2031.
    GENERIC_OPEN_OBJECT_BASE_OR_DICTIONARY = 2
};

class KxKelvoxDatabaseDocument : public KxDocument {
public:
    // Nothing is opened yet; openFlags are the open mode of the base's open operation.
    KxKelvoxDatabaseDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr, const KxString& host,
                             const KxString& base, unsigned short openFlags);
    // Closes what is open (genericClose).
    ~KxKelvoxDatabaseDocument() override;

    // The module-wide type "KxKelvoxDatabaseDocument".
    static KxDocumentType getDocumentType();
    KxDocumentType getType() override;
    // True for this class's type, else the base rule.
    int isA(KxDocumentType& type) override;

    // The open base (for a workspace document the workspace); null when closed.
    virtual KxBase* getBase();
    // The dictionary when opened as one, else the open base's dictionary; null when neither.
    virtual KxClassDict* getDictionary();
    // Opens the database on the server (after closing what is open); the document's status.
    virtual int genericOpen(const char* server, const char* name, GenericOpenMode mode);
    // Closes the base (after asking about its open transactions) and hands the dictionary back.
    virtual int genericClose();

    const KxString& getHostName() const;
    const KxString& getBaseName() const;
    // The status of the last kernel call.
    int getStatus() const;
    unsigned short getOpenFlags() const;

    void beginExternalBackup(int within);
    int withinExternalBackup() const;
    // The base's answer; 0 without base.
    int isExternalBackupRunning();

protected:
    virtual int genericObjectBaseOpen(const char* server, const char* name);
    virtual int genericDictionaryOpen(const char* server, const char* name);
    // Asks the user whether the open transactions of the base are committed or aborted; a
    // dictionary with open transactions is only reported.
    virtual int handleOpenedTXNs();

    // For derived documents: the held base and status.
    void setBase(KxBase* base);
    void setStatus(int status);
    // Ends the held base: closed and disconnected when connected, and deleted (the document made
    // it); a base that the kernel's root made is handed back to the root.
    void releaseBase();

private:
    KxBase* base_ = nullptr;
    KxClassDict* dictionary_ = nullptr;
    unsigned short openFlags_;
    int withinExternalBackup_ = 0;
    int status_ = 0;
    KxString hostName_;
    KxString baseName_;
};
