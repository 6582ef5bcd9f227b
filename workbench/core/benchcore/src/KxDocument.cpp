#include "KxDocument.h"

#include <cassert>
#include <cstring>

#include "KxAgent.h"
#include "KxWOStream.h"

static KxWOStream theStream;

// ---- KxDocumentType ------------------------------------------------------------------------------

KxDocumentType::KxDocumentType() : name_(nullptr) {}
KxDocumentType::KxDocumentType(const KxDocumentType& other) = default;
KxDocumentType::KxDocumentType(const char* name) : name_(name) {}
KxDocumentType& KxDocumentType::operator=(const KxDocumentType& other) = default;
KxDocumentType::~KxDocumentType() = default;

KxString KxDocumentType::getDocumentDesc() const { return KxString(name_ != nullptr ? name_ : ""); }

int KxDocumentType::operator==(const KxDocumentType& other) const {
    if (name_ == other.name_) return 1;
    return getDocumentDesc() == other.getDocumentDesc() ? 1 : 0;
}

int KxDocumentType::operator!=(const KxDocumentType& other) const { return *this == other ? 0 : 1; }

// ---- KxDocumentTypes, KxDocuments ------------------------------------------------------------------

KxDocumentTypes::KxDocumentTypes(unsigned short initialSize, unsigned short growBy) : Table(initialSize, growBy) {}

int KxDocumentTypes::Insert(KxDocumentType* type) {
    return Table::Insert(reinterpret_cast<TableKey>(type), type) ? 1 : 0;
}

KxDocumentType* KxDocumentTypes::First() { return static_cast<KxDocumentType*>(Table::First()); }
KxDocumentType* KxDocumentTypes::Last() { return static_cast<KxDocumentType*>(Table::Last()); }
KxDocumentType* KxDocumentTypes::Next() { return static_cast<KxDocumentType*>(Table::Next()); }
KxDocumentType* KxDocumentTypes::Prev() { return static_cast<KxDocumentType*>(Table::Prev()); }
KxDocumentType* KxDocumentTypes::GetObject(uint32_t pos) const {
    return static_cast<KxDocumentType*>(Table::GetObject(pos));
}

KxDocuments::KxDocuments(unsigned short initialSize, unsigned short growBy) : Table(initialSize, growBy) {}
KxDocument* KxDocuments::First() { return static_cast<KxDocument*>(Table::First()); }
KxDocument* KxDocuments::Next() { return static_cast<KxDocument*>(Table::Next()); }
KxDocument* KxDocuments::GetObject(uint32_t pos) const { return static_cast<KxDocument*>(Table::GetObject(pos)); }

// ---- KxDocument --------------------------------------------------------------------------------------

namespace {
TableKey KeyOf(const void* p) { return reinterpret_cast<TableKey>(p); }
}  // namespace

KxDocument::KxDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr)
    : usedBy_(16, 16), title_(name), topic_(""), author_(""), docMgr_(docMgr) {
    assert(docMgr != nullptr && agent != nullptr);
    auto* info = new KxDocumentAgentInfo;
    info->agent = agent;
    info->count = 1;
    usedBy_.Insert(KeyOf(agent), info);
    docMgr_->addDocument(*this);
    registry_ = docMgr_->documents_;
}

KxDocument::~KxDocument() {
    if (std::shared_ptr<Table> registry = registry_.lock()) registry->Remove(KeyOf(this));
    for (uint32_t i = 0; i < usedBy_.Count(); ++i) delete static_cast<KxDocumentAgentInfo*>(usedBy_.GetObject(i));
    usedBy_.Clear();
}

KxString KxDocument::getTitle() { return title_; }
void KxDocument::setTitle(const KxString& title) { title_ = title; }
KxString KxDocument::getTopic() { return topic_; }
void KxDocument::setTopic(const KxString& topic) { topic_ = topic; }
KxString KxDocument::getAuthor() { return author_; }
void KxDocument::setAuthor(const KxString& author) { author_ = author; }
KxDateTime KxDocument::getLastTimeModified() { return lastTimeModified_; }
void KxDocument::setLastTimeModified(const KxDateTime& time) { lastTimeModified_ = time; }

KxDateTime KxDocument::touchDocument() {
    lastTimeModified_ = KxDateTime();
    return lastTimeModified_;
}

int KxDocument::isA(KxDocumentType& type) { return type == getType(); }

KxDocument* KxDocument::castTo(KxDocumentType& type) { return isA(type) ? this : nullptr; }

void KxDocument::addAgent(KxAgent* agent, int external) {
    auto* info = static_cast<KxDocumentAgentInfo*>(usedBy_.Get(KeyOf(agent)));
    if (info != nullptr) {
        ++info->count;
    } else {
        info = new KxDocumentAgentInfo;
        info->agent = agent;
        info->count = 1;
        usedBy_.Insert(KeyOf(agent), info);
    }
    if (external) addExternalUsage();
}

KxAgent* KxDocument::removeAgent(KxAgent* agent, int external) {
    auto* info = static_cast<KxDocumentAgentInfo*>(usedBy_.Get(KeyOf(agent)));
    if (info == nullptr) {
        const KxString name = agent != nullptr ? agent->getName() : KxString("");
        theStream << "You cannot remove the agent from the usedBy list of this " << "document."
                  << "The document is not used by the agent <" << (name.IsEmpty() ? "" : name.StrGet())
                  << ">. There must be a misunderstanding. " << "[" << __FILE__ << ", " << __LINE__ << "]"
                  << endl;
        return agent;
    }
    if (external) removeExternalUsage();
    if (--info->count <= 0) {
        usedBy_.Remove(KeyOf(agent));
        delete info;
    }
    if (usedBy_.Count() == 0) delete this;
    return agent;
}

void KxDocument::addExternalUsage() { ++externalUsage_; }
void KxDocument::removeExternalUsage() { --externalUsage_; }
int KxDocument::maybeInconsistent() { return externalUsage_; }

int KxDocument::queryCloseUsingAgents(KxAgent* requester) {
    for (uint32_t i = 0; i < usedBy_.Count(); ++i) {
        auto* info = static_cast<KxDocumentAgentInfo*>(usedBy_.GetObject(i));
        if (info->agent == requester) continue;
        if (!info->agent->queryCloseDocument(this, requester)) return 0;
    }
    return 1;
}

const KxDocumentAgentInfo* KxDocument::getAgentInfo(KxAgent* agent) const {
    return static_cast<const KxDocumentAgentInfo*>(usedBy_.Get(KeyOf(agent)));
}

uint32_t KxDocument::getAgentCount() const { return usedBy_.Count(); }

// ---- KxDocumentManager ------------------------------------------------------------------------------

namespace {

// The table of the last manager sharing it: reports the documents still registered.
struct ReportingTableDeleter {
    void operator()(Table* table) const {
        if (table->Count() != 0) {
            theStream << "there are " << static_cast<unsigned long>(table->Count()) << " unclosed documents. " << endl;
        }
        delete table;
    }
};

}  // namespace

KxDocumentManager::KxDocumentManager() : documents_(new Table(16, 16), ReportingTableDeleter()) {}
KxDocumentManager::KxDocumentManager(const KxDocumentManager& other) = default;
KxDocumentManager& KxDocumentManager::operator=(const KxDocumentManager& other) = default;
KxDocumentManager::~KxDocumentManager() = default;

void KxDocumentManager::addDocument(KxDocument& doc) { documents_->Insert(KeyOf(&doc), &doc); }
void KxDocumentManager::removeDocument(KxDocument& doc) { documents_->Remove(KeyOf(&doc)); }

KxDocument* KxDocumentManager::getDocument(KxString& title) {
    for (uint32_t i = 0; i < documents_->Count(); ++i) {
        auto* doc = static_cast<KxDocument*>(documents_->GetObject(i));
        if (doc->getTitle() == title) return doc;
    }
    return nullptr;
}

KxDocuments& KxDocumentManager::getDocuments(KxDocuments& list, KxDocumentType&, int) { return list; }

int KxDocumentManager::documentExists(KxString& title) { return getDocument(title) != nullptr ? 1 : 0; }

uint32_t KxDocumentManager::getDocumentCount() const { return documents_->Count(); }
