// Status texts of the relational object gateway.
#include "KxGErrorText.h"

namespace {

struct ErrorText {
    int32_t code;
    const char* text;
};

// The texts are kept exactly as the system has always reported them.
const ErrorText kErrorTexts[] = {
    {6093, "[ROGW][SM]size of blob container to small"},
    {-6093, "[ROGW][SM]size of blob container to small"},
    {6150, "[ROGW][Relgen]incorrect option"},
    {6151, "[ROGW][Relgen]new inique index"},
    {-5004, "[ROGW]runtime system is not compatible"},
    {-6000, "[ROGW]not implemented"},
    {-6001, "[ROGW]RDBMS error (use trace utility)"},
    {-6002, "[ROGW]no schema"},
    {-6003, "[ROGW]invalid schema objects found"},
    {-6004, "[ROGW]cannot create database"},
    {-6005, "[ROGW]cannot open database"},
    {-6006, "[ROGW]the database was created with an older version of the Relational Object Gateway, please convert using Relgen -n"},
    {-6007, "[ROGW]application does not use the newest class versions"},
    {-6008, "[ROGW]can't read Tessaform tables (check that the schema exists and is accessible by the current user"},
    {-6009, "[ROGW]the version of the Relational Object Gateway is too old, please use newer version"},
    {-6010, "[ROGW]can't find class map in catalog"},
    {-6011, "[ROGW]can't find column map in catalog"},
    {-6015, "[ROGW]startup parameter key is invalid"},
    {-6016, "[ROGW]startup parameter value is invalid"},
    {-6017, "[ROGW]startup command failed"},
    {-6030, "[ROGW][CA]no object not registered with object manager"},
    {-6031, "[ROGW][CA]could not fetch surrogates"},
    {-6032, "[ROGW][CA]invalid cursor position"},
    {-6033, "[ROGW][CA]invalid parameter"},
    {-6034, "[ROGW][CA]query tree does not exist"},
    {-6035, "[ROGW][CA]could not create new connection"},
    {-6036, "[ROGW][CA]transaction context does not exist"},
    {-6037, "[ROGW][CA]transaction manager does not exist"},
    {-6038, "[ROGW][CA]resource manager does not exist"},
    {-6050, "[ROGW][ONH]error in delete service"},
    {-6051, "[ROGW][ONH]error in store service"},
    {-6052, "[ROGW][ONH]error in read service while reading reference"},
    {-6053, "[ROGW][ONH]error in read service while reading reference set"},
    {-6060, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {-6061, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {-6063, "[ROGW][OS]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {-6062, "[ROGW][OS]error while binding SQL query"},
    {-6064, "[ROGW][OS]invalid seek mode"},
    {-6065, "[ROGW][OS]class does not exist"},
    {-6066, "[ROGW][OS]member does not exist"},
    {-6067, "[ROGW][OS]member map does not exist"},
    {-6068, "[ROGW][OS]table does not exist"},
    {-6069, "[ROGW][OS]extent template does not exist"},
    {-6071, "[ROGW][OS]object is not found for update"},
    {-6072, "[ROGW][OS]object cannot be read consistently (error 01555 for ORACLE)"},
    {-6079, "[ROGW][SM]store in blob container is not supported"},
    {-6080, "[ROGW][SM]class map does already exist"},
    {-6081, "[ROGW][SM]class map does not exist"},
    {-6082, "[ROGW][SM]error while executing SQL query (use Tracing Facility for detailed error description)"},
    {-6083, "[ROGW][SM]error while fetching from SQL query (use Tracing Facility for detailed error description)"},
    {-6084, "[ROGW][SM]index member does not exist"},
    {-6085, "[ROGW][SM]invalid mapping option"},
    {-6086, "[ROGW][SM]class does not exist"},
    {-6087, "[ROGW][SM]can't create class"},
    {-6088, "[ROGW][SM]store handler does not exist"},
    {-6089, "[ROGW][SM]can't find table name"},
    {-6090, "[ROGW][SM]can't find column name"},
    {-6091, "[ROGW][SM]template does not exist"},
    {-6094, "[ROGW][SM]blob buffer size exceeded"},
    {-6095, "[ROGW][SMH]statement handle does not exist"},
    {-6096, "[ROGW][SMH]maximum size of parameter array exceeded"},
    {-6098, "[ROGW][SM]member type is not supported"},
    {-6100, "[ROGW][TXN]begin statement batch failed"},
    {-6101, "[ROGW][TXN]end statement batch failed"},
    {-6102, "[ROGW][TXN]transaction was rolled back"},
    {-6150, "[ROGW][RGN]not implemented"},
    {-6151, "[ROGW][RGN]fatal error"},
    {-6152, "[ROGW][RGN]no schema created"},
    {-6153, "[ROGW][RGN]storage type not supported"},
    {-6154, "[ROGW][RGN]login cancelled"},
    {-6160, "[ROGW][RGN]no server name specified"},
    {-6161, "[ROGW][RGN]no database name specified"},
    {-6162, "[ROGW][RGN]no dictionary name specified"},
    {-6163, "[ROGW][RGN]no user specified"},
    {-6164, "[ROGW][RGN]no password specified"},
    {-6170, "[ROGW][RGN]no mapping option file specified"},
    {-6171, "[ROGW][RGN]can't read mapping option file"},
    {-6172, "[ROGW][RGN]incorrect mapping option"},
    {-6180, "[ROGW][RGN]can't connect to dictionary"},
    {-6181, "[ROGW][RGN]can't open dictionary"},
    {-6182, "[ROGW][RGN]can't load classes from dictionary"},
    {-6183, "[ROGW][RGN]can't open database"},
    {-6184, "[ROGW][RGN]can't execute statement"},
    {-6185, "[ROGW][RGN]can't open log file"},
    {-6186, "[ROGW][RGN]can't open script file"},
    {-6190, "[ROGW][RGN]reserved key word used"},
    {-6191, "[ROGW][RGN]invalid database name"},
    {-6195, "[ROGW][RGN]can't read class version from schema (check Tessaform tables)"},
    {-6196, "[ROGW][RGN]wrong dictionary version"},
    {-6197, "[ROGW][RGN]dictionary mismatch"},
    {-6198, "[ROGW][RGN]no schema found"},
    {-6220, "[ROGW][RGN]Invalid SQL statement"},
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
