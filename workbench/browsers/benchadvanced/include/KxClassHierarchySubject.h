// The class hierarchy of a database document's dictionary as a subject: a flat, pre-ordered tree
// (every root class, then its derived classes one indent level deeper, siblings sorted by name;
// the persistent classes first, then the non-persistent ones). Its verbs find a class, hide or show
// internal, user and tool classes, and delete a user-defined class from the dictionary. It reaches
// the dictionary only through the document (getDictionary, and getBase for object counts).
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxObjId.h"
#include "svlist.h"

class KvAspect;
class KvView;
class KxClassDict;
class KxKelvoxDatabaseDocument;
class KxMetaClass;
class KxMetaNonPersClass;
class KxMetaPersClass;

// One entry of the tree.
struct _ClassInfo {
    const KxMetaClass* classDesc = nullptr;
    unsigned short indentLevel = 0;
    unsigned short entryType = 0;
    _ClassInfo* parent = nullptr;   // null for a root
};

// The entries of one half of the tree, in tree order (not owned by the list).
class KxClasses : public List {
public:
    KxClasses() : List(1024, 16, 16) {}
    _ClassInfo* GetInfo(uint32_t i) const { return static_cast<_ClassInfo*>(GetObject(i)); }
};

// A search predicate over the entries; the option flags are those of the find verb.
class KxCHSComparison {
public:
    KxCHSComparison(KvAspect* aspect, int caseSensitive, int e, int r, int substring, int i);
    virtual ~KxCHSComparison();
    // Non-zero when the entry matches.
    virtual int operator()(_ClassInfo* info) = 0;

protected:
    // Compares a name with the search text by the options; a match stores the name into the aspect.
    int matches(const KxString& name);
    int caseSensitive_, e_, r_, s_, i_;
    KvAspect* aspect_;
};

class KxCHSComparisonByClassName : public KxCHSComparison {
public:
    using KxCHSComparison::KxCHSComparison;
    int operator()(_ClassInfo* info) override;
};

class KxCHSComparisonByClassId : public KxCHSComparison {
public:
    using KxCHSComparison::KxCHSComparison;
    int operator()(_ClassInfo* info) override;
};

class KxCHSComparisonByMember : public KxCHSComparison {
public:
    using KxCHSComparison::KxCHSComparison;
    int operator()(_ClassInfo* info) override;
};

class KxClassHierarchySubject : public KvSubject {
public:
    struct DisplayOptions {
        int showUserClasses = 1;
        int showInternalClasses = 1;
        int showToolClasses = 1;
        int includeUnlistedClasses = 0;
    };
    // The options of every new subject.
    static DisplayOptions DefaultDisplay;
    static KvAspectSet DefaultAspects;

    // Aspect names.
    static const char* const TEXT;
    static const char* const INDENT_LEVEL;
    static const char* const ENTRY_TYPE;
    static const char* const SURROGATE;
    static const char* const CLASS_ID;
    static const char* const LOCAL_CLASS_ID;
    static const char* const MEM_SIZE;
    static const char* const DISK_SIZE;
    static const char* const FIRST_TIME_REGISTERED;
    static const char* const NO_OF_OBJECTS;
    static const char* const CLASS_TYPE;
    static const char* const SEMANTICS;
    static const char* const VFKT;
    static const char* const CREATABLE;
    static const char* const HAS_SUBOBJECTS;
    static const char* const IS_GENERIC;
    static const char* const MEMBER;

    // Entry types.
    static constexpr unsigned short persistentTag = 1;   // persistent class
    static constexpr unsigned short _persistentTag = 2;  // persistent class declared "_persistent"
    static constexpr unsigned short transientTag = 3;    // non-persistent class

    explicit KxClassHierarchySubject(KxKelvoxDatabaseDocument* document);
    ~KxClassHierarchySubject() override;
    KxClassHierarchySubject(const KxClassHierarchySubject&) = delete;
    KxClassHierarchySubject& operator=(const KxClassHierarchySubject&) = delete;

    // All aspects Ok; "delete" of a class numbered below 100 is refused.
    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // The toggles, find and delete; on success the dependent views are told.
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Fills the aspects of the set whose names are listed above from the class at the position.
    void getValue(KvAspectSet& set, long position) override;
    // The display aspects (titled with a menu text and a column header).
    KvAspectSet* gimmeYourAspects() override;
    long getObjectsCount() override;
    // find, toggle_internal, toggle_tool, toggle_user, null.
    KvVerb** gimmeYourVerbs() const override;
    // The dependents are also kept here: they receive the set of an update.
    void addDependent(KvView* view) override;
    void removeDependent(KvView* view) override;

    // The first entry whose class description has the object id; null when none.
    _ClassInfo* getClassInfo(const KxObjId& id);
    // A new set of the six display aspects.
    static KvAspectSet* gimmeYourStaticAspects();

    const DisplayOptions& getDisplayOptions() const { return display_; }
    KxKelvoxDatabaseDocument* getDocument() const { return document_; }
    // Builds the tree again from the dictionary.
    void readDictionary();

    // The object id that stands for a class description (the kernel's descriptions carry none of
    // their own here: it is made from the class id).
    static KxObjId classDescObjId(const KxMetaClass* desc);

protected:
    _ClassInfo* addPersClass(const KxMetaPersClass* classDesc, _ClassInfo* parent);
    _ClassInfo* addNonPersClass(const KxMetaNonPersClass* classDesc, _ClassInfo* parent);
    // 1 inserted, 0 refused by the display options.
    int insertClassInfo(KxClasses& list, _ClassInfo* info);
    void addDerivedClasses(_ClassInfo* info);
    KxErrorCode findClass(KvAspectSet& set, long& position, KvVerb& verb);
    KxErrorCode deleteClass(_ClassInfo* info);

private:
    KxClassDict* dictionary(int line);
    // Adds a class and its derived classes below parent; the derived classes of a class that the
    // options hide take its place.
    void addTree(const KxMetaClass* desc, _ClassInfo* parent);
    void addDerivedOf(const KxMetaClass* desc, _ClassInfo* parent);
    _ClassInfo* infoAt(long position) const;
    void clearLists();
    void toggle(int& option, KvVerb& verb, const char* show, const char* hide);

    KxKelvoxDatabaseDocument* document_;
    KxClasses persistentClasses_;
    KxClasses transientClasses_;
    KvVerb find_;
    KvVerb toggleInternal_;
    KvVerb toggleUser_;
    KvVerb toggleTool_;
    KvVerb* verbs_[5];
    KvAspectSet* aspects_;
    DisplayOptions display_;
    List views_;
};
