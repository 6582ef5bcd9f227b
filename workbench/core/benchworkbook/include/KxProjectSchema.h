// The persistent project schema of workbooks (class dictionary "workdict"): projects, their items,
// the class-compiler and ODL compiler options and the directories of a project or an item, with the
// query and extent classes of each class.
//
// The classes are bound to the dictionary's classes (KxClassBinding.h) while this library is loaded:
// every object of these classes that the kernel makes, new (make) or read from a workbook, is an
// object of the C++ class. The members live in the object's instance as the dictionary lays them
// out; member numbers are the positions in the dictionary's declaration ("classes.kxd" beside this
// library's sources). Transient state is kept in the C++ object only.
#pragma once

#include <cstdint>

#include "KxBase.h"
#include "KxClassBinding.h"
#include "KxClient.h"
#include "KxDateTime.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxString.h"

class KxProjectItem;
class KxProjectOptions;
class KxProjectODLOptions;
class KxProjectDirectories;

// Member type codes of the query conditions.
enum : int32_t { KX_PROJECT_QUERY_INT = 7, KX_PROJECT_QUERY_STRING = 11, KX_PROJECT_QUERY_DATETIME = 19 };

// What every class of the schema shares: the member access by member number and the hooks' common
// work. Not a class of the dictionary.
class KxProjectPersistent : public KxObject {
public:
    // The hooks of the bound classes.
    static void* Cast2KxBaseClass(void* object) { return object; }
    // Gives back one hold of the object (the kernel frees it with its last hold); null allowed.
    static void* DestroyObject(void* object);

protected:
    KxProjectPersistent(const KxMetaClass* metaClass, uint8_t* instance) : KxObject(metaClass, instance) {}
    int32_t& intMember(int32_t n) const;
    KxString& textMember(int32_t n) const;
    KxDateTime& timeMember(int32_t n) const;
    KxObject* pointerMember(int32_t n) const;
    void setPointerMember(int32_t n, KxObject* target);
    KxObjectSet* setMember(int32_t n) const;
    // Copies the persistent member values of another object of the same class.
    void copyMembers(const KxProjectPersistent& other);
    // The offset of own member n from the instance for the class's identifier and a level of at
    // most 1; -1 otherwise (the layout is the dictionary's: it is read from the object's class).
    static int32_t offsetOf(const KxClassIdentifier& own, const KxClassIdentifier* asked, int32_t level,
                            int32_t member, const void* object);
    // This object when the identifier names the class (version ignored) or has local class id 0.
    void* addressPoint(const KxClassIdentifier& own, const KxClassIdentifier& asked);
    // A new object of the class named, held once; null when the base cannot make one.
    static KxObject* makeIn(KxBase* base, const char* className);
};

// One declaration per bound class: identity, hooks, construction.
#define KX_PROJECT_BOUND_CLASS(Class)                                                                    \
public:                                                                                                  \
    static Class* make(KxBase* base);                                                                    \
    static const KxClassIdentifier& ClassIdentifier();                                                   \
    const KxClassIdentifier& GetClassIdentifier() const { return ClassIdentifier(); }                    \
    void* GetAddressPoint(const KxClassIdentifier& identifier) {                                         \
        return addressPoint(ClassIdentifier(), identifier);                                              \
    }                                                                                                    \
    static KxObject* Factory(const KxMetaClass* metaClass, uint8_t* instance);                           \
    static int32_t KxOffsets(KxClassIdentifier* identifier, int32_t level, int32_t member, void* object); \
    Class& operator=(const Class& other);                                                                \
                                                                                                         \
protected:                                                                                               \
    /* the activation constructor: members at their defaults */                                          \
    Class(const KxMetaClass* metaClass, uint8_t* instance);

// The compile-state lock of a project (no members).
class KxProjectState : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectState)
};

class KxProjectDirectories : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectDirectories)

public:
    const KxString& getIncludeDir() const { return textMember(0); }
    void setIncludeDir(const KxString& v) { textMember(0) = v; }
    const KxString& getOutputDir() const { return textMember(1); }
    void setOutputDir(const KxString& v) { textMember(1) = v; }
    const KxString& getFactoryHeaderDir() const { return textMember(2); }
    void setFactoryHeaderDir(const KxString& v) { textMember(2) = v; }
    const KxString& getFactorySourceDir() const { return textMember(3); }
    void setFactorySourceDir(const KxString& v) { textMember(3) = v; }
    const KxString& getTempDir() const { return textMember(4); }
    void setTempDir(const KxString& v) { textMember(4) = v; }
};

// Switches of the class compiler: member number, member name, accessor stem.
#define KX_PROJECT_OPTIONS_SWITCHES(X)                                                                  \
    X(0, compileOnly, CompileOnly) X(1, verbose, Verbose)                                               \
    X(2, omitCreationOfFactoryFiles, OmitCreationOfFactoryFiles) X(3, looseMode, LooseMode)             \
    X(4, correctExternC, CorrectExternC) X(5, nestedTypes, NestedTypes)                                 \
    X(6, useTemplateSets, UseTemplateSets) X(7, useCodeSet, UseCodeSet)                                 \
    X(8, oneFileDatabase, OneFileDatabase)
#define KX_PROJECT_OPTIONS_TEXTS(X)                                                                     \
    X(9, host, HostName) X(10, base, BaseName) X(11, dictionary, DictionaryName) X(12, defines, Defines) \
    X(13, unDefines, UnDefines) X(14, system, System) X(15, settings, Settings)                         \
    X(16, advancedCppOptions, AdvancedCppOptions) X(17, advancedComOptions, AdvancedComOptions)         \
    X(18, advancedRegOptions, AdvancedRegOptions)

// Switches of the ODL compiler.
#define KX_PROJECT_ODL_OPTIONS_TEXTS(X)                                                                 \
    X(0, includes, Includes) X(1, tempFilename, TempFilename) X(2, defines, Defines)                    \
    X(3, unDefines, UnDefines) X(4, host, HostName) X(5, base, BaseName) X(6, dictionary, DictionaryName) \
    X(7, advancedOptions, AdvancedOptions)
#define KX_PROJECT_ODL_OPTIONS_SWITCHES(X)                                                              \
    X(8, verbose, Verbose) X(9, warningLevel, WarningLevel) X(10, discardComments, DiscardComments)     \
    X(11, fullCompile, FullCompile) X(12, preprocessOnly, PreprocessOnly) X(13, analyseOnly, AnalyseOnly) \
    X(14, asEmbeddedMembers, AsEmbeddedMembers) X(15, asOndemandMembers, AsOndemandMembers)             \
    X(16, asPointerMembers, AsPointerMembers) X(17, inhibitDictionaryWarnings, InhibitDictionaryWarnings) \
    X(18, useCodeSet, UseCodeSet) X(19, oneFileDatabase, OneFileDatabase)                               \
    X(20, oneFileDictionary, OneFileDictionary)

#define KX_PROJECT_SWITCH_ACCESSORS(n, member, Stem)                                                    \
    int32_t get##Stem##Switch() const { return intMember(n); }                                          \
    void set##Stem##Switch(int32_t v) { intMember(n) = v; }
#define KX_PROJECT_TEXT_ACCESSORS(n, member, Stem)                                                      \
    const KxString& get##Stem() const { return textMember(n); }                                         \
    void set##Stem(const KxString& v) { textMember(n) = v; }

class KxProjectOptions : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectOptions)

public:
    KX_PROJECT_OPTIONS_SWITCHES(KX_PROJECT_SWITCH_ACCESSORS)
    KX_PROJECT_OPTIONS_TEXTS(KX_PROJECT_TEXT_ACCESSORS)
    int32_t getCreateNewDictionarySwitch() const { return createNewDictionary_; }
    void setCreateNewDictionarySwitch(int32_t v) { createNewDictionary_ = v; }
    // The kernel's hook when the object is loaded: the transient switch starts at 0.
    void Activate() { createNewDictionary_ = 0; }

private:
    int32_t createNewDictionary_ = 0;   // transient
};

class KxProjectODLOptions : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectODLOptions)

public:
    KX_PROJECT_ODL_OPTIONS_TEXTS(KX_PROJECT_TEXT_ACCESSORS)
    KX_PROJECT_ODL_OPTIONS_SWITCHES(KX_PROJECT_SWITCH_ACCESSORS)
};

class KxProjectItem : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectItem)

public:
    const KxString& getName() const { return textMember(0); }
    void setName(const KxString& v) { textMember(0) = v; }
    const KxString& getPath() const { return textMember(1); }
    void setPath(const KxString& v) { textMember(1) = v; }
    KxProjectOptions* getOptions() const;
    void setOptions(KxProjectOptions* options);
    KxProjectDirectories* getDirectories() const;
    void setDirectories(KxProjectDirectories* d);

    // The transient state bits (0 when made or read).
    void setState(uint32_t bits) { state_ |= bits; }
    // Clears the bits.
    void resetState(uint32_t bits) { state_ &= ~bits; }
    uint32_t getState() const { return state_; }

    // 1 when the item's source is newer than what was made of it (the generated ".ocd" file in the
    // working directory for ".hcd" sources, the dependency file beside the source), or, with deep,
    // than one of the files the dependency file names; 0 otherwise and for ".ocd" items.
    int32_t mustBeCompiled(int32_t deep) const;

private:
    uint32_t state_ = 0;   // transient
};

// The items of a project: the kernel's set of item references, embedded in the project.
class KxProjectItemIndirectCSet {
public:
    static const KxClassIdentifier& ClassIdentifier();
    static void* Cast2KxBaseClass(void* object) { return object; }
    static void* DestroyObject(void*) { return nullptr; }   // lives inside its project
    explicit KxProjectItemIndirectCSet(KxObjectSet* set = nullptr) : set_(set) {}

    // The item at offset (seek 0) or offset items from the current one (seek 1), held for the
    // caller: 0, KX_KERNEL_E_NO_ELEMENT past either end, or the kernel's status.
    int32_t Get(KxProjectItem*& item, long offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,
                int32_t watch = KX_SPEC_DEFAULT);
    // The reference of that item (the hold is given back).
    int32_t Get(KxOnDemand& item, long offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,
                int32_t watch = KX_SPEC_DEFAULT);
    int32_t Unget(KxProjectItem*& item);
    int32_t GetNum() const;
    int32_t Append(KxProjectItem* item, int32_t mode = 1);
    int32_t Delete(int32_t mode = 1);
    int32_t Clear();
    KxObjectSet* GetKernelSet() const { return set_; }

private:
    KxObjectSet* set_;
};

class KxProjectObj : public KxProjectPersistent {
    KX_PROJECT_BOUND_CLASS(KxProjectObj)

public:
    // Appends the item to the project's items.
    int32_t addItem(KxProjectItem* item);
    // Takes the item at the position out of the project's items and lets go of it in memory (it
    // stays in the database). 0 or the kernel's status.
    int32_t removeItem(short index);
    // Do nothing.
    int32_t removeItem(KxProjectItem*) { return 0; }
    int32_t removeItem(KxString&, KxString&) { return 0; }
    // The item at position i, held for the caller (give it back with ungetItem); null when there is
    // none.
    KxProjectItem* getItem(long i);
    // Gives back the hold of getItem: the kernel's status; 1 for a null item.
    int32_t ungetItem(KxProjectItem* item);
    int32_t getItemsCount() const;
    KxProjectItemIndirectCSet& getItems() { return items_; }

    // Locks (unlocks) the project's compile state with the lock mode 0x1014 and depth 0 in the
    // current transaction: the kernel's status. The state lives inside the project: the lock is
    // taken on the project's object id.
    int32_t lockCompileStateObject();
    int32_t unlockCompileStateObject();

    const char* getTitle() const { return textMember(4).StrGet(); }
    void setTitle(const char* v) { textMember(4) = KxString(v != nullptr ? v : ""); }
    const char* getSubject() const { return textMember(5).StrGet(); }
    void setSubject(const char* v) { textMember(5) = KxString(v != nullptr ? v : ""); }
    const char* getAuthor() const { return textMember(6).StrGet(); }
    void setAuthor(const char* v) { textMember(6) = KxString(v != nullptr ? v : ""); }
    const KxDateTime& getLastTimeModified() const { return timeMember(7); }
    void setLastTimeModified(const KxDateTime& t) { timeMember(7) = t; }
    // Sets the time of the last modification to now and answers it.
    const KxDateTime& touch();
    const KxObjId& getSurr() const { return GetObjId(); }

    KxProjectOptions* getOptions() const;
    void setOptions(KxProjectOptions* o);
    KxProjectDirectories* getDirectories() const;
    void setDirectories(KxProjectDirectories* d);
    KxProjectODLOptions* getODLOptions() const;
    void setODLOptions(KxProjectODLOptions* o);

private:
    KxProjectItemIndirectCSet items_;
};

// ---- queries ---------------------------------------------------------------------------------
// Sort operators of the SortBy setters.
enum KxSortOp : int32_t { KX_SORT_ASCENDING = 0, KX_SORT_DESCENDING = 1 };

// Query on one class of the schema: conditions on its members, run with its extent's Query.
#define KX_PROJECT_QUERY_CLASS(Query)                                                                   \
public:                                                                                                 \
    /* the class in the base's dictionary (the meta class given, or found by name) */                   \
    explicit Query(KxBase* base, const KxMetaClass* metaClass = nullptr, KxQueryType type = KX_QUERY_NORMAL);

#define KX_PROJECT_QUERY_INT(n, member, Stem)                                                           \
    int32_t Set##member(int32_t value, uint16_t compareOp) { return condition(#member, KX_PROJECT_QUERY_INT, &value, compareOp); } \
    int32_t SortBy##member(KxSortOp op, short = -1, short = -1, unsigned short = 0) { return SortBy(#member, op, -1, -1, 0); }
#define KX_PROJECT_QUERY_TEXT(n, member, Stem)                                                          \
    int32_t Set##member(const KxString& value, uint16_t compareOp) { return condition(#member, KX_PROJECT_QUERY_STRING, &value, compareOp); } \
    int32_t SortBy##member(KxSortOp op, short = -1, short = -1, unsigned short = 0) { return SortBy(#member, op, -1, -1, 0); }

// What the query classes share.
class KxProjectQueryBase : public KxGenericQuery {
protected:
    KxProjectQueryBase(KxBase* base, const KxMetaClass* metaClass, const char* className);
    int32_t condition(const char* member, int32_t typeCode, const void* value, uint16_t compareOp);
    // A reference member: a sub-query on the referenced class (taken over), or the reference of an
    // object, compared with compareOp (1 equal).
    int32_t reference(const char* member, KxQuery* sub);
    int32_t reference(const char* member, const KxOnDemand& target, uint16_t compareOp);
    // A set member: the elements that the sub-query (taken over) finds, count of them compared with
    // countOp.
    int32_t elements(const char* member, KxQuery* sub, int32_t count, uint16_t countOp);

private:
    // The position of a member among all members of the class: false when it has none.
    bool memberPosition(const char* member, uint16_t& pos) const;
    const KxMetaClass* class_;
};

class KxProjectStateQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectStateQuery)
};

class KxProjectDirectoriesQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectDirectoriesQuery)
public:
    KX_PROJECT_QUERY_TEXT(0, includeDir, IncludeDir)
    KX_PROJECT_QUERY_TEXT(1, outputDir, OutputDir)
    KX_PROJECT_QUERY_TEXT(2, factoryHeaderDir, FactoryHeaderDir)
    KX_PROJECT_QUERY_TEXT(3, factorySourceDir, FactorySourceDir)
    KX_PROJECT_QUERY_TEXT(4, tempDir, TempDir)
};

class KxProjectOptionsQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectOptionsQuery)
public:
    KX_PROJECT_OPTIONS_SWITCHES(KX_PROJECT_QUERY_INT)
    KX_PROJECT_OPTIONS_TEXTS(KX_PROJECT_QUERY_TEXT)
};

class KxProjectODLOptionsQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectODLOptionsQuery)
public:
    KX_PROJECT_ODL_OPTIONS_TEXTS(KX_PROJECT_QUERY_TEXT)
    KX_PROJECT_ODL_OPTIONS_SWITCHES(KX_PROJECT_QUERY_INT)
};

#define KX_PROJECT_QUERY_REFERENCE(member, SubQuery, Target)                                           \
    int32_t Set##member(SubQuery* sub) { return reference(#member, sub); }                              \
    int32_t Set##member(const Target* object, uint16_t compareOp = 1) {                                  \
        return reference(#member, KxOnDemand(object, 1), compareOp);                              \
    }                                                                                                   \
    int32_t Set##member(const KxOnDemand& target, uint16_t compareOp = 1) { return reference(#member, target, compareOp); }

class KxProjectItemQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectItemQuery)
public:
    KX_PROJECT_QUERY_TEXT(0, name, Name)
    KX_PROJECT_QUERY_TEXT(1, path, Path)
    KX_PROJECT_QUERY_REFERENCE(options, KxProjectOptionsQuery, KxProjectOptions)
    KX_PROJECT_QUERY_REFERENCE(directories, KxProjectDirectoriesQuery, KxProjectDirectories)
};

class KxProjectObjQuery : public KxProjectQueryBase {
    KX_PROJECT_QUERY_CLASS(KxProjectObjQuery)
public:
    // The projects with count items (compared with countOp) that the item query finds (taken over).
    int32_t Setitems(unsigned count, unsigned short countOp, KxProjectItemQuery* sub);
    KX_PROJECT_QUERY_REFERENCE(options, KxProjectOptionsQuery, KxProjectOptions)
    KX_PROJECT_QUERY_REFERENCE(directories, KxProjectDirectoriesQuery, KxProjectDirectories)
    KX_PROJECT_QUERY_REFERENCE(odlOptions, KxProjectODLOptionsQuery, KxProjectODLOptions)
    KX_PROJECT_QUERY_TEXT(4, title, Title)
    KX_PROJECT_QUERY_TEXT(5, subject, Subject)
    KX_PROJECT_QUERY_TEXT(6, author, Author)
    int32_t SetlastTimeModified(const KxDateTime& value, uint16_t compareOp) {
        return condition("lastTimeModified", KX_PROJECT_QUERY_DATETIME, &value, compareOp);
    }
    int32_t SortBylastTimeModified(KxSortOp op, short = -1, short = -1, unsigned short = 0) {
        return SortBy("lastTimeModified", op, -1, -1, 0);
    }
};

// ---- extents ---------------------------------------------------------------------------------
// The objects of one class of the schema in a base, walked like the kernel's extent.
#define KX_PROJECT_ALL_SET(AllSet, Class)                                                               \
    class AllSet : public KxAllSet {                                                                    \
    public:                                                                                             \
        explicit AllSet(KxBase* base);                                                                  \
        using KxAllSet::Get;                                                                            \
        int32_t Get(Class*& object, long offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,          \
                    int32_t watch = KX_SPEC_DEFAULT);                                                   \
        int32_t Get(KxOnDemand& ref, long offset, int32_t seek, int32_t lock = KX_SPEC_DEFAULT,         \
                    int32_t watch = KX_SPEC_DEFAULT);                                                   \
        const KxClassIdentifier& GetDescIdentifier() const { return Class::ClassIdentifier(); }         \
    };

KX_PROJECT_ALL_SET(KxProjectObjAllSet, KxProjectObj)
KX_PROJECT_ALL_SET(KxProjectItemAllSet, KxProjectItem)
KX_PROJECT_ALL_SET(KxProjectOptionsAllSet, KxProjectOptions)
KX_PROJECT_ALL_SET(KxProjectODLOptionsAllSet, KxProjectODLOptions)
KX_PROJECT_ALL_SET(KxProjectDirectoriesAllSet, KxProjectDirectories)
KX_PROJECT_ALL_SET(KxProjectStateAllSet, KxProjectState)
