#include "KxKelvoxDatabaseDocument.h"

#include <sv.h>
#include <svmsgbox.h>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxFileSystem.h"
#include "KxRoot.h"
#include "KxWOStream.h"

static KxWOStream theStream;

static const char databaseDocumentTypeName[] = "KxKelvoxDatabaseDocument";
static const KxDocumentType databaseDocumentType(databaseDocumentTypeName);

namespace {

KxString TextOf(const char* text) { return KxString(text != nullptr ? text : ""); }

// For a local server the name is a directory: the working directory becomes the one above it.
// Nothing changes when the name is no directory (the parent of the current one is not wanted).
void EnterLocalDirectory(const char* server, const char* name) {
    if (server == nullptr || name == nullptr || !(TextOf(server) == KxString("LOCAL"))) return;
    KxFileSystem files;
    if (files.changeWorkingDirectory(name) == 0) files.changeWorkingDirectory("..");
}

}  // namespace

KxKelvoxDatabaseDocument::KxKelvoxDatabaseDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr,
                                                   const KxString& host, const KxString& base,
                                                   unsigned short openFlags)
    : KxDocument(name, agent, docMgr), openFlags_(openFlags), hostName_(host), baseName_(base) {}

KxKelvoxDatabaseDocument::~KxKelvoxDatabaseDocument() { KxKelvoxDatabaseDocument::genericClose(); }

KxDocumentType KxKelvoxDatabaseDocument::getDocumentType() { return databaseDocumentType; }
KxDocumentType KxKelvoxDatabaseDocument::getType() { return databaseDocumentType; }

int KxKelvoxDatabaseDocument::isA(KxDocumentType& type) {
    if (type == databaseDocumentType) return 1;
    return KxDocument::isA(type);
}

KxBase* KxKelvoxDatabaseDocument::getBase() { return base_; }

KxClassDict* KxKelvoxDatabaseDocument::getDictionary() {
    if (dictionary_ != nullptr) return dictionary_;
    return base_ != nullptr ? base_->GetDictionary() : nullptr;
}

const KxString& KxKelvoxDatabaseDocument::getHostName() const { return hostName_; }
const KxString& KxKelvoxDatabaseDocument::getBaseName() const { return baseName_; }
int KxKelvoxDatabaseDocument::getStatus() const { return status_; }
unsigned short KxKelvoxDatabaseDocument::getOpenFlags() const { return openFlags_; }

void KxKelvoxDatabaseDocument::beginExternalBackup(int within) { withinExternalBackup_ = within; }
int KxKelvoxDatabaseDocument::withinExternalBackup() const { return withinExternalBackup_; }

int KxKelvoxDatabaseDocument::isExternalBackupRunning() {
    return base_ != nullptr ? base_->IsExternalBackupRunning() : 0;
}

void KxKelvoxDatabaseDocument::setBase(KxBase* base) { base_ = base; }
void KxKelvoxDatabaseDocument::setStatus(int status) { status_ = status; }

int KxKelvoxDatabaseDocument::genericOpen(const char* server, const char* name, GenericOpenMode mode) {
    switch (mode) {
    case GENERIC_OPEN_OBJECT_BASE:
        genericObjectBaseOpen(server, name);
        break;
    case GENERIC_OPEN_DICTIONARY:
        genericDictionaryOpen(server, name);
        break;
    case GENERIC_OPEN_OBJECT_BASE_OR_DICTIONARY: {
        const int baseStatus = genericObjectBaseOpen(server, name);
        if (baseStatus == -2095 || baseStatus == -2075 || baseStatus == -2031) {
            if (genericDictionaryOpen(server, name) == -2031) status_ = baseStatus;
        }
        break;
    }
    default:
        theStream << "KxKelvoxDatabaseDocument::genericOpen : unknown openmode " << static_cast<int>(mode) << " ["
                  << __FILE__ << ", " << __LINE__ << "]" << endl;
        break;
    }
    return status_;
}

int KxKelvoxDatabaseDocument::genericObjectBaseOpen(const char* server, const char* name) {
    genericClose();
    if (server == nullptr || name == nullptr) {
        status_ = KX_KERNEL_E_INVALID;
        return status_;
    }
    base_ = new KxBase(KxString(name));
    status_ = base_->Connect(KxString(server));
    if (status_ >= 0) status_ = base_->Open(KxString(name), openFlags_, nullptr, 0);
    if (status_ >= 0) {
        base_->GetDictionary();
        withinExternalBackup_ = 0;
        status_ = 0;
    }
    return status_;
}

int KxKelvoxDatabaseDocument::genericDictionaryOpen(const char* server, const char* name) {
    genericClose();
    if (server == nullptr || name == nullptr) {
        status_ = KX_KERNEL_E_INVALID;
        return status_;
    }
    EnterLocalDirectory(server, name);
    if (dictionary_ == nullptr) status_ = KxBase::KELVOX()->GetDictionary(KxString(server), KxString(name), dictionary_);
    if (status_ >= 0) {
        withinExternalBackup_ = 0;
        status_ = 0;
    } else {
        dictionary_ = nullptr;
    }
    return status_;
}

void KxKelvoxDatabaseDocument::releaseBase() {
    if (base_ == nullptr) return;
    KxBase* base = base_;
    base_ = nullptr;
    if (base->IsConnected()) {
        base->Close();
        base->Disconnect();
        delete base;
    } else if (KxBase::KELVOX()->UngetBase(base) == KX_KERNEL_E_NOT_FOUND) {
        // Not the root's: a base this document made that never got connected.
        delete base;
    }
}

int KxKelvoxDatabaseDocument::genericClose() {
    // The open transactions of a base are settled before it closes; those of a dictionary are
    // reported.
    if (base_ != nullptr || dictionary_ != nullptr) handleOpenedTXNs();
    releaseBase();
    if (dictionary_ != nullptr) KxBase::KELVOX()->UngetDictionary(dictionary_);
    base_ = nullptr;
    dictionary_ = nullptr;
    return 0;
}

int KxKelvoxDatabaseDocument::handleOpenedTXNs() {
    if (base_ != nullptr && base_->GetState() == 2 && base_->GetTransactionLevel() > 0) {
        QueryBox box(GetpApp()->GetAppWindow(), 0x1080,
                     String("There are opened Transactions."));
        box.SetButtonText(RET_YES, String("Commit"));
        box.SetButtonText(RET_NO, String("Abort"));
        const short answer = box.Execute();
        if (answer == RET_YES || answer == RET_NO) {
            // Each call ends one level; more remain while the level count stays above 0.
            do {
                status_ = answer == RET_YES ? base_->CommitTransaction() : base_->AbortTransaction();
            } while (status_ >= 0 && base_->GetTransactionLevel() > 0);
        }
    }
    if (dictionary_ != nullptr && dictionary_->GetTransactionLevel() > 0) {
        theStream << "database document: the opened dictionary has pending " << "transactions, not handled. " << "["
                  << __FILE__ << ", " << __LINE__ << "]" << endl;
    }
    return 0;
}
