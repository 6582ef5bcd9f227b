// The class hierarchy subject: the tree of a dictionary's classes, find, display toggles, delete.
#include "KxClassHierarchySubject.h"

#include <strings.h>

#include <cstring>
#include <memory>

#include "KvAspect.h"
#include "KvSurrogate.h"
#include "KvView.h"
#include "KxBrowserStatics.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxDescAccess.h"
#include "KxKelvoxDatabaseDocument.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\classhier";

void Diagnose(const char* message, int line) { diag << message << kSource << "(" << line << ")." << endl; }

const KxMetaClass* ClassOf(const KxMetaType* type) { return type != nullptr ? type->AsClass() : nullptr; }

// Class numbers below 100 are the system's own classes.
constexpr unsigned kFirstUserDefinedClass = 100;

// The options of a find verb: each a slash and a letter, anywhere in the text.
bool HasOption(const char* verb, char letter) {
    for (const char* p = verb; p != nullptr && *p != '\0'; ++p)
        if (p[0] == '/' && p[1] == letter) return true;
    return false;
}

// The bytes one instance takes in storage: its stored members.
long DiskSize(const KxMetaClass* desc) {
    long size = 0;
    for (const KxMember* m : desc->GetAllMembers())
        if (m->GetKind() == KX_MEMBER_KIND_STORED && !m->IsTransient() && !m->HasQualifier(KX_QUAL_NOT_STORED))
            size += long(m->GetElementCount()) * long(m->GetElementSize());
    return size;
}

bool HasSubobjects(const KxMetaClass* desc) {
    for (const KxMember* m : desc->GetAllMembers())
        if (m->GetMemberType() == KX_MEMBER_EMBEDDED || m->GetSetType() != nullptr) return true;
    return false;
}

// The document's virtual operations, called without the sanitizer's dynamic type check, which would
// make this library need the document library's type information.
__attribute__((no_sanitize("vptr"))) KxClassDict* DictionaryOf(KxKelvoxDatabaseDocument* document) {
    return document->getDictionary();
}
__attribute__((no_sanitize("vptr"))) KxBase* BaseOf(KxKelvoxDatabaseDocument* document) {
    return document->getBase();
}

bool IsUserClass(const KxMetaClass* desc) { return desc->IsUserClass(); }
// The kernel here knows no meta or tool classes: every class that is not a user class is internal.
bool IsMetaClass(const KxMetaClass*) { return false; }
bool IsToolClass(const KxMetaClass*) { return false; }
bool IsInternalClass(const KxMetaClass* desc) { return !desc->IsUserClass(); }

}  // namespace

const char* const KxClassHierarchySubject::TEXT = "text";
const char* const KxClassHierarchySubject::INDENT_LEVEL = "indentLevel";
const char* const KxClassHierarchySubject::ENTRY_TYPE = "entryType";
const char* const KxClassHierarchySubject::SURROGATE = "surrogate";
const char* const KxClassHierarchySubject::CLASS_ID = "class_id";
const char* const KxClassHierarchySubject::LOCAL_CLASS_ID = "local_class_id";
const char* const KxClassHierarchySubject::MEM_SIZE = "mem_size";
const char* const KxClassHierarchySubject::DISK_SIZE = "disk_size";
const char* const KxClassHierarchySubject::FIRST_TIME_REGISTERED = "first_time_registered";
const char* const KxClassHierarchySubject::NO_OF_OBJECTS = "no_of_objects";
const char* const KxClassHierarchySubject::CLASS_TYPE = "class_type";
const char* const KxClassHierarchySubject::SEMANTICS = "semantics";
const char* const KxClassHierarchySubject::VFKT = "vfkt";
const char* const KxClassHierarchySubject::CREATABLE = "creatable";
const char* const KxClassHierarchySubject::HAS_SUBOBJECTS = "has_subobjects";
const char* const KxClassHierarchySubject::IS_GENERIC = "is_generic";
const char* const KxClassHierarchySubject::MEMBER = "member";

// ---- search predicates ---------------------------------------------------------------------------

KxCHSComparison::KxCHSComparison(KvAspect* aspect, int caseSensitive, int e, int r, int substring, int i)
    : caseSensitive_(caseSensitive), e_(e), r_(r), s_(substring), i_(i), aspect_(aspect) {}

KxCHSComparison::~KxCHSComparison() = default;

int KxCHSComparison::matches(const KxString& name) {
    if (aspect_ == nullptr) return 0;
    const KxString search = aspect_->getString();
    int32_t flags = caseSensitive_ ? KxString::KX_CASESENSITIVE : KxString::KX_CASESENSITIVE | KxString::KX_IGNORECASE;
    if (!r_) flags += KxString::KX_NOEFFECT;
    const bool match = s_ ? name.SubStringPos(search, flags) != -1 : name.Compare(search, flags) == 0;
    if (match) *aspect_ = name;
    return match ? 1 : 0;
}

int KxCHSComparisonByClassName::operator()(_ClassInfo* info) {
    if (info == nullptr || info->classDesc == nullptr) return 0;
    return matches(info->classDesc->GetName());
}

int KxCHSComparisonByClassId::operator()(_ClassInfo* info) {
    if (info == nullptr || info->classDesc == nullptr || aspect_ == nullptr) return 0;
    return long(info->classDesc->GetClassNumber()) == aspect_->getLong() ? 1 : 0;
}

int KxCHSComparisonByMember::operator()(_ClassInfo* info) {
    if (info == nullptr || info->classDesc == nullptr) return 0;
    for (uint32_t i = 0; i < info->classDesc->GetMemberCount(); ++i)
        if (matches(info->classDesc->GetMember(i)->GetName())) return 1;
    return 0;
}

// ---- construction --------------------------------------------------------------------------------

KxClassHierarchySubject::KxClassHierarchySubject(KxKelvoxDatabaseDocument* document)
    : document_(document),
      find_("find", "~find...", nullptr, 1),
      toggleInternal_("toggle_internal", nullptr, nullptr, 1),
      toggleUser_("toggle_user", nullptr, nullptr, 1),
      toggleTool_("toggle_tool", nullptr, nullptr, 1),
      verbs_{&find_, &toggleInternal_, &toggleTool_, &toggleUser_, nullptr},
      aspects_(nullptr),
      display_(DefaultDisplay) {
    toggleInternal_.setTitle(display_.showInternalClasses ? "hide ~internal classes" : "show ~internal classes");
    toggleUser_.setTitle(display_.showUserClasses ? "hide ~user classes" : "show ~user classes");
    toggleTool_.setTitle(display_.showToolClasses ? "hide ~tool classes" : "show ~tool classes");
    readDictionary();
    aspects_ = gimmeYourStaticAspects();
}

KxClassHierarchySubject::~KxClassHierarchySubject() {
    clearLists();
    if (aspects_ != nullptr) {
        aspects_->deleteAspects();
        delete aspects_;
    }
}

KvAspectSet* KxClassHierarchySubject::gimmeYourStaticAspects() {
    static const struct {
        const char* id;
        const char* title;
    } kAspects[] = {{CLASS_ID, "class id\tId"},
                    {LOCAL_CLASS_ID, "local class id\tLId"},
                    {MEM_SIZE, "memory size\tMSz"},
                    {DISK_SIZE, "disk size\tDSz"},
                    {FIRST_TIME_REGISTERED, "first time registered\tReg"},
                    {NO_OF_OBJECTS, "no of objects\t#"}};
    auto* set = new KvAspectSet;
    for (const auto& a : kAspects) {
        auto* aspect = new KvAspect(KvAspectId(a.id));
        aspect->setTitle(a.title);
        set->add(aspect);
    }
    return set;
}

KvAspectSet* KxClassHierarchySubject::gimmeYourAspects() { return aspects_; }

KvVerb** KxClassHierarchySubject::gimmeYourVerbs() const { return const_cast<KvVerb**>(verbs_); }

void KxClassHierarchySubject::addDependent(KvView* view) {
    KvSubject::addDependent(view);
    if (view != nullptr && views_.GetPos(view) == CONTAINER_ENTRY_NOTFOUND) views_.Insert(view, CONTAINER_APPEND);
}

void KxClassHierarchySubject::removeDependent(KvView* view) {
    views_.Remove(view);
    KvSubject::removeDependent(view);
}

long KxClassHierarchySubject::getObjectsCount() {
    return long(persistentClasses_.Count()) + long(transientClasses_.Count());
}

KxObjId KxClassHierarchySubject::classDescObjId(const KxMetaClass* desc) {
    if (desc == nullptr) return KxObjId();
    return KxObjId(uint32_t(desc->GetClassNumber()) << 16 | desc->GetVersion(), 0xFFFF, 0xFFFF);
}

_ClassInfo* KxClassHierarchySubject::infoAt(long position) const {
    if (position < 0) return nullptr;
    const long persistent = long(persistentClasses_.Count());
    if (position < persistent) return persistentClasses_.GetInfo(uint32_t(position));
    return transientClasses_.GetInfo(uint32_t(position - persistent));
}

_ClassInfo* KxClassHierarchySubject::getClassInfo(const KxObjId& id) {
    for (KxClasses* list : {&persistentClasses_, &transientClasses_})
        for (uint32_t i = 0; i < list->Count(); ++i)
            if (classDescObjId(list->GetInfo(i)->classDesc) == id) return list->GetInfo(i);
    return nullptr;
}

// ---- reading the dictionary ----------------------------------------------------------------------

void KxClassHierarchySubject::clearLists() {
    // The descriptions belong to the dictionary; the entries are this subject's.
    for (KxClasses* list : {&persistentClasses_, &transientClasses_}) {
        for (uint32_t i = 0; i < list->Count(); ++i) delete list->GetInfo(i);
        list->Clear();
    }
}

KxClassDict* KxClassHierarchySubject::dictionary(int line) {
    if (document_ == nullptr) {
        Diagnose("no document available. ", line);
        return nullptr;
    }
    KxClassDict* dict = DictionaryOf(document_);
    if (dict == nullptr) Diagnose("no dictionary available. ", line);
    return dict;
}

void KxClassHierarchySubject::readDictionary() {
    clearLists();
    KxClassDict* dict = dictionary(__LINE__);
    if (dict == nullptr) return;
    for (const bool persistent : {true, false}) {
        const KxClassDescriptor* descriptor = nullptr;
        int32_t rc = 0;
        for (uint32_t i = 0; (rc = dict->GetDescriptor(i, descriptor)) == 0 && descriptor != nullptr; ++i) {
            const KxMetaClass* desc = descriptor->GetMetaClass();
            if (desc == nullptr || desc->IsPersistent() != persistent || desc->GetBaseCount() != 0) continue;
            addTree(desc, nullptr);
            // The versions the class list does not name.
            if (display_.includeUnlistedClasses)
                for (const KxMetaType* v = desc->GetPreviousVersion(); v != nullptr; v = v->GetPreviousVersion())
                    if (const KxMetaClass* older = ClassOf(v); older != nullptr && older->GetBaseCount() == 0)
                        addTree(older, nullptr);
        }
        if (rc != 0 && rc != KX_DICT_E_NO_ENTRY) KxErrorCode(KxErrFatal, int(rc)).display();
    }
}

void KxClassHierarchySubject::addTree(const KxMetaClass* desc, _ClassInfo* parent) {
    _ClassInfo* info = desc->AsPersClass() != nullptr ? addPersClass(desc->AsPersClass(), parent)
                                                      : addNonPersClass(desc->AsNonPersClass(), parent);
    if (info != nullptr) addDerivedClasses(info);
    else addDerivedOf(desc, parent);
}

_ClassInfo* KxClassHierarchySubject::addPersClass(const KxMetaPersClass* classDesc, _ClassInfo* parent) {
    if (classDesc == nullptr) {
        diag << "KxClassHierarchySubject::addPersClass (KxMetaPersClass *classDesc) : "
             << "received a NULL classdesc, ignored..." << kSource << "(" << __LINE__ << ")." << endl;
        return nullptr;
    }
    auto* info = new _ClassInfo;
    info->classDesc = classDesc;
    info->indentLevel = parent != nullptr ? static_cast<unsigned short>(parent->indentLevel + 1) : 0;
    info->entryType = KxClassHasNoExtent(classDesc) ? _persistentTag : persistentTag;
    info->parent = parent;
    if (!insertClassInfo(persistentClasses_, info)) {
        delete info;
        return nullptr;
    }
    return info;
}

_ClassInfo* KxClassHierarchySubject::addNonPersClass(const KxMetaNonPersClass* classDesc, _ClassInfo* parent) {
    if (classDesc == nullptr) {
        diag << "KxClassHierarchySubject::addNonPersClass " << "(KxMetaNonPersClass *classDesc) : "
             << "received a NULL classdesc, ignored..." << kSource << "(" << __LINE__ << ")." << endl;
        return nullptr;
    }
    auto* info = new _ClassInfo;
    info->classDesc = classDesc;
    info->indentLevel = parent != nullptr ? static_cast<unsigned short>(parent->indentLevel + 1) : 0;
    info->entryType = transientTag;
    info->parent = parent;
    if (!insertClassInfo(transientClasses_, info)) {
        delete info;
        return nullptr;
    }
    return info;
}

int KxClassHierarchySubject::insertClassInfo(KxClasses& list, _ClassInfo* info) {
    const KxMetaClass* desc = info->classDesc;
    if (IsUserClass(desc) && !display_.showUserClasses) return 0;
    if (IsToolClass(desc) && !display_.showToolClasses) return 0;
    if (IsInternalClass(desc) && !display_.showInternalClasses) return 0;
    KxClasses* target = &list;
    uint32_t start = 0;
    if (info->parent != nullptr) {
        uint32_t at = persistentClasses_.GetPos(info->parent);
        target = &persistentClasses_;
        if (at == CONTAINER_ENTRY_NOTFOUND) {
            at = transientClasses_.GetPos(info->parent);
            target = &transientClasses_;
        }
        if (at == CONTAINER_ENTRY_NOTFOUND) target = &list;
        else start = at + 1;
    }
    uint32_t pos = start;
    for (; pos < target->Count(); ++pos) {
        const _ClassInfo* entry = target->GetInfo(pos);
        if (entry->indentLevel < info->indentLevel) break;
        if (entry->indentLevel == info->indentLevel && info->classDesc->GetName() < entry->classDesc->GetName()) break;
    }
    target->Insert(info, pos);
    return 1;
}

void KxClassHierarchySubject::addDerivedClasses(_ClassInfo* info) {
    if (info == nullptr || info->classDesc == nullptr) return;
    addDerivedOf(info->classDesc, info);
}

void KxClassHierarchySubject::addDerivedOf(const KxMetaClass* desc, _ClassInfo* parent) {
    KxClassDict* dict = dictionary(__LINE__);
    if (dict == nullptr || desc == nullptr) return;
    const std::vector<uint16_t>& derived = desc->GetSubclasses();
    for (size_t i = 0; i < derived.size(); ++i) {
        const KxMetaClass* sub = ClassOf(dict->GetCurrentVersion(derived[i]));
        if (sub == nullptr) break;
        if (!display_.includeUnlistedClasses && dict->GetMetaType(sub->GetClassId()) != sub) continue;
        addTree(sub, parent);
    }
}

// ---- values --------------------------------------------------------------------------------------

void KxClassHierarchySubject::getValue(KvAspectSet& set, long position) {
    _ClassInfo* info = infoAt(position);
    const KxMetaClass* desc = info != nullptr ? info->classDesc : nullptr;
    if (desc == nullptr) {
        diag << "KxClassHierarchySubject::getValue : classDesc not found. " << kSource << "(" << __LINE__ << ")."
             << endl;
        return;
    }
    for (unsigned long k = 0; KvAspect* aspect = set.getObject(k); ++k) {
        const KvAspectId aspectId = aspect->aspectId();
        const char* id = aspectId.idStr();
        if (id == nullptr) continue;
        auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
        if (is(TEXT)) {
            KxString text = desc->GetName();
            if (desc->GetVersion() != 0) text << "(" << KxString(uint32_t(desc->GetVersion())) << ")";
            *aspect = text;
        } else if (is(INDENT_LEVEL)) {
            *aspect = info->indentLevel;
        } else if (is(ENTRY_TYPE)) {
            *aspect = info->entryType;
        } else if (is(SURROGATE)) {
            *aspect = KvSurrogate(classDescObjId(desc));
        } else if (is(CLASS_ID)) {
            *aspect = static_cast<unsigned short>(desc->GetClassNumber());
        } else if (is(LOCAL_CLASS_ID)) {
            *aspect = static_cast<short>(desc->GetClassNumber());
        } else if (is(MEM_SIZE)) {
            *aspect = long(desc->GetSize());
        } else if (is(DISK_SIZE)) {
            *aspect = DiskSize(desc);
        } else if (is(FIRST_TIME_REGISTERED)) {
            // The dictionary keeps no stamp per class: a class is registered with its dictionary.
            if (desc->GetDictionary() != nullptr) *aspect = desc->GetDictionary()->GetCreationStamp();
        } else if (is(NO_OF_OBJECTS)) {
            aspect->setNotAvail();
            KxBase* base = document_ != nullptr ? BaseOf(document_) : nullptr;
            if (desc->AsPersClass() != nullptr && base != nullptr) {
                std::unique_ptr<KxAllSet> extent(desc->AsPersClass()->MakeExtent(base));
                const int32_t count = extent != nullptr ? extent->GetCount() : -1;
                if (count >= 0) {
                    *aspect = long(count);
                    aspect->setAvail();
                }
            }
        } else if (is(CLASS_TYPE)) {
            static const char kKinds[] = {'S', 'C', 'U'};
            if (desc->GetForm() >= 0 && desc->GetForm() <= 2) *aspect = kKinds[desc->GetForm()];
        } else if (is(SEMANTICS)) {
            *aspect = IsUserClass(desc)       ? 'U'
                      : IsMetaClass(desc)     ? 'M'
                      : IsToolClass(desc)     ? 'T'
                      : IsInternalClass(desc) ? 'I'
                                              : ' ';
        } else if (is(VFKT)) {
            *aspect = (KxClassFlags(desc) & KX_CFLAG_VIRTUAL) != 0 ? '+' : '-';
        } else if (is(CREATABLE)) {
            *aspect = (KxClassFlags(desc) & KX_CFLAG_CREATABLE) != 0 ? '+' : '-';
        } else if (is(HAS_SUBOBJECTS)) {
            *aspect = HasSubobjects(desc) ? '+' : '-';
        } else if (is(IS_GENERIC)) {
            *aspect = '-';   // the kernel here has no generic classes
        }
    }
}

// ---- verbs ---------------------------------------------------------------------------------------

KxErrorCode KxClassHierarchySubject::validate(KvAspectSet& set, long, const KvVerb& verb) {
    set.setOk();
    if (verb.getVerb() == nullptr || strcasecmp(verb.getVerb(), "delete") != 0) return KxErrorCode();
    KvAspect* surrogate = set.getAspect(KvAspectId(SURROGATE));
    _ClassInfo* info = surrogate != nullptr ? getClassInfo(surrogate->getSurrogate().getKxObjId()) : nullptr;
    if (info != nullptr && info->classDesc != nullptr && info->classDesc->GetClassNumber() < kFirstUserDefinedClass) {
        set.setNotOk();
        return KxBrowserErrors::NotUserDefinedClass;
    }
    return KxErrorCode();
}

void KxClassHierarchySubject::toggle(int& option, KvVerb& verb, const char* show, const char* hide) {
    option = option ? 0 : 1;
    verb.setTitle(option ? hide : show);
    readDictionary();
}

KxErrorCode KxClassHierarchySubject::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    KxErrorCode result;
    KvVerb copy(verb);
    const char* text = verb.getVerb();
    if (text != nullptr && verb == toggleInternal_) {
        toggle(display_.showInternalClasses, toggleInternal_, "show ~internal classes", "hide ~internal classes");
    } else if (text != nullptr && verb == toggleUser_) {
        toggle(display_.showUserClasses, toggleUser_, "show ~user classes", "hide ~user classes");
    } else if (text != nullptr && verb == toggleTool_) {
        toggle(display_.showToolClasses, toggleTool_, "show ~tool classes", "hide ~tool classes");
    } else if (text != nullptr && std::strncmp(text, "find", 4) == 0) {
        result = findClass(set, hint, copy);
    } else if (text != nullptr && strcasecmp(text, "delete") == 0) {
        if (KvAspect* surrogate = set.getAspect(KvAspectId(SURROGATE))) {
            _ClassInfo* info = getClassInfo(surrogate->getSurrogate().getKxObjId());
            result = info != nullptr ? deleteClass(info) : KxBrowserErrors::NoClassDescNothingDeleted;
        }
    }
    if (!result)
        for (uint32_t i = 0; i < views_.Count(); ++i) static_cast<KvView*>(views_.GetObject(i))->update(set, hint, copy);
    return result;
}

KxErrorCode KxClassHierarchySubject::findClass(KvAspectSet& set, long& position, KvVerb& verb) {
    KxErrorCode result = KxBrowserErrors::NotFound;
    if (set.count() == 0) {
        Diagnose("KxClassHierarchySubject-find has nothing to search for", __LINE__);
        return KxBrowserErrors::IllegalFindParameters;
    }
    if (set.count() > 1) {
        diag << "KxClassHierarchySubject-find is not yet able to do handle"
             << "multiple search specifications. Looking for first one." << kSource << "(" << __LINE__ << ")."
             << endl;
    }
    KvAspect* aspect = set.getObject(0);
    const KvAspectId aspectId = aspect->aspectId();
    const char* id = aspectId.idStr() != nullptr ? aspectId.idStr() : "";
    const char* options = verb.getVerb();
    const int c = HasOption(options, 'c'), e = HasOption(options, 'e'), r = HasOption(options, 'r'),
              s = HasOption(options, 's'), i = HasOption(options, 'i');
    std::unique_ptr<KxCHSComparison> predicate;
    if (std::strcmp(id, TEXT) == 0) predicate = std::make_unique<KxCHSComparisonByClassName>(aspect, c, e, r, s, i);
    else if (std::strcmp(id, CLASS_ID) == 0) predicate = std::make_unique<KxCHSComparisonByClassId>(aspect, c, e, r, s, i);
    else if (std::strcmp(id, MEMBER) == 0) predicate = std::make_unique<KxCHSComparisonByMember>(aspect, c, e, r, s, i);
    if (!predicate) {
        diag << "KxClassHierarchySubject-find is not able to search" << endl
             << "for " << id << kSource << "(" << __LINE__ << ")." << endl;
        verb = "select";
        return result;
    }
    const long count = getObjectsCount();
    long found = -1;
    if (HasOption(options, 'p')) {
        for (long p = count - 1; p >= 0 && found < 0; --p)
            if (p < position && (*predicate)(infoAt(p))) found = p;
    } else {
        const bool next = HasOption(options, 'n');
        for (long p = 0; p < count && found < 0; ++p)
            if ((!next || p > position) && (*predicate)(infoAt(p))) found = p;
    }
    if (found >= 0) {
        position = found;
        result = KxBrowserErrors::Found;
        if (set.getAspect(KvAspectId(TEXT)) == nullptr) set.add(new KvAspect(KvAspectId(TEXT), ""));
        getValue(set, position);
    }
    verb = "select";
    return result;
}

KxErrorCode KxClassHierarchySubject::deleteClass(_ClassInfo* info) {
    if (info == nullptr) return KxBrowserErrors::NoClassDescNothingDeleted;
    const KxMetaClass* desc = info->classDesc;
    if (desc == nullptr) return KxErrorCode();
    if (desc->GetClassNumber() < kFirstUserDefinedClass) return KxBrowserErrors::NotUserDefinedClass;
    KxClassDict* dict = dictionary(__LINE__);
    if (dict == nullptr) return KxBrowserErrors::NoClassDescNothingDeleted;
    // The derived classes go first.
    const std::vector<uint16_t> derived = desc->GetSubclasses();
    for (uint16_t number : derived) {
        const KxMetaClass* sub = ClassOf(dict->GetCurrentVersion(number));
        if (sub == nullptr) continue;
        const KxErrorCode r = deleteClass(getClassInfo(classDescObjId(sub)));
        if (r) return r;
    }
    // The dictionary deletes the class with its index and member descriptions; the entries go only
    // when it did, so that a refused delete leaves the tree as it was.
    const int32_t rc = dict->DeleteClass(desc->GetClassNumber());
    if (rc < 0) return KxErrorCode(KxErrWarning, int(rc));
    // Every entry of the class goes (a class with two bases appears under each).
    const KxObjId id = classDescObjId(desc);
    while (_ClassInfo* entry = getClassInfo(id)) {
        KxClasses& list = entry->entryType == transientTag ? transientClasses_ : persistentClasses_;
        list.Remove(entry);
        delete entry;
    }
    return KxErrorCode();
}
