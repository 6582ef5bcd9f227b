// The member loader's part for blob-container members and large strings.
#include "members/KxGBlobLoading.h"

#include "KxGBlobMemberMaps.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOptionRegistry.h"
#include "KxGSchemaMap.h"
#include "KxMetaType.h"

namespace {

// Room for the stream form's own bytes (code-set byte and terminator, length prefix).
constexpr int32_t kStreamOverhead = 8;

bool IsString(int32_t typeCode) { return typeCode == 11 || typeCode == 20 || typeCode == 21; }

KxGClassOption* ClassOptionOf(KxGSchemaMap& schemaMap, const KxGClass& mappedClass)
{
    return schemaMap.GetOptionRegistry().GetClassOptions().FindClassOption(mappedClass.GetName());
}

KxGOptionList* MemberOptionsOf(KxGSchemaMap& schemaMap, const KxGClass& mappedClass, const KxMember& member)
{
    KxGClassOption* classOption = ClassOptionOf(schemaMap, mappedClass);
    KxGMemberOption* options = classOption != nullptr ? classOption->GetMemberOption(member.GetName()) : nullptr;
    return options != nullptr ? &options->GetOptions() : nullptr;
}

// A type word through the adapter into kind: -4 missing, -3 refused; true when taken (status 0).
bool TypeWord(KxGSchemaMap& schemaMap, KxGOption& option, uint8_t& kind)
{
    KxString word;
    if (!option.GetArgument(0, word) || word.IsEmpty()) {
        option.SetStatus(KXG_OPTION_NO_ARGUMENT);
        return false;
    }
    KxGDatabase* database = schemaMap.GetDatabase();
    uint8_t taken = 0;
    if (database == nullptr || database->GetDatabaseInfo() == nullptr ||
        database->GetDatabaseInfo()->TypeNameOptions(word, taken) == 0) {
        option.SetStatus(KXG_OPTION_NOT_SUPPORTED);
        return false;
    }
    kind = taken;
    option.SetStatus(KXG_OPTION_OK);
    return true;
}

// A size in argument `index`: -4 missing, -11 not numeric (or negative); true when read.
bool Size(KxGOption& option, uint32_t index, int32_t& out)
{
    KxString argument;
    if (!option.GetArgument(index, argument) || argument.IsEmpty()) {
        option.SetStatus(KXG_OPTION_NO_ARGUMENT);
        return false;
    }
    if (!KxGOption::IsNumeric(argument, out) || out < 0) {
        option.SetStatus(KXG_OPTION_NOT_NUMERIC);
        return false;
    }
    return true;
}

// CHARTYPE/STRING_TYPE, BLOB_TYPE and BLOBSIZE on a member of a fitting type (class-wide or the
// member's own). True when the option is one of them.
bool ApplyTypeOption(KxGSchemaMap& schemaMap, KxGOption& option, int32_t typeCode, KxGValueSettings& settings)
{
    const KxString& name = option.GetName();
    const bool chartype = name == "CHARTYPE" || name == "STRING_TYPE";
    const bool blobType = name == "BLOB_TYPE";
    const bool blobSize = name == "BLOBSIZE";
    if (!chartype && !blobType && !blobSize) {
        return false;
    }
    if ((chartype && !IsString(typeCode)) || ((blobType || blobSize) && typeCode != 18)) {
        option.SetStatus(KXG_OPTION_IGNORED);
        return true;
    }
    int32_t size = 0;
    if (blobSize) {
        if (Size(option, 0, size)) {
            settings.count = static_cast<uint32_t>(size);
            option.SetStatus(KXG_OPTION_OK);
        }
        return true;
    }
    // A type word the adapter accepted is kept even when the size is wrong.
    if (!TypeWord(schemaMap, option, settings.kind) || !Size(option, 1, size)) {
        return true;
    }
    if (chartype) {
        KxString third;
        int32_t large = 0;
        if (option.GetArgument(2, third) && !third.IsEmpty()) {
            if (!KxGOption::IsNumeric(third, large) || large < 0) {
                option.SetStatus(KXG_OPTION_NOT_NUMERIC);
                return true;
            }
            settings.lsxSize = static_cast<uint32_t>(large);
        }
    }
    settings.count = static_cast<uint32_t>(size);
    option.SetStatus(KXG_OPTION_OK);
    return true;
}

}  // namespace

bool KxGReserveInContainer(KxGClass& mappedClass, int32_t size)
{
    KxGClassMap* classMap = mappedClass.GetClassMap();
    KxGBlobContainerMemberMap* container = classMap != nullptr ? KxGEnsureBlobContainer(*classMap) : nullptr;
    if (container == nullptr) {
        return false;
    }
    container->GrowContainer(size);
    return true;
}

void KxGApplyValueOptions(KxGSchemaMap& schemaMap, KxGClass& mappedClass, const KxMember& member, uint32_t context,
                          KxGValueSettings& settings)
{
    const int32_t typeCode = member.GetTypeCode();
    if (typeCode == 18) {
        // A blob's column holds the blob size (a blob has no element count of its own).
        settings.count = static_cast<uint32_t>(schemaMap.GetOptionRegistry().GetBlobSize());
    } else if (IsString(typeCode) && member.GetElementCount() <= 1) {
        // A string declared without a length gets the registry's string size (CHARTYPE may change it).
        settings.count = static_cast<uint32_t>(schemaMap.GetOptionRegistry().GetStringSize());
    }
    // Class-wide options are the defaults of the class's members.
    if (KxGClassOption* classOption = ClassOptionOf(schemaMap, mappedClass);
        classOption != nullptr && classOption->GetOptions() != nullptr) {
        const KxGOptionList& list = *classOption->GetOptions();
        for (uint32_t i = 0; i < list.Count(); ++i) {
            KxGOption& option = *list.Get(i);
            const KxString& name = option.GetName();
            const bool fits = ((name == "CHARTYPE" || name == "STRING_TYPE") && IsString(typeCode)) ||
                              ((name == "BLOB_TYPE" || name == "BLOBSIZE") && typeCode == 18);
            if (fits) {
                ApplyTypeOption(schemaMap, option, typeCode, settings);
            }
        }
    }
    KxGOptionList* options = MemberOptionsOf(schemaMap, mappedClass, member);
    for (uint32_t i = 0; options != nullptr && i < options->Count(); ++i) {
        KxGOption& option = *options->Get(i);
        if (option.GetName() == "RENAME") {
            continue;   // the loader's own
        }
        option.SetStatus(KXG_OPTION_UNUSED);
        if (ApplyTypeOption(schemaMap, option, typeCode, settings)) {
            continue;
        }
        if (option.GetName() == "MEMBER_STORAGE_TYPE") {
            KxString word;
            int32_t size = 0;
            KxString sizeText;
            if (!option.GetArgument(0, word) || word.IsEmpty()) {
                option.SetStatus(KXG_OPTION_NO_ARGUMENT);
            } else if (word == "DEFAULT") {
                settings.inContainer = false;
                option.SetStatus(KXG_OPTION_OK);
            } else if (!(word == "BLOB")) {
                option.SetStatus(KXG_OPTION_NOT_SUPPORTED);
            } else if (!option.GetArgument(1, sizeText) || sizeText.IsEmpty()) {
                option.SetStatus(KXG_OPTION_NO_SECOND);
            } else if (!KxGOption::IsNumeric(sizeText, size) || size <= 0) {
                option.SetStatus(KXG_OPTION_SECOND_NOT_NUMERIC);
            } else if ((context & KXG_LOAD_NO_BLOB_CONTAINER) != 0) {
                option.SetStatus(KXG_OPTION_NOT_ALLOWED);   // ordinary storage here
            } else {
                settings.inContainer = true;
                settings.containerSize = size;
                option.SetStatus(KXG_OPTION_OK);
            }
        } else if (option.GetName() == "SET_STORAGE_TYPE" || option.GetName() == "FETCH" ||
                   option.GetName() == "READ_AHEAD") {
            option.SetStatus(KXG_OPTION_IGNORED);   // not for a value member
        }
    }
    // Arrays of every type keep their element count in a container.
    if ((settings.inContainer || (context & KXG_LOAD_IN_BLOB_CONTAINER) != 0) && !IsString(typeCode) &&
        typeCode != 18) {
        settings.count = member.GetElementCount() > 0 ? member.GetElementCount() : 1;
    }
}

std::unique_ptr<KxGMemberMap> KxGMakeValueMemberMap(KxGSchemaMap& schemaMap, KxGClass& mappedClass,
                                                    const KxMember& member, const KxString& rename,
                                                    const KxGValueSettings& settings)
{
    return KxGMakeValueMemberMap(schemaMap, mappedClass, mappedClass.GetClassId(), member.GetOffset(), member, rename,
                                 settings);
}

std::unique_ptr<KxGMemberMap> KxGMakeValueMemberMap(KxGSchemaMap& schemaMap, KxGClass& mappedClass,
                                                    const KxClassId& declaring, uint32_t memberOffset,
                                                    const KxMember& member, const KxString& rename,
                                                    const KxGValueSettings& settings)
{
    const auto typeCode = static_cast<uint8_t>(member.GetTypeCode());
    std::unique_ptr<KxGTypeMemberMap> map;
    if (IsString(typeCode) && settings.kind == 127) {
        map = std::make_unique<KxGLargeStringMemberMap>(
            &schemaMap, declaring, member.GetName(), rename, member.GetPosition(), typeCode,
            settings.kind, true, settings.inContainer ? KXG_STORAGE_BLOB : KXG_STORAGE_COLUMN, settings.count,
            memberOffset, settings.lsxSize);
    } else if (settings.inContainer) {
        map = std::make_unique<KxGBlobTypeMemberMap>(&schemaMap, declaring, member.GetName(),
                                                     member.GetPosition(), typeCode, settings.kind, true,
                                                     settings.count, memberOffset);
    } else {
        map = std::make_unique<KxGTypeMemberMap>(&schemaMap, declaring, member.GetName(), rename,
                                                 member.GetPosition(), typeCode, settings.kind, 0, true,
                                                 KXG_STORAGE_COLUMN, settings.count, memberOffset);
    }
    if (settings.inContainer &&
        !KxGReserveInContainer(mappedClass, settings.containerSize > 0 ? settings.containerSize
                                                                       : map->GetValueSize() + kStreamOverhead)) {
        return nullptr;
    }
    return map;
}

bool KxGEmbeddedInContainer(KxGSchemaMap& schemaMap, KxGClass& mappedClass, const KxMember& member,
                            uint32_t context, int32_t& size)
{
    size = 0;
    KxGOptionList* options = MemberOptionsOf(schemaMap, mappedClass, member);
    KxGOption* option = options != nullptr ? options->Find(KxString("MEMBER_STORAGE_TYPE")) : nullptr;
    if (option == nullptr) {
        return false;
    }
    KxString word;
    if (!option->GetArgument(0, word) || word.IsEmpty()) {
        option->SetStatus(KXG_OPTION_NOT_SUPPORTED);
        return false;
    }
    if (word == "DEFAULT") {
        option->SetStatus(KXG_OPTION_OK);
        return false;
    }
    if ((context & KXG_LOAD_NO_BLOB_CONTAINER) != 0) {
        option->SetStatus(KXG_OPTION_NOT_ALLOWED);
        return false;
    }
    int32_t given = 0;
    if (option->GetNumber(1, given) && given > 0) {
        size = given;
    }
    option->SetStatus(KXG_OPTION_OK);
    return true;
}
