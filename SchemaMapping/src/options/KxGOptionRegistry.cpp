// Mapping options: the option classes, filing options and applying the global ones.
#include "KxGOptionRegistry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "KxGDatabase.h"
#include "KxGStatusCodes.h"
#include "KxGTypeHdl.h"

namespace {

const KxString kStar("*");

KxString Trimmed(KxString text)
{
    if (!text.IsActive()) {
        return KxString::EmptyString();
    }
    text.LeftTrim();
    text.RightTrim();
    return text;
}

bool SameIgnoringCase(const KxString& a, const KxString& b)
{
    return Trimmed(a).Compare(Trimmed(b), KxString::KX_IGNORECASE) == 0;
}

bool IsWord(const KxString& text, const char* word)
{
    return text.Compare(KxString(word), KxString::KX_IGNORECASE) == 0;
}

}  // namespace

// ---- KxGOption --------------------------------------------------------------------------------------

KxGOption::KxGOption(const KxString& name, const KxString& arguments, uint16_t line)
    : KxGOptionStatus(line),
      name_(name.IsActive() ? name : KxString::EmptyString()),
      arguments_(arguments.IsActive() ? arguments : KxString::EmptyString())
{
}

KxGOption::~KxGOption() = default;

KxString KxGOption::Describe() const
{
    KxString text("Line : ");
    text << uint32_t(GetLine()) << "  Option : " << name_ << "\nArgument(s): ";
    KxString argument;
    for (uint32_t i = 0; GetArgument(i, argument); ++i) {
        if (i > 0) {
            text << ", ";
        }
        text << argument << " ";
    }
    return text;
}

bool KxGOption::GetArgument(uint32_t index, KxString& argument) const
{
    if (arguments_.IsEmpty()) {
        return false;
    }
    const std::string text = arguments_.StrGet();
    size_t start = 0;
    for (uint32_t field = 0; field < index; ++field) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            return false;
        }
        start = comma + 1;
    }
    const size_t end = text.find(',', start);
    argument = KxString(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    argument.SetCodeSet(0);
    argument.LeftTrim();
    argument.RightTrim();
    return true;
}

bool KxGOption::IsNumeric(const KxString& text, int32_t& number)
{
    const char* p = text.IsActive() ? text.StrGet() : "";
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    if (*p < '0' || *p > '9') {
        return false;
    }
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min()) : std::numeric_limits<int32_t>::max();
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) {
            return false;   // beyond 32 bits
        }
    }
    if (value == 0) {
        return false;
    }
    number = static_cast<int32_t>(negative ? -value : value);
    return true;
}

bool KxGOption::GetNumber(uint32_t index, int32_t& number) const
{
    KxString argument;
    return GetArgument(index, argument) && IsNumeric(argument, number);
}

// ---- lists ------------------------------------------------------------------------------------------

KxGOption* KxGOptionList::Find(const KxString& name) const
{
    for (const auto& option : options_) {
        if (option->GetName() == name) {
            return option.get();
        }
    }
    return nullptr;
}

KxGMemberOption::~KxGMemberOption() = default;

KxString KxGMemberOption::Describe() const
{
    KxString text(" Member Name : ");
    text << name_;
    return text;
}

KxGClassOption::~KxGClassOption() = default;

KxString KxGClassOption::Describe() const
{
    KxString text("Class name : ");
    text << name_;
    return text;
}

KxGOptionList& KxGClassOption::MakeOptions()
{
    if (!options_) {
        options_ = std::make_unique<KxGOptionList>();
    }
    return *options_;
}

KxGMemberOption* KxGClassOption::GetMemberOption(const KxString& member) const
{
    for (const auto& option : members_) {
        if (option->GetName() == member) {
            return option.get();
        }
    }
    return nullptr;
}

KxGMemberOption& KxGClassOption::MakeMemberOption(const KxString& member)
{
    if (KxGMemberOption* found = GetMemberOption(member)) {
        return *found;
    }
    members_.push_back(std::make_unique<KxGMemberOption>(member));
    return *members_.back();
}

namespace {

// Byte-wise comparison of the names' 8-bit forms (unsigned, as memcmp compares).
int CompareNames(const KxString& a, const KxString& b)
{
    const std::string x = a.StrGet();
    const std::string y = b.StrGet();
    return x.compare(y);
}

}  // namespace

KxGClassOption* KxGClassOptionList::FindClassOption(const KxString& name) const
{
    auto at = std::lower_bound(classes_.begin(), classes_.end(), name,
                               [](const std::unique_ptr<KxGClassOption>& entry, const KxString& key) {
                                   return CompareNames(entry->GetName(), key) < 0;
                               });
    if (at != classes_.end() && CompareNames((*at)->GetName(), name) == 0) {
        return at->get();
    }
    return nullptr;
}

KxGClassOption& KxGClassOptionList::MakeClassOption(const KxString& name)
{
    auto at = std::lower_bound(classes_.begin(), classes_.end(), name,
                               [](const std::unique_ptr<KxGClassOption>& entry, const KxString& key) {
                                   return CompareNames(entry->GetName(), key) < 0;
                               });
    if (at != classes_.end() && CompareNames((*at)->GetName(), name) == 0) {
        return **at;
    }
    return **classes_.insert(at, std::make_unique<KxGClassOption>(name));
}

// ---- the registry -----------------------------------------------------------------------------------

KxGOptionRegistry::KxGOptionRegistry() = default;
KxGOptionRegistry::~KxGOptionRegistry() = default;

int32_t KxGOptionRegistry::ProcessOption(const KxString& className, const KxString& member, const KxString& option,
                                         const KxString& arguments, uint16_t line)
{
    if (className.IsEmpty() && member.IsEmpty() && option.IsEmpty()) {
        return 0;
    }
    auto made = std::make_unique<KxGOption>(option, arguments, line);
    KxGOptionList* list = nullptr;
    bool global = false;
    if (className == kStar) {
        const bool format = option == KxString("DATE_FORMAT") || option == KxString("TIME_FORMAT");
        list = format ? &formats_ : &global_;
        global = !format;
    } else {
        KxGClassOption& classOption = classes_.MakeClassOption(className);
        list = member == kStar ? &classOption.MakeOptions() : &classOption.MakeMemberOption(member).GetOptions();
    }
    KxGOption* first = list->Find(made->GetName());
    if (first == nullptr) {
        list->Append(std::move(made));
        return 0;
    }
    made->SetStatus(KXG_OPTION_REPEATED);
    const bool identicalReplay = line == 0 && SameIgnoringCase(first->GetArguments(), made->GetArguments());
    repeated_.Append(std::move(made));
    // A stored schema may hold a global row twice (the mapper's own row and the user's one): the same
    // value replayed again is harmless.
    return global && !identicalReplay ? KXG_E_INVALID_MAPPING_OPTION : 0;
}

bool KxGOptionRegistry::MayTruncate(uint8_t typeCode) const
{
    switch (typeCode) {
    case 11:
    case 20:
    case 21:
        return truncateStrings_ != 0;
    case 18:
        return truncateBlobs_ != 0;
    default:
        return true;
    }
}

void KxGOptionRegistry::ProcessGlobalOptions(KxGDatabase& database, KxGDatabaseInfo& info, bool fromMapper,
                                             bool allow32BitIds, uint16_t& preserveNames)
{
    const int32_t version = database.GetGatewayVersion();
    if (version < 771) {
        info.TypeNameOptions(KxString("OLD_INT64_MAPPING"), int64Type_);
    }
    if (version < 778) {
        info.TypeNameOptions(KxString("CHAR"), byteType_);
    }
    for (uint32_t i = 0; i < global_.Count(); ++i) {
        ApplyGlobal(*global_.Get(i), database, info, fromMapper, allow32BitIds, preserveNames);
    }
}

void KxGOptionRegistry::ApplyGlobal(KxGOption& option, KxGDatabase& database, KxGDatabaseInfo& info, bool fromMapper,
                                    bool allow32BitIds, uint16_t& preserveNames)
{
    const KxString& name = option.GetName();
    KxString word;
    const bool hasWord = option.GetArgument(0, word) && !word.IsEmpty();
    int32_t number = 0;
    KxString argument;

    // A type word through the adapter: -4 missing, -3 refused; true when taken.
    auto typeWord = [&](uint8_t& code) {
        if (!hasWord) {
            option.SetStatus(KXG_OPTION_NO_ARGUMENT);
            return false;
        }
        uint8_t kind = 0;
        if (info.TypeNameOptions(word, kind) == 0) {
            option.SetStatus(KXG_OPTION_NOT_SUPPORTED);
            return false;
        }
        code = kind;
        option.SetStatus(KXG_OPTION_OK);
        return true;
    };
    // A size in argument `index`: -4 missing, -11 not numeric; true when read. Sizes and counts set
    // buffer sizes: a negative one is refused like a text.
    auto size = [&](uint32_t index, int32_t& out) {
        if (!option.GetArgument(index, argument) || argument.IsEmpty()) {
            option.SetStatus(KXG_OPTION_NO_ARGUMENT);
            return false;
        }
        if (!KxGOption::IsNumeric(argument, out) || out < 0) {
            option.SetStatus(KXG_OPTION_NOT_NUMERIC);
            return false;
        }
        return true;
    };

    if (name == KxString("CHARTYPE") || name == KxString("STRING_TYPE")) {
        int32_t stringSize = 0;
        if (typeWord(stringType_) && size(1, stringSize)) {
            int32_t largeSize = 0;
            if (option.GetArgument(2, argument) && !KxGOption::IsNumeric(argument, largeSize)) {
                option.SetStatus(KXG_OPTION_NOT_NUMERIC);
            } else {
                stringSize_ = stringSize;
                option.SetStatus(KXG_OPTION_OK);
            }
        }
    } else if (name == KxString("BLOB_TYPE")) {
        int32_t blobSize = 0;
        if (typeWord(blobType_) && size(1, blobSize)) {
            blobSize_ = blobSize;
            option.SetStatus(KXG_OPTION_OK);
        }
    } else if (name == KxString("BLOBSIZE")) {
        if (size(0, number)) {
            blobSize_ = number;
            option.SetStatus(KXG_OPTION_OK);
        }
    } else if (name == KxString("BYTE_TYPE")) {
        typeWord(byteType_);
    } else if (name == KxString("INT64TYPE")) {
        typeWord(int64Type_);
    } else if (name == KxString("BLOB_CONTAINER_TYPE")) {
        typeWord(blobContainerType_);
    } else if (name == KxString("UNSIGNED_BEHAVIOR")) {
        typeWord(unsignedBehavior_);
    } else if (name == KxString("PRESERVE_NAMES")) {
        preserveNames = 1;
        option.SetStatus(KXG_OPTION_OK);
    } else if (name == KxString("INVALID_IS_NULL")) {
        // The status stays "not used", so the option is never stored.
        if (database.GetGatewayVersion() > 778) {
            database.SetGatewayVersion(778);
        }
    } else if (name == KxString("BATCH_SIZE")) {
        if (size(0, number)) {
            batchSize_ = number;
            option.SetStatus(KXG_OPTION_OK);
        }
    } else if (name == KxString("TRUNCATE_STRING") || name == KxString("TRUNCATE_BLOB")) {
        if (!hasWord) {
            option.SetStatus(KXG_OPTION_NO_ARGUMENT);
        } else {
            const uint16_t on = IsWord(word, "TRUE") || IsWord(word, "YES") ? 1 : 0;
            (name == KxString("TRUNCATE_STRING") ? truncateStrings_ : truncateBlobs_) = on;
            option.SetStatus(KXG_OPTION_OK);
        }
    } else if (name == KxString("SET_STORAGE_TYPE")) {
        if (!hasWord) {
            option.SetStatus(KXG_OPTION_NO_ARGUMENT);
        } else if (IsWord(word, "DEFAULT")) {
            setStorage_ = 0;
            option.SetStatus(KXG_OPTION_OK);
        } else if (IsWord(word, "BLOB")) {
            if (option.GetNumber(1, number) && number > 0) {
                setStorage_ = 1;
                setBlobSize_ = number;
                option.SetStatus(KXG_OPTION_OK);
            } else {
                option.SetStatus(KXG_OPTION_NOT_NUMERIC);
            }
        } else {
            option.SetStatus(KXG_OPTION_NOT_SUPPORTED);
        }
    } else if (name == KxString("OID_SIZE")) {
        if (!hasWord) {
            option.SetStatus(KXG_OPTION_NO_ARGUMENT);
            return;
        }
        option.SetStatus(KXG_OPTION_OID_SIZE_DONE);
        KxGTypeHdlMgr* manager = database.GetTypeHdlMgr();
        const uint8_t flags = manager != nullptr ? manager->GetFlags() : 0;
        if (!fromMapper && IsWord(word, "48BIT") && (flags & KXG_TYPEMGR_OID48_SUPPORTED) != 0) {
            manager->SetFlags(flags | KXG_TYPEMGR_OID48_IN_USE);
        } else if (allow32BitIds && IsWord(word, "32BIT") && (flags & KXG_TYPEMGR_OID32_ALLOWED) != 0) {
            manager->SetFlags(flags & ~KXG_TYPEMGR_OID48_IN_USE);
        } else {
            option.SetStatus(KXG_OPTION_NOT_ALLOWED);
        }
    } else {
        option.SetStatus(KXG_OPTION_UNKNOWN);
    }
}

KxString KxGOptionRegistry::MapOptionStatus(int16_t status)
{
    switch (status) {
    case KXG_OPTION_REPEATED: return KxString("Option was already specified");
    case KXG_OPTION_UNKNOWN: return KxString("Unknown Option, will be ignored");
    case KXG_OPTION_UNUSED: return KxString("Option has not been used");
    case KXG_OPTION_PRESENT: return KxString("Option is already present, will be ignored");
    case KXG_OPTION_NOT_ALLOWED: return KxString("Option is not allowed");
    case KXG_OPTION_IGNORED: return KxString("Option will be ignored");
    case KXG_OPTION_NOT_SUPPORTED: return KxString("Database does not support this option");
    case KXG_OPTION_NO_ARGUMENT: return KxString("No argument was supplied");
    case KXG_OPTION_NO_CLASS: return KxString("No class created");
    case KXG_OPTION_STORE_CONTEXT: return KxString("The store option is not allowed in this context");
    case KXG_OPTION_STORE_VIRTUAL: return KxString("Store Virtual not allowed");
    case KXG_OPTION_STORE_UNIVERSAL: return KxString("Store Universal not allowed");
    case KXG_OPTION_STORE_ALL: return KxString("Store All not allowed");
    case KXG_OPTION_STORE_OWN: return KxString("Store Own not allowed");
    case KXG_OPTION_NOT_NUMERIC: return KxString("Argument must be Numeric");
    case KXG_OPTION_NO_SECOND: return KxString("No 2. argument was supplied");
    case KXG_OPTION_SECOND_NOT_NUMERIC: return KxString("2. argument must be Numeric");
    default: {
        KxString text("Unknown Status : ");
        text << int32_t(status);
        return text;
    }
    }
}
