// What the upgrade's child programs and kernel actions leave behind for a test to read: the lines of
// the stand-ins' record file ($STANDIN_RECORD, one run a line, fields joined by tabs) and the rows of a
// native database's maintenance table.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "UpgradeTestSupport.h"

namespace upgrade_test {

// The lines of a text, each without its "\n" (a last line without one is left out).
inline std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The record file's lines.
inline std::vector<std::string> RecordLines(const std::string& file) { return TextLines(ReadAll(file)); }

// One line of the record file: the fields joined by tabs.
inline std::string Record(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : "\t") + field;
    return line;
}

// The actions of the native database file's maintenance table, in their order.
inline std::vector<std::string> MaintenanceActions(const std::string& file) {
    std::vector<std::string> actions;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT action FROM kx_maintenance ORDER BY seq", -1, &statement, nullptr) == SQLITE_OK)
            while (sqlite3_step(statement) == SQLITE_ROW)
                actions.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    } else {
        ADD_FAILURE() << "cannot open " << file;
    }
    sqlite3_close(db);
    return actions;
}

}  // namespace upgrade_test
