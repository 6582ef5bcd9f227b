// Declaration texts of classes, sets and on-demand references (CreateTypeText).
#include "KxTypeFunctors.h"

#include "KxClassDict.h"
#include "KxDescAccess.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\typfunct";

void Diagnose(const char* message, int line) {
    diag << message << kSource << "(" << line << ")." << endl;
}

}  // namespace

const char* const KxDeclSeparator = "   ";

CreateTypeText::CreateTypeText(KxString* target, KxTypeMgr* typeMgr, int withKeywords)
    : target_(target), typeMgr_(typeMgr), withKeywords_(withKeywords != 0) {}
CreateTypeText::CreateTypeText(const CreateTypeText& other) = default;
CreateTypeText& CreateTypeText::operator=(const CreateTypeText& other) = default;
CreateTypeText::~CreateTypeText() = default;

bool CreateTypeText::Missing(const void* desc, int line) {
    if (desc != nullptr) return false;
    Write("not available");
    Diagnose("description is nil ", line);
    return true;
}

void CreateTypeText::Write(const char* text) {
    if (target_ != nullptr) *target_ << text;
}

int32_t CreateTypeText::OnClass(const KxMetaClass& metaClass) {
    if (const KxMetaPersClass* pers = metaClass.AsPersClass()) return HandleKxMetaPersClass(pers);
    if (const KxMetaNonPersClass* embedded = metaClass.AsNonPersClass()) return HandleKxMetaNonPersClass(embedded);
    return HandleKxMetaClass(&metaClass);
}
int32_t CreateTypeText::OnObjectSet(const KxMetaSet& set) { return HandleKxMetaSet(&set); }
int32_t CreateTypeText::OnOnDemandSet(const KxMetaSet& set) { return HandleKxMetaSet(&set); }
int32_t CreateTypeText::OnClassSet(const KxMetaSet& set) { return HandleKxMetaSet(&set); }
int32_t CreateTypeText::OnTypeSet(const KxMetaSet& set) { return HandleKxMetaTypeSet(&set); }
int32_t CreateTypeText::OnContainer(const KxMetaPersContainer& container) { return HandleKxMetaPersContainer(&container); }

int CreateTypeText::HandleKxMetaPersClass(const KxMetaPersClass* desc) {
    if (target_ == nullptr || Missing(desc, __LINE__)) return 0;
    if (withKeywords_) {
        Write(KxClassHasNoExtent(desc) ? "_persistent" : "persistent");
        Write(KxDeclSeparator);
    }
    return HandleKxMetaClass(desc);
}

int CreateTypeText::HandleKxMetaNonPersClass(const KxMetaNonPersClass* desc) { return HandleKxMetaClass(desc); }

int CreateTypeText::HandleKxMetaClass(const KxMetaClass* desc) {
    if (target_ == nullptr || Missing(desc, __LINE__)) return 0;
    if (withKeywords_) {
        static const char* const kWords[] = {"struct", "class", "union"};
        const int form = desc->GetForm();
        if (form >= 0 && form <= 2) {
            Write(kWords[form]);
        } else {
            Write("class");
            Diagnose("class type is not set correctly ", __LINE__);
        }
        Write(KxDeclSeparator);
    }
    *target_ << desc->GetName();
    return HandleVersionNumber(desc);
}

int CreateTypeText::HandleVersionNumber(const KxMetaType* desc) {
    if (target_ != nullptr && desc != nullptr && desc->GetVersion() != 0)
        *target_ << "(" << uint32_t(desc->GetVersion()) << ")";
    return 0;
}

bool CreateTypeText::OpenSet(const KxMetaSet* desc) {
    if (target_ == nullptr) return false;
    if (desc == nullptr) {
        Write("not available");
        Diagnose("class description is nil ", __LINE__);
        return false;
    }
    HandleKxSetType(desc->GetSetKind());
    Write(KxDeclSeparator);
    Write("<");
    return true;
}

int CreateTypeText::HandleKxMetaSet(const KxMetaSet* desc) {
    if (!OpenSet(desc)) return 0;
    const KxMetaClass* element = desc->GetElementClass();
    if (element == nullptr) {
        Write("not available");
        Write("<>");
    } else if (desc->GetKind() == KX_META_ONDEMAND_SET) {
        HandleKxMetaOnDemand(element->GetTypeHandle());
    } else {
        element->Apply(*this);
    }
    if (desc->GetElementMode() == 2) Write("*");
    Write("> ");
    Write(KxDeclSeparator);
    return 0;
}

int CreateTypeText::HandleKxMetaTypeSet(const KxMetaSet* desc) {
    if (!OpenSet(desc)) return 0;
    HandleKxTypeId(desc->GetElementTypeCode());
    Write("> ");
    Write(KxDeclSeparator);
    return 0;
}

int CreateTypeText::HandleKxMetaPersContainer(const KxMetaPersContainer* desc) {
    if (target_ == nullptr) return 0;
    if (desc == nullptr) {
        Write("not available");
        Diagnose("class description is nil ", __LINE__);
        return 0;
    }
    HandleKxSetType(desc->GetSetKind());
    Write(KxDeclSeparator);
    Write("<");
    const KxMetaClass* element = desc->GetElementClass();
    if (desc->GetElementKind() == KX_CONTAINER_BASIC_TYPE) {
        HandleKxTypeId(desc->GetElementTypeCode());
    } else if (element == nullptr) {
        Write("not available");
        Write("<>");
    } else if (desc->GetElementKind() == KX_CONTAINER_ONDEMAND) {
        HandleKxMetaOnDemand(element->GetTypeHandle());
    } else {
        element->Apply(*this);
    }
    if (desc->GetElementMode() == 2) Write("*");
    Write("> ");
    Write(KxDeclSeparator);
    return 0;
}

int CreateTypeText::HandleKxSetType(int kind) {
    static const char* const kKinds[] = {"set", "cset", "lset", "hset", "allset"};
    if (kind >= 0 && kind <= 4) {
        Write(kKinds[kind]);
    } else {
        Write("set");
        diag << "unknown set type " << kind << " in " << kSource << "(" << __LINE__ << ")." << endl;
    }
    return 0;
}

int CreateTypeText::HandleKxMetaOnDemand(const KxMetaTypeHandle* referenced) {
    if (target_ == nullptr) return 0;
    const uint16_t number = referenced != nullptr ? referenced->GetClassId().GetClassNumber() : 0;
    if (referenced != nullptr && number == 0xFFFC) {
        Write("d_Ref < d_Object > ");
    } else if (referenced != nullptr && number == 0xFFFB) {
        Write("d_Rel_Ref < d_Object > ");
    } else {
        Write("ondemand<");
        const KxMetaType* type = referenced != nullptr ? referenced->GetMetaType() : nullptr;
        const KxMetaPersClass* pers = type != nullptr ? type->AsPersClass() : nullptr;
        if (pers != nullptr) {
            HandleKxMetaPersClass(pers);
        } else {
            Write("not available");
            if (referenced == nullptr) Diagnose("description is nil ", __LINE__);
        }
        Write(">");
    }
    return 0;
}

int CreateTypeText::HandleKxTypeId(int32_t typeId) {
    if (target_ == nullptr) return 0;
    if (typeMgr_ == nullptr) {
        Write("not available");
        Diagnose("no type mgr available.", __LINE__);
        return 0;
    }
    Write(typeMgr_->NameGet(uint8_t(typeId)));
    return 0;
}
