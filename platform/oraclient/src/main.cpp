// sqlplus: the Oracle command-line client, as far as the upgrade's scripts need it.
//
//   sqlplus [-S] [-L] user/password[@service] [@script [arguments...]]
//
// Logs on through OCI (the service is the server name OCIServerAttach resolves, the default server
// without one), runs the script from the working directory with its arguments as &1, &2 ..., or
// without a script the commands of standard input, commits and ends. Without a log-on, or with one
// the server refuses, it ends with 1 before reading any input.
#include <iostream>
#include <string>
#include <vector>

#include "Client.h"
#include "standin_support.h"

int main(int argc, char** argv) {
    standin::RecordRun("sqlplus", argc, argv);
    int at = 1;
    while (at < argc && argv[at][0] == '-') ++at;   // -S (silent: no banners are written anyway), -L
    if (at >= argc || argv[at][0] == '@') {
        std::cout << "SP2-0306: Invalid option: no logon given" << std::endl;
        return 1;
    }
    const std::string logon = argv[at++];
    const size_t slash = logon.find('/');
    if (slash == std::string::npos || slash == 0) {
        // The real client would ask for the password on the terminal; there is nobody to ask.
        std::cout << "ERROR:\nORA-01017: invalid username/password; logon denied\n" << std::endl;
        return 1;
    }
    const std::string user = logon.substr(0, slash);
    std::string password = logon.substr(slash + 1);
    std::string service;
    const size_t atSign = password.find('@');
    if (atSign != std::string::npos) {
        service = password.substr(atSign + 1);
        password.resize(atSign);
    }
    oraclient::Session session;
    std::string error;
    if (!session.LogOn(user, password, service, error)) {
        std::cout << "ERROR:\n" << error << "\n" << std::endl;
        return 1;
    }
    oraclient::Client client(session);
    if (at < argc && argv[at][0] == '@') {
        const std::string script = argv[at] + 1;
        std::vector<std::string> args(argv + at + 1, argv + argc);
        client.RunScript(script, args, std::string());
    } else {
        client.RunLines(std::cin, ".");
    }
    if (!client.Exited()) client.Finish();
    return client.ExitCode();
}
