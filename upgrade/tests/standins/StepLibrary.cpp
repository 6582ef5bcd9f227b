// The test step library: the three step functions the upgrade looks up by their plain names.
//
//   UpdateDatabaseObjects (database, timing node)              the main database's conversion
//   UpdateIntermediatePrevious / UpdateIntermediateNext (a, b, value)
//
// Each call appends a line to $STANDIN_RECORD (the format of standin_support.h, with the function
// as program and the databases' names, and the value, as arguments). When $STEP_LIBRARY_THROW is
// "<code>:<message>", the call then throws XKxException with that code and message, so that a
// test chooses a stop (-3), a cancel (-2) or a failure.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxStatistic.h"
#include "standin_support.h"

namespace {

std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

void Record(const char* function, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), function);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    standin::RecordRun(function, static_cast<int>(argv.size()), argv.data());
    const char* fail = std::getenv("STEP_LIBRARY_THROW");
    if (fail == nullptr || *fail == '\0') return;
    const std::string text = fail;
    const size_t colon = text.find(':');
    const int32_t code = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
    throw XKxException(code, u".\\teststeps", CString(function),
                       CString(colon == std::string::npos ? "" : text.substr(colon + 1).c_str()));
}

std::string Name(XKxDatabase* database) { return database == nullptr ? std::string() : Utf8(database->GetName()); }

}  // namespace

extern "C" {

void UpdateDatabaseObjects(XKxDatabase* database, XKxStatistic*) { Record("UpdateDatabaseObjects", {Name(database)}); }

void UpdateIntermediatePrevious(XKxDatabase* database, XKxDatabase* other, int32_t value) {
    Record("UpdateIntermediatePrevious", {Name(database), Name(other), std::to_string(value)});
}

void UpdateIntermediateNext(XKxDatabase* database, XKxDatabase* other, int32_t value) {
    Record("UpdateIntermediateNext", {Name(database), Name(other), std::to_string(value)});
}

}  // extern "C"
