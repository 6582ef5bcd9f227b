// liftrunner: the stand-in of the upgrader LiftRunner. It upgrades the application databases of an
// installation as the upgrader does: a headless progress window with the upgrade log "LiftRun", the
// set of application databases, a statistics root, the whole-set steps in the upgrader's order, and
// the statistics report. See README.md for the command line and the order of the steps.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxStatistic.h"
#include "XLogging.h"
#include "XProgressOutput.h"
#include "afx.h"

namespace {

int Usage() {
    std::printf("usage: liftrunner <script base directory> <step library>... <new version info>\n");
    return 1;
}

std::string Utf8(const CString& text) { return CStringA(text).GetString(); }

// The run context the set reads: the script base directory and the progress window.
class RunContext : public XApplicationDatabasesOwner {
public:
    RunContext(const CString& scriptDirectory, XProgressOutput* display)
        : scriptDirectory_(scriptDirectory), display_(display) {}
    CString GetScriptBaseDirectory() const override { return scriptDirectory_; }
    XProgressOutput* GetProgressOutput() const override { return display_; }
    int32_t GetOptionBits() const override { return 0; }

private:
    CString scriptDirectory_;
    XProgressOutput* display_;
};

// The step libraries, loaded before anything else and freed at the end.
class StepLibraries {
public:
    ~StepLibraries() {
        for (HMODULE module : modules_) FreeLibrary(module);
    }
    bool Load(const CString& path) {
        HMODULE module = LoadLibraryW(path.GetString());
        if (module == nullptr) return false;
        modules_.push_back(module);
        return true;
    }
    const std::vector<HMODULE>& Modules() const { return modules_; }

private:
    std::vector<HMODULE> modules_;
};

// The upgrader's steps over the whole set, in its order.
void Upgrade(XApplicationDatabases& set, RunContext& context, const StepLibraries& libraries,
             XKxStatistic& statistics, const CString& newVersionInfo, bool& summaryPrinted) {
    set.CreateDatabases(&context);
    set.ReadVersion();
    set.PrintSummary();
    summaryPrinted = true;
    // The server's banner comes from the Oracle client, which only an Oracle database has.
    if (XKxDatabase* main = set.GetDatabase(0); main != nullptr && main->IsExplicitLogin()) set.GetOracleServerVersion();
    set.UpgradeDatabaseStructure(&statistics);
    set.OpenDatabases(true);
    for (int32_t i = 0; i < set.GetCount(); ++i) {
        XKxDatabase* db = set.GetDatabase(i);
        if (db == nullptr) continue;
        db->ExecuteSQLUpgrade(u"execute_sql_upgrade.txt", &statistics);
        db->ExecuteBinaryUpgrade(u"execute_binary_upgrade.txt", &statistics);
        for (HMODULE module : libraries.Modules()) {
            db->ExecuteObjectUpgrade(module, &statistics);
            db->ExecuteIntermediateUpgrade(module, true, set.GetTargetVersion());
        }
    }
    set.SetNewVersionInfo(newVersionInfo);
    set.WriteVersion();
    for (int32_t i = 0; i < set.GetCount(); ++i)
        if (XKxDatabase* db = set.GetDatabase(i)) db->WriteToolRun();
    set.CloseDatabases(false);
}

// A failure as an error block that carries the set's error text; the summary when it was not
// printed yet, and the databases closed.
void ReportFailure(XApplicationDatabases& set, const XKxException& error, bool summaryPrinted) {
    if (XLogging* log = GetLogging())
        log->WriteError(error.GetCode(), error.GetLocation(), error.GetMessage() + set.GetErrorText());
    std::printf("liftrunner: %s%s\n", Utf8(error.GetMessage()).c_str(), Utf8(set.GetErrorText()).c_str());
    try {
        Print(CString(), XProgressOutput::kContinueLine | XProgressOutput::kResetIndent);
        if (!summaryPrinted) set.PrintSummary();
        set.CloseDatabases(false);
    } catch (const XKxException& again) {
        LogErrorBlock(again);
    }
}

CString Escaped(const CString& text) {
    CString out = text;
    out.Replace(u"\r", u"\\r");
    out.Replace(u"\n", u"\\n");
    return out;
}

// Every text the window showed, one update a line: the control's id (0 for the title), a tab and the
// text with "\r" and "\n" escaped; written beside the log as "<log name>.window.txt".
void WriteWindowTexts(const XProgressOutput& display, const XLogging& log) {
    CString name = log.GetFileName();
    if (name.GetLength() >= 4 && name.Right(4).CompareNoCase(u".log") == 0) name = name.Left(name.GetLength() - 4);
    const CString path = JoinPath(log.GetDirectory(), name + u".window.txt");
    CStdioFile file;
    if (!file.Open(path.GetString(), CFile::modeCreate | CFile::modeWrite | CFile::typeText)) {
        std::printf("liftrunner: the window's texts cannot be written to %s\n", Utf8(path).c_str());
        return;
    }
    for (const CWndTextUpdate& update : display.GetTextUpdates()) {
        CString line;
        line.Format(u"%d\t%s\n", update.id, Escaped(update.text));
        file.WriteString(line);
    }
    file.Close();
}

int Run(const CString& scriptDirectory, const std::vector<CString>& libraryPaths, const CString& newVersionInfo) {
    StepLibraries libraries;
    for (const CString& path : libraryPaths)
        if (!libraries.Load(path)) {
            std::printf("liftrunner: the step library %s cannot be loaded (error %u)\n", Utf8(path).c_str(),
                         static_cast<unsigned>(GetLastError()));
            return 1;
        }

    auto log = std::make_unique<XLogging>(newVersionInfo, false);
    try {
        log->StartLogging(u"LiftRun");
    } catch (const XKxException& error) {
        std::printf("liftrunner: %s\n", Utf8(error.GetMessage()).c_str());
        return 1;
    }
    const XLogging& logging = *log;
    XProgressOutput display(u"LiftRunner", std::move(log), nullptr);
    SetProgressOutput(&display);
    RunContext context(scriptDirectory, &display);

    int exitCode = 0;
    try {
        XApplicationDatabases set;
        XKxStatistic statistics(u"LiftRunner");
        statistics.Start();
        bool summaryPrinted = false;
        try {
            Upgrade(set, context, libraries, statistics, newVersionInfo, summaryPrinted);
        } catch (const XKxException& error) {
            ReportFailure(set, error, summaryPrinted);
            exitCode = 1;
        }
        statistics.Stop();
        statistics.Report();
    } catch (const XKxException& error) {
        LogErrorBlock(error);
        std::printf("liftrunner: %s\n", Utf8(error.GetMessage()).c_str());
        exitCode = 1;
    }
    try {
        display.ShowTitle();
    } catch (const XKxException&) {
        // A cancel asked for at the very end changes nothing any more.
    }
    SetProgressOutput(nullptr);
    WriteWindowTexts(display, logging);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '\0') return Usage();
    std::vector<CString> libraries;
    for (int i = 2; i < argc - 1; ++i) libraries.emplace_back(CString(argv[i]));
    return Run(CString(argv[1]), libraries, CString(argv[argc - 1]));
}
