// Object-to-aspect walkers and the value conversions between object memory and aspects.
#include "KxObjectWalkers.h"

#include <cstring>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvSurrogate.h"
#include "KxAspectFunctors.h"
#include "KxBlob.h"
#include "KxBrowserKernel.h"
#include "KxDTypes.h"
#include "KxDateTime.h"
#include "KxDescAccess.h"
#include "KxGenericArraySubject.h"
#include "KxGenericContainerSubjects.h"
#include "KxGenericObjectSubjects.h"
#include "KxGenericSetSubjects.h"
#include "KxInt64.h"
#include "KxNull.h"
#include "KxObject.h"
#include "KxTypeMgr.h"
#include "KxWOStream.h"
#include "kxlocale.h"
#include "sysinfoapi.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\kxobjhdl";

template <class T>
T& At(void* value) {
    return *static_cast<T*>(value);
}

// A string value for an aspect: unchanged, or on the Windows 95 family a text of another code set
// converted to the native one and marked read-only.
void StringToAspect(const KxString& value, KvAspect* aspect) {
    const bool win9x = (GetVersion() & 0x80000000u) != 0;
    const uint8_t native = KxLanguageContext::GetNativeCodeSet();
    if (!win9x || value.CodeSet() == 0 || value.CodeSet() == native) {
        *aspect = value;
        return;
    }
    KvAspect original(KvAspectId("tmp"), value);
    KxString copy(value);
    copy.SetCodeSet(native);
    copy << "(" << original.OriginalCodeSetAsString() << ", " << original.OriginalLanguageAsString()
         << ". Read only.)";
    *aspect = copy;
    aspect->setReadOnly();
}

}  // namespace

void valueToAspect(int32_t typeCode, void* value, KvAspect* aspect, KxTypeMgr* typeMgr) {
    if (value == nullptr || aspect == nullptr || typeMgr == nullptr) return;
    switch (typeCode) {
    case 0: *aspect = At<char>(value); break;
    case 1: *aspect = short(At<int16_t>(value)); break;
    case 2: *aspect = long(At<int32_t>(value)); break;
    case 3: *aspect = At<double>(value); break;
    case 4: *aspect = At<float>(value); break;
    case 5: *aspect = static_cast<unsigned short>(At<uint16_t>(value)); break;
    case 6: *aspect = static_cast<unsigned long>(At<uint32_t>(value)); break;
    case 7:
    case 9: *aspect = int(At<int32_t>(value)); break;
    case 8: *aspect = static_cast<unsigned int>(At<uint32_t>(value)); break;
    case 10: *aspect = static_cast<unsigned char>(At<uint8_t>(value)); break;
    case 11: StringToAspect(At<KxString>(value), aspect); break;
    case 12: *aspect = At<KxDate>(value); break;
    case 13: *aspect = At<KxTime>(value); break;
    case 14: *aspect = "BlockId value not avail"; break;
    // The kernel keeps both object-id codes as KxObjId values.
    case 15:
    case 17: *aspect = KvSurrogate(At<KxObjId>(value)); break;
    case 16: *aspect = At<KxClassId>(value); break;
    case 18: *aspect = At<KxBlob>(value); break;
    case 19: *aspect = At<KxDateTime>(value); break;
    case 22: *aspect = At<d_Date>(value); break;
    case 23: *aspect = At<d_Time>(value); break;
    case 24: *aspect = At<d_Timestamp>(value); break;
    case 25: *aspect = At<d_Interval>(value); break;
    case 26: *aspect = At<KxInt64>(value); break;
    case 27: *aspect = At<KxBoolean>(value); break;
    case 28: *aspect = At<KxNull_char>(value); break;
    case 29: *aspect = At<KxNull_uchar>(value); break;
    case 30: *aspect = At<KxNull_short>(value); break;
    case 31: *aspect = At<KxNull_ushort>(value); break;
    case 32: *aspect = At<KxNull_int>(value); break;
    case 33: *aspect = At<KxNull_unsigned>(value); break;
    case 34: *aspect = At<KxNull_long>(value); break;
    case 35: *aspect = At<KxNull_ulong>(value); break;
    case 36: *aspect = At<KxNull_float>(value); break;
    case 37: *aspect = At<KxNull_double>(value); break;
    case 38: *aspect = At<KxNull_KxInt64>(value); break;
    case 42: *aspect = static_cast<long long>(At<int64_t>(value)); break;
    case 43: *aspect = static_cast<unsigned long long>(At<uint64_t>(value)); break;
    case 44: *aspect = At<KxNull_8b>(value); break;
    case 45: *aspect = At<KxNull_u8b>(value); break;
    default: {
        KxString text;
        typeMgr->PrintToKxString(uint8_t(typeCode), text, value, nullptr, 1);
        *aspect = text;
        break;
    }
    }
}

void aspectToValue(int32_t typeCode, void* value, KvAspect* aspect, KxTypeMgr* typeMgr) {
    if (value == nullptr || aspect == nullptr || typeMgr == nullptr || !aspect->isNotReadOnly()) return;
    switch (typeCode) {
    case 0: At<char>(value) = aspect->getChar(); break;
    case 1: At<int16_t>(value) = aspect->getShort(); break;
    case 2: At<int32_t>(value) = int32_t(aspect->getLong()); break;
    case 3: At<double>(value) = aspect->getDouble(); break;
    case 4: At<float>(value) = aspect->getFloat(); break;
    case 5: At<uint16_t>(value) = aspect->getUnsignedShort(); break;
    case 6: At<uint32_t>(value) = uint32_t(aspect->getUnsignedLong()); break;
    case 7:
    case 9: At<int32_t>(value) = aspect->getInt(); break;
    case 8: At<uint32_t>(value) = aspect->getUnsignedInt(); break;
    case 10: At<uint8_t>(value) = aspect->getByte(); break;
    case 11: At<KxString>(value) = aspect->getOriginalString(); break;
    case 12: At<KxDate>(value) = aspect->getDate(); break;
    case 13: At<KxTime>(value) = aspect->getTime(); break;
    case 14: diag << " >>> GenericObject2AspectSetHandler <<<" << "cannot convert block ids." << kSource << __LINE__ << endl; break;
    case 15:
    case 17: At<KxObjId>(value) = aspect->getSurrogate().getKxObjId(); break;
    case 16: At<KxClassId>(value) = aspect->getKxClassId(); break;
    case 18: At<KxBlob>(value) = aspect->getKxBlob(); break;
    case 19: At<KxDateTime>(value) = aspect->getDaTime(); break;
    case 22: At<d_Date>(value) = aspect->getdDate(); break;
    case 23: At<d_Time>(value) = aspect->getdTime(); break;
    case 24: At<d_Timestamp>(value) = aspect->getdTimestamp(); break;
    case 25: At<d_Interval>(value) = aspect->getdInterval(); break;
    case 26: At<KxInt64>(value) = aspect->getInt64(); break;
    case 27: At<KxBoolean>(value) = aspect->getBoolean(); break;
    case 28: At<KxNull_char>(value) = aspect->getNull_char(); break;
    case 29: At<KxNull_uchar>(value) = aspect->getNull_uchar(); break;
    case 30: At<KxNull_short>(value) = aspect->getNull_short(); break;
    case 31: At<KxNull_ushort>(value) = aspect->getNull_ushort(); break;
    case 32: At<KxNull_int>(value) = aspect->getNull_int(); break;
    case 33: At<KxNull_unsigned>(value) = aspect->getNull_unsigned(); break;
    case 34: At<KxNull_long>(value) = aspect->getNull_long(); break;
    case 35: At<KxNull_ulong>(value) = aspect->getNull_ulong(); break;
    case 36: At<KxNull_float>(value) = aspect->getNull_float(); break;
    case 37: At<KxNull_double>(value) = aspect->getNull_double(); break;
    case 38: At<KxNull_KxInt64>(value) = aspect->getNull_KxInt64(); break;
    case 42: At<int64_t>(value) = aspect->get8B(); break;
    case 43: At<uint64_t>(value) = aspect->getU8B(); break;
    case 44: At<KxNull_8b>(value) = aspect->getNull_8B(); break;
    case 45: At<KxNull_u8b>(value) = aspect->getNull_U8B(); break;
    default: typeMgr->ScanFromKxString(uint8_t(typeCode), aspect->getString(), value, nullptr); break;
    }
}

// ---- GenericObject2AspectSetHandler ----------------------------------------------------------------

#define G2A_DIAG(message) diag << " >>> GenericObject2AspectSetHandler <<<" << message << kSource << __LINE__ << endl

GenericObject2AspectSetHandler::GenericObject2AspectSetHandler(KxBase* base, KvAspectSet* set, KxTypeMgr* typeMgr,
                                                               KxClassDict* dictionary, ObjectFunctorMode mode)
    : KxObjectWalker(typeMgr), dictionary_(dictionary), set_(set), mode_(mode), base_(base) {}
GenericObject2AspectSetHandler::GenericObject2AspectSetHandler(const GenericObject2AspectSetHandler& other) = default;
GenericObject2AspectSetHandler& GenericObject2AspectSetHandler::operator=(
    const GenericObject2AspectSetHandler& other) = default;
GenericObject2AspectSetHandler::~GenericObject2AspectSetHandler() = default;

int GenericObject2AspectSetHandler::operator()(const KxMetaClass*, KxObject* object) { return Walk(object); }
int GenericObject2AspectSetHandler::operator()(const KxMetaClass* classDesc, void* memory) {
    return Walk(static_cast<uint8_t*>(memory), classDesc);
}

KvAspect* GenericObject2AspectSetHandler::memberAspect() {
    if (set_ == nullptr || member_ == nullptr) return nullptr;
    KvAspectId id;
    memberAspectId(id, member_, dictionary_);
    return set_->getAspect(id);
}

KvAspect* GenericObject2AspectSetHandler::currentAspect() {
    KvAspect* aspect = memberAspect();
    if ((arrayFlag_ & 1) != 0) return getArrayItemAspect(aspect);
    return aspect;
}

KxGenericArrayItem* GenericObject2AspectSetHandler::getArrayItemAspect(KvAspect* aspect) {
    if (aspect == nullptr || member_ == nullptr) return nullptr;
    auto* subject = dynamic_cast<KxGenericArraySubject*>(aspect->getSubjectPtr());
    if (subject == nullptr) {
        G2A_DIAG("aspect has no array subject pointer.");
        return nullptr;
    }
    KxGenericArrayItem* item = subject->getArrayItem(arrayIndex_);
    KxString title(member_->GetName());
    title << "[" << uint32_t(arrayIndex_) << "]";
    item->setTitle(title.ToUtf8().c_str());
    item->setTypeTag(KxMemberTypeName(*member_, GetTypeMgr()).ToUtf8().c_str());
    return item;
}

void GenericObject2AspectSetHandler::give(KvAspect* aspect, KvSubject* subject, long tag) {
    if (aspect == nullptr) {
        delete subject;
        return;
    }
    KxGiveSubject(aspect, subject);
    aspect->tag() = tag;
}

int GenericObject2AspectSetHandler::HandleMember(void* memory, const KxMember* member) {
    arrayFlag_ = arrayIndex_ = arrayCount_ = 0;
    const KxMember* previous = member_;
    member_ = member;
    const int result = KxObjectWalker::Member(static_cast<uint8_t*>(memory), *member);
    member_ = previous;
    arrayFlag_ = arrayIndex_ = arrayCount_ = 0;
    return result;
}

int GenericObject2AspectSetHandler::HandleArrayElement(void* memory, const KxMember* member, unsigned int index) {
    if (mode_ != KX_READ_OBJECT) return 0;
    if ((arrayFlag_ & 1) == 0) {
        arrayFlag_ |= 1;
        KvAspect* aspect = memberAspect();
        if (aspect != nullptr && aspect->getSubjectPtr() == nullptr)
            *aspect = static_cast<KvSubject*>(new KxGenericArraySubject(member_, GetTypeMgr()));
        arrayCount_ = member->GetElementCount();
    }
    arrayIndex_ = index;
    return KxObjectWalker::ArrayElement(static_cast<uint8_t*>(memory), *member, index);
}

int GenericObject2AspectSetHandler::HandleBaseType(void* memory, int32_t typeCode, unsigned int) {
    if (member_ == nullptr) {
        G2A_DIAG("HandleBaseType member desc not set. ");
        return 0;
    }
    KvAspect* aspect = memberAspect();
    if ((arrayFlag_ & 1) != 0) {
        KxGenericArrayItem* item = getArrayItemAspect(aspect);
        if (item == nullptr) return 0;
        item->setAddress(memory);
        aspect = item;
    }
    if (aspect == nullptr) return 0;
    if (memory != nullptr && GetTypeMgr() != nullptr) {
        if (mode_ == KX_WRITE_OBJECT) {
            aspectToValue(typeCode, memory, aspect, GetTypeMgr());
        } else {
            valueToAspect(typeCode, memory, aspect, GetTypeMgr());
            aspect->tag() = baseTypeTag_;
        }
        return 0;
    }
    if (memory == nullptr) G2A_DIAG("HandleBaseType voidP is nil. Membername is " << aspect->aspectId().idStr());
    *aspect = "not available";
    return 0;
}

int GenericObject2AspectSetHandler::HandleKxObjectPtr(KxObject** pointer, const KxMetaPersClass* classDesc) {
    if (mode_ == KX_WRITE_OBJECT) {
        KvAspect* aspect = currentAspect();
        if (aspect == nullptr || pointer == nullptr) return 0;
        auto* subject = dynamic_cast<KxGenericObjectSubject*>(aspect->getSubjectPtr());
        KxObject* target = subject != nullptr ? subject->object() : nullptr;
        if (target == *pointer) return 0;
        if (target != nullptr) target->Hold();
        if (*pointer != nullptr) (*pointer)->Release();
        *pointer = target;
        return 0;
    }
    if (classDesc == nullptr) {
        G2A_DIAG("HandleKxObjectPtr : class desc is nil. Ignored.");
        return 0;
    }
    KxGenericObjectSubject* subject =
        pointer != nullptr && *pointer != nullptr ? new KxGenericObjectSubject(*pointer, classDesc) : nullptr;
    give(currentAspect(), subject, referenceTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandleEmbeddedObject(void* memory, const KxMetaClass* classDesc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (memory == nullptr || classDesc == nullptr) {
        G2A_DIAG("HandleEmbeddedObject : nil voidP or nil class desc. Ignored.");
        return 0;
    }
    give(currentAspect(), new KxGenericEmbeddedObjectSubject(memory, classDesc, GetTypeMgr(), base_), compoundTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandleOnDemand(KxOnDemand* reference, const KxMetaTypeHandle* desc) {
    if (mode_ == KX_WRITE_OBJECT) {
        KvAspect* aspect = currentAspect();
        if (aspect == nullptr || reference == nullptr) return 0;
        KxObject* target = nullptr;
        if (auto* subject = dynamic_cast<KxGenericOndemandSubject*>(aspect->getSubjectPtr())) target = subject->object();
        else if (auto* plain = dynamic_cast<KxGenericObjectSubject*>(aspect->getSubjectPtr())) target = plain->object();
        const KxOnDemand fresh(target, 1);
        reference->Assign(fresh.GetBase(), fresh.GetRef(), reference->GetParentBase());
        return 0;
    }
    if (reference == nullptr || desc == nullptr) {
        G2A_DIAG("HandleOnDemand : nil pOndemand or nil class desc. Ignored.");
        return 0;
    }
    const KxObjId& id = reference->GetRef().GetObjId();
    KxGenericOndemandSubject* subject = id.IsNull() ? nullptr : new KxGenericOndemandSubject(reference, desc);
    give(currentAspect(), subject, referenceTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandleTypeSet(KxTypeSet* set, const KxMetaSet* desc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (set == nullptr || desc == nullptr) {
        G2A_DIAG("HandleTypeSet : nil pOndemand or nil class desc. Ignored.");
        return 0;
    }
    // A set held by an object belongs to the object's base.
    if (set->GetBase() == nullptr) set->AttachToBase(base_);
    give(currentAspect(), new KxGenericTypeSetSubject(set, desc), containerTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandleNonPersClassSet(KxClassSet* set, const KxMetaSet* desc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (set == nullptr || desc == nullptr) {
        G2A_DIAG("HandleNonPersClassSet : nil pOndemand or nil class desc. Ignored.");
        return 0;
    }
    // A set held by an object belongs to the object's base.
    if (set->GetBase() == nullptr) set->AttachToBase(base_);
    give(currentAspect(), new KxGenericObjectSetSubject(set, desc), containerTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandlePersClassSet(KxObjectSet* set, const KxMetaSet* desc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (set == nullptr || desc == nullptr) {
        G2A_DIAG("HandlePersClassSet : nil pOndemand or nil class desc. Ignored.");
        return 0;
    }
    // A set held by an object belongs to the object's base.
    if (set->GetBase() == nullptr) set->AttachToBase(base_);
    give(currentAspect(), new KxGenericPersistentObjectSetSubject(set, desc), containerTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandleOnDemandSet(KxOnDemandSet* set, const KxMetaSet* desc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (set == nullptr || desc == nullptr) {
        G2A_DIAG("HandleOnDemandSet : nil pOndemand or nil class desc. Ignored.");
        return 0;
    }
    // A set held by an object belongs to the object's base.
    if (set->GetBase() == nullptr) set->AttachToBase(base_);
    give(currentAspect(), new KxGenericOndemandSetSubject(set, desc), containerTag_);
    return 0;
}

int GenericObject2AspectSetHandler::HandlePersContainer(KxBasicContainer* container, const KxMetaPersContainer* desc) {
    if (mode_ == KX_WRITE_OBJECT) return 0;
    if (container == nullptr || desc == nullptr) {
        G2A_DIAG("HandlePersContainer : nil pContainer or nil class desc. Ignored.");
        return 0;
    }
    // A container held by an object belongs to the object's base.
    if (container->GetBase() == nullptr) container->AttachToBase(base_);
    KvAspect* aspect = currentAspect();
    const KxMetaTypeHandle* element = desc->GetElementType();
    if (aspect == nullptr || element == nullptr || element->GetMetaType() == nullptr) return 0;
    MetaBasicType2SubjectHandler pick(container, desc, aspect);
    element->GetMetaType()->Apply(pick);
    aspect->tag() = containerTag_;
    return 0;
}

int32_t GenericObject2AspectSetHandler::Member(uint8_t* instance, const KxMember& member) {
    return HandleMember(instance, &member);
}
int32_t GenericObject2AspectSetHandler::ArrayElement(uint8_t* element, const KxMember& member, uint32_t index) {
    return HandleArrayElement(element, &member, index);
}
int32_t GenericObject2AspectSetHandler::Value(uint8_t* address, const KxMember& member) {
    return HandleBaseType(address, member.GetTypeCode(), 1);
}
int32_t GenericObject2AspectSetHandler::EmbeddedObject(uint8_t* address, const KxMember& member) {
    return HandleEmbeddedObject(address, member.GetClass());
}
int32_t GenericObject2AspectSetHandler::PointerMember(KxObject** slot, const KxMember& member) {
    return HandleKxObjectPtr(slot, member.GetClass() != nullptr ? member.GetClass()->AsPersClass() : nullptr);
}
int32_t GenericObject2AspectSetHandler::OnDemandMember(KxOnDemand* reference, const KxMember& member) {
    return HandleOnDemand(reference, member.GetReferenceType());
}
int32_t GenericObject2AspectSetHandler::ObjectSet(KxObjectSet* set, const KxMember& member) {
    return HandlePersClassSet(set, member.GetSetType());
}
int32_t GenericObject2AspectSetHandler::OnDemandSet(KxOnDemandSet* set, const KxMember& member) {
    return HandleOnDemandSet(set, member.GetSetType());
}
int32_t GenericObject2AspectSetHandler::TypeSet(KxTypeSet* set, const KxMember& member) {
    return HandleTypeSet(set, member.GetSetType());
}
int32_t GenericObject2AspectSetHandler::ClassSet(KxClassSet* set, const KxMember& member) {
    return HandleNonPersClassSet(set, member.GetSetType());
}
int32_t GenericObject2AspectSetHandler::Container(KxBasicContainer* container, const KxMember& member) {
    return HandlePersContainer(container, member.GetContainerType());
}

// ---- MetaBasicType2SubjectHandler ----------------------------------------------------------------------

MetaBasicType2SubjectHandler::MetaBasicType2SubjectHandler(void* container, const KxMetaPersContainer* desc,
                                                           KvAspect* aspect)
    : container_(static_cast<KxBasicContainer*>(container)), desc_(desc), aspect_(aspect) {}

bool MetaBasicType2SubjectHandler::ready() const { return container_ != nullptr && desc_ != nullptr && aspect_ != nullptr; }

int32_t MetaBasicType2SubjectHandler::OnClass(const KxMetaClass& metaClass) {
    if (!ready()) return 0;
    if (metaClass.IsPersistent())
        KxGiveSubject(aspect_, new KxGenericPersClassContainerSubject(container_, desc_, &metaClass));
    else
        KxGiveSubject(aspect_, new KxGenericNonPersClassContainerSubject(container_, desc_, &metaClass));
    return 0;
}

int32_t MetaBasicType2SubjectHandler::OnBasicType(const KxMetaBasicType& type) {
    if (ready()) KxGiveSubject(aspect_, new KxGenericBasicTypeContainerSubject(container_, desc_, &type));
    return 0;
}

int32_t MetaBasicType2SubjectHandler::OnOnDemand(const KxMetaOnDemand& reference) {
    if (ready()) KxGiveSubject(aspect_, new KxGenericOnDemandContainerSubject(container_, desc_, &reference));
    return 0;
}

// ---- MapPersistentTypeMember2AspectSetHandler ------------------------------------------------------

MapPersistentTypeMember2AspectSetHandler::MapPersistentTypeMember2AspectSetHandler(KvAspectSet* set, KxTypeMgr* typeMgr,
                                                                                   KxClassDict* dictionary)
    : KxObjectWalker(typeMgr), dictionary_(dictionary), set_(set), typeMgr_(typeMgr) {}
MapPersistentTypeMember2AspectSetHandler::~MapPersistentTypeMember2AspectSetHandler() = default;

int MapPersistentTypeMember2AspectSetHandler::operator()(const KxMetaClass*, KxObject* object) { return Walk(object); }
int MapPersistentTypeMember2AspectSetHandler::operator()(const KxMetaClass* classDesc, void* memory) {
    return Walk(static_cast<uint8_t*>(memory), classDesc);
}

int MapPersistentTypeMember2AspectSetHandler::HandleMember(void* memory, const KxMember* member) {
    const KxMember* previous = member_;
    member_ = member;
    const int result = KxObjectWalker::Member(static_cast<uint8_t*>(memory), *member);
    member_ = previous;
    return result;
}

int MapPersistentTypeMember2AspectSetHandler::HandleBaseType(void* memory, int32_t typeCode, unsigned int) {
    if (member_ == nullptr || set_ == nullptr) {
        diag << " >>> MapPersistentTypeMember2AspectSetHandler " << static_cast<void*>(this) << " <<< "
             << "HandleBaseType member desc not set. " << kSource << __LINE__ << endl;
        return 0;
    }
    KvAspectId id;
    memberAspectId(id, member_, dictionary_);
    KvAspect* aspect = set_->getAspect(id);
    if (aspect == nullptr) return 0;
    if (memory == nullptr) {
        diag << " >>> MapPersistentTypeMember2AspectSetHandler " << static_cast<void*>(this) << " <<< "
             << "HandleBaseType voidP is nil. Membername is '" << member_->GetName().ToUtf8().c_str() << "'. "
             << kSource << __LINE__ << endl;
        *aspect = "not available";
        return 0;
    }
    if (typeMgr_ == nullptr) {
        *aspect = "not available";
        return 0;
    }
    valueToAspect(typeCode, memory, aspect, typeMgr_);
    aspect->tag() = baseTypeTag_;
    return 0;
}

int32_t MapPersistentTypeMember2AspectSetHandler::Member(uint8_t* instance, const KxMember& member) {
    return HandleMember(instance, &member);
}
int32_t MapPersistentTypeMember2AspectSetHandler::Value(uint8_t* address, const KxMember& member) {
    // Arrays of values are not shown either.
    return member.IsArray() ? 0 : HandleBaseType(address, member.GetTypeCode(), 1);
}
int32_t MapPersistentTypeMember2AspectSetHandler::ObjectArray(uint8_t*, const KxMember&) { return 0; }
int32_t MapPersistentTypeMember2AspectSetHandler::ArrayElement(uint8_t*, const KxMember&, uint32_t) { return 0; }
int32_t MapPersistentTypeMember2AspectSetHandler::EmbeddedObject(uint8_t*, const KxMember&) { return 0; }
