#include "KxWorkBookDocument.h"

#include "KxAgent.h"
#include "KxAgentManager.h"
#include "KxBase.h"
#include "KxBench.h"
#include "KxClassDict.h"
#include "KxErrorCode.h"
#include "KxRoot.h"
#include "KxWOStream.h"

static KxWOStream theStream;

static const char workBookDocumentTypeName[] = "Tessaform Workbook Document";
static const KxDocumentType workBookDocumentType(workBookDocumentTypeName);
static const char shortDictionaryName[] = "workdict";
static const KxErrorCode cannotOpenWorkBook(KxErrFatal, "Failed to open workbook %s on %s, %d.");

namespace {

bool IsLocal(const char* server) { return server != nullptr && KxString(server) == KxString("LOCAL"); }

}  // namespace

KxWorkBookDocument::KxWorkBookDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr)
    : KxDocument(name, agent, docMgr) {}

KxWorkBookDocument::~KxWorkBookDocument() { KxWorkBookDocument::closeWorkBook(); }

KxDocumentType KxWorkBookDocument::getDocumentType() { return workBookDocumentType; }
KxDocumentType KxWorkBookDocument::getType() { return workBookDocumentType; }
int KxWorkBookDocument::isA(KxDocumentType& type) { return KxDocument::isA(type); }

KxBase* KxWorkBookDocument::getBase() { return base_; }
KxClassDict* KxWorkBookDocument::getDictionary() { return dictionary_; }
int KxWorkBookDocument::getStatus() const { return status_; }
KvSubject* KxWorkBookDocument::getSubject() { return subject_; }
void KxWorkBookDocument::setSubject(KvSubject* subject) { subject_ = subject; }

const char* KxWorkBookDocument::getShortDictionaryName() { return shortDictionaryName; }

KxString KxWorkBookDocument::getFullDictionaryName(const char* server, KxAgent* agent) {
    KxBench* bench = agent != nullptr ? agent->getBench() : nullptr;
    KxAgentManager* manager = bench != nullptr ? bench->getAgentMgr() : nullptr;
    if (manager == nullptr) {
        theStream << "cannot obtain workbook dictionary full name, using short name. " << "[" << __FILE__ << ", "
                  << __LINE__ << "]" << endl;
        return KxString(shortDictionaryName);
    }
    if (!IsLocal(server)) return KxString(shortDictionaryName);
    KxString full = manager->getModuleName(agent).getDriveAndDirectory();
    full += KxString(shortDictionaryName);
    return full;
}

int KxWorkBookDocument::takeDictionary(const char* server, KxAgent* agent) {
    // A dictionary held from before (a workbook created earlier) is handed back first: the
    // document keeps one hold at most.
    if (dictionary_ != nullptr) {
        KxBase::KELVOX()->UngetDictionary(dictionary_);
        dictionary_ = nullptr;
    }
    KxRoot* root = KxBase::KELVOX();
    if (root == nullptr) {
        status_ = -1;
        return status_;
    }
    status_ = root->GetDictionary(KxString(server), getFullDictionaryName(server, agent), dictionary_);
    if (status_ < 0) dictionary_ = nullptr;
    return status_;
}

int KxWorkBookDocument::openWorkBook(const char* name, const char* server, KxAgent* agent) {
    if (name == nullptr || server == nullptr) return KX_KERNEL_E_INVALID;
    closeWorkBook();
    if (takeDictionary(server, agent) >= 0) {
        base_ = new KxBase(KxString(name));
        status_ = base_->Connect(KxString(server));
        if (status_ == 0) status_ = base_->Open(KxString(name), 2, dictionary_, 1);
    }
    return status_;
}

int KxWorkBookDocument::createWorkBook(const char* name, const char* server, KxAgent* agent) {
    if (name == nullptr || server == nullptr) return status_;
    if (takeDictionary(server, agent) < 0) {
        cannotOpenWorkBook.displayV(static_cast<KxErrorCodeDummyParamForElipsis*>(nullptr), name, server, status_);
        return status_;
    }
    // The database is made on a connection of the workbook's storage for the dictionary just taken
    // (the storage makes one file per database); it is not opened.
    KxBase creator{KxString(name)};
    status_ = creator.Connect(KxString(server));
    if (status_ == 0) {
        status_ = creator.CreateDatabase(getFullDictionaryName(server, agent), KxString(server));
        creator.Disconnect();
    }
    return status_;
}

int KxWorkBookDocument::closeWorkBook() {
    if (base_ != nullptr) {
        if (base_->GetState() == 2) base_->Close();
        if (base_->GetState() == 1) base_->Disconnect();
        delete base_;
        base_ = nullptr;
    }
    if (dictionary_ != nullptr) {
        if (KxRoot* root = KxBase::KELVOX()) root->UngetDictionary(dictionary_);
        dictionary_ = nullptr;
    }
    status_ = 0;
    return 0;
}
