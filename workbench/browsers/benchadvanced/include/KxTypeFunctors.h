// Declaration texts of a dictionary's classes, members and indexes, and the walk over a class's
// members (bases first), as functors that the kernel's description objects accept.
//
//   CreateTypeText                        the text of a class, set or on-demand reference
//   CreateTypeTextForMember               the text of a member (storage class, qualifiers, type,
//                                         access method, name, bounds)
//   CreateTypeTextForIndexDefinition      the text of an index definition's entries
//   TraverseClassDescAndCallGivenHandler  every member of a class, each base once and first
//   CreateAspectSetWithPersistentMember   one aspect per member of a class (KxAspectFunctors.h)
//
// Texts are appended to a caller-owned KxString; a null target makes a functor do nothing. Words are
// separated by KxDeclSeparator (three blanks); a missing piece of description is "not available".
#pragma once

#include <cstdint>
#include <vector>

#include "KxMetaType.h"
#include "KxString.h"
#include "KxTypeMgr.h"

// The separator between the words of a declaration text.
extern const char* const KxDeclSeparator;

class CreateTypeText : public KxMetaTypeFunctor {
public:
    CreateTypeText(KxString* target, KxTypeMgr* typeMgr, int withKeywords);
    CreateTypeText(const CreateTypeText& other);
    CreateTypeText& operator=(const CreateTypeText& other);
    ~CreateTypeText() override;

    // The kernel's protocol: classes and sets route to the handlers below.
    int32_t OnClass(const KxMetaClass& metaClass) override;
    int32_t OnObjectSet(const KxMetaSet& set) override;
    int32_t OnOnDemandSet(const KxMetaSet& set) override;
    int32_t OnClassSet(const KxMetaSet& set) override;
    int32_t OnContainer(const KxMetaPersContainer& container) override;
    int32_t OnTypeSet(const KxMetaSet& set) override;

    virtual int HandleKxMetaClass(const KxMetaClass* desc);
    virtual int HandleKxMetaPersClass(const KxMetaPersClass* desc);
    virtual int HandleKxMetaNonPersClass(const KxMetaNonPersClass* desc);
    // An on-demand reference to the class of the handle (class number 0xFFFC and 0xFFFB are the
    // generic references "d_Ref" and "d_Rel_Ref").
    virtual int HandleKxMetaOnDemand(const KxMetaTypeHandle* referenced);
    virtual int HandleKxMetaSet(const KxMetaSet* desc);
    virtual int HandleKxMetaTypeSet(const KxMetaSet* desc);
    // A container type: its kind, "<", the element ("int", the class, an on-demand reference), "> ".
    virtual int HandleKxMetaPersContainer(const KxMetaPersContainer* desc);
    virtual int HandleVersionNumber(const KxMetaType* desc);
    virtual int HandleKxSetType(int kind);
    virtual int HandleKxTypeId(int32_t typeId);

private:
    void Write(const char* text);
    // The set kind, the separator and "<"; false (nothing or "not available" written) without target or set.
    bool OpenSet(const KxMetaSet* desc);
    // Without description: "not available" and a diagnostic (true).
    bool Missing(const void* desc, int line);
    KxString* target_;
    KxTypeMgr* typeMgr_;
    unsigned withKeywords_ : 1;
};

class CreateTypeTextForMember : public KxMemberFunctor {
public:
    // withName and withKeywords are kept as flag bits 0 and 1.
    CreateTypeTextForMember(KxString* target, KxTypeMgr* typeMgr, int withName, int withKeywords);
    CreateTypeTextForMember(const CreateTypeTextForMember& other);
    CreateTypeTextForMember& operator=(const CreateTypeTextForMember& other);
    ~CreateTypeTextForMember() override;

    // The kernel's protocol: member kinds route to the handlers below.
    int32_t OnValue(const KxMember& member) override;
    int32_t OnEmbedded(const KxMember& member) override;
    int32_t OnPointer(const KxMember& member) override;
    int32_t OnOnDemand(const KxMember& member) override;
    int32_t OnObjectSet(const KxMember& member) override;
    int32_t OnOnDemandSet(const KxMember& member) override;
    int32_t OnTypeSet(const KxMember& member) override;
    int32_t OnClassSet(const KxMember& member) override;
    int32_t OnContainer(const KxMember& member) override;

    virtual int HandleKxClassMember(const KxMember* member);
    virtual int HandleKxOnDemandMember(const KxMember* member);
    virtual int HandleKxTypeMember(const KxMember* member);
    virtual int HandleKxContainerMember(const KxMember* member);
    virtual int HandleKxStorageClass(int storageClass);
    virtual int HandleQualifier(uint32_t flags);
    virtual int HandleKxAccessMethod(int method);
    virtual int HandleArrayModifier(const KxMember* member);
    virtual int HandleKxAccessSpecifier(int spec);
    virtual int HandleLinkError(int number);
    virtual int HandleKxTypeId(int32_t typeId);

private:
    void Write(const char* text);
    // Storage class, qualifiers; then after the type part: access method, name, bounds, link error.
    void Head(const KxMember& member);
    void Tail(const KxMember& member);
    KxString* target_;
    KxTypeMgr* typeMgr_;
    unsigned withName_ : 1;
    unsigned withKeywords_ : 1;
};

class CreateTypeTextForIndexDefinition : public KxIndexEntryFunctor {
public:
    explicit CreateTypeTextForIndexDefinition(KxString* target);
    CreateTypeTextForIndexDefinition(const CreateTypeTextForIndexDefinition& other);
    CreateTypeTextForIndexDefinition& operator=(const CreateTypeTextForIndexDefinition& other);
    ~CreateTypeTextForIndexDefinition() override;

    // The kernel's protocol: every key of an index is an entry path; keys are joined by ", ".
    int32_t OnSimpleIndex(const KxIndexDef& index) override;
    int32_t OnCompoundIndex(const KxIndexDef& index) override;

    // One entry: its significance, whether it compares in the code set's order (lexical) and
    // whether it is descending.
    virtual int HandleKxIdxEntry(int16_t significance, bool lexical, bool descending);
    // A member entry (the last of a path): the member name, then the entry text.
    virtual int HandleKxIdxMemberEntry(const KxMember* member, int16_t significance);
    // A class entry (an embedded member along a path): its name, "." and the rest of the path.
    virtual int HandleKxIdxClassEntry(const KxIndexKey& key, uint32_t at, int16_t significance);
    // A full-text entry: name, entry text and "{key=value, ...}" of its parameters.
    virtual int HandleKxIdxFulltextEntry(const KxString& name, int16_t significance,
                                         const std::vector<std::pair<KxString, KxString>>& parameters);

private:
    int32_t Keys(const KxIndexDef& index);
    KxString* target_;
};

class TraverseClassDescAndCallGivenHandler : public KxMetaTypeFunctor {
public:
    // Clears the class-wide list of visited class descriptions.
    explicit TraverseClassDescAndCallGivenHandler(KxMemberFunctor* handler);
    TraverseClassDescAndCallGivenHandler(const TraverseClassDescAndCallGivenHandler& other);
    TraverseClassDescAndCallGivenHandler& operator=(const TraverseClassDescAndCallGivenHandler& other);
    // Clears the visited list again.
    ~TraverseClassDescAndCallGivenHandler() override;

    int32_t OnClass(const KxMetaClass& metaClass) override;
    // Each base class once (by inheritance index), then each own member accepts the handler.
    virtual int HandleKxMetaClass(const KxMetaClass* desc);

    // The dictionary of the class the walk began with (null before a walk).
    KxClassDict* GetDictionary() const { return dictionary_; }

private:
    KxMemberFunctor* handler_;
    KxClassDict* dictionary_ = nullptr;
};
