// A site for tables of cases that run on both storages: a folder with a dictionary, a configuration
// naming a database of the kernel's own storage (kxnative) and a gateway database made by relgen on
// the embedded engine (Oracle adapter). The kernel is not left started.
#pragma once

#include <string>

#include "KxString.h"

struct CaseSite {
    std::string folder;
    std::string config;   // the configuration file
};

// A storage the cases run on: its name in test names, the configured server and the database.
struct CaseStorage {
    const char* name;
    const char* server;
    const char* database;
};

// The names a site is made with: the dictionary (name and declaration text), the engine server and
// the schema's owner with its password, and the database name of the native storage.
struct CaseSiteSpec {
    const char* dictionary;
    const char* declarations;
    const char* engineServer;
    const char* user;
    const char* password;
    const char* nativeDatabase;
};

// The site of a spec, made once per process: the folder, the configuration ("NATIVE" the kernel's own
// storage, "GATEWAY" the Oracle brand on the engine server), the native database made by the kernel's
// create call, and the gateway schema made by `relgen -c ... -r`. Failures are reported as test failures.
const CaseSite& PrepareCaseSite(const CaseSiteSpec& spec, const char* relgen);

// The log-in callback for the gateway: the spec's user and password.
void SetCaseLogIn(const CaseSiteSpec& spec);
