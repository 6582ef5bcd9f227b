#include "Client.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>

#include "standin_support.h"

namespace oraclient {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    const size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}

std::string TrimRight(const std::string& text) {
    const size_t e = text.find_last_not_of(" \t\r\n");
    return e == std::string::npos ? std::string() : text.substr(0, e + 1);
}

// The words of a line, separated by blanks; a word in double quotes keeps its blanks.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        std::string word;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            word = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

// A command word matches a SQL*Plus command when it is the command or an abbreviation of it at
// least `least` characters long.
bool IsCommand(const std::string& word, const char* command, size_t least) {
    const std::string w = Upper(word);
    return w.size() >= least && w.size() <= std::strlen(command) && std::strncmp(command, w.c_str(), w.size()) == 0;
}

// The statement's leading words, upper-cased, without OR REPLACE.
std::vector<std::string> LeadingWords(const std::string& text, size_t count) {
    std::vector<std::string> words;
    size_t i = 0;
    while (words.size() < count + 2 && i < text.size()) {
        while (i < text.size() && !std::isalpha(static_cast<unsigned char>(text[i]))) {
            if (text[i] == '(' || text[i] == '\'' || text[i] == '"') return words;
            ++i;
        }
        std::string w;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) w += text[i++];
        if (!w.empty()) words.push_back(Upper(w));
    }
    if (words.size() >= 3 && words[0] == "CREATE" && words[1] == "OR" && words[2] == "REPLACE")
        words.erase(words.begin() + 1, words.begin() + 3);
    return words;
}

bool StartsPlsql(const std::string& line) {
    const std::vector<std::string> w = LeadingWords(line, 3);
    if (w.empty()) return false;
    if (w[0] == "DECLARE" || w[0] == "BEGIN") return true;
    if (w[0] != "CREATE" || w.size() < 2) return false;
    static const char* const kinds[] = {"TRIGGER", "PACKAGE", "PROCEDURE", "FUNCTION", "TYPE", "LIBRARY"};
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const char* k) { return w[1] == k; });
}

// The object word of DDL feedback ("Table", "Package body").
std::string ObjectWord(const std::vector<std::string>& w) {
    size_t at = 1;
    while (at < w.size() && (w[at] == "UNIQUE" || w[at] == "BITMAP" || w[at] == "GLOBAL" || w[at] == "TEMPORARY" ||
                             w[at] == "PUBLIC"))
        ++at;
    if (at >= w.size()) return std::string();
    std::string word = w[at];
    if (word == "PACKAGE" && at + 1 < w.size() && w[at + 1] == "BODY") word = "PACKAGE BODY";
    if (word == "TYPE" && at + 1 < w.size() && w[at + 1] == "BODY") word = "TYPE BODY";
    std::string text = word.substr(0, 1);
    for (size_t i = 1; i < word.size(); ++i) text += static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    return text;
}

std::string Rows(ub4 count, const char* verb) {
    return std::to_string(count) + (count == 1 ? " row " : " rows ") + verb + ".";
}

// The feedback of a statement that ran.
std::string Feedback(const std::string& text, ub4 rows) {
    const std::vector<std::string> w = LeadingWords(text, 3);
    if (w.empty()) return std::string();
    const std::string& first = w[0];
    if (first == "INSERT") return Rows(rows, "created");
    if (first == "UPDATE") return Rows(rows, "updated");
    if (first == "DELETE") return Rows(rows, "deleted");
    if (first == "MERGE") return Rows(rows, "merged");
    if (first == "COMMIT") return "Commit complete.";
    if (first == "ROLLBACK") return "Rollback complete.";
    if (first == "SAVEPOINT") return "Savepoint created.";
    if (first == "GRANT") return "Grant succeeded.";
    if (first == "REVOKE") return "Revoke succeeded.";
    if (first == "BEGIN" || first == "DECLARE") return "PL/SQL procedure successfully completed.";
    if (first == "TRUNCATE") return "Table truncated.";
    if (first == "CREATE" || first == "ALTER" || first == "DROP") {
        const std::string object = ObjectWord(w);
        if (object.empty()) return std::string();
        return object + (first == "CREATE" ? " created." : first == "ALTER" ? " altered." : " dropped.");
    }
    return std::string();
}

}  // namespace

// ---- session --------------------------------------------------------------------------------------

Session::~Session() {
    if (begun) OCISessionEnd(svc, err, ses, OCI_DEFAULT);
    if (attached) OCIServerDetach(srv, err, OCI_DEFAULT);
    if (ses) OCIHandleFree(ses, OCI_HTYPE_SESSION);
    if (svc) OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    if (srv) OCIHandleFree(srv, OCI_HTYPE_SERVER);
    if (err) OCIHandleFree(err, OCI_HTYPE_ERROR);
    if (env) OCIHandleFree(env, OCI_HTYPE_ENV);
}

bool Session::LogOn(const std::string& user, const std::string& password, const std::string& service,
                    std::string& error) {
    if (OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&srv), OCI_HTYPE_SERVER, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<dvoid**>(&ses), OCI_HTYPE_SESSION, 0, nullptr) != OCI_SUCCESS) {
        error = "ORA-12154: TNS:could not resolve the connect identifier specified";
        return false;
    }
    if (OCIServerAttach(srv, err, reinterpret_cast<const OraText*>(service.c_str()), static_cast<sb4>(service.size()),
                        OCI_DEFAULT) != OCI_SUCCESS) {
        error = ErrorText();
        return false;
    }
    attached = true;
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()), static_cast<ub4>(user.size()), OCI_ATTR_USERNAME,
               err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()), static_cast<ub4>(password.size()),
               OCI_ATTR_PASSWORD, err);
    if (OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS) {
        error = ErrorText();
        return false;
    }
    begun = true;
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
    return true;
}

std::string Session::ErrorText() const {
    OraText text[2048] = {0};
    sb4 code = 0;
    if (OCIErrorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR) != OCI_SUCCESS) return std::string();
    return TrimRight(reinterpret_cast<const char*>(text));
}

// ---- client -----------------------------------------------------------------------------------------

Client::~Client() {
    if (spool_) std::fclose(spool_);
}

void Client::Out(const std::string& line) {
    std::cout << line << '\n';
    if (spool_) {
        std::fputs(line.c_str(), spool_);
        std::fputc('\n', spool_);
    }
}

void Client::Finish() {
    OCITransCommit(session_.svc, session_.err, OCI_DEFAULT);
    if (spool_) {
        std::fclose(spool_);
        spool_ = nullptr;
    }
    std::cout.flush();
}

void Client::RunScript(const std::string& name, const std::vector<std::string>& args, const std::string& relativeTo) {
    std::string path = name;
    // A name without extension is a .sql file (the client's SUFFIX).
    const size_t slash = path.find_last_of("/\\");
    if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) path += ".sql";
    if (!relativeTo.empty() && !path.empty() && path[0] != '/' && path[0] != '\\' &&
        !(path.size() > 1 && path[1] == ':'))
        path = relativeTo + "/" + path;
    path = standin::LocalPath(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Out("SP2-0310: unable to open file \"" + path + "\"");
        return;
    }
    for (size_t i = 0; i < args.size(); ++i) defines_[std::to_string(i + 1)] = args[i];
    const size_t cut = path.find_last_of('/');
    const std::string dir = cut == std::string::npos ? std::string(".") : cut == 0 ? std::string("/") : path.substr(0, cut);
    if (depth_ >= 20) {
        Out("SP2-0309: SQL*Plus command procedures may only be nested to a depth of 20.");
        return;
    }
    ++depth_;
    RunLines(in, dir);
    --depth_;
}

void Client::RunLines(std::istream& in, const std::string& scriptDir) {
    std::string raw;
    while (!exited_ && std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        Line(raw, scriptDir);
    }
    // A script ends its open statement without running it (the SQL buffer keeps it); a comment
    // does not reach into the caller.
    if (mode_ != Mode::None) mode_ = Mode::None;
    inComment_ = false;
}

std::string Client::Substitute(const std::string& line, bool& changed) const {
    changed = false;
    if (define_ == 0 || line.find(define_) == std::string::npos) return line;
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] != define_) {
            out += line[i++];
            continue;
        }
        size_t j = i + 1;
        if (j < line.size() && line[j] == define_) ++j;
        size_t k = j;
        while (k < line.size() && (std::isalnum(static_cast<unsigned char>(line[k])) || line[k] == '_' || line[k] == '$' ||
                                   line[k] == '#'))
            ++k;
        auto found = k > j ? defines_.find(Upper(line.substr(j, k - j))) : defines_.end();
        if (found == defines_.end()) {
            // An undefined variable stays as written (there is nobody to ask for its value).
            out += line.substr(i, k - i);
            i = k;
            continue;
        }
        out += found->second;
        if (k < line.size() && line[k] == '.') ++k;   // the concatenation character ends the name
        i = k;
        changed = true;
    }
    return out;
}

void Client::Line(const std::string& raw, const std::string& scriptDir) {
    if (inComment_) {
        if (raw.find("*/") != std::string::npos) inComment_ = false;
        return;
    }
    const std::string trimmed = Trim(raw);
    if (mode_ == Mode::None) {
        if (trimmed.empty() || trimmed == ";" || trimmed.compare(0, 2, "--") == 0) return;
        if (trimmed.compare(0, 2, "/*") == 0) {
            inComment_ = trimmed.find("*/", 2) == std::string::npos;
            return;
        }
        const std::vector<std::string> first = Words(trimmed);
        if (IsCommand(first[0], "REMARK", 3)) return;
        bool changed = false;
        const std::string line = Substitute(raw, changed);
        const std::string command = Trim(line);
        if (command.empty()) return;   // a line of nothing but an empty substitution
        if (Command(command, scriptDir)) return;
        mode_ = StartsPlsql(line) ? Mode::Plsql : Mode::Sql;
        bufferPlsql_ = mode_ == Mode::Plsql;
        buffer_.clear();
        original_.clear();
    }
    bool changed = false;
    const std::string line = Substitute(raw, changed);
    const std::string t = Trim(line);
    if (t == "/") {
        Execute();
        return;
    }
    if (t == ".") {
        mode_ = Mode::None;
        return;
    }
    if (mode_ == Mode::Sql) {
        if (t.empty()) {   // a blank line ends the statement without running it
            mode_ = Mode::None;
            return;
        }
        if (t.compare(0, 2, "--") == 0 && !buffer_.empty()) return;
        const std::string right = TrimRight(line);
        if (!right.empty() && right.back() == ';') {
            buffer_.push_back(right.substr(0, right.size() - 1));
            original_.push_back(TrimRight(raw).substr(0, TrimRight(raw).size() - 1));
            Execute();
            return;
        }
    }
    buffer_.push_back(TrimRight(line));
    original_.push_back(TrimRight(raw));
}

bool Client::Command(const std::string& line, const std::string& scriptDir) {
    if (line == "/") {
        RunBuffer();
        return true;
    }
    if (line[0] == '@') {
        const bool relative = line.size() > 1 && line[1] == '@';
        std::vector<std::string> words = Words(line.substr(relative ? 2 : 1));
        if (words.empty()) return true;
        const std::string name = words[0];
        words.erase(words.begin());
        RunScript(name, words, relative ? scriptDir : std::string());
        return true;
    }
    // A command may end with ";" (EXIT; SPOOL OFF;): the client takes it off, but for PROMPT's text.
    const std::vector<std::string> words = Words(line.back() == ';' ? line.substr(0, line.size() - 1) : line);
    if (words.empty()) return false;
    const std::string& w = words[0];
    if (IsCommand(Words(line)[0], "PROMPT", 3)) {
        const size_t at = line.find_first_of(" \t");
        Out(at == std::string::npos ? std::string() : Trim(line.substr(at)));
        return true;
    }
    if (IsCommand(w, "SET", 3) && Upper(w) == "SET") {
        Set(words);
        return true;
    }
    if (IsCommand(w, "SPOOL", 3)) {
        Spool(words);
        return true;
    }
    if (Upper(w) == "EXIT" || Upper(w) == "QUIT") {
        Exit(words);
        return true;
    }
    if (IsCommand(w, "START", 3) && words.size() > 1) {
        std::vector<std::string> args(words.begin() + 2, words.end());
        RunScript(words[1], args, std::string());
        return true;
    }
    return false;
}

void Client::Set(const std::vector<std::string>& words) {
    for (size_t i = 1; i + 1 < words.size(); i += 2) {
        const std::string option = Upper(words[i]);
        const std::string value = Upper(words[i + 1]);
        if (IsCommand(option, "FEEDBACK", 4)) {
            if (value == "OFF") feedback_ = false;
            else if (value == "ON") feedback_ = true, feedbackRows_ = 1;
            else if (!value.empty() && std::isdigit(static_cast<unsigned char>(value[0])))
                feedback_ = std::stoi(value) != 0, feedbackRows_ = std::max(1, std::stoi(value));
        } else if (IsCommand(option, "DEFINE", 3)) {
            if (value == "OFF") define_ = 0;
            else if (value == "ON") define_ = '&';
            else if (words[i + 1].size() == 1) define_ = words[i + 1][0];
        } else if (IsCommand(option, "VERIFY", 3)) {
            verify_ = value != "OFF";
        }
        // Every other option (ECHO, TERMOUT, PAGESIZE, LINESIZE, SERVEROUTPUT ...) is taken and has
        // no effect on what is written.
    }
}

void Client::Spool(const std::vector<std::string>& words) {
    if (words.size() < 2) return;
    const std::string target = Upper(words[1]);
    if (spool_) {
        std::fclose(spool_);
        spool_ = nullptr;
    }
    if (target == "OFF" || target == "OUT") return;
    std::string name = words[1];
    const size_t slash = name.find_last_of("/\\");
    if (name.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) name += ".lst";
    const bool append = words.size() > 2 && Upper(words[2]) == "APPEND";
    spool_ = std::fopen(standin::LocalPath(name).c_str(), append ? "ab" : "wb");
    if (!spool_) Out("SP2-0606: Cannot create SPOOL file \"" + name + "\"");
}

void Client::Exit(const std::vector<std::string>& words) {
    exitCode_ = 0;
    bool commit = true;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string w = Upper(words[i]);
        if (w == "SUCCESS") exitCode_ = 0;
        else if (w == "FAILURE") exitCode_ = 1;
        else if (w == "WARNING") exitCode_ = 2;
        else if (w == "ROLLBACK") commit = false;
        else if (w == "COMMIT") commit = true;
        else if (!w.empty() && std::all_of(w.begin(), w.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            exitCode_ = std::stoi(w.substr(0, 9)) & 0xff;
    }
    if (!commit) OCITransRollback(session_.svc, session_.err, OCI_DEFAULT);
    Finish();
    exited_ = true;
}

void Client::Execute() {
    mode_ = Mode::None;
    RunBuffer();
}

void Client::RunBuffer() {
    if (buffer_.empty()) return;
    std::string text;
    for (size_t i = 0; i < buffer_.size(); ++i) text += (i ? "\n" : "") + buffer_[i];
    if (verify_) {
        for (size_t i = 0; i < buffer_.size(); ++i) {
            if (buffer_[i] == original_[i]) continue;
            char number[24];
            std::snprintf(number, sizeof number, "%4zu", i + 1);
            Out(std::string("old") + number + ": " + original_[i]);
            Out(std::string("new") + number + ": " + buffer_[i]);
        }
    }
    OCIStmt* stmt = nullptr;
    if (OCIHandleAlloc(session_.env, reinterpret_cast<dvoid**>(&stmt), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS) return;
    OCIStmtPrepare(stmt, session_.err, reinterpret_cast<const OraText*>(text.c_str()), static_cast<ub4>(text.size()),
                   OCI_NTV_SYNTAX, OCI_DEFAULT);
    ub2 type = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, session_.err);
    const bool query = type == OCI_STMT_SELECT;
    const sword status = OCIStmtExecute(session_.svc, stmt, session_.err, query ? 0 : 1, 0, nullptr, nullptr, OCI_DEFAULT);
    if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) {
        if (query) {
            Query(stmt);
        } else if (status == OCI_SUCCESS_WITH_INFO && !bufferPlsql_) {
            Out("");
            Out(session_.ErrorText());
            Out("");
        } else if (status == OCI_SUCCESS_WITH_INFO) {
            // A PL/SQL unit kept with compilation errors.
            Out("");
            Out("Warning: " + ObjectWord(LeadingWords(text, 3)) + " created with compilation errors.");
            Out("");
        } else if (feedback_) {
            ub4 rows = 0;
            OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, session_.err);
            const std::string line = Feedback(text, rows);
            if (!line.empty()) {
                Out("");
                Out(line);
                Out("");
            }
        }
    } else {
        Out("ERROR at line 1:");
        Out(session_.ErrorText());
        Out("");
    }
    OCIHandleFree(stmt, OCI_HTYPE_STMT);
}

// The rows of a query: a heading of the column names, a line of dashes under each, then the rows,
// texts left-aligned and numbers right-aligned, each column as wide as its type or its name.
void Client::Query(OCIStmt* stmt) {
    ub4 count = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, session_.err);
    struct Column {
        std::string name;
        bool number = false;
        size_t width = 0;
        std::vector<char> data = std::vector<char>(4001);
        sb2 indicator = 0;
    };
    std::vector<Column> columns(count);
    for (ub4 i = 0; i < count; ++i) {
        OCIParam* param = nullptr;
        if (OCIParamGet(stmt, OCI_HTYPE_STMT, session_.err, reinterpret_cast<dvoid**>(&param), i + 1) != OCI_SUCCESS) continue;
        OraText* name = nullptr;
        ub4 nameLength = 0;
        ub2 dataType = 0, size = 0;
        OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, session_.err);
        OCIAttrGet(param, OCI_DTYPE_PARAM, &dataType, nullptr, OCI_ATTR_DATA_TYPE, session_.err);
        OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, session_.err);
        Column& c = columns[i];
        if (name) c.name.assign(reinterpret_cast<const char*>(name), nameLength);
        c.number = dataType == 2 /* NUMBER */ || dataType == SQLT_INT || dataType == SQLT_FLT || dataType == SQLT_VNU;
        c.width = std::max<size_t>(c.name.size(), c.number ? 10 : dataType == SQLT_DAT ? 9 : size);
        OCIDefine* define = nullptr;
        OCIDefineByPos(stmt, &define, session_.err, i + 1, c.data.data(), static_cast<sb4>(c.data.size()), SQLT_STR,
                       &c.indicator, nullptr, nullptr, OCI_DEFAULT);
    }
    auto cell = [](const std::string& text, size_t width, bool right) {
        if (text.size() >= width) return text;
        return right ? std::string(width - text.size(), ' ') + text : text + std::string(width - text.size(), ' ');
    };
    ub4 rows = 0;
    for (;;) {
        const sword fetched = OCIStmtFetch(stmt, session_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (fetched == OCI_NO_DATA) break;
        if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO) {
            Out("ERROR:");
            Out(session_.ErrorText());
            Out("");
            return;
        }
        if (rows++ == 0) {
            std::string heading, dashes;
            for (const Column& c : columns) {
                heading += (heading.empty() ? "" : " ") + cell(c.name, c.width, c.number);
                dashes += (dashes.empty() ? "" : " ") + std::string(c.width, '-');
            }
            Out("");
            Out(TrimRight(heading));
            Out(dashes);
        }
        std::string line;
        for (size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const std::string value = c.indicator == -1 ? std::string() : std::string(c.data.data());
            line += (i ? " " : "") + cell(value, c.width, c.number);
        }
        Out(TrimRight(line));
    }
    Out("");
    if (rows == 0) {
        Out("no rows selected");
        Out("");
    } else if (feedback_ && rows >= static_cast<ub4>(feedbackRows_)) {
        Out(Rows(rows, "selected"));
        Out("");
    }
}

}  // namespace oraclient
