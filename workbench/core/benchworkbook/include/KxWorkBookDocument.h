// The workbook document: an object database that holds the workbench's projects, with the class
// dictionary "workdict". For a local workbook the dictionary lies in the directory of the agent
// module that opens it.
#pragma once

#include "KxDocument.h"
#include "KxString.h"

class KxAgent;
class KxBase;
class KxClassDict;
class KxDocumentManager;
class KvSubject;

class KxWorkBookDocument : public KxDocument {
public:
    KxWorkBookDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr);
    // Closes the workbook.
    ~KxWorkBookDocument() override;

    // The module-wide type "Tessaform Workbook Document".
    static KxDocumentType getDocumentType();
    KxDocumentType getType() override;
    int isA(KxDocumentType& type) override;

    // Closes what is open, takes the dictionary and opens the workbook database: 0 or the kernel's
    // negative status (-2849 for a null text, nothing changed then).
    virtual int openWorkBook(const char* name, const char* server, KxAgent* agent);
    // Makes the workbook database (not opened); a dictionary that cannot be had is shown as
    // "Failed to open workbook %s on %s, %d.". Null texts: the current status, nothing done.
    virtual int createWorkBook(const char* name, const char* server, KxAgent* agent);
    // Closes and deletes the base, hands the dictionary back; 0.
    virtual int closeWorkBook();

    KxBase* getBase();
    KxClassDict* getDictionary();
    // The status of the last kernel call.
    int getStatus() const;
    // The subject the agent attaches (not owned).
    KvSubject* getSubject();
    void setSubject(KvSubject* subject);

    // "workdict".
    static const char* getShortDictionaryName();
    // For the server "LOCAL" the drive and directory of the agent's module followed by "workdict";
    // else "workdict".
    KxString getFullDictionaryName(const char* server, KxAgent* agent);

private:
    // Takes the dictionary for the server (handing back one held before); the status.
    int takeDictionary(const char* server, KxAgent* agent);

    KxBase* base_ = nullptr;
    KxClassDict* dictionary_ = nullptr;
    int status_ = 0;
    KvSubject* subject_ = nullptr;
};
