// Helpers of the database object's own files: trace records and the small queries that the
// connection runs through the gateway's statement classes on its own connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxString.h"

class KxGDatabase;

namespace kxgora {

// Writes one record into an active tag (nothing when the tag is inactive).
void Record(const KxTraceTag& tag, const KxString& text);

// How a query of one row ended.
enum class FetchResult {
    Failed,       // the query could not be executed or its result not bound (reported)
    FetchFailed,  // the fetch failed (reported)
    NoRow,        // the fetch brought no row
    Row           // one row was fetched
};

// A query with one integer result column (kernel type code 6), fetched one row at a time; value is
// set for FetchResult::Row (0 for NULL).
FetchResult SelectInteger(KxGDatabase& database, const KxString& text, int32_t& value);

// A query with one character column fetched into a buffer of `size` bytes through the character
// handler of the storage kind CHAR; bytes receives what arrived for the first row (at most size
// bytes; a longer value arrives cut, which is not an error).
FetchResult SelectCharacters(KxGDatabase& database, const KxString& text, int32_t size, std::string& bytes);

// A query with one 64-bit integer column (kernel type code 26), fetched in arrays of 100 rows until a
// fetch brings fewer. False when the query could not be executed, bound or fetched (reported).
bool SelectInt64Column(KxGDatabase& database, const KxString& text, std::vector<int64_t>& values);

// Executes a statement that is not a query once for each value, bound as parameter 1 (kernel type
// code 26), in arrays of at most 32767 rows (one execution when there are fewer). False when a bind
// or an execution failed (reported).
bool ExecuteInt64Array(KxGDatabase& database, const KxString& text, const std::vector<int64_t>& values);

// Executes a statement that is not a query with one text bound as parameter 1 (kernel type code 11).
uint16_t ExecuteWithText(KxGDatabase& database, const KxString& text, const KxString& parameter);

}  // namespace kxgora
