// XKxFunctionStarter: runs the upgrade functions of a step function, each under its step logger and
// with a timing entry of its own below the caller's statistics node. UpdateDatabaseObjects is the
// step function this library exports.
#pragma once

#include "afxstr.h"

class XKxDatabase;
class XKxStatistic;

// An upgrade function: true for success.
using XKxUpgradeFunction = bool (*)(XKxDatabase* database);

class XKxFunctionStarter {
public:
    // XKxException "There is no database to start a function on!" when the database is null.
    XKxFunctionStarter(XKxDatabase* database, XKxStatistic* statistics);
    ~XKxFunctionStarter();
    XKxFunctionStarter(const XKxFunctionStarter&) = delete;
    XKxFunctionStarter& operator=(const XKxFunctionStarter&) = delete;

    // Runs the function unless its step logger says it is disabled or done: a timing entry named
    // stepName, with `announce` the line "- <stepName>...", the database's success flag cleared when
    // it returns false, and its outcome recorded. Exceptions of the function pass on.
    void Start(XKxUpgradeFunction function, const CString& stepName, bool announce);

    XKxDatabase* GetDatabase() const { return database; }
    XKxStatistic* GetStatistics() const { return statistics; }

private:
    XKxDatabase* database;
    XKxStatistic* statistics;
};

// The step function of this library, exported under its plain name: makes the database's progress
// output the process's progress holder (left as it is for a null database) and builds a starter;
// it converts nothing.
extern "C" __attribute__((visibility("default"))) void UpdateDatabaseObjects(XKxDatabase* database,
                                                                            XKxStatistic* statistics);
