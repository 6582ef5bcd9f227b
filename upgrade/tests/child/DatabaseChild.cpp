// Builds the set of application databases from the registry and kelvox.cfg of an installation and
// opens and closes both on the worker thread, as the upgrader does in a process of its own:
//   schemalift_database_child <engine server name> <engine server folder>
// The main database lives on that engine server (the gateway, Oracle adapter), "base" in the
// kernel's own storage. Each outcome is printed as one line "= <what>"; the progress lines go to
// the console too.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ChildSupport.h"
#include "KxBase.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "sqlengine.h"

namespace {

using child_support::Report;
using child_support::Utf8;
using Owner = child_support::ConsoleOwner;

int32_t Starts() { return KxBase::KELVOX()->GetInitCount(); }

// Runs the step; reports "<what>: ok" or "<what>: <code> <message>", and the kernel's start count.
template <typename Step>
void Try(const std::string& what, Step step) {
    try {
        step();
        Report(what + ": ok, starts " + std::to_string(Starts()));
    } catch (const XKxException& error) {
        Report(what + ": " + std::to_string(error.GetCode()) + " " + Utf8(error.GetMessage()) + ", starts " +
               std::to_string(Starts()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    // An 8-bit server whose client converts: the adapter's character-set query at every log-in
    // fetches a value cut short (ORA-01406), which the adapter forgives.
    sqlengine::Error err;
    auto server = sqlengine::Engine::Instance().RegisterServer(argv[1], argv[2], &err);
    if (!server) return 3;
    server->SetCharacterSet("WE8ISO8859P1");
    server->SetClientConverts(true);

    XApplicationDatabases set;
    Owner owner;
    set.CreateDatabases(&owner);
    XKxDatabase* main = set.FindDatabase(u"database");
    XKxDatabase* base = set.FindDatabase(u"base");
    if (main == nullptr || base == nullptr) return 4;
    Report("states " + std::to_string(main->GetState()) + " " + std::to_string(base->GetState()) +
           (main->IsExplicitLogin() ? " oracle" : " kelvox") + (base->IsExplicitLogin() ? " oracle" : " kelvox"));

    const CString right = main->GetPassword();
    main->SetPassword(u"wrong");
    Try("wrong password", [&] { main->Open(true); });
    main->SetPassword(right);
    Try("right password", [&] { main->Open(true); });
    Report(std::string("open ") + (main->IsOpen() ? "yes" : "no"));
    Try("close", [&] { main->Close(true); });

    KxHookFailNext("GetBase", -4801);
    Try("failed open", [&] { main->Open(true); });
    main->Open(true);
    KxHookFailNext("UngetBase", -4802);
    Try("failed close", [&] { main->Close(true); });
    KxHookFailNext("Connect", -4803);
    Try("failed connect", [&] { main->Connect(); });
    Try("connect", [&] {
        main->Connect();
        main->DisConnect();
    });

    Try("base open", [&] { base->Open(true); });
    Try("base close", [&] { base->Close(true); });
    std::printf("\n");
    return 0;
}
