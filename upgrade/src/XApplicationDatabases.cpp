#include "XApplicationDatabases.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxStatistic.h"
#include "XKxVersionInfo.h"
#include "XProgressOutput.h"
#include "XRegistry.h"

namespace {

const char16_t kUnit[] = u".\\xapplicationdatabases";

// The first database to be read whose version lies below this cannot be upgraded.
constexpr int32_t kOldestVersion = 22;
// Without a preset target, a database stored below this version is upgraded by one step; one stored
// at it or above keeps its version as target.
constexpr int32_t kNewestVersion = 23;

// Columns of the summary table.
constexpr int kSummaryColumns = 6;
const char16_t* const kSummaryHeaders[kSummaryColumns] = {u"Database", u"Server",         u"Username/Password",
                                                          u"Nr.",      u"Version String", u"Version Info"};
constexpr int kNumberColumn = 3;
constexpr int kDashRun = 103;

// From this version on the change files of a step are written by SchemaDelta.
constexpr int32_t kFirstChangeFileVersion = 20;

}  // namespace

const XApplicationDatabaseEntry XApplicationDatabases::kEntries[kEntryCount] = {
    {0, u"database", u"ORBSERVER\\Tallyra\\Database", u"dict", -1, "UpdateDatabaseObjects"},
    {1, u"base", u"ORBSERVER\\Tallyra\\configuration", u"configdict", 21, "UpdateBaseObjects"},
};

XApplicationDatabases::XApplicationDatabases() {
    databases_ = new (std::nothrow) XKxDatabase*[slots_]();
    if (databases_ == nullptr)
        throw XKxException(kUnit, u"XApplicationDatabases::XApplicationDatabases",
                           u"Error allocating control structures for T5 databases!");
}

XApplicationDatabases::~XApplicationDatabases() {
    try {
        for (int32_t i = 0; i < slots_; ++i) {
            delete databases_[i];
            databases_[i] = nullptr;
        }
    } catch (...) {
    }
    delete[] databases_;
}

void XApplicationDatabases::CreateDatabases(XApplicationDatabasesOwner* owner) {
    owner_ = owner;
    for (int32_t i = 0; i < count_; ++i) {
        delete databases_[i];
        databases_[i] = nullptr;
        databases_[i] = new (std::nothrow) XKxDatabase(kEntries[i].name, this);
    }
}

CString XApplicationDatabases::GetOwnerText() const {
    return owner_ != nullptr ? owner_->GetScriptBaseDirectory() : CString();
}

XProgressOutput* XApplicationDatabases::GetProgress() const {
    return owner_ != nullptr ? owner_->GetProgressOutput() : nullptr;
}

bool XApplicationDatabases::IsOptionSet() const {
    return owner_ != nullptr && (owner_->GetOptionBits() & kOptionMask) != 0;
}

void XApplicationDatabases::AppendError(const CString& text) { errorText_ += u"\r\n\t" + text; }

void XApplicationDatabases::SetDatabaseText(const CString& text) {
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) databases_[i]->SetDatabaseText(text);
}

CString XApplicationDatabases::GetDatabaseText() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetDatabaseText() : CString();
}

const XApplicationDatabaseEntry* XApplicationDatabases::FindEntry(const CString& name) const {
    for (int32_t i = 0; i < count_ && i < kEntryCount; ++i)
        if (name == CString(kEntries[i].name)) return &kEntries[i];
    return nullptr;
}

XKxDatabase* XApplicationDatabases::FindDatabase(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? GetDatabase(entry->index) : nullptr;
}

XKxDatabase* XApplicationDatabases::GetDatabase(int32_t index) const {
    return index >= 0 && index < count_ ? databases_[index] : nullptr;
}

int32_t XApplicationDatabases::GetLimitVersion(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? entry->limitVersion : -1;
}

const char* XApplicationDatabases::GetUpgradeFunction(const CString& name) const {
    const XApplicationDatabaseEntry* entry = FindEntry(name);
    return entry != nullptr ? entry->upgradeFunction : nullptr;
}

// ---- whole-set steps ----

void XApplicationDatabases::PrintSummary() {
    if (databases_ == nullptr) return;
    int widths[kSummaryColumns];
    for (int c = 0; c < kSummaryColumns; ++c) widths[c] = CString(kSummaryHeaders[c]).GetLength();
    for (int32_t i = 0; i < count_; ++i) {
        const XKxDatabase* db = databases_[i];
        if (db == nullptr) continue;
        // The first column is measured by the text the row shows, the database's name on its server.
        const int login = db->IsPasswordMasked() ? db->GetUser().GetLength() + 7 : db->GetUserPassword().GetLength();
        const int lengths[kSummaryColumns] = {db->GetBaseName().GetLength(), db->GetServer().GetLength(), login, 0,
                                              db->GetActualVersionString().GetLength(),
                                              db->GetActualVersionInfo().GetLength()};
        for (int c = 0; c < kSummaryColumns; ++c)
            if (c != kNumberColumn) widths[c] = std::max(widths[c], lengths[c]);
    }

    CString row, top, bottom;
    row.Format(u" |%%-%ds|%%-%ds|%%-%ds|%%%ds|%%-%ds|%%-%ds|%%s\r\n", widths[0], widths[1], widths[2], widths[3],
               widths[4], widths[5]);
    top.Format(u" /%%-%ds-%%-%ds-%%-%ds-%%%ds-%%-%ds-%%-%ds\\\r\n", widths[0], widths[1], widths[2], widths[3],
               widths[4], widths[5]);
    bottom.Format(u" \\%%-%ds-%%-%ds-%%-%ds-%%%ds-%%-%ds-%%-%ds/\r\n", widths[0], widths[1], widths[2], widths[3],
                  widths[4], widths[5]);
    const CString dashRun = RepeatDash(kDashRun);
    CString dashes[kSummaryColumns];
    for (int c = 0; c < kSummaryColumns; ++c) dashes[c] = dashRun.Left(widths[c]);

    CString text = u"Database information summary:\r\n\r\n";
    CString line;
    line.Format(top, dashes[0], dashes[1], dashes[2], dashes[3], dashes[4], dashes[5]);
    text += line;
    line.Format(row, kSummaryHeaders[0], kSummaryHeaders[1], kSummaryHeaders[2], kSummaryHeaders[3],
                kSummaryHeaders[4], kSummaryHeaders[5], u"");
    text += line;
    line.Format(row, dashes[0], dashes[1], dashes[2], dashes[3], dashes[4], dashes[5], u"");
    text += line;
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) text += databases_[i]->FormatSummaryRow(row);
    line.Format(bottom, dashes[0], dashes[1], dashes[2], dashes[3], dashes[4], dashes[5]);
    text += line;

    LogEmptyLine();
    Print(text, 0);
}

void XApplicationDatabases::GetOracleServerVersion() {
    XKxDatabase* first = GetDatabase(0);
    if (first == nullptr) return;
    Print(u"Getting Orcale server version...", XProgressOutput::kIndentAfter);
    bool skipped = false;
    const int32_t run = first->CallSQLPlus(GetOwnerText(), u"_get_oracle_server_version.sql", false, true, &skipped);
    // A query its step logger skips (done before, or switched off) is no failure.
    if (run >= 1 || skipped)
        Print(CString(), XProgressOutput::kContinueLine | XProgressOutput::kUnindentBefore);
    else
        Print(u"...failed!", XProgressOutput::kContinueLine | XProgressOutput::kUnindentBefore);
}

void XApplicationDatabases::ReadVersion() {
    Print(u"Getting database version(s)...", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
    StartStepTimer();
    int32_t previous = -1;
    for (int32_t i = 0; i < count_; ++i) {
        XKxDatabase* db = databases_[i];
        if (db == nullptr) continue;
        if (previous == db->GetLimitVersion() && forcedVersion_ == previous - 1)
            db->CheckVersion(previous - 1);
        else
            db->CheckVersion(previous);

        const int32_t stored = db->GetActualVersionNumber();
        const int32_t target = db->GetTargetVersion();
        if (target < 0)
            db->SetTargetVersion(stored < kNewestVersion ? stored + 1 : stored);
        else
            db->SetTargetVersion(target < maxTargetVersion_ ? target + 1 : target);

        if (i == 0) {
            forcedVersion_ = forcedVersion_ < 0 || forcedVersion_ >= stored ? -1 : stored - 1;
            previous = stored;
            if (stored < 0) break;
            if (stored < kOldestVersion) {
                CString message;
                message.Format(u"This version of the LiftRunner is not able to upgrade databases older than version "
                               u"<%d>!",
                               kOldestVersion);
                throw XKxException(kUnit, u"XApplicationDatabases::ReadVersion", message);
            }
        } else if (db->GetState() == XKxDatabase::kNotAvailable) {
            delete db;
            databases_[i] = nullptr;
            --count_;
        }
    }
    EndStep();
    Print(CString(), XProgressOutput::kContinueLine | XProgressOutput::kResetIndent);
}

void XApplicationDatabases::WriteVersion() {
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) databases_[i]->WriteVersion();
}

void XApplicationDatabases::SetNewVersionInfo(const CString& text) {
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) databases_[i]->GetNewVersion()->SetVersionInfo(text);
}

void XApplicationDatabases::OpenDatabases(bool announce) {
    if (announce) Print(u"Open Databases: ", 0);
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) databases_[i]->Open(announce);
}

void XApplicationDatabases::CloseDatabases(bool onlyObjectDatabases) {
    Print(u"closing databases...", 0);
    for (int32_t i = 0; i < count_; ++i) {
        XKxDatabase* db = databases_[i];
        if (db == nullptr || (onlyObjectDatabases && db->GetState() != XKxDatabase::kAvailable)) continue;
        Print(db->GetName() + u"...", XProgressOutput::kContinueLine);
        db->Close(false);
    }
}

void XApplicationDatabases::ForEachName(XKxStatistic* statistics) const {
    if (statistics == nullptr) return;
    for (int32_t i = 0; i < count_; ++i)
        if (databases_[i] != nullptr) statistics->AddName(databases_[i]->GetName());
}

CString XApplicationDatabases::GetDatabaseNames() const {
    CString names;
    for (int32_t i = 0; i < count_; ++i) {
        const XKxDatabase* db = databases_[i];
        if (db == nullptr || db->GetState() == XKxDatabase::kNotAvailable || !db->IsOpen()) continue;
        if (!names.IsEmpty()) names += u", ";
        names += db->GetName();
    }
    return names;
}

// ---- the structure upgrade ----

template <typename Step>
void XApplicationDatabases::ForEachTimed(XKxStatistic* statistics, Step step) {
    for (int32_t i = 0; i < count_; ++i) {
        XKxDatabase* db = databases_[i];
        if (db == nullptr) continue;
        XKxStatistic* entry = statistics != nullptr ? statistics->GetChild(i) : nullptr;
        if (entry != nullptr) entry->Start();
        try {
            step(db);
        } catch (...) {
            if (entry != nullptr) entry->Stop();
            throw;
        }
        if (entry != nullptr) entry->Stop();
    }
}

int32_t XApplicationDatabases::ExecutePreSQLScripts(XKxStatistic* statistics) {
    int32_t sum = 0;
    ForEachTimed(statistics, [&](XKxDatabase* db) {
        StartStepTimer();
        sum += db->ExecuteSQLUpgrade(u"execute_pre_sql_upgrade.txt", statistics);
        EndStep();
    });
    return sum;
}

void XApplicationDatabases::CreateChangeFiles(XKxStatistic* statistics) {
    ForEachTimed(statistics, [](XKxDatabase* db) { db->CreateChangefile(); });
}

void XApplicationDatabases::UpgradeStructures(XKxStatistic* statistics) {
    ForEachTimed(statistics, [](XKxDatabase* db) {
        StartStepTimer();
        db->UpgradeDatabaseStructure();
        EndStep();
    });
}

void XApplicationDatabases::UpgradeDictionaries(XKxStatistic* statistics) {
    ForEachTimed(statistics, [](XKxDatabase* db) { db->UpgradeDictionary(); });
}

void XApplicationDatabases::UpgradeDatabaseStructure(XKxStatistic* holder) {
    const char16_t* function = u"XApplicationDatabases::UpgradeDatabaseStructure";
    // Its clock runs from here: it is only ever stopped.
    XKxStatistic* structure = holder != nullptr ? holder->AddChild(u"Upgrading structure") : nullptr;
    if (structure != nullptr) {
        structure->Start();
        CString title;
        title.Format(u"Relation between several structure upgrades of version <%d>:", GetVersion(0));
        structure->SetSummaryTitle(title);
        for (int32_t i = 0; i < count_; ++i) {
            if (databases_[i] == nullptr) continue;
            XKxStatistic* entry = structure->AddChild(FormatText(u"Upgrading structure of <%s>", databases_[i]->GetName()));
            if (entry != nullptr) entry->AddName(databases_[i]->GetName());
        }
    }
    const auto stopClock = [structure] {
        if (structure != nullptr) structure->Stop();
    };

    Print(u"- Upgrading the database dictionaries and structure...",
          XProgressOutput::kIndentAfter | XProgressOutput::kResetIndent | XProgressOutput::kTimeStamp);
    if (GetVersion(0) < GetTargetVersion() && !IsVersionForced()) {
        try {
            LogEmptyLine();
            Print(u"- Performing Pre-Upgrade SQL-Scripts...", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
            if (ExecutePreSQLScripts(structure) < 1)
                Print(CString(), XProgressOutput::kContinueLine | XProgressOutput::kUnindentBefore);
            else
                Print(u"...Pre-Upgrade SQL-Scripts done!", XProgressOutput::kUnindentBefore);

            LogEmptyLine();
            Print(u"- Closing databases...", XProgressOutput::kTimeStamp);
            StartStepTimer();
            CloseDatabases(true);
            EndStep();
            Print(u"...ok!", XProgressOutput::kContinueLine);

            if (GetVersion(0) >= kFirstChangeFileVersion && XRegistry::ReadValue(u"LiftRunner", u"SchemaDelta").MakeLower() != u"false") {
                LogEmptyLine();
                Print(u"- Creating the change files...", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
                CreateChangeFiles(structure);
                Print(u"...new change files have been created successfully!", XProgressOutput::kUnindentBefore);
            }

            LogEmptyLine();
            Print(u"- Upgrading the structure...", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
            UpgradeStructures(structure);
            Print(u"...the database structure has been updated successfully!", XProgressOutput::kUnindentBefore);

            LogEmptyLine();
            Print(u"- Upgrading the dictionaries...", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
            UpgradeDictionaries(structure);
            Print(u"...new dictionaries have been updated successfully!", XProgressOutput::kUnindentBefore);
        } catch (XKxException& error) {
            stopClock();
            error.AddLocation(kUnit, function, u"Error upgrading the database structure!");
            throw;
        } catch (...) {
            stopClock();
            XKxException error(-1, kUnit, function, u"An unknown exception occured while upgrading the database structure!");
            error.AddMessage(u"Error upgrading the database structure!");
            throw error;
        }
    }
    Print(u"...the upgrade of database dictionaries and structure has completed successfully!",
          XProgressOutput::kResetIndent | XProgressOutput::kTimeStamp);
    stopClock();
}

// ---- versions ----

int32_t XApplicationDatabases::GetTargetVersion() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetTargetVersion() : -1;
}

int32_t XApplicationDatabases::GetVersion(int32_t index) const {
    const XKxDatabase* db = GetDatabase(index);
    if (db == nullptr) return -1;
    const int32_t stored = db->GetActualVersionNumber();
    return forcedVersion_ >= 0 && forcedVersion_ < stored ? forcedVersion_ : stored;
}

void XApplicationDatabases::SetForcedVersion(const CString& text) {
    // Only a whole decimal integer forces a version: an empty or other text would otherwise read as
    // 0, which ReadVersion turns into a repeat of the last step nobody asked for.
    forcedVersion_ = -1;
    int position = 0;
    const bool negative = text.GetLength() > 0 && text[0] == u'-';
    if (text.GetLength() > 0 && (text[0] == u'-' || text[0] == u'+')) position = 1;
    if (position == text.GetLength()) return;
    int64_t value = 0;
    for (; position < text.GetLength(); ++position) {
        const char16_t c = text[position];
        if (c < u'0' || c > u'9') return;
        value = value * 10 + (c - u'0');
        if (value > INT32_MAX) return;
    }
    forcedVersion_ = static_cast<int32_t>(negative ? -value : value);
}

bool XApplicationDatabases::IsVersionForced() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr && forcedVersion_ >= 0 && forcedVersion_ < first->GetActualVersionNumber();
}

int32_t XApplicationDatabases::GetNewVersionNumber() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetNewVersion()->GetVersionNumberValue() : -1;
}

CString XApplicationDatabases::GetNewVersionString() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetNewVersion()->GetVersionStringValue() : CString();
}

CString XApplicationDatabases::GetNewVersionInfo() const {
    const XKxDatabase* first = GetDatabase(0);
    return first != nullptr ? first->GetNewVersionInfo() : CString();
}

CString XApplicationDatabases::GetVersionString(const CString& name) const {
    const XKxDatabase* db = FindDatabase(name);
    return db != nullptr ? db->GetActualVersionString() : CString();
}

CString XApplicationDatabases::GetVersionInfo(const CString& name) const {
    const XKxDatabase* db = FindDatabase(name);
    return db != nullptr ? db->GetActualVersionInfo() : CString();
}

int32_t XApplicationDatabases::GetMainEditionNumber() const {
    const XKxDatabase* db = FindDatabase(u"database");
    return db != nullptr ? db->GetActualEditionNumber() : 0;
}

int32_t XApplicationDatabases::GetMainServicePack() const {
    const XKxDatabase* db = FindDatabase(u"database");
    return db != nullptr ? db->GetActualServicePack() : 0;
}
