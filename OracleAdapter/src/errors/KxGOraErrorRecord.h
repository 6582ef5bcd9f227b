// Reading Oracle error records from an OCI error handle: the only place where the error object
// speaks to OCI.
#pragma once

#include <cstdint>

struct OCIError;

// Reads record 1 of the error handle: its Oracle error number into code and its message, cut to
// size - 1 characters and NUL-terminated, into text (size at least 1). Answers false (text empty)
// when the handle is null or holds no record.
bool KxGOraReadErrorRecord(OCIError* errorHandle, int32_t& code, char* text, uint32_t size);
