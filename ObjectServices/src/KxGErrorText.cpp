// Status texts of the relational object gateway.
#include "KxGErrorText.h"

#include "KxGStatusCodes.h"

namespace {

struct ErrorText {
    int32_t code;
    const char* text;
};

// The texts are kept exactly as the system has always reported them.
const ErrorText kErrorTexts[] = {
    {KXG_W_BLOB_CONTAINER_TOO_SMALL, "[ROGW][SM]size of blob container to small"},
    {KXG_E_BLOB_CONTAINER_TOO_SMALL, "[ROGW][SM]size of blob container to small"},
    {KXG_W_INCORRECT_OPTION, "[ROGW][Relgen]incorrect option"},
    {KXG_W_NEW_UNIQUE_INDEX, "[ROGW][Relgen]new inique index"},
    {KXG_E_RUNTIME_INCOMPATIBLE, "[ROGW]runtime system is not compatible"},
    {KXG_E_NOT_IMPLEMENTED, "[ROGW]not implemented"},
    {KXG_E_RDBMS, "[ROGW]RDBMS error (use trace utility)"},
    {KXG_E_NO_SCHEMA, "[ROGW]no schema"},
    {KXG_E_INVALID_SCHEMA_OBJECTS, "[ROGW]invalid schema objects found"},
    {KXG_E_CANNOT_CREATE_DATABASE, "[ROGW]cannot create database"},
    {KXG_E_CANNOT_OPEN_DATABASE, "[ROGW]cannot open database"},
    {KXG_E_OLDER_DATABASE, "[ROGW]the database was created with an older version of the Relational Object Gateway, please convert using Relgen -n"},
    {KXG_E_OLD_CLASS_VERSIONS, "[ROGW]application does not use the newest class versions"},
    {KXG_E_CANNOT_READ_TABLES, "[ROGW]can't read Tessaform tables (check that the schema exists and is accessible by the current user"},
    {KXG_E_GATEWAY_TOO_OLD, "[ROGW]the version of the Relational Object Gateway is too old, please use newer version"},
    {KXG_E_NO_CLASS_MAP_IN_CATALOG, "[ROGW]can't find class map in catalog"},
    {KXG_E_NO_COLUMN_MAP_IN_CATALOG, "[ROGW]can't find column map in catalog"},
    {KXG_E_STARTUP_KEY, "[ROGW]startup parameter key is invalid"},
    {KXG_E_STARTUP_VALUE, "[ROGW]startup parameter value is invalid"},
    {KXG_E_STARTUP_COMMAND, "[ROGW]startup command failed"},
    {KXG_E_NOT_REGISTERED, "[ROGW][CA]no object not registered with object manager"},
    {KXG_E_NO_SURROGATES, "[ROGW][CA]could not fetch surrogates"},
    {KXG_E_CURSOR_POSITION, "[ROGW][CA]invalid cursor position"},
    {KXG_E_INVALID_PARAMETER, "[ROGW][CA]invalid parameter"},
    {KXG_E_NO_QUERY_TREE, "[ROGW][CA]query tree does not exist"},
    {KXG_E_NO_CONNECTION, "[ROGW][CA]could not create new connection"},
    {KXG_E_NO_TRANSACTION_CONTEXT, "[ROGW][CA]transaction context does not exist"},
    {KXG_E_NO_TRANSACTION_MANAGER, "[ROGW][CA]transaction manager does not exist"},
    {KXG_E_NO_RESOURCE_MANAGER, "[ROGW][CA]resource manager does not exist"},
    {KXG_E_DELETE_SERVICE, "[ROGW][ONH]error in delete service"},
    {KXG_E_STORE_SERVICE, "[ROGW][ONH]error in store service"},
    {KXG_E_READ_REFERENCE, "[ROGW][ONH]error in read service while reading reference"},
    {KXG_E_READ_REFERENCE_SET, "[ROGW][ONH]error in read service while reading reference set"},
    {KXG_E_QUERY_EXECUTE, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {KXG_E_QUERY_EXECUTE_2, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {KXG_E_QUERY_EXECUTE_3, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {KXG_E_QUERY_BIND, "[ROGW][OS]error while binding SQL query"},
    {KXG_E_SEEK_MODE, "[ROGW][OS]invalid seek mode"},
    {KXG_E_NO_CLASS, "[ROGW][OS]class does not exist"},
    {KXG_E_NO_MEMBER, "[ROGW][OS]member does not exist"},
    {KXG_E_NO_MEMBER_MAP, "[ROGW][OS]member map does not exist"},
    {KXG_E_NO_TABLE, "[ROGW][OS]table does not exist"},
    {KXG_E_NO_EXTENT_TEMPLATE, "[ROGW][OS]extent template does not exist"},
    {KXG_E_NOT_FOUND_FOR_UPDATE, "[ROGW][OS]object is not found for update"},
    {KXG_E_SNAPSHOT_TOO_OLD, "[ROGW][OS]object cannot be read consistently (error 01555 for ORACLE)"},
    {KXG_E_BLOB_CONTAINER_UNSUPPORTED, "[ROGW][SM]store in blob container is not supported"},
    {KXG_E_CLASS_MAP_EXISTS, "[ROGW][SM]class map does already exist"},
    {KXG_E_NO_CLASS_MAP, "[ROGW][SM]class map does not exist"},
    {KXG_E_MAP_EXECUTE, "[ROGW][SM]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {KXG_E_MAP_FETCH, "[ROGW][SM]error while fetching from SQL query (use Tracing Facility for detailed error description)"},
    {KXG_E_NO_INDEX_MEMBER, "[ROGW][SM]index member does not exist"},
    {KXG_E_INVALID_MAPPING_OPTION, "[ROGW][SM]invalid mapping option"},
    {KXG_E_MAP_NO_CLASS, "[ROGW][SM]class does not exist"},
    {KXG_E_CANNOT_CREATE_CLASS, "[ROGW][SM]can't create class"},
    {KXG_E_NO_STORE_HANDLER, "[ROGW][SM]store handler does not exist"},
    {KXG_E_NO_TABLE_NAME, "[ROGW][SM]can't find table name"},
    {KXG_E_NO_COLUMN_NAME, "[ROGW][SM]can't find column name"},
    {KXG_E_NO_TEMPLATE, "[ROGW][SM]template does not exist"},
    {KXG_E_BLOB_BUFFER_EXCEEDED, "[ROGW][SM]blob buffer size exceeded"},
    {KXG_E_NO_STATEMENT_HANDLE, "[ROGW][SMH]statement handle does not exist"},
    {KXG_E_PARAMETER_ARRAY_TOO_LARGE, "[ROGW][SMH]maximum size of parameter array exceeded"},
    {KXG_E_STRING_HOLDS_NUL, "[ROGW][SM]a string value holds a NUL character: the object is not stored"},
    {KXG_E_MEMBER_TYPE_UNSUPPORTED, "[ROGW][SM]member type is not supported"},
    {KXG_E_BEGIN_BATCH, "[ROGW][TXN]begin statement batch failed"},
    {KXG_E_END_BATCH, "[ROGW][TXN]end statement batch failed"},
    {KXG_E_ROLLED_BACK, "[ROGW][TXN]transaction was rolled back"},
    {KXG_E_MAPPER_NOT_IMPLEMENTED, "[ROGW][RGN]not implemented"},
    {KXG_E_MAPPER_FATAL, "[ROGW][RGN]fatal error"},
    {KXG_E_NO_SCHEMA_CREATED, "[ROGW][RGN]no schema created"},
    {KXG_E_STORAGE_TYPE_UNSUPPORTED, "[ROGW][RGN]storage type not supported"},
    {KXG_E_LOGIN_CANCELLED, "[ROGW][RGN]login cancelled"},
    {KXG_E_NO_SERVER_NAME, "[ROGW][RGN]no server name specified"},
    {KXG_E_NO_DATABASE_NAME, "[ROGW][RGN]no database name specified"},
    {KXG_E_NO_DICTIONARY_NAME, "[ROGW][RGN]no dictionary name specified"},
    {KXG_E_NO_USER, "[ROGW][RGN]no user specified"},
    {KXG_E_NO_PASSWORD, "[ROGW][RGN]no password specified"},
    {KXG_E_NO_OPTION_FILE, "[ROGW][RGN]no mapping option file specified"},
    {KXG_E_CANNOT_READ_OPTION_FILE, "[ROGW][RGN]can't read mapping option file"},
    {KXG_E_INCORRECT_OPTION_LINE, "[ROGW][RGN]incorrect mapping option"},
    {KXG_E_DICTIONARY_CONNECT, "[ROGW][RGN]can't connect to dictionary"},
    {KXG_E_DICTIONARY_OPEN, "[ROGW][RGN]can't open dictionary"},
    {KXG_E_DICTIONARY_LOAD, "[ROGW][RGN]can't load classes from dictionary"},
    {KXG_E_MAPPER_OPEN_DATABASE, "[ROGW][RGN]can't open database"},
    {KXG_E_MAPPER_EXECUTE, "[ROGW][RGN]can't execute statement"},
    {KXG_E_LOG_FILE, "[ROGW][RGN]can't open log file"},
    {KXG_E_SCRIPT_FILE, "[ROGW][RGN]can't open script file"},
    {KXG_E_RESERVED_NAME, "[ROGW][RGN]reserved key word used"},
    {KXG_E_INVALID_DATABASE_NAME, "[ROGW][RGN]invalid database name"},
    {KXG_E_CANNOT_READ_CLASS_VERSION, "[ROGW][RGN]can't read class version from schema (check Tessaform tables)"},
    {KXG_E_DICTIONARY_VERSION, "[ROGW][RGN]wrong dictionary version"},
    {KXG_E_DICTIONARY_MISMATCH, "[ROGW][RGN]dictionary mismatch"},
    {KXG_E_NO_SCHEMA_FOUND, "[ROGW][RGN]no schema found"},
    {KXG_E_INVALID_SQL_STATEMENT, "[ROGW][RGN]Invalid SQL statement"},
};

const char kUnknownError[] = "[ROGW]unknwown error";

}  // namespace

const char* KxGGetErrorText(int32_t code)
{
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return kUnknownError;
}
