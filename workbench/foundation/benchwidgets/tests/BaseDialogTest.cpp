// The base dialogs driven headless by scripts, with settings in a real settings file, the kernel
// started on a configuration file and the database directory in the registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KxBaseDialog.h"
#include "KxFileSystem.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "KxBase.h"
#include "WidgetsTestSupport.h"
#include "sv.h"
#include "windows.h"

namespace {

// The caller's dialog resource: every control of the base dialogs.
void Fill(SvResourceFile& f) {
    f.AddWindow(RSC_MODALDIALOG, 3001, "Open Database", Point(50, 50), Size(320, 200))
        .AddControl(RSC_FIXEDTEXT, 1, Point(10, 10), Size(60, 20), "Host")
        .AddControl(RSC_COMBOBOX, 1, Point(80, 10), Size(200, 21), "")
        .AddControl(RSC_FIXEDTEXT, 2, Point(10, 40), Size(60, 20), "Base")
        .AddControl(RSC_COMBOBOX, 2, Point(80, 40), Size(200, 21), "")
        .AddControl(RSC_OKBUTTON, 1, Point(10, 160), Size(60, 24), "OK")
        .AddControl(RSC_PUSHBUTTON, 1, Point(80, 160), Size(60, 24), "Browse")
        .AddControl(RSC_CANCELBUTTON, 1, Point(150, 160), Size(60, 24), "Cancel")
        .AddControl(RSC_FIXEDTEXT, 3, Point(10, 70), Size(200, 20), "Mode")
        .AddControl(RSC_GROUPBOX, 1, Point(5, 95), Size(300, 60), "Options")
        .AddControl(RSC_CHECKBOX, 1, Point(10, 100), Size(90, 20), "Read only")
        .AddControl(RSC_CHECKBOX, 121, Point(110, 100), Size(90, 20), "Server")
        .AddControl(RSC_CHECKBOX, 201, Point(10, 125), Size(90, 20), "1 file")
        .AddControl(RSC_CHECKBOX, 202, Point(110, 125), Size(90, 20), "Intl");
}
SvResourceFile theResources("", &Fill);

class BaseDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SV_CONFIG", dir_.path("workbench.ini").c_str(), 1);
        ::setenv("W32_REGISTRY", dir_.path("registry.reg").c_str(), 1);
        SvSetScript("", "dialog.sv");
        SvTakeBoxLog();
        std::ofstream(dir_.path("server.ini")) << "databaseDirectory=/srv/bases\n[databases\\remote1]\nname=x\n"
                                                  "[databases\\remote2]\nname=y\n";
        std::ofstream(dir_.path("kx.ini")) << "[servers\\h2]\nAdminConfiguration=" << dir_.path("server.ini")
                                           << "\n[databases\\shop]\nname=/db/shop\n[databases\\stock]\nname=/db/stock\n";
        KxParameterList params;
        params.Append("ClientName", "benchwidgets tests");
        params.Append("ConfigFile", dir_.path("kx.ini").c_str());
        ASSERT_EQ(0, InitKelvox(&params));
        main_ = std::make_unique<WorkWindow>(nullptr);
        main_->SetText("Main");
        main_->Show();
    }
    void TearDown() override {
        main_.reset();
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
        ::unsetenv("SV_CONFIG");
        ::unsetenv("W32_REGISTRY");
    }
    std::string Setting(const char* key) {
        Config c(dir_.path("workbench.ini").c_str());
        c.SetGroup("Tessaform Workbench");
        return c.ReadKey(key).GetStr();
    }
    void Store(const char* key, const char* value) {
        Config c(dir_.path("workbench.ini").c_str());
        c.SetGroup("Tessaform Workbench");
        ASSERT_TRUE(c.WriteKey(key, value));
    }
    static std::vector<std::string> Entries(const ComboBox& box) {
        std::vector<std::string> out;
        for (uint16_t i = 0; i < box.GetEntryCount(); ++i) out.push_back(box.GetEntry(i).GetStr());
        return out;
    }
    static void SetRegistry(HKEY root, const char* value) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, "Software\\Morvane\\Tessaform", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "DatabaseDirectory", 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(value), DWORD(strlen(value) + 1)));
        RegCloseKey(key);
    }

    WidgetsTempDir dir_;
    std::unique_ptr<WorkWindow> main_;
};

// The controls the tests look at.
class Probe : public KxBaseDialog {
public:
    Probe(Window* parent, KxBaseDialogOpenMode mode, unsigned char list)
        : KxBaseDialog(parent, ResId(3001), mode, list, 1) {}
    ComboBox& Host() { return host_; }
    ComboBox& Base() { return base_; }
    CheckBox& ReadOnly() { return readonly_; }
};

TEST_F(BaseDialogTest, FirstUseOffersLocalAndTheDefaultBaseAndStoresThem) {
    Probe dialog(main_.get(), KX_BASE_OPEN_DATABASE, 1);
    EXPECT_EQ(Entries(dialog.Host()), std::vector<std::string>{"LOCAL"});
    EXPECT_EQ(Entries(dialog.Base()), std::vector<std::string>{"base"});
    EXPECT_EQ(std::string(dialog.Base().GetText().GetStr()), "base");
    EXPECT_EQ(Setting("HOSTS"), "LOCAL");
    EXPECT_EQ(Setting("DATABASES"), "base");
    EXPECT_EQ(ResId(0).GetResMgr()->GetContext(), nullptr);   // popped
    SvSetScript("press \"Open Database\" OKButton 1\n", "ok.sv");
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(std::string(dialog.getHost().GetStr()), "LOCAL");
    EXPECT_EQ(std::string(dialog.getBase().GetStr()), "base");
    EXPECT_EQ(dialog.isReadonly(), 0);
}

TEST_F(BaseDialogTest, OkPutsHostAndBaseFirstInTheSettings) {
    Store("HOSTS", "h1,h2");
    Store("WORKBOOKS", "w1,w2");
    Probe dialog(main_.get(), KX_BASE_OPEN_WORKBOOK, 0);
    EXPECT_EQ(Entries(dialog.Host()), (std::vector<std::string>{"h1", "h2"}));
    EXPECT_EQ(std::string(dialog.Host().GetText().GetStr()), "h1");
    EXPECT_EQ(dialog.Base().GetEntryCount(), 0);   // without the database list the caller fills it
    dialog.FillDatabaseList();
    EXPECT_EQ(Entries(dialog.Base()), (std::vector<std::string>{"w1", "w2"}));
    SvSetScript("choose \"Open Database\" ComboBox 1 \"h2\"\n"
                "text \"Open Database\" ComboBox 2 \"new book\"\n"
                "tick \"Open Database\" CheckBox 1\n"
                "press \"Open Database\" OKButton 1\n",
                "ok.sv");
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(std::string(dialog.getHost().GetStr()), "h2");
    EXPECT_EQ(std::string(dialog.getBase().GetStr()), "new book");
    EXPECT_EQ(dialog.isReadonly(), 1);
    EXPECT_EQ(Setting("HOSTS"), "h2,h1");
    EXPECT_EQ(Setting("WORKBOOKS"), "new book,w1,w2");

    // Cancel stores nothing.
    SvSetScript("text \"Open Database\" ComboBox 2 \"other\"\npress \"Open Database\" CancelButton 1\n", "cancel.sv");
    EXPECT_EQ(dialog.Execute(), 0);
    EXPECT_EQ(Setting("WORKBOOKS"), "new book,w1,w2");
}

TEST_F(BaseDialogTest, BrowseOffersTheModesFiltersAndKeepsTheWorkingDirectory) {
    struct Case { KxBaseDialogOpenMode mode; const char* kind; const char* title; const char* filters; };
    const Case cases[] = {
        {KX_BASE_OPEN_DATABASE, "open filters", "Open Database",
         "filters=\"2-file-base (objects.dat)\"=\"*objects.dat\",\"1-file-base (*.*)\"=\"*.*\",\"All Files (*.*)\"=\"*.*\""},
        {KX_BASE_NEW_WORKBOOK, "save filters", "New Workbook",
         "filters=\"2-file-base (*.*)\"=\"*.*\",\"1-file-base (*.kxw)\"=\"*.kxw\",\"All Files (*.*)\"=\"*.*\""},
        {KX_BASE_NEW_DICTIONARY, "save filters", "New Dictionary",
         "filters=\"2-file-dict (*.*)\"=\"*.*\",\"1-file-dict (*.kxd)\"=\"*.kxd\",\"All Files (*.*)\"=\"*.*\""},
        {KX_BASE_OPEN_WORKSPACE, "open filters", "Open Workspace",
         "filters=\"2-file-base (objects.dat)\"=\"*objects.dat\",\"1-file-base (*.*)\"=\"*.*\",\"All Files (*.*)\"=\"*.*\""},
    };
    KxFileSystem files;
    const std::string before = files.getWorkingDirectory();
    for (const Case& c : cases) {
        Probe dialog(main_.get(), c.mode, 1);
        SvTakeBoxLog();
        SvSetScript("press \"Open Database\" PushButton 1\nfile \"C:\\\\bases\\\\shop.kxw\"\n"
                    "press \"Open Database\" PushButton 1\nfile cancel\n"
                    "press \"Open Database\" CancelButton 1\n",
                    "browse.sv");
        EXPECT_EQ(dialog.Execute(), 0);
        EXPECT_EQ(std::string(dialog.Base().GetText().GetStr()), "C:\\bases\\shop.kxw");   // the cancel kept it
        const std::vector<SvBoxRecord> boxes = SvTakeBoxLog();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].kind, "FileDialog");
        EXPECT_EQ(boxes[0].text, c.title);
        EXPECT_NE(boxes[0].details.find(c.kind), std::string::npos) << boxes[0].details;
        EXPECT_NE(boxes[0].details.find(c.filters), std::string::npos) << boxes[0].details;
        EXPECT_EQ(std::string(files.getWorkingDirectory()), before);
        // In the workspace modes the host cannot be changed.
        EXPECT_EQ(dialog.Host().IsEnabled(), c.mode != KX_BASE_OPEN_WORKSPACE);
    }
}

TEST_F(BaseDialogTest, TheDatabaseListShowsWhatTheHostsConfigurationHolds) {
    Store("DATABASES", "mine");
    Probe dialog(main_.get(), KX_BASE_OPEN_DATABASE, 1);
    // LOCAL has no reachable server: the kernel's own configuration lists its databases.
    SvSetScript("text \"Open Database\" ComboBox 2 \"stock\"\n"
                "tick \"Open Database\" CheckBox 121\n",
                "list.sv");
    GetpApp()->Execute();
    EXPECT_EQ(Entries(dialog.Base()), (std::vector<std::string>{"stock", "shop"}));
    EXPECT_EQ(std::string(dialog.Base().GetText().GetStr()), "stock");
    // Unticked: the settings' list again, and the text as it was.
    SvSetScript("tick \"Open Database\" CheckBox 121\n", "unlist.sv");
    GetpApp()->Execute();
    EXPECT_EQ(Entries(dialog.Base()), std::vector<std::string>{"mine"});
    EXPECT_EQ(std::string(dialog.Base().GetText().GetStr()), "stock");
    // A host with a server: the server's configuration.
    dialog.Host().SetText("h2");
    SvSetScript("tick \"Open Database\" CheckBox 121\n", "server.sv");
    GetpApp()->Execute();
    EXPECT_EQ(Entries(dialog.Base()), (std::vector<std::string>{"stock", "remote1", "remote2"}));
    // A host without server lists nothing: the box keeps its entries.
    dialog.Host().SetText("h9");
    SvSetScript("tick \"Open Database\" CheckBox 121\ntick \"Open Database\" CheckBox 121\n", "none.sv");
    GetpApp()->Execute();
    EXPECT_EQ(Entries(dialog.Base()), std::vector<std::string>{"mine"});
}

TEST_F(BaseDialogTest, LookupListsAndFindsTheDatabaseDirectory) {
    KxDatabaseLookup lookup;
    KxString dir("stale");
    EXPECT_EQ(lookup.listDatabases(), -2512);   // no host
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), -2512);
    EXPECT_TRUE(dir.IsEmpty());

    lookup.setHost("h2");
    EXPECT_EQ(lookup.listDatabases(), 2);
    EXPECT_EQ(lookup.getDatabaseName(1).ToUtf8(), "remote2");
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), 0);
    EXPECT_EQ(dir.ToUtf8(), "/srv/bases");

    lookup.setHost("h9");
    EXPECT_EQ(lookup.listDatabases(), -2010);
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), -2010);

    lookup.setHost("LOCAL");
    EXPECT_EQ(lookup.listDatabases(), 2);
    std::ofstream(dir_.path("local.ini")) << "databaseDirectory=C:\\bases\n[databases\\only]\nname=z\n";
    EXPECT_EQ(lookup.listDatabases(dir_.path("local.ini").c_str()), 1);
    EXPECT_EQ(lookup.getDatabaseName(0).ToUtf8(), "only");
    EXPECT_EQ(lookup.getDatabaseDirectory(dir, dir_.path("local.ini").c_str()), 0);
    EXPECT_EQ(dir.ToUtf8(), "C:\\bases");

    // Without the key: the registry, the current user's before the machine's.
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), KX_KERNEL_E_NOT_FOUND);
    SetRegistry(HKEY_LOCAL_MACHINE, "D:\\machine");
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), 0);
    EXPECT_EQ(dir.ToUtf8(), "D:\\machine");
    SetRegistry(HKEY_CURRENT_USER, "D:\\user");
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), 0);
    EXPECT_EQ(dir.ToUtf8(), "D:\\user");
    lookup.setHost("localhost");   // no server, not the local configuration: the registry
    EXPECT_EQ(lookup.getDatabaseDirectory(dir), 0);
    EXPECT_EQ(dir.ToUtf8(), "D:\\user");
}

TEST_F(BaseDialogTest, FlagBoxesAreSetOnlyByTheirSetters) {
    KxBaseDialogWithAllFlags dialog(main_.get(), ResId(3001), KX_BASE_NEW_WORKSPACE, 1);
    EXPECT_EQ(ResId(0).GetResMgr()->GetContext(), nullptr);
    EXPECT_EQ(dialog.get1FileFlag(), 0);
    SvSetScript("tick \"Open Database\" CheckBox 201\ntick \"Open Database\" CheckBox 202\n", "flags.sv");
    GetpApp()->Execute();
    EXPECT_EQ(dialog.get1FileFlag(), 0);
    EXPECT_EQ(dialog.getInternationalizationFlag(), 0);
    dialog.set1FileFlag(1);
    dialog.setInternationalizationFlag(1);
    EXPECT_EQ(dialog.get1FileFlag(), 1);
    EXPECT_EQ(dialog.getInternationalizationFlag(), 1);
    SvSetScript("tick \"Open Database\" CheckBox 201\n", "flags.sv");
    GetpApp()->Execute();
    EXPECT_EQ(dialog.get1FileFlag(), 0);
    EXPECT_EQ(dialog.getInternationalizationFlag(), 1);
    KxBaseDialogWith1FileFlag kept(main_.get(), ResId(3001), KX_BASE_OPEN_DATABASE, 0);
    EXPECT_NE(ResId(0).GetResMgr()->GetContext(), nullptr);   // the caller pops
    ResId(0).GetResMgr()->PopContext();
}

}  // namespace
