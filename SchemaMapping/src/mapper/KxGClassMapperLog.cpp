// The schema mapper's message object: texts by code, counts, summary.
#include "KxGClassMapperLog.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "KxGClassMapper.h"
#include "KxGDatabase.h"
#include "KxGErrorText.h"
#include "KxGStatusCodes.h"

namespace {

std::string Str(const KxString& text)
{
    return std::string(text.StrGet());
}

// The gateway's own text of a code, when it has one (the table answers "[ROGW]unknwown error" for
// every code it does not know).
bool GatewayText(int32_t code, std::string& text)
{
    const bool gatewayCode = (code <= KXG_E_RANGE_HIGHEST && code >= KXG_E_RANGE_LOWEST) ||
                             code == KXG_E_ADAPTER_NOT_LOADED || code == KXG_E_RUNTIME_INCOMPATIBLE ||
                             code == KXG_W_BLOB_CONTAINER_TOO_SMALL;
    if (!gatewayCode) {
        return false;
    }
    const char* known = KxGGetErrorText(code);
    if (known == nullptr || std::string(known) == KxGGetErrorText(KXG_E_RANGE_LOWEST + 1) ||
        std::string(known).find("unknwown error") != std::string::npos) {
        return false;
    }
    text = known;
    return true;
}

}  // namespace

KxGClassMapperLog::KxGClassMapperLog(KxGClassMapper* mapper, std::ofstream& log, const bool& echo)
    : mapper_(mapper), log_(log), echo_(echo)
{
}

KxGClassMapperLog::~KxGClassMapperLog() = default;

void KxGClassMapperLog::Output(const std::string& text)
{
    if (echo_) {
        std::cout << text << std::endl;
    }
    if (log_.is_open()) {
        log_ << text << std::endl;
    }
}

void KxGClassMapperLog::Output(const KxString& text)
{
    Output(Str(text));
}

std::string KxGClassMapperLog::NativeLines() const
{
    KxGDatabase* database = mapper_ != nullptr ? mapper_->GetDatabase() : nullptr;
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    const std::string description = error != nullptr && error->Text() != nullptr ? error->Text() : "";
    const std::string state = error != nullptr && error->SQLState() != nullptr ? error->SQLState() : "No state";
    // The state line ends in an empty line; without a state only the empty line follows.
    std::string lines = "Native Description = " + description + "\n";
    if (state != "No state") {
        lines += "Native State = " + state + "\n";
    }
    return lines;
}

std::string KxGClassMapperLog::Text(int32_t code, int32_t native, const KxString& passed) const
{
    const std::string text = Str(passed);
    const std::string database = mapper_ != nullptr ? Str(mapper_->GetDatabaseName()) : std::string();
    KxGDatabase* adapter = mapper_ != nullptr ? mapper_->GetDatabase() : nullptr;
    KxGDatabaseError* error = adapter != nullptr ? adapter->GetError() : nullptr;
    const int32_t adapterNative = error != nullptr ? error->NativeCode() : native;
    const std::string adapterText = error != nullptr && error->Text() != nullptr ? error->Text() : text;
    std::ostringstream usage;
    KxGClassMapper::ShowUsage(usage);

    switch (code) {
    case 0:
    case KXG_E_MAPPER_SILENT:
        return std::string();
    case 6150: return "Warning : Invalid mapping option\n" + text;
    case 6151: return "Warning : a new UNIQUE index is created\n";
    case 6152: return "Warning : Inserting NULL values in table of class '" + text + "'";
    case 6153: return "Warning : Type of set '" + text + "' is changed to blob set, possible loss of data";
    case 6154: return "Warning : Type of set '" + text + "' is changed to default set, possible loss of data";
    case 6156: return "Warning : Type of member '" + text + "' is changed, possible loss of data";
    case 6155:
        return "Warning : array members with dimension > 1 of Pointer,KxString,KxBlob types are not supported and "
               "other types (excepting o_char and o_u1b) can be stored only in blob container (use the option "
               "MEMBER_STORAGE_TYPE for the member of embedded level 0." +
               text + "\n";
    case -6202: return "Error : could not read the index table KELVOX_INDEXES of the DB schema";
    case -6201: return "Error : max lenght of sql statement is greater than 65532 bytes\n" + text;
    case -6200: return "Error : Index on handle member is not supported";
    case -6199: return "Error : Set member in embedded class is not supported";
    case -6198: return "Error : No existing schema found";
    case -6197: return "Error : Dictionary Mismatch";
    case -6196: return "Error : Wrong dictionary version";
    case -6195: return "Error : could not get class versions from DB schema";
    case -6194:
        return "Error : This database version does not support duplicate members (in the class '" + text +
               "'), please convert using Relgen -n";
    case -6193: return "Error : A member name is used twice in embedded class ('" + text + "')";
    case -6192: return "Error : A member name is used twice in class '" + text + "'";
    case -6191: return "Error : The database name '" + text + "' is invalid";
    case -6190: return "Error : The class table name '" + text + "' is a reserved word for Tessaform";
    case -6186: return "Error : Unable to open Script file";
    case -6185: return "Error : Unable to open Log file";
    case -6184:
        return "Error : Executing statement\n" + text + "\nNative Code = " + std::to_string(adapterNative) + "\n" +
               NativeLines();
    case -6182: return "Error : Unable to load application classes : Error Code : " + std::to_string(native);
    case -6181: return "Error : Unable to open dictionary: Error code : " + std::to_string(native);
    case -6180: return "Error : Unable to connect to  dictionary: Error code : " + std::to_string(native);
    case -6172: return "Error : Invalid mapping option\n" + text;
    case -6171: return "Error : Unable to open Option file";
    case -6170: {
        // The option whose file is missing is named (-o, -f, -l or -config).
        const std::string option =
            mapper_ != nullptr && !mapper_->missingOption_.empty() ? mapper_->missingOption_ : std::string("-o");
        return option == "-o" ? "Error : No option file specified for option -o"
                              : "Error : No file specified for option " + option;
    }
    case -6167: return "Error : Login user is not the owner of the RDBMS schema";
    case -6166: return "Error : Invalid command option";
    case -6165: return "Error : Invalid command";
    case -6164: return "Error : No password specified (usage: -p <password>)";
    case -6163: return "Error : No user name specified(usage: -u <username>)";
    case -6162: return "Error : No dictionary specified (usage: -D <dictionary>)\n" + usage.str();
    case -6161: return "Error : No database specified (usage: -B <database>)\n" + usage.str();
    case -6160: return "Error : No database server specified (usage: -S <storage$server>)\n" + usage.str();
    case -6155: return "Error : RO GW schema already exists in database '" + database + "'";
    case -6154: return "Login cancelled by user";
    case -6153:
        return "Error : Unable to create Database instance for brand :" +
               (mapper_ != nullptr ? Str(mapper_->GetBrand()) : std::string()) + " DBName:" + database;
    case -6152: return "Error : No schema created";
    case -6151: return "Fatal Error";
    case -6150: return "Error : Not Implemented";
    case -6098:
    case -6079: return adapterText;
    case -6005:
    case -6004:
        return "Error : Can't open/create database\nError = " + std::to_string(code) +
               "\nNative Code = " + std::to_string(adapterNative) + "\n" + NativeLines();
    case -6002: return "Error : No ROGW schema found";
    case -2309:
        return "Error : Failed to connect to " + (mapper_ != nullptr ? Str(mapper_->GetServer()) : std::string()) +
               " : Check your user id and password!";
    default: {
        std::string gateway;
        if (GatewayText(code, gateway)) {
            return gateway + (text.empty() ? std::string() : "\n" + text);
        }
        return "Error : Unknown Error : " + std::to_string(code) + (text.empty() ? std::string() : "\n" + text);
    }
    }
}

void KxGClassMapperLog::Report(int32_t code, int32_t native, const KxString& text)
{
    if (code == 0 || code == KXG_E_MAPPER_SILENT) {
        return;
    }
    Output(Text(code, native, text));
    if (code > 0) {
        ++warnings_;
    } else {
        ++errors_;
    }
}

void KxGClassMapperLog::Summary()
{
    if (errors_ == 0 && warnings_ == 0) {
        Output(std::string("RELGEN terminated successfully"));
    } else if (errors_ == 0) {
        Output("RELGEN terminated with " + std::to_string(warnings_) + " warning(s)");
    } else {
        Output("RELGEN terminated with error status - " + std::to_string(errors_) + " error(s), " +
               std::to_string(warnings_) + " warning(s)");
    }
}
