// The class dictionary: the classes (all their versions) and set types of one dictionary, built by
// KxDictBuilder (in C++ or from a declaration file) and reached through the root
// (KxRoot::GetDictionary / ReleaseDictionary).
//
//   KxClassDescriptor  one entry of the class list: a class number, its name, its current
//                      version (meta type); what storage modules ask of a class.
//   KxClassDict        name, server, logical name, stamps, revision; the class list; versions;
//                      look-ups by number, id and name; saving to and loading from a directory.
//   KxDictBuilder      declares classes, set types, members and indexes and builds a dictionary.
//
// Declaration file ("classes.kxd" in the dictionary's directory): one declaration per line;
// blank lines and lines starting with "#" are ignored; words are separated by blanks.
//
//   dictionary <name> [server=<s>] [logical=<text>] [revision=<n>]
//              [created=<YYYY-MM-DDTHH:MM:SS>] [modified=<YYYY-MM-DDTHH:MM:SS>]
//   class <number>.<version> <name> [embedded] [bases=<class>,<class>...] [marks=<mark>,...]
//         [form=struct|class|union] [classflags=<n>]
//   objectset | ondemandset | classset <number>.<version> <name> <element class> [setkind=<n>] [byptr]
//   typeset <number>.<version> <name> <type> [setkind=<n>] [byptr]
//   container <number>.<version> <name> <type> | <class> | ondemand:<class> [setkind=<n>] [byptr]
//   member <name> <spec> [count=<n>] [flags=<qualifier word>] [kind=<n>] [transient] [auto]
//   index <name> [unique] <path>[,<path>...]
//   update <revision> <class number> <index name> [flags=<n>]
//   user <name> [group] [groups=<group>,<group>...]
//   right <class> [attribute=<class>:<number>:<type code>] [read] [write] [delete]
//
// member and index lines belong to the class line before them. A class name in a reference may
// name a version: "Address@1"; without one it names the current (highest) version. <spec> is a
// type name (char short int double float ushort uint long ulong int4 byte string date time nlsstring
// objid classid objid2 blob datetime istring caseistring kxint64 boolean int64 uint64, or
// "type<code>"; nlsstring, type 14, a KxString, is for members kept in memory only: the type manager
// has no stored form for it),
// "embedded:<class>", "ptr:<class>", "ondemand" or "ondemand:<class>", "set:<set type>",
// "container:<container type>". A container's element is a value type, a persistent class (the
// container holds references to its objects), an embedded class (it holds instances) or an
// on-demand reference to a class; setkind=3 makes it hashed (elements without a position).
// Marks: notmapped, autovalues, forgiveindex, virtual. Numbers are decimal or 0x hexadecimal.
// user lines declare the dictionary's users and groups ("group"), with the groups they belong to;
// right lines give the user line before them a right entry on a class, or on one attribute of a
// class (the attribute's declaring class, number and type code), with its permissions.
// update lines form the dictionary's update log: what changed with a revision (an index of a class
// number, flags 1 by default; bit 0 and bit 1 mark an index that was created or changed).
// Declarations may refer to classes declared later in the file. Class number 0 ("KxObject",
// the root class) exists in every dictionary; persistent classes without bases derive from it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "KxDateTime.h"
#include "KxKernelStatus.h"
#include "KxMetaType.h"
#include "KxObjId.h"
#include "KxSpecs.h"
#include "KxString.h"
#include "KxUser.h"

class KxObject;

// Status codes of the dictionary.
enum : int32_t {
    KX_DICT_E_NO_ENTRY = -2005,   // no (further) entry (walks by index)
    KX_DICT_E_SYNTAX = -2842,     // a declaration that cannot be read or resolved (KX_KERNEL_E_VALUE)
    KX_DICT_E_NOT_FOUND = -2841   // no such class or dictionary (KX_KERNEL_E_NOT_FOUND)
};

// The name of the default dictionary server.
constexpr const char* KX_DEFAULT_DICTIONARY_SERVER = "LOCAL";
// The declaration file of a dictionary directory.
constexpr const char* KX_DICTIONARY_FILE = "classes.kxd";
// The pair of dictionary files: the declarations (the format of "classes.kxd") and their index
// (dictionary name, revision and a checksum of the declarations), written together.
constexpr const char* KX_DICTIONARY_DATA_FILE = "_objects.dat";
constexpr const char* KX_DICTIONARY_INDEX_FILE = "_objects.idx";

// What KxClassDict::Save writes.
enum KxDictionaryForm : int32_t {
    KX_DICT_FORM_DECLARATION = 0,   // "classes.kxd"
    KX_DICT_FORM_PAIR = 1           // "_objects.dat" and "_objects.idx"
};

// One entry of a revision's update log.
struct KxUpdateLogEntry {
    uint16_t classNumber = 0;
    KxString indexName;   // empty for an entry about no index
    uint32_t flags = 0;
};

class KxClassDescriptor {
public:
    uint16_t GetClassNumber() const { return number_; }
    const KxString& GetName() const;
    // The current version; never null.
    const KxMetaType* GetMetaType() const { return current_; }
    // The current version when it is a class; null for a set type.
    const KxMetaClass* GetMetaClass() const { return current_->AsClass(); }
    bool IsUserClass() const { return current_->IsUserClass(); }
    // The address of the instance of an object of this class (its members' base address).
    uint8_t* GetAddress(const KxObject* object) const;

private:
    friend class KxClassDict;
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    uint16_t number_ = 0;
    const KxMetaType* current_ = nullptr;
};

class KxClassDict {
public:
    ~KxClassDict();
    KxClassDict(const KxClassDict&) = delete;
    KxClassDict& operator=(const KxClassDict&) = delete;

    const KxString& GetName() const { return name_; }
    const KxString& GetServer() const { return server_; }
    const KxString& GetLogicalName() const { return logical_; }
    const KxDateTime& GetCreationStamp() const { return created_; }
    const KxDateTime& GetModifyStamp() const { return modified_; }
    uint16_t GetRevision() const { return revision_; }

    // The dictionary as a database (the dictionary's facts that the workbench shows):
    // the physical server is the server; the physical name the directory it was read from (the
    // name for a dictionary built or parsed in memory); the client name the root's; the database
    // version its revision; the type manager version the process's; the file facts those of its
    // files (file version 5, free-store management version 2 unless set).
    const KxString& GetPhysicalServer() const { return server_; }
    KxString GetPhysicalName() const { return physical_.IsEmpty() ? name_ : physical_; }
    const KxString& GetClientName() const;
    int32_t GetDatabaseVersion() const { return revision_; }
    uint32_t GetTypeMgrVersion() const;
    int32_t GetFileInfo(KxDatabaseFileInfo& info) const
    {
        info = fileInfo_;
        return 0;
    }
    void SetFileInfo(const KxDatabaseFileInfo& info) { fileInfo_ = info; }
    // A master dictionary lists the sub-schemata (dictionaries of the same server) it is made of:
    // an id table of (id, dictionary name) in the order added.
    bool IsMasterDictionary() const { return master_; }
    void SetMasterDictionary(bool master) { master_ = master; }
    void AddSubSchema(uint16_t id, const KxString& name) { subSchemata_.emplace_back(id, name); }
    uint32_t GetSubSchemaCount() const { return static_cast<uint32_t>(subSchemata_.size()); }
    // Entry index of the id table: 0, or KX_DICT_E_NO_ENTRY past the end.
    int32_t GetSubSchema(uint32_t index, uint16_t& id, KxString& name) const;
    // Checks a sub-schema of the id table: 0 when the root can give its dictionary; its status
    // otherwise (KX_KERNEL_E_NOT_FOUND also for an id the table does not hold).
    int32_t CheckSubSchema(uint16_t id) const;

    // The update log of a revision, in declaration order (empty when the revision has none).
    std::vector<KxUpdateLogEntry> GetUpdateLog(uint16_t revision) const;

    // The root class's descriptor (class number 0, "KxObject").
    int32_t GetRootDescriptor(const KxClassDescriptor*& descriptor) const;
    // The class list in class-number order: 0 and the descriptor, KX_DICT_E_NO_ENTRY past the end.
    uint32_t GetDescriptorCount() const { return static_cast<uint32_t>(list_.size()); }
    int32_t GetDescriptor(uint32_t index, const KxClassDescriptor*& descriptor) const;
    const KxClassDescriptor* FindDescriptor(uint16_t classNumber) const;

    // The current version of a class number; null when unknown.
    const KxMetaType* GetCurrentVersion(uint16_t classNumber) const;
    // The version named by a class id (walking back from the current version); null when the
    // class number or version is unknown.
    const KxMetaType* GetMetaType(const KxClassId& id) const;
    const KxMetaClass* GetMetaClass(const KxClassId& id) const;
    // The current version of a class (or set type) by name; null when unknown.
    const KxMetaType* FindByName(const KxString& name) const;
    // The same with a status: 0, KX_DICT_E_NOT_FOUND (type null).
    int32_t GetMetaType(const KxString& name, const KxMetaType*& type) const;
    // The type handle of the newest (current) version of a class number or of a class id's class
    // number: 0, KX_DICT_E_NOT_FOUND (handle null).
    int32_t GetNewestVersion(uint16_t classNumber, const KxMetaTypeHandle*& handle) const;
    int32_t GetNewestVersion(const KxClassId& classId, const KxMetaTypeHandle*& handle) const;
    // Replaces type by the current version of its class number: 0, KX_KERNEL_E_INVALID (null),
    // KX_DICT_E_NOT_FOUND (a class number this dictionary does not know).
    int32_t GetKxMetaTypeVersion(const KxMetaType*& type) const;
    // True when id's class number is known and its current version is id's version.
    bool IsCurrentVersion(const KxClassId& id) const;

    // Removes a class (every version, with its members and index definitions) from the dictionary:
    // lookups, the class list, its bases' subclasses and what Save writes no longer know it; its
    // meta types stay valid until the dictionary goes. 0; KX_DICT_E_NOT_FOUND for an unknown class
    // number; KX_KERNEL_E_INVALID for the root class or a set type; KX_KERNEL_E_STATE while the
    // class has subclasses or a member or set type of another class uses it (nothing changes).
    int32_t DeleteClass(uint16_t classNumber);

    // Users and groups in declaration order; by name (null when unknown).
    uint32_t GetUserCount() const { return static_cast<uint32_t>(users_.size()); }
    KxUser* GetUser(uint32_t i) const { return i < users_.size() ? users_[i].get() : nullptr; }
    KxUser* FindUser(const KxString& name) const;

    // Writes the declaration file into dir (created when missing, with the folders above it), or with KX_DICT_FORM_PAIR the
    // pair "_objects.dat" (the declarations) and then "_objects.idx" ("name <name>",
    // "revision <n>", "checksum <CRC-32 of the .dat, 8 hexadecimal digits>"). Each file replaces
    // its old one whole. 0, KX_KERNEL_E_CONFIG_FILE when a file cannot be written.
    int32_t Save(const KxString& dir, KxDictionaryForm form = KX_DICT_FORM_DECLARATION) const;
    // Reads the dictionary of dir: the pair when either of its files is there, else the declaration
    // file. 0; KX_DICT_E_NOT_FOUND when there is no dictionary; KX_DICT_E_SYNTAX with *error =
    // "<file>:<line>: <reason>", or for a pair that does not belong together (a file missing, a
    // checksum, name or revision that does not match) "<file>: <reason>".
    static int32_t Load(const KxString& dir, std::unique_ptr<KxClassDict>& dict,
                        KxString* error = nullptr);
    // The same from declaration text (name is the file name used in messages).
    static int32_t Parse(const std::string& text, const KxString& name,
                         std::unique_ptr<KxClassDict>& dict, KxString* error = nullptr);
    // The declaration text of the dictionary (what Save writes).
    std::string ToText() const;

    // Transactions of a dictionary that a tool changes: levels nest; Commit and Abort end the
    // innermost one. Only the levels are kept: a change of the dictionary takes effect at once and
    // an abort does not undo it. Commit and Abort answer the number of levels still open (> 0
    // while more remain), KX_KERNEL_E_STATE without an open level.
    int32_t BeginTransaction();
    int32_t CommitTransaction();
    int32_t AbortTransaction();
    int32_t GetTransactionLevel() const { return txnLevel_; }

private:
    friend class KxDictBuilder;
    friend class KxMetaLayout;
    KxClassDict();
    KxString name_;
    KxString server_;
    KxString logical_;
    KxDateTime created_;
    KxDateTime modified_;
    uint16_t revision_ = 0;
    KxString physical_;
    KxDatabaseFileInfo fileInfo_{5, 2};
    bool master_ = false;
    std::vector<std::pair<uint16_t, KxString>> subSchemata_;
    std::vector<std::pair<uint16_t, KxUpdateLogEntry>> updates_;   // (revision, entry)
    std::vector<std::unique_ptr<KxMetaType>> types_;          // every version
    std::map<uint16_t, std::unique_ptr<KxClassDescriptor>> byNumber_;
    std::vector<const KxClassDescriptor*> list_;              // by class number
    std::vector<std::unique_ptr<KxUser>> users_;
    std::vector<std::unique_ptr<KxClassDescriptor>> deleted_;   // descriptors of deleted classes
    int32_t txnLevel_ = 0;
};

// Builds a dictionary. Declarations are collected first; Build resolves names, checks the
// declarations, lays out the classes and hands over the dictionary. Errors are reported by Build.
class KxDictBuilder {
public:
    explicit KxDictBuilder(const KxString& name,
                           const KxString& server = KX_DEFAULT_DICTIONARY_SERVER);
    ~KxDictBuilder();
    KxDictBuilder(const KxDictBuilder&) = delete;
    KxDictBuilder& operator=(const KxDictBuilder&) = delete;

    KxDictBuilder& Logical(const KxString& logicalName);
    KxDictBuilder& Revision(uint16_t revision);
    KxDictBuilder& Stamps(const KxDateTime& created, const KxDateTime& modified);
    // Adds an entry to the update log of a revision.
    KxDictBuilder& Update(uint16_t revision, uint16_t classNumber, const KxString& indexName, uint32_t flags = 1);

    // Starts a class version (persistent unless embedded); later Base/member/Index calls belong
    // to it. Class names in references may carry "@version".
    KxDictBuilder& Class(uint16_t number, uint16_t version, const KxString& name,
                         bool embedded = false, uint32_t marks = 0);
    KxDictBuilder& Base(const KxString& className);
    // The description of the current class (form 0 struct, 1 class, 2 union; class flag word) or
    // of the set type declared last (set kind; element mode). See KxMetaType::GetForm.
    KxDictBuilder& ClassForm(int32_t form, uint32_t classFlags);
    KxDictBuilder& SetForm(int32_t setKind, int32_t elementMode);
    // Members of the current class. qualifier: KX_QUAL_...; kind: KX_MEMBER_KIND_...
    KxDictBuilder& Value(const KxString& name, int32_t typeCode, uint32_t count = 1,
                         uint32_t qualifier = 0, int32_t kind = KX_MEMBER_KIND_STORED);
    KxDictBuilder& Embedded(const KxString& name, const KxString& className, uint32_t count = 1,
                            uint32_t qualifier = 0);
    KxDictBuilder& Pointer(const KxString& name, const KxString& className, uint32_t count = 1,
                           uint32_t qualifier = 0);
    // className may be empty (an on-demand reference without declared class).
    KxDictBuilder& OnDemand(const KxString& name, const KxString& className, uint32_t count = 1,
                            uint32_t qualifier = 0);
    KxDictBuilder& Set(const KxString& name, const KxString& setTypeName, uint32_t qualifier = 0);
    KxDictBuilder& Index(const KxString& name, const std::vector<KxString>& paths,
                         bool unique = false);
    // Set types.
    KxDictBuilder& ObjectSet(uint16_t number, uint16_t version, const KxString& name,
                             const KxString& elementClass);
    KxDictBuilder& OnDemandSet(uint16_t number, uint16_t version, const KxString& name,
                               const KxString& elementClass);
    KxDictBuilder& ClassSet(uint16_t number, uint16_t version, const KxString& name,
                            const KxString& elementClass);
    KxDictBuilder& TypeSet(uint16_t number, uint16_t version, const KxString& name,
                           int32_t elementType);
    // A container type; element: a type name ("int"), a class (persistent: references to its
    // objects; embedded: instances) or "ondemand:<class>". Members name it as sets do (Set).
    KxDictBuilder& Container(uint16_t number, uint16_t version, const KxString& name,
                             const KxString& element);
    // Starts a user (or group); later MemberOf and Right calls belong to it.
    KxDictBuilder& User(const KxString& name, bool group = false);
    KxDictBuilder& MemberOf(const KxString& groupName);
    // A right entry of the current user on a class (permissions KX_PERM_...), or on an attribute of
    // the class: the attribute's declaring class, its number and type code.
    KxDictBuilder& Right(const KxString& className, uint32_t permissions);
    KxDictBuilder& AttributeRight(const KxString& className, const KxString& attributeClass, int16_t attribute,
                                  int32_t typeId, uint32_t permissions);
    // Records the source line of the next declarations (used in error texts).
    void SetLine(const KxString& where);

    // 0 and the dictionary, or KX_DICT_E_SYNTAX (*error says why): unknown or ambiguous names,
    // duplicate class ids or names, a member outside a class, a cycle of bases or embedded
    // members, an embedded class that is a set type, an invalid type code, an index path that
    // does not resolve, a type set of a non-value type, a duplicate or unknown user or group, a
    // right outside a user or on an unknown class, groups that contain themselves.
    int32_t Build(std::unique_ptr<KxClassDict>& dict, KxString* error = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
