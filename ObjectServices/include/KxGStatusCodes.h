// The status codes of the relational object gateway, one name for each code.
//
// 0 is success, a negative value a failure, a positive value a warning. The gateway's own codes
// (-6000 to -6999, -5002, -5004 and the warnings 6093, 6150, 6151) have their texts in the error table
// (KxGErrorText.cpp); the kernel codes that the gateway and its adapters answer themselves pass through
// the kernel unchanged. Code that answers or tests a status uses these names and spells no number.
#pragma once

#include <cstdint>

// ---- Kernel codes answered by the gateway and its adapters ----
constexpr int32_t KXG_E_DUPLICATE_KEY = -2028;          // a unique key refused a row (Oracle 1)
constexpr int32_t KXG_E_NO_MEMORY = -2030;              // out of memory
constexpr int32_t KXG_E_NO_SUCH_DATABASE = -2031;       // the database (schema user) does not exist
constexpr int32_t KXG_E_LOCAL_MODE_CONFLICT = -2032;    // another client holds or refuses local mode
constexpr int32_t KXG_E_LOCK_REFUSED = -2041;           // a lock cannot be granted
constexpr int32_t KXG_E_ALREADY_REGISTERED = -2052;     // the object is already registered at this level
constexpr int32_t KXG_E_NO_ROW_DELETED = -2045;         // a lock release deleted no row
constexpr int32_t KXG_E_CREDENTIALS = -2304;            // credential retrieval failed
constexpr int32_t KXG_E_LOGIN_REFUSED = -2309;          // user or password refused, log-in cancelled
constexpr int32_t KXG_E_NOT_PRIVILEGED = -2310;         // insufficient privileges
constexpr int32_t KXG_E_NO_SERVER = -2512;              // the server cannot be reached
constexpr int32_t KXG_E_NO_LOCK_SERVER = -2516;         // the concurrency-control lock server cannot be reached
constexpr int32_t KXG_E_NO_CONFIGURATION = -2751;       // the kernel has no configuration
constexpr int32_t KXG_E_NO_TXN_CONTEXT = -4004;         // the transaction resource has no transaction context
constexpr int32_t KXG_E_NO_TXN_LEVEL = -4005;           // no resource manager is open at commit or abort
constexpr int32_t KXG_E_NOT_SUPPORTED = -2999;          // a kernel operation the gateway does not support

// ---- Codes of the gateway's module range ----
constexpr int32_t KXG_E_ADAPTER_NOT_LOADED = -5002;     // adapter library or database object missing
constexpr int32_t KXG_E_RUNTIME_INCOMPATIBLE = -5004;   // runtime system is not compatible

constexpr int32_t KXG_E_RANGE_HIGHEST = -6000;          // the gateway's own range: -6000 down to
constexpr int32_t KXG_E_RANGE_LOWEST = -6999;           //   -6999, whose texts the kernel asks for

constexpr int32_t KXG_E_NOT_IMPLEMENTED = -6000;
constexpr int32_t KXG_E_RDBMS = -6001;                  // RDBMS error (the text went to the trace)
constexpr int32_t KXG_E_NO_SCHEMA = -6002;
constexpr int32_t KXG_E_INVALID_SCHEMA_OBJECTS = -6003;
constexpr int32_t KXG_E_CANNOT_CREATE_DATABASE = -6004;
constexpr int32_t KXG_E_CANNOT_OPEN_DATABASE = -6005;
constexpr int32_t KXG_E_OLDER_DATABASE = -6006;
constexpr int32_t KXG_E_OLD_CLASS_VERSIONS = -6007;
constexpr int32_t KXG_E_CANNOT_READ_TABLES = -6008;
constexpr int32_t KXG_E_GATEWAY_TOO_OLD = -6009;
constexpr int32_t KXG_E_NO_CLASS_MAP_IN_CATALOG = -6010;
constexpr int32_t KXG_E_NO_COLUMN_MAP_IN_CATALOG = -6011;
constexpr int32_t KXG_E_STARTUP_KEY = -6015;
constexpr int32_t KXG_E_STARTUP_VALUE = -6016;
constexpr int32_t KXG_E_STARTUP_COMMAND = -6017;
constexpr int32_t KXG_E_NOT_REGISTERED = -6030;
constexpr int32_t KXG_E_NO_SURROGATES = -6031;
constexpr int32_t KXG_E_CURSOR_POSITION = -6032;
constexpr int32_t KXG_E_INVALID_PARAMETER = -6033;
constexpr int32_t KXG_E_NO_QUERY_TREE = -6034;
constexpr int32_t KXG_E_NO_CONNECTION = -6035;
constexpr int32_t KXG_E_NO_TRANSACTION_CONTEXT = -6036;
constexpr int32_t KXG_E_NO_TRANSACTION_MANAGER = -6037;
constexpr int32_t KXG_E_NO_RESOURCE_MANAGER = -6038;
constexpr int32_t KXG_E_DELETE_SERVICE = -6050;
constexpr int32_t KXG_E_STORE_SERVICE = -6051;
constexpr int32_t KXG_E_READ_REFERENCE = -6052;
constexpr int32_t KXG_E_READ_REFERENCE_SET = -6053;
constexpr int32_t KXG_E_QUERY_EXECUTE = -6060;
constexpr int32_t KXG_E_QUERY_EXECUTE_2 = -6061;
constexpr int32_t KXG_E_QUERY_BIND = -6062;
constexpr int32_t KXG_E_QUERY_EXECUTE_3 = -6063;
constexpr int32_t KXG_E_SEEK_MODE = -6064;
constexpr int32_t KXG_E_NO_CLASS = -6065;
constexpr int32_t KXG_E_NO_MEMBER = -6066;
constexpr int32_t KXG_E_NO_MEMBER_MAP = -6067;
constexpr int32_t KXG_E_NO_TABLE = -6068;
constexpr int32_t KXG_E_NO_EXTENT_TEMPLATE = -6069;
constexpr int32_t KXG_E_NOT_FOUND_FOR_UPDATE = -6071;
constexpr int32_t KXG_E_SNAPSHOT_TOO_OLD = -6072;
constexpr int32_t KXG_E_BLOB_CONTAINER_UNSUPPORTED = -6079;
constexpr int32_t KXG_E_CLASS_MAP_EXISTS = -6080;
constexpr int32_t KXG_E_NO_CLASS_MAP = -6081;
constexpr int32_t KXG_E_MAP_EXECUTE = -6082;
constexpr int32_t KXG_E_MAP_FETCH = -6083;
constexpr int32_t KXG_E_NO_INDEX_MEMBER = -6084;
constexpr int32_t KXG_E_INVALID_MAPPING_OPTION = -6085;
constexpr int32_t KXG_E_MAP_NO_CLASS = -6086;
constexpr int32_t KXG_E_CANNOT_CREATE_CLASS = -6087;
constexpr int32_t KXG_E_NO_STORE_HANDLER = -6088;
constexpr int32_t KXG_E_NO_TABLE_NAME = -6089;
constexpr int32_t KXG_E_NO_COLUMN_NAME = -6090;
constexpr int32_t KXG_E_NO_TEMPLATE = -6091;
constexpr int32_t KXG_E_BLOB_CONTAINER_TOO_SMALL = -6093;
constexpr int32_t KXG_W_BLOB_CONTAINER_TOO_SMALL = 6093;
constexpr int32_t KXG_E_BLOB_BUFFER_EXCEEDED = -6094;
constexpr int32_t KXG_E_NO_STATEMENT_HANDLE = -6095;
constexpr int32_t KXG_E_PARAMETER_ARRAY_TOO_LARGE = -6096;
constexpr int32_t KXG_E_STRING_HOLDS_NUL = -6097;   // a string value holds a NUL character: not stored
constexpr int32_t KXG_E_MEMBER_TYPE_UNSUPPORTED = -6098;
constexpr int32_t KXG_E_BEGIN_BATCH = -6100;
constexpr int32_t KXG_E_END_BATCH = -6101;
constexpr int32_t KXG_E_ROLLED_BACK = -6102;

// The schema mapper's codes.
constexpr int32_t KXG_W_INCORRECT_OPTION = 6150;
constexpr int32_t KXG_W_NEW_UNIQUE_INDEX = 6151;
constexpr int32_t KXG_E_MAPPER_NOT_IMPLEMENTED = -6150;
constexpr int32_t KXG_E_MAPPER_FATAL = -6151;
constexpr int32_t KXG_E_NO_SCHEMA_CREATED = -6152;
constexpr int32_t KXG_E_STORAGE_TYPE_UNSUPPORTED = -6153;
constexpr int32_t KXG_E_LOGIN_CANCELLED = -6154;
constexpr int32_t KXG_E_NO_SERVER_NAME = -6160;
constexpr int32_t KXG_E_NO_DATABASE_NAME = -6161;
constexpr int32_t KXG_E_NO_DICTIONARY_NAME = -6162;
constexpr int32_t KXG_E_NO_USER = -6163;
constexpr int32_t KXG_E_NO_PASSWORD = -6164;
constexpr int32_t KXG_E_NO_OPTION_FILE = -6170;
constexpr int32_t KXG_E_CANNOT_READ_OPTION_FILE = -6171;
constexpr int32_t KXG_E_INCORRECT_OPTION_LINE = -6172;
constexpr int32_t KXG_E_DICTIONARY_CONNECT = -6180;
constexpr int32_t KXG_E_DICTIONARY_OPEN = -6181;
constexpr int32_t KXG_E_DICTIONARY_LOAD = -6182;
constexpr int32_t KXG_E_MAPPER_OPEN_DATABASE = -6183;
constexpr int32_t KXG_E_MAPPER_EXECUTE = -6184;
constexpr int32_t KXG_E_LOG_FILE = -6185;
constexpr int32_t KXG_E_SCRIPT_FILE = -6186;
constexpr int32_t KXG_E_RESERVED_NAME = -6190;
constexpr int32_t KXG_E_INVALID_DATABASE_NAME = -6191;
constexpr int32_t KXG_E_CANNOT_READ_CLASS_VERSION = -6195;
constexpr int32_t KXG_E_DICTIONARY_VERSION = -6196;
constexpr int32_t KXG_E_DICTIONARY_MISMATCH = -6197;
constexpr int32_t KXG_E_NO_SCHEMA_FOUND = -6198;
// A statement text that would grow past the product's limit (no text of its own in the table).
constexpr int32_t KXG_E_STATEMENT_TOO_LONG = -6201;
constexpr int32_t KXG_E_CANNOT_READ_INDEX_TABLE = -6202;   // versioning: KELVOX_INDEXES cannot be read
constexpr int32_t KXG_E_INVALID_SQL_STATEMENT = -6220;
// The schema mapper's warning about an array member mapped with one element.
constexpr int32_t KXG_W_ARRAY_REDUCED = 6155;

// ---- Further schema mapper codes ----
constexpr int32_t KXG_E_DATABASE_EXISTS = -2035;        // CreateDBDirect: the gateway schema exists already
constexpr int32_t KXG_E_SCHEMA_EXISTS = -6155;          // create: a gateway schema exists in the database
constexpr int32_t KXG_E_INVALID_COMMAND = -6165;        // a second command letter
constexpr int32_t KXG_E_INVALID_COMMAND_OPTION = -6166; // -r with -x; version or convert without connection
constexpr int32_t KXG_E_NOT_SCHEMA_OWNER = -6167;       // the log-in user does not own the schema
constexpr int32_t KXG_E_DUPLICATE_MEMBER_OLD_SCHEMA = -6194;
constexpr int32_t KXG_E_DUPLICATE_EMBEDDED_MEMBER = -6193;
// (-6192, -6199 and -6200 are named beside the schema map and the member maps.)
// Mapper status "no error, nothing to report" (reported without text or count).
constexpr int32_t KXG_E_MAPPER_SILENT = -1;
// An inverse set whose element class has no member map for the inverse member.
constexpr int32_t KXG_E_NO_INVERSE_MEMBER_MAP = -6092;

// ---- Warnings of unit-of-work requests ----
constexpr int32_t KXG_W_NO_ROW_AFFECTED = 2017;         // a delete affected fewer rows than it was given
// Queries: an operator a pattern or NULL test cannot take; the kernel query cannot be walked; a
// constant that cannot be made into a value.
constexpr int32_t KXG_E_QUERY_OPERATOR = -2002;
constexpr int32_t KXG_E_QUERY_ACCESS = -2104;
constexpr int32_t KXG_E_QUERY_VALUE = -6070;

// ---- Kernel codes of the object storer and object deletion ----
constexpr int32_t KXG_E_NULL_OBJECT = -2002;            // an alias or object was not given
constexpr int32_t KXG_E_NO_ELEMENT = -2005;             // no further element in a set
constexpr int32_t KXG_E_DELETE_LIST = -2016;            // a reference could not join the delete list
constexpr int32_t KXG_E_FOREIGN_REFERENCE = -2201;      // a reference into another base is not allowed
