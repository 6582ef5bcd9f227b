// Reading Oracle error records from an OCI error handle.
#include "KxGOraErrorRecord.h"

#include <cstring>

#include "oci.h"

bool KxGOraReadErrorRecord(OCIError* errorHandle, int32_t& code, char* text, uint32_t size)
{
    code = 0;
    if (text == nullptr || size == 0) {
        return false;
    }
    std::memset(text, 0, size);
    if (errorHandle == nullptr) {
        return false;
    }
    sb4 number = 0;
    // bufsiz counts the terminator: a buffer of size bytes holds size - 1 characters.
    const sword status = OCIErrorGet(errorHandle, 1, nullptr, &number, reinterpret_cast<OraText*>(text), size,
                                     OCI_HTYPE_ERROR);
    text[size - 1] = '\0';
    if (status != OCI_SUCCESS) {
        text[0] = '\0';
        return false;
    }
    code = number;
    return true;
}
