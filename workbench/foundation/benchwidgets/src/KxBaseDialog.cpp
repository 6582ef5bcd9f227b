#include "KxBaseDialog.h"

#include <string>

#include "KxConfig.h"
#include "KxFileSystem.h"
#include "KxKernelStatus.h"
#include "KxRoot.h"
#include "KxServerAdminClient.h"
#include "KxBase.h"
#include "KxWbConfig.h"
#include "windows.h"

namespace {

String toString(const KxString& s) { return String(s.StrGet()); }

struct ModeRow {
    const char* key;
    const char* entry;
    const char* title;   // null: the dialog's own
    bool saveAs;
    const char* filters[4];   // name, pattern, name, pattern
};

const char* const kTwoFileBase = "2-file-base (objects.dat)";
const ModeRow kModes[] = {
    {"DATABASES", "base", nullptr, false, {kTwoFileBase, "*objects.dat", "1-file-base (*.*)", "*.*"}},
    {"WORKBOOKS", "workbook", "Open Workbook", false, {kTwoFileBase, "*objects.dat", "1-file-base (*.kxw)", "*.kxw"}},
    {"WORKBOOKS", "workbook", "New Workbook", true, {"2-file-base (*.*)", "*.*", "1-file-base (*.kxw)", "*.kxw"}},
    {"WORKSPACES", "workspce", "New Workspace", true, {"2-file-base (*.*)", "*.*", "1-file-base (*.kxb)", "*.kxb"}},
    {"WORKSPACES", "workspce", "Open Workspace", false, {kTwoFileBase, "*objects.dat", "1-file-base (*.*)", "*.*"}},
    {"DICTIONARYS", "dict", "Open Dictionary", false, {kTwoFileBase, "*objects.dat", "1-file-base (*.*)", "*.*"}},
    {"DICTIONARYS", "dict", "New Dictionary", true, {"2-file-dict (*.*)", "*.*", "1-file-dict (*.kxd)", "*.kxd"}},
};

const ModeRow& rowOf(KxBaseDialogOpenMode mode) {
    const auto m = static_cast<size_t>(mode);
    return kModes[m < sizeof kModes / sizeof kModes[0] ? m : 0];
}

bool isHost(const KxString& host, const char* name) { return host.ToUtf8() == name; }

// The configuration of the host: its server's, or for "LOCAL" without a reachable server the local
// one (owned by `local` when read from the file named). 0 or a negative status.
int32_t configurationOf(const KxString& host, const KxString& connection, const char* configFile,
                        KxServerAdminClient& client, std::unique_ptr<KxConfig>& local, KxConfig*& config) {
    config = nullptr;
    if (host.IsEmpty()) return KX_KERNEL_E_NO_HOST;
    int32_t status = client.Connect(host, connection, "tcp");
    if (status == 0) return client.GetServerConfiguration(config);
    if (status != KX_KERNEL_E_NO_SERVER || !isHost(host, "LOCAL")) return status;
    if (configFile == nullptr) {
        config = KxBase::KELVOX()->GetConfig();
        return config != nullptr ? 0 : KX_KERNEL_E_NOT_FOUND;
    }
    local = std::make_unique<KxConfig>();
    status = local->ReadFile(configFile);
    if (status == 0) config = local.get();
    return status;
}

bool registryValue(HKEY root, KxString& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, "Software\\Morvane\\Tessaform", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LSTATUS status =
        RegQueryValueExA(key, "DatabaseDirectory", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    std::string text(buffer, size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    out = KxString(text.c_str());
    return true;
}

}  // namespace

// ---- the database lookup ----------------------------------------------------------------------------
int32_t KxDatabaseLookup::listDatabases(const char* configFile) {
    if (host_.IsEmpty()) return KX_KERNEL_E_NO_HOST;
    names_.clear();
    KxServerAdminClient client;
    std::unique_ptr<KxConfig> local;
    KxConfig* config = nullptr;
    int32_t status = configurationOf(host_, connection_, configFile, client, local, config);
    if (status < 0) return status;
    const KxString list[] = {"databases", ""};
    std::vector<KxString> names;
    status = config->GetChildNames(list, names);
    if (status < 0) return status;
    names_ = std::move(names);
    if (client.IsConnected()) {
        status = client.Disconnect();
        if (status < 0) return status;
    }
    return static_cast<int32_t>(names_.size());
}

int32_t KxDatabaseLookup::getDatabaseDirectory(KxString& out, const char* configFile) {
    out = KxString("");
    KxServerAdminClient client;
    std::unique_ptr<KxConfig> local;
    KxConfig* config = nullptr;
    int32_t status = configurationOf(host_, connection_, configFile, client, local, config);
    if (status >= 0) {
        KxString value;
        status = config->Get("databaseDirectory", value, nullptr);
        if (status == 0) out = value;
    }
    if (status < 0 && (isHost(host_, "LOCAL") || isHost(host_, "localhost"))) {
        if (registryValue(HKEY_CURRENT_USER, out) || registryValue(HKEY_LOCAL_MACHINE, out)) status = 0;
    }
    if (status >= 0 && client.IsConnected()) status = client.Disconnect();
    return status;
}

// ---- the dialog -------------------------------------------------------------------------------------
const char* KxBaseDialog::settingsKey(KxBaseDialogOpenMode mode) { return rowOf(mode).key; }
const char* KxBaseDialog::defaultEntry(KxBaseDialogOpenMode mode) { return rowOf(mode).entry; }
const char* KxBaseDialog::fileDialogTitle(KxBaseDialogOpenMode mode) { return rowOf(mode).title; }

KxBaseDialog::KxBaseDialog(Window* parent, const ResId& id, KxBaseDialogOpenMode mode, Unpopped)
    : ModalDialog(parent, id),
      hostText_(this, ResId(1)),
      host_(this, ResId(1)),
      baseText_(this, ResId(2)),
      base_(this, ResId(2)),
      ok_(this, ResId(1)),
      browse_(this, ResId(1)),
      cancel_(this, ResId(1)),
      modeText_(this, ResId(3)),
      group_(this, ResId(1)),
      readonly_(this, ResId(1)),
      lookup_(std::make_unique<KxDatabaseLookup>()),
      mode_(mode),
      withDatabaseList_(0) {
    ok_.ChangeClickHdl(SV_LINK(this, KxBaseDialog, OKHdl));
    browse_.ChangeClickHdl(SV_LINK(this, KxBaseDialog, BrowseHdl));
    fillHosts();
}

KxBaseDialog::KxBaseDialog(Window* parent, const ResId& id, KxBaseDialogOpenMode mode, unsigned char withDatabaseList,
                           unsigned char popResourceContext)
    : KxBaseDialog(parent, id, mode, Unpopped{}) {
    withDatabaseList_ = withDatabaseList;
    if (withDatabaseList_ != 0) {
        databaseList_ = std::make_unique<CheckBox>(this, ResId(121));
        databaseList_->ChangeClickHdl(SV_LINK(this, KxBaseDialog, DatabaseListHdl));
    }
    if (popResourceContext != 0) FreeResource();
    if (withDatabaseList_ != 0) {
        FillDatabaseList();
        readonly_.Check(false);
    }
}

KxBaseDialog::~KxBaseDialog() = default;

void KxBaseDialog::fillHosts() {
    KxWbConfig config;
    KxWbStringList* hosts = config.readKey("HOSTS");
    if (hosts->Count() == 0) {
        host_.InsertEntry("LOCAL");
        config.writeKey("HOSTS", "LOCAL");
    }
    for (uint32_t i = 0; i < hosts->Count(); ++i) host_.InsertEntry(toString(*hosts->at(i)));
    hosts->deleteStrings();
    delete hosts;
    host_.SetText(host_.GetEntry(0));
}

void KxBaseDialog::FillDatabaseList() {
    KxWbConfig config;
    const char* key = settingsKey(mode_);
    KxWbStringList* bases = config.readKey(key);
    if (bases->Count() == 0) {
        base_.InsertEntry(defaultEntry(mode_));
        config.writeKey(key, defaultEntry(mode_));
    }
    for (uint32_t i = 0; i < bases->Count(); ++i) base_.InsertEntry(toString(*bases->at(i)));
    bases->deleteStrings();
    delete bases;
    if (mode_ == KX_BASE_NEW_WORKSPACE || mode_ == KX_BASE_OPEN_WORKSPACE) host_.Disable();
    if (withDatabaseList_ != 0) base_.SetText(base_.GetEntry(0));
}

String KxBaseDialog::getHost() { return hostResult_; }
String KxBaseDialog::getBase() { return baseResult_; }
unsigned char KxBaseDialog::isReadonly() { return readonlyResult_; }

SV_IMPL_LINK(KxBaseDialog, OKHdl, Button*, button) {
    if (button != &ok_) return 0;
    KxWbConfig config;
    hostResult_ = host_.GetText();
    baseResult_ = base_.GetText();
    config.writeKey("HOSTS", KxString(hostResult_.GetStr()));
    config.writeKey(settingsKey(mode_), KxString(baseResult_.GetStr()));
    readonlyResult_ = readonly_.IsChecked() ? 1 : 0;
    EndDialog(1);
    return 1;
}

SV_IMPL_LINK(KxBaseDialog, BrowseHdl, Button*, button) {
    if (button != &browse_) return 0;
    const ModeRow& row = rowOf(mode_);
    FileDialog files(this, row.saveAs ? 0x2024 : 0x1024);
    files.SetText(row.title != nullptr ? String(row.title) : GetText());
    files.AddFilter(row.filters[0], row.filters[1]);
    files.AddFilter(row.filters[2], row.filters[3]);
    files.AddFilter("All Files (*.*)", "*.*");
    KxFileSystem fileSystem;
    const char* current = fileSystem.getWorkingDirectory();
    const std::string kept = current != nullptr ? current : "";
    const short answer = files.Execute();
    if (!kept.empty()) fileSystem.changeWorkingDirectory(kept.c_str());
    if (answer == 1) {
        base_.SetText(files.GetPath());
        ok_.GrabFocus();
    }
    return 1;
}

SV_IMPL_LINK(KxBaseDialog, DatabaseListHdl, Button*, button) {
    if (databaseList_ == nullptr || button != databaseList_.get()) return 0;
    const String text = base_.GetText();
    if (!databaseList_->IsChecked()) {
        base_.Clear();
        FillDatabaseList();
    } else {
        lookup_->setHost(KxString(host_.GetText().GetStr()));
        if (lookup_->listDatabases() > 0) {
            base_.Clear();
            base_.InsertEntry(text);
            for (int32_t i = 0; i < lookup_->getDatabaseCount(); ++i) {
                const String name = toString(lookup_->getDatabaseName(i));
                if (base_.GetEntryPos(name) == COMBOBOX_ENTRY_NOTFOUND) base_.InsertEntry(name);
            }
        }
    }
    base_.SetText(text);
    return 1;
}

// ---- the dialogs with flags -------------------------------------------------------------------------
KxBaseDialogWith1FileFlag::KxBaseDialogWith1FileFlag(Window* parent, const ResId& id, KxBaseDialogOpenMode mode,
                                                     Unpopped)
    : KxBaseDialog(parent, id, mode, Unpopped{}), oneFile_(this, ResId(201)) {
    oneFile_.ChangeClickHdl(SV_LINK(this, KxBaseDialogWith1FileFlag, ClearHdl));
}

KxBaseDialogWith1FileFlag::KxBaseDialogWith1FileFlag(Window* parent, const ResId& id, KxBaseDialogOpenMode mode,
                                                     unsigned char popResourceContext)
    : KxBaseDialogWith1FileFlag(parent, id, mode, Unpopped{}) {
    if (popResourceContext != 0) FreeResource();
}

SV_IMPL_LINK(KxBaseDialogWith1FileFlag, ClearHdl, Button*, button) {
    static_cast<CheckBox*>(button)->Check(false);
    return 1;
}

KxBaseDialogWithAllFlags::KxBaseDialogWithAllFlags(Window* parent, const ResId& id, KxBaseDialogOpenMode mode,
                                                   unsigned char popResourceContext)
    : KxBaseDialogWith1FileFlag(parent, id, mode, Unpopped{}), international_(this, ResId(202)) {
    international_.ChangeClickHdl(SV_LINK(this, KxBaseDialogWith1FileFlag, ClearHdl));
    if (popResourceContext != 0) FreeResource();
}
