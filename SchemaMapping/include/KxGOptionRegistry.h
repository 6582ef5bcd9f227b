// Mapping options and the option registry.
//
// Mapping options tune how classes and members become tables and columns. The schema mapper reads them
// from an option file (ReadOptionFile) when it creates a schema and stores every option that took
// effect in OPTIONREGISTRY (FillRegistry); at every database open the runtime replays that table
// through the same code (LoadOptionsTable), so that it maps exactly as the schema was created.
//
// An option is filed by class and member: class "*" holds the global options, member "*" a class's
// class-wide options. Each option carries a status (the KXG_OPTION_... values below): a new option is
// "not used" until a handler recognises it and sets its status.
//
// Arguments are the comma-separated fields of an option's argument text, each trimmed of blanks before
// it is tested or handed to the adapter's TypeNameOptions. A number is a field whose leading digits
// (after an optional sign) read as a non-zero 32-bit integer; a number beyond 32 bits is not one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxString.h"

class KxGDatabase;
class KxGDatabaseInfo;
class KxGStatementTemplateList;

// Option statuses (MapOptionStatus gives their texts).
enum : int16_t {
    KXG_OPTION_REPEATED = 4,            // "Option was already specified"
    KXG_OPTION_UNKNOWN = 3,             // "Unknown Option, will be ignored"
    KXG_OPTION_UNUSED = 2,              // "Option has not been used"
    KXG_OPTION_PRESENT = 1,             // "Option is already present, will be ignored"
    KXG_OPTION_OK = 0,                  // took effect
    KXG_OPTION_NOT_ALLOWED = -1,        // "Option is not allowed"
    KXG_OPTION_IGNORED = -2,            // "Option will be ignored"
    KXG_OPTION_NOT_SUPPORTED = -3,      // "Database does not support this option"
    KXG_OPTION_NO_ARGUMENT = -4,        // "No argument was supplied"
    KXG_OPTION_NO_CLASS = -5,           // "No class created"
    KXG_OPTION_STORE_CONTEXT = -6,      // "The store option is not allowed in this context"
    KXG_OPTION_STORE_VIRTUAL = -7,      // "Store Virtual not allowed"
    KXG_OPTION_STORE_UNIVERSAL = -8,    // "Store Universal not allowed"
    KXG_OPTION_STORE_ALL = -9,          // "Store All not allowed"
    KXG_OPTION_STORE_OWN = -10,         // "Store Own not allowed"
    KXG_OPTION_NOT_NUMERIC = -11,       // "Argument must be Numeric"
    KXG_OPTION_NO_SECOND = -12,         // "No 2. argument was supplied"
    KXG_OPTION_SECOND_NOT_NUMERIC = -13 // "2. argument must be Numeric"
};
// The status of a successful OID_SIZE: never copied into OPTIONREGISTRY by FillRegistry (the mapper
// writes that row itself with StoreRegistryOID48BitEntry).
constexpr int16_t KXG_OPTION_OID_SIZE_DONE = 5;

// The status and source line of an option. A new one has status KXG_OPTION_UNUSED.
class KxGOptionStatus {
public:
    explicit KxGOptionStatus(uint16_t line) : line_(line) {}
    int16_t GetStatus() const { return status_; }
    void SetStatus(int16_t status) { status_ = status; }
    // 0 for options replayed from OPTIONREGISTRY.
    uint16_t GetLine() const { return line_; }

private:
    int16_t status_ = KXG_OPTION_UNUSED;
    uint16_t line_;
};

class KxGOption : public KxGOptionStatus {
public:
    KxGOption(const KxString& name, const KxString& arguments, uint16_t line);
    virtual ~KxGOption();

    // "Line : " line "  Option : " name "\nArgument(s): " and each argument followed by " ",
    // separated by ", ".
    virtual KxString Describe() const;

    const KxString& GetName() const { return name_; }
    // The argument text as given (the file reader trims it as a whole).
    const KxString& GetArguments() const { return arguments_; }
    // Field `index` (from 0) of the argument text, trimmed, in the default 8-bit code set. False when
    // the text is empty or has fewer fields.
    bool GetArgument(uint32_t index, KxString& argument) const;
    // Field `index` as a number: false when it is missing, not numeric, 0, or beyond 32 bits.
    bool GetNumber(uint32_t index, int32_t& number) const;
    // Whether a text is numeric in that sense; number receives its value when it is.
    static bool IsNumeric(const KxString& text, int32_t& number);

private:
    KxString name_;
    KxString arguments_;
};

// A list of options; the list owns them.
class KxGOptionList {
public:
    // Takes the option over.
    void Append(std::unique_ptr<KxGOption> option) { options_.push_back(std::move(option)); }
    // The first option whose name equals name (exact comparison), or null.
    KxGOption* Find(const KxString& name) const;
    uint32_t Count() const { return static_cast<uint32_t>(options_.size()); }
    KxGOption* Get(uint32_t index) const { return index < options_.size() ? options_[index].get() : nullptr; }

private:
    std::vector<std::unique_ptr<KxGOption>> options_;
};

class KxGMemberOption {
public:
    explicit KxGMemberOption(const KxString& name) : name_(name) {}
    virtual ~KxGMemberOption();
    // " Member Name : " name.
    virtual KxString Describe() const;

    const KxString& GetName() const { return name_; }
    KxGOptionList& GetOptions() { return options_; }
    const KxGOptionList& GetOptions() const { return options_; }

private:
    KxString name_;
    KxGOptionList options_;
};

class KxGClassOption {
public:
    explicit KxGClassOption(const KxString& name) : name_(name) {}
    virtual ~KxGClassOption();
    // "Class name : " name.
    virtual KxString Describe() const;

    const KxString& GetName() const { return name_; }
    // The class-wide options; null until the first one.
    KxGOptionList* GetOptions() const { return options_.get(); }
    KxGOptionList& MakeOptions();
    // The member options in the order they were first given.
    uint32_t GetMemberCount() const { return static_cast<uint32_t>(members_.size()); }
    KxGMemberOption* GetMember(uint32_t index) const { return index < members_.size() ? members_[index].get() : nullptr; }
    // The member's options, or null.
    KxGMemberOption* GetMemberOption(const KxString& member) const;
    KxGMemberOption& MakeMemberOption(const KxString& member);

private:
    KxString name_;
    std::unique_ptr<KxGOptionList> options_;
    std::vector<std::unique_ptr<KxGMemberOption>> members_;
};

// Class options sorted by the class name's bytes (unsigned, no case folding).
class KxGClassOptionList {
public:
    // Binary search; null when missing.
    KxGClassOption* FindClassOption(const KxString& name) const;
    // The class's option, inserted in sorted order when missing.
    KxGClassOption& MakeClassOption(const KxString& name);
    uint32_t Count() const { return static_cast<uint32_t>(classes_.size()); }
    KxGClassOption* Get(uint32_t index) const { return index < classes_.size() ? classes_[index].get() : nullptr; }

private:
    std::vector<std::unique_ptr<KxGClassOption>> classes_;
};

class KxGOptionRegistry {
public:
    // Default settings, empty lists.
    KxGOptionRegistry();
    ~KxGOptionRegistry();
    KxGOptionRegistry(const KxGOptionRegistry&) = delete;
    KxGOptionRegistry& operator=(const KxGOptionRegistry&) = delete;

    // Files one option. Class "*" is global (DATE_FORMAT and TIME_FORMAT go to the format list);
    // member "*" class-wide; otherwise a member option. A name already filed in the same place makes
    // the new option status 4 (kept in the repeated list; the first wins); a repeated global option
    // (not a format) is an error of the run, -6085, except during a replay (line 0) when its
    // arguments equal the first one's (compared trimmed, without regard to case). All three names
    // empty: nothing is filed. 0 or -6085.
    int32_t ProcessOption(const KxString& className, const KxString& member, const KxString& option,
                          const KxString& arguments, uint16_t line);

    // Applies the global options to the settings (below). The database gives the gateway version, its
    // type-handler manager's flag byte (OID_SIZE) and SetGatewayVersion (INVALID_IS_NULL); info gives
    // TypeNameOptions. fromMapper: the schema mapper runs (clear during the runtime replay);
    // allow32BitIds: the caller lets OID_SIZE choose 32-bit ids. PRESERVE_NAMES sets preserveNames.
    // Sizes and counts (CHARTYPE, BLOB_TYPE, BLOBSIZE, BATCH_SIZE) must be positive 32-bit numbers,
    // else the option gets -11 and changes nothing.
    void ProcessGlobalOptions(KxGDatabase& database, KxGDatabaseInfo& info, bool fromMapper, bool allow32BitIds,
                              uint16_t& preserveNames);

    // Runtime replay of OPTIONREGISTRY (qualified with the database's schema name): every row goes
    // through ProcessOption with line 0; the first non-zero result ends the replay and is answered.
    // A failed execute, bind or fetch answers the database error's code (-6001 when it has none).
    // ProcessGlobalOptions (neither flag) runs in every case.
    int32_t LoadOptionsTable(KxGDatabase& database, uint16_t& preserveNames);

    // Statements for the schema mapper, appended to list (the list's holder owns them).
    // CreateRegistry: the adapter's CreateTable of OPTIONREGISTRY; 0.
    int32_t CreateRegistry(KxGDatabase& database, KxGStatementTemplateList& list);
    // "DELETE FROM " schema.OPTIONREGISTRY; the list's append result.
    int32_t EmptyRegistry(KxGDatabase& database, KxGStatementTemplateList& list);
    // The adapter's DropTable2 of OPTIONREGISTRY; the list's append result.
    int32_t DropRegistry(KxGDatabase& database, KxGStatementTemplateList& list);
    // One insert per option of status 0: the global options, then per class (in list order) its
    // class-wide options and its member options, member by member. RENAME, the format options and the
    // repeated options are never stored. Values are written as quoted literals. 0.
    int32_t FillRegistry(KxGDatabase& database, KxGStatementTemplateList& list);
    // The row ("*", "*", "OID_SIZE", "48BIT"); 0.
    int32_t StoreRegistryOID48BitEntry(KxGDatabase& database, KxGStatementTemplateList& list);
    // The row ("*", "*", "UNSIGNED_BEHAVIOR", "UNSIGNED"), unless FillRegistry stores the user's
    // accepted UNSIGNED_BEHAVIOR already (one row only); 0.
    int32_t StoreUnsignedBehaviorUsedEntry(KxGDatabase& database, KxGStatementTemplateList& list);

    // Reads an option file (for the schema mapper): each line's class, member, option name (upper-
    // cased) and argument text go to ProcessOption with the line number (from 1). Blank lines and
    // lines whose first non-blank character is '/' or ';' are comments, of any length. 0; -6171 when
    // the file cannot be opened; -6172 for a line longer than 255 characters (line receives its
    // number; the options before it stay filed); the first non-zero ProcessOption result (line
    // receives its number). The caller applies ProcessGlobalOptions afterwards (mapper flag set).
    int32_t ReadOptionFile(const KxString& path, uint16_t& line);

    // The status text: the table of the KXG_OPTION_... values; any other value (0 among them)
    // "Unknown Status : " and the number.
    static KxString MapOptionStatus(int16_t status);

    // ---- lists ----
    const KxGOptionList& GetRepeatedOptions() const { return repeated_; }
    const KxGOptionList& GetGlobalOptions() const { return global_; }
    // DATE_FORMAT and TIME_FORMAT (the Oracle conversion handlers read them).
    KxGOptionList& GetFormatOptions() { return formats_; }
    const KxGClassOptionList& GetClassOptions() const { return classes_; }

    // ---- settings ----
    uint8_t GetStringType() const { return stringType_; }
    uint8_t GetBlobType() const { return blobType_; }
    uint8_t GetInt64Type() const { return int64Type_; }
    uint8_t GetByteType() const { return byteType_; }
    int32_t GetStringSize() const { return stringSize_; }
    int32_t GetBlobSize() const { return blobSize_; }
    // The set storage kind (0 own set tables, 1 in the blob container) and its blob size.
    uint16_t GetSetStorage(int32_t& blobSize) const
    {
        blobSize = setBlobSize_;
        return setStorage_;
    }
    uint16_t GetTruncateStrings() const { return truncateStrings_; }
    uint16_t GetTruncateBlobs() const { return truncateBlobs_; }
    int32_t GetBatchSize() const { return batchSize_; }
    uint8_t GetBlobContainerType() const { return blobContainerType_; }
    uint8_t GetUnsignedBehavior() const { return unsignedBehavior_; }
    // Whether a value of the kernel type code may be truncated: the truncate-strings flag for 11, 20
    // and 21, the truncate-blobs flag for 18, true for every other code.
    bool MayTruncate(uint8_t typeCode) const;

private:
    void ApplyGlobal(KxGOption& option, KxGDatabase& database, KxGDatabaseInfo& info, bool fromMapper,
                     bool allow32BitIds, uint16_t& preserveNames);
    int32_t AppendInsert(KxGDatabase& database, KxGStatementTemplateList& list, const KxString& className,
                         const KxString& member, const KxString& option, const KxString& arguments);

    KxGOptionList repeated_;
    KxGOptionList global_;
    KxGOptionList formats_;
    KxGClassOptionList classes_;

    uint8_t stringType_ = 0;
    uint8_t blobType_ = 0;
    uint8_t int64Type_ = 0;
    uint8_t byteType_ = 0;
    int32_t stringSize_ = 50;
    int32_t blobSize_ = 32000;
    uint16_t setStorage_ = 0;
    int32_t setBlobSize_ = 0;
    uint16_t truncateStrings_ = 0;
    uint16_t truncateBlobs_ = 0;
    int32_t batchSize_ = 1000;
    uint8_t blobContainerType_ = 0;
    uint8_t unsignedBehavior_ = 0;
};
