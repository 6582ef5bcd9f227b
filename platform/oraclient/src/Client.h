// The script runner of the Oracle command-line client: SQL*Plus commands, SQL statements and PL/SQL
// blocks read line by line, run on one OCI session, with the client's feedback written to standard
// output and to the spool file.
#pragma once

#include <cstdio>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "oci.h"

namespace oraclient {

// An open OCI session: environment, error, server, service context and user session.
struct Session {
    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCIServer* srv = nullptr;
    OCISvcCtx* svc = nullptr;
    OCISession* ses = nullptr;
    bool attached = false;
    bool begun = false;

    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Logs on to the service (empty: the default server). False with the server's error text.
    bool LogOn(const std::string& user, const std::string& password, const std::string& service, std::string& error);
    // The error of the last failing call: "ORA-nnnnn: text".
    std::string ErrorText() const;
};

class Client {
public:
    explicit Client(Session& session) : session_(session) {}
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Runs a script file as "@name args" does from the working directory (relativeTo empty) or as
    // "@@name" does from the calling script's directory.
    void RunScript(const std::string& name, const std::vector<std::string>& args, const std::string& relativeTo);
    // Runs the lines of a stream (standard input); scriptDir is where "@@" looks.
    void RunLines(std::istream& in, const std::string& scriptDir);

    // After EXIT: true, with the code the client ends with.
    bool Exited() const { return exited_; }
    int ExitCode() const { return exitCode_; }
    // Ends the run as the end of input does: commits and closes the spool.
    void Finish();

private:
    enum class Mode { None, Sql, Plsql };

    void Line(const std::string& raw, const std::string& scriptDir);
    bool Command(const std::string& line, const std::string& scriptDir);
    void Execute();
    void RunBuffer();
    void Query(OCIStmt* stmt);
    void Set(const std::vector<std::string>& words);
    void Spool(const std::vector<std::string>& words);
    void Exit(const std::vector<std::string>& words);
    std::string Substitute(const std::string& line, bool& changed) const;
    void Out(const std::string& line);

    Session& session_;
    std::map<std::string, std::string> defines_;
    Mode mode_ = Mode::None;
    std::vector<std::string> buffer_;      // the SQL buffer (lines as substituted)
    std::vector<std::string> original_;    // the same lines before substitution
    bool bufferPlsql_ = false;
    bool inComment_ = false;
    std::FILE* spool_ = nullptr;
    bool feedback_ = true;
    int feedbackRows_ = 6;
    bool verify_ = true;
    char define_ = '&';
    bool exited_ = false;
    int exitCode_ = 0;
    int depth_ = 0;
};

}  // namespace oraclient
