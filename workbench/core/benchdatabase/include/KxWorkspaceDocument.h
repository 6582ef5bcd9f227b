// The workspace document: a database document that opens a workspace of a parent database instead
// of a base, with check-out, check-in, source update and discard. It is also a database document.
#pragma once

#include "KxKelvoxDatabaseDocument.h"

class KxOnDemand;
class KxWorkspace;

class KxWorkspaceDocument : public KxKelvoxDatabaseDocument {
public:
    // Open flags 2, no parent.
    KxWorkspaceDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr, const KxString& host,
                        const KxString& base);
    ~KxWorkspaceDocument() override;

    // The module-wide type "KxWorkspaceDocument".
    static KxDocumentType getDocumentType();
    KxDocumentType getType() override;
    // True for this class's type, else the database document's rule.
    int isA(KxDocumentType& type) override;

    // Closes what is open, then takes the parent (a null parent is refused with a diagnostic line
    // and the old one kept).
    void setParent(KxBase* parent);
    KxBase* getParent();
    // The open workspace when a parent is set; else null.
    KxWorkspace* getWorkspace();

    // The workspace's operations; without parent or workspace each writes a line and answers 0.
    int checkOut(KxOnDemand& object, int32_t depth, unsigned short flags);
    int beginCheckOut();
    int abortCheckOut();
    int commitCheckOut();
    int updateSource();
    // Ends the workspace on success (the document lets go of it).
    int checkIn();
    // Closes the workspace and discards it at the parent; on success the document lets go of it.
    int discard();

protected:
    // Opens the workspace of the parent named name on the server.
    int genericObjectBaseOpen(const char* server, const char* name) override;

private:
    KxBase* parent_ = nullptr;
};
