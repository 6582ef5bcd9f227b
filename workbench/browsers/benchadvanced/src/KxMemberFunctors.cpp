// Declaration texts of members and index definitions, and the member walk over a class.
#include <algorithm>

#include "KxClassDict.h"
#include "KxBrowserStatics.h"
#include "KxDescAccess.h"
#include "KxTypeFunctors.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\memfunct";

void Diagnose(const char* message, int line) {
    diag << message << kSource << "(" << line << ")." << endl;
}

}  // namespace

KxString KxMemberTypeName(const KxMember& member, KxTypeMgr* typeMgr) {
    if (member.GetMemberType() == KX_MEMBER_VALUE)
        return typeMgr != nullptr ? KxString(typeMgr->NameGet(uint8_t(member.GetTypeCode()))) : KxString("");
    if (member.GetSetType() != nullptr) return member.GetSetType()->GetName();
    if (member.GetContainerType() != nullptr) return member.GetContainerType()->GetName();
    if (member.GetClass() != nullptr) return member.GetClass()->GetName();
    return KxString("");
}

// ---- CreateTypeTextForMember ---------------------------------------------------------------------

CreateTypeTextForMember::CreateTypeTextForMember(KxString* target, KxTypeMgr* typeMgr, int withName, int withKeywords)
    : target_(target), typeMgr_(typeMgr), withName_(withName != 0), withKeywords_(withKeywords != 0) {}
CreateTypeTextForMember::CreateTypeTextForMember(const CreateTypeTextForMember& other) = default;
CreateTypeTextForMember& CreateTypeTextForMember::operator=(const CreateTypeTextForMember& other) = default;
CreateTypeTextForMember::~CreateTypeTextForMember() = default;

void CreateTypeTextForMember::Write(const char* text) {
    if (target_ != nullptr) *target_ << text;
}

int32_t CreateTypeTextForMember::OnValue(const KxMember& member) { return HandleKxTypeMember(&member); }
int32_t CreateTypeTextForMember::OnEmbedded(const KxMember& member) { return HandleKxClassMember(&member); }
int32_t CreateTypeTextForMember::OnPointer(const KxMember& member) { return HandleKxClassMember(&member); }
int32_t CreateTypeTextForMember::OnOnDemand(const KxMember& member) { return HandleKxOnDemandMember(&member); }
int32_t CreateTypeTextForMember::OnObjectSet(const KxMember& member) { return HandleKxContainerMember(&member); }
int32_t CreateTypeTextForMember::OnOnDemandSet(const KxMember& member) { return HandleKxContainerMember(&member); }
int32_t CreateTypeTextForMember::OnTypeSet(const KxMember& member) { return HandleKxContainerMember(&member); }
int32_t CreateTypeTextForMember::OnClassSet(const KxMember& member) { return HandleKxContainerMember(&member); }
int32_t CreateTypeTextForMember::OnContainer(const KxMember& member) { return HandleKxContainerMember(&member); }

void CreateTypeTextForMember::Head(const KxMember& member) {
    HandleKxStorageClass(KxMemberStorageClass(member));
    HandleQualifier(KxMemberFlags(member));
}

void CreateTypeTextForMember::Tail(const KxMember& member) {
    HandleKxAccessMethod(KxMemberAccessMethod(member));
    if (withName_) *target_ << member.GetName();
    HandleArrayModifier(&member);
}

int CreateTypeTextForMember::HandleKxClassMember(const KxMember* member) {
    if (target_ == nullptr) return 0;
    if (member == nullptr) {
        Write("not available");
        return 0;
    }
    Head(*member);
    if (const KxMetaClass* desc = member->GetClass()) {
        CreateTypeText text(target_, typeMgr_, withKeywords_);
        desc->Apply(text);
    } else {
        *target_ << KxMemberTypeName(*member, typeMgr_) << "(no version info)";
    }
    Write(KxDeclSeparator);
    Tail(*member);
    return 0;
}

int CreateTypeTextForMember::HandleKxTypeMember(const KxMember* member) {
    if (target_ == nullptr) return 0;
    if (member == nullptr) {
        Write("not available");
        return 0;
    }
    Head(*member);
    HandleKxTypeId(member->GetTypeCode());
    Write(KxDeclSeparator);
    Tail(*member);
    return 0;
}

int CreateTypeTextForMember::HandleKxOnDemandMember(const KxMember* member) {
    if (target_ == nullptr) return 0;
    if (member == nullptr) {
        Write("not available");
        return 0;
    }
    Head(*member);
    CreateTypeText text(target_, typeMgr_, withKeywords_);
    text.HandleKxMetaOnDemand(member->GetReferenceType());
    Write(KxDeclSeparator);
    Tail(*member);
    return 0;
}

int CreateTypeTextForMember::HandleKxContainerMember(const KxMember* member) {
    if (target_ == nullptr) return 0;
    if (member == nullptr) {
        Write("not available");
        return 0;
    }
    Head(*member);
    if (const KxMetaType* desc = member->GetSetType() != nullptr ? static_cast<const KxMetaType*>(member->GetSetType())
                                                                 : member->GetContainerType()) {
        CreateTypeText text(target_, typeMgr_, withKeywords_);
        desc->Apply(text);
    } else {
        const KxString name = KxMemberTypeName(*member, typeMgr_);
        if (name.IsEmpty()) {
            Write("not available");
            Write("<>");
        } else {
            *target_ << name;
        }
        Write(KxDeclSeparator);
    }
    Tail(*member);
    return 0;
}

int CreateTypeTextForMember::HandleKxStorageClass(int storageClass) {
    static const char* const kWords[] = {nullptr, nullptr, "static", "extern", "automatic", "register", "inline"};
    if (storageClass >= 2 && storageClass <= 6) {
        Write(kWords[storageClass]);
        Write(KxDeclSeparator);
    } else if (storageClass != 0 && storageClass != 1) {
        diag << "unknown storage class " << storageClass << kSource << "(" << __LINE__ << ")." << endl;
    }
    return 0;
}

int CreateTypeTextForMember::HandleQualifier(uint32_t flags) {
    auto word = [&](uint32_t bit, const char* text) {
        if ((flags & bit) != 0) {
            Write(text);
            Write(KxDeclSeparator);
        }
    };
    word(KX_MFLAG_TRANSIENT, "transient");
    word(KX_MFLAG_DEPEND, "depend");
    word(KX_MFLAG_CONST, "const");
    word(KX_MFLAG_VOLATILE, "volatile");
    word(KX_MFLAG_AUTOINCREMENT, "autoincrement");
    if ((flags & KX_MFLAG_AUTO_TIMESTAMP) != 0) {
        Write((flags & KX_MFLAG_UTC) != 0 ? "auto utc timestamp" : "auto local timestamp");
        Write(KxDeclSeparator);
    }
    if ((flags & KX_MFLAG_CONST_REF) != 0) Diagnose("member has const qualified ref qualifier, not displayed.", __LINE__);
    if ((flags & KX_MFLAG_VOLATILE_REF) != 0)
        Diagnose("member has volatile qualified ref qualifier, not displayed.", __LINE__);
    if ((flags & KX_MFLAG_OVERLOAD) != 0) Diagnose("member has overload qualifier, not displayed.", __LINE__);
    if ((flags & KX_MFLAG_FRIEND) != 0) Diagnose("member has friend qualifier, not displayed.", __LINE__);
    if ((flags & KX_MFLAG_VIRTUAL) != 0) Diagnose("member has virtual qualifier, not displayed.", __LINE__);
    return 0;
}

int CreateTypeTextForMember::HandleKxAccessMethod(int method) {
    switch (method) {
    case 1: break;
    case 2: Write("*"); break;
    case 3: Write("*(mmu)"); break;
    case 4: Write("(ondemand)"); break;
    case 0: Diagnose("member has undefined access method, not displayed.", __LINE__); break;
    default: Diagnose("member has unknown access method, not displayed.", __LINE__); break;
    }
    return 0;
}

int CreateTypeTextForMember::HandleArrayModifier(const KxMember* member) {
    if (target_ != nullptr && member != nullptr && (KxMemberFlags(*member) & KX_MFLAG_ARRAY) != 0)
        *target_ << "[" << member->GetElementCount() << "]";
    return 0;
}

int CreateTypeTextForMember::HandleKxAccessSpecifier(int spec) {
    static const char* const kWords[] = {"undefined:", "private:", "protected:", "public:"};
    if (spec >= 0 && spec <= 3) {
        Write(kWords[spec]);
        Write(KxDeclSeparator);
    }
    return 0;
}

int CreateTypeTextForMember::HandleLinkError(int number) {
    if (target_ != nullptr && number != 0) *target_ << "(linkerr=" << int32_t(number) << ")";
    return 0;
}

int CreateTypeTextForMember::HandleKxTypeId(int32_t typeId) {
    if (target_ == nullptr) return 0;
    if (typeMgr_ == nullptr) {
        Write("not available");
        Diagnose("no type manager available.", __LINE__);
    } else if (!typeMgr_->IsValidType(uint8_t(typeId)) || typeId < 0 || typeId > 255) {
        Write("unknown type");
    } else {
        Write(typeMgr_->NameGet(uint8_t(typeId)));
    }
    return 0;
}

// ---- CreateTypeTextForIndexDefinition -----------------------------------------------------------

CreateTypeTextForIndexDefinition::CreateTypeTextForIndexDefinition(KxString* target) : target_(target) {}
CreateTypeTextForIndexDefinition::CreateTypeTextForIndexDefinition(const CreateTypeTextForIndexDefinition& other) = default;
CreateTypeTextForIndexDefinition& CreateTypeTextForIndexDefinition::operator=(
    const CreateTypeTextForIndexDefinition& other) = default;
CreateTypeTextForIndexDefinition::~CreateTypeTextForIndexDefinition() = default;

int32_t CreateTypeTextForIndexDefinition::OnSimpleIndex(const KxIndexDef& index) { return Keys(index); }
int32_t CreateTypeTextForIndexDefinition::OnCompoundIndex(const KxIndexDef& index) { return Keys(index); }

int32_t CreateTypeTextForIndexDefinition::Keys(const KxIndexDef& index) {
    if (target_ == nullptr) return 0;
    for (uint32_t k = 0; k < index.GetKeyCount(); ++k) {
        if (k > 0) *target_ << ", ";
        HandleKxIdxClassEntry(index.GetKey(k), 0, int16_t(k));
    }
    return 0;
}

int CreateTypeTextForIndexDefinition::HandleKxIdxEntry(int16_t significance, bool lexical, bool descending) {
    if (target_ == nullptr) return 0;
    *target_ << "[[" << int32_t(significance) << "]] ";
    if (lexical) *target_ << " lexical";
    if (descending) *target_ << "descending";
    return 0;
}

int CreateTypeTextForIndexDefinition::HandleKxIdxMemberEntry(const KxMember* member, int16_t significance) {
    if (target_ == nullptr || member == nullptr) return 0;
    *target_ << member->GetName();
    return HandleKxIdxEntry(significance, false, false);
}

int CreateTypeTextForIndexDefinition::HandleKxIdxClassEntry(const KxIndexKey& key, uint32_t at, int16_t significance) {
    if (target_ == nullptr || at >= key.members.size()) return 0;
    if (at + 1 == key.members.size()) return HandleKxIdxMemberEntry(key.members[at], significance);
    *target_ << key.members[at]->GetName() << ".";
    return HandleKxIdxClassEntry(key, at + 1, significance);
}

int CreateTypeTextForIndexDefinition::HandleKxIdxFulltextEntry(
    const KxString& name, int16_t significance, const std::vector<std::pair<KxString, KxString>>& parameters) {
    if (target_ == nullptr) return 0;
    *target_ << name;
    HandleKxIdxEntry(significance, false, false);
    if (!parameters.empty()) {
        *target_ << "{";
        bool first = true;
        for (const auto& [key, value] : parameters) {
            if (key.IsEmpty() || !value.IsActive()) continue;
            if (!first) *target_ << ", ";
            *target_ << key << "=" << value;
            first = false;
        }
        *target_ << "}";
    }
    return 0;
}

// ---- TraverseClassDescAndCallGivenHandler --------------------------------------------------------

TraverseClassDescAndCallGivenHandler::TraverseClassDescAndCallGivenHandler(KxMemberFunctor* handler)
    : handler_(handler) {
    KxVisitedClassDescs.Clear();
}
TraverseClassDescAndCallGivenHandler::TraverseClassDescAndCallGivenHandler(
    const TraverseClassDescAndCallGivenHandler& other) = default;
TraverseClassDescAndCallGivenHandler& TraverseClassDescAndCallGivenHandler::operator=(
    const TraverseClassDescAndCallGivenHandler& other) = default;
TraverseClassDescAndCallGivenHandler::~TraverseClassDescAndCallGivenHandler() { KxVisitedClassDescs.Clear(); }

int32_t TraverseClassDescAndCallGivenHandler::OnClass(const KxMetaClass& metaClass) {
    return HandleKxMetaClass(&metaClass);
}

int TraverseClassDescAndCallGivenHandler::HandleKxMetaClass(const KxMetaClass* desc) {
    if (handler_ == nullptr || desc == nullptr) return 0;
    if (dictionary_ == nullptr) dictionary_ = desc->GetDictionary();
    const KxMetaTypeHandle* inherit = nullptr;
    for (int32_t i = 0; desc->GetInherit(inherit, i, 0) == 0; ++i) {
        const KxMetaType* type = inherit != nullptr ? inherit->GetMetaType() : nullptr;
        const KxMetaClass* base = type != nullptr ? type->AsClass() : nullptr;
        if (base == nullptr) {
            diag << " >>> TraverseClassDescAndCallGivenHandler " << static_cast<void*>(this) << " <<< "
                 << "possible inconsistent dictionary : " << "no base class desc in " << "inheritance description "
                 << kSource << "(" << __LINE__ << ")." << endl;
            continue;
        }
        if (KxVisitedClassDescs.Contains(base)) continue;
        KxVisitedClassDescs.Add(base);
        base->Apply(*this);
    }
    const KxMember* member = nullptr;
    for (int32_t i = 0; desc->GetMember(member, i, 0) == 0; ++i)
        if (member != nullptr) member->Apply(*handler_);
    return 0;
}
