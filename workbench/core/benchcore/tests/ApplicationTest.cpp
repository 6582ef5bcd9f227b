// The application run as the host runs it, headless from a script: start-up switches, the agents'
// life in the application, the menus, the agents' tool-bar buttons (through the paint log), closing
// while an agent refuses, the log-in dialog and the about box.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "CoreTestSupport.h"
#include "KxAgentManager.h"
#include "KxBench.h"
#include "KxBenchApplication.h"
#include "KxErrorCode.h"

namespace {

using coretest::AgentFolders;

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() : paintDir_("SV_PAINT_DIR", paint_.Path()) {
        TakeAgentEvents();
        AgentSwitches().clear();
        SvTakeBoxLog();
        SvTakeAppLog();
        // The agents are found beside the program (no "agentpath" setting).
        program_ = folders_.Folder("bench", "AB") + "bench.exe";
        folders_.Dir().Write("kx.cfg", "; kernel configuration\n");
    }
    ~ApplicationTest() override {
        AgentSwitches().clear();
        for (int c = 0; c < 16; ++c) KxErrorCode::clearDisplayLevel(static_cast<KxErrorClass>(c));
        for (KxErrorClass c : {KxErrWarning, KxErrError, KxErrFatal}) KxErrorCode::setDisplayLevel(c);
    }

    // Runs Main with the program and the arguments, the script driving the event loop.
    void Run(std::vector<std::string> args, const std::string& script, const char* clientName = nullptr) {
        args.insert(args.begin(), program_);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        SvSetScript(script.c_str(), "bench.sv");
        KxBenchApplication app(clientName);
        app.Main(static_cast<int>(argv.size()), argv.data());
    }

    // The events of the run, without the opening lines.
    static std::vector<std::string> EventsAfterOpen() {
        std::vector<std::string> events = TakeAgentEvents();
        std::vector<std::string> rest;
        for (const std::string& e : events) {
            if (e.rfind("open ", 0) != 0) rest.push_back(e);
        }
        return rest;
    }

    // The last paint log written for a window title.
    std::string PaintLog(const std::string& title) const {
        std::string last;
        int lastN = -1;
        for (const auto& entry : std::filesystem::directory_iterator(paint_.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(title + "-", 0) != 0 || entry.path().extension() != ".log") continue;
            const int n = std::stoi(name.substr(title.size() + 1));
            if (n > lastN) {
                lastN = n;
                last = entry.path().string();
            }
        }
        return last.empty() ? std::string() : w32test_support::ReadAll(last);
    }

    // The tool bar's separators and button texts, in the order painted.
    static std::vector<std::string> ToolBarItems(const std::string& log) {
        std::vector<std::string> items;
        std::istringstream in(log);
        std::string line;
        bool inToolBar = false;
        while (std::getline(in, line)) {
            if (line.rfind("window ", 0) == 0) inToolBar = line.find(" ToolBox ") != std::string::npos;
            if (!inToolBar) continue;
            if (line.rfind("  line ", 0) == 0) items.push_back("separator");
            const size_t text = line.find("  text ");
            if (text == 0) {
                const size_t open = line.find('"');
                items.push_back(line.substr(open + 1, line.find('"', open + 1) - open - 1));
            }
        }
        return items;
    }

    AgentFolders folders_;
    w32test_support::TempDir paint_;
    w32test_support::EnvVar paintDir_;
    std::string program_;
};

TEST_F(ApplicationTest, StartUpSwitches) {
    const std::string config = folders_.Dir() / "kx.cfg";
    struct Case {
        std::vector<std::string> args;
        const char* clientName;
        std::string activate;   // Alpha's activation line
        bool infos;
    } cases[] = {
        {{}, nullptr, "client=Tessaform Workbench config= flags=0", false},
        {{"/CONFIG", config}, "Bench Test", "client=Bench Test config=" + config + " flags=0", false},
        {{"-config", "first.cfg", "-CONFIG", config}, nullptr, "client=Tessaform Workbench config=" + config + " flags=0", false},
        {{"/config", config, "/CONFIG"}, nullptr, "client=Tessaform Workbench config= flags=0", false},
        {{"/CRASHONFAULTS", "/crashonfaults", "/infos"}, nullptr, "client=Tessaform Workbench config= flags=1", false},
        {{"/INFOS", "/WARNINGS"}, nullptr, "client=Tessaform Workbench config= flags=0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.activate);
        KxErrorCode::clearDisplayLevel(KxErrInfo);
        KxErrorCode::clearDisplayLevel(KxErrWarning);
        Run(c.args, "", c.clientName);
        const std::vector<std::string> events = EventsAfterOpen();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ("activate " + c.activate + " Alpha", events[0]);
        EXPECT_EQ(c.infos, KxErrorCode(KxErrInfo, "i").shouldBeDisplayed() != 0);
        EXPECT_EQ(c.infos, KxErrorCode(KxErrWarning, "w").shouldBeDisplayed() != 0);
    }
}

TEST_F(ApplicationTest, AgentsLiveFromStartToTeardown) {
    Run({}, "");
    EXPECT_EQ((std::vector<std::string>{"open (resources of Alpha) Alpha", "open (resources of Beta) Beta",
                                         "activate client=Tessaform Workbench config= flags=0 Alpha",
                                         "activate client=Tessaform Workbench config= flags=0 Beta",
                                         "deactivate buttons=2 Alpha", "deactivate buttons=1 Beta", "close Alpha",
                                         "unload Alpha", "close Beta", "unload Beta"}),
              TakeAgentEvents());
}

TEST_F(ApplicationTest, StatusTextsCutTo255Characters) {
    AgentSwitches()["long Alpha"] = "";
    Run({}, "");
    const std::vector<std::string> events = EventsAfterOpen();
    ASSERT_LE(2u, events.size());
    EXPECT_EQ("status 255 aaaaa-bbbb Alpha", events[1]);
}

TEST_F(ApplicationTest, MenusAndToolBarButtons) {
    Run({}, "menu 312\nmenu 313\nmenu 316\nmenu 317\nmenu 3\nmenu 319\n"
            "click \"Tessaform Workbench\" \"Alpha2\"\nclick \"Tessaform Workbench\" \"Beta1\"\n"
            "menu 314\n");
    EXPECT_EQ((std::vector<std::string>{"Cascade", "Tile", "Arrange", "CloseAll", "Help::Start 18446744073709551614",
                                         "Help::Start 18446744073709551615", "Horizontal"}),
              SvTakeAppLog());
    // The handler pushed last is called first; the one under it ends the call.
    const std::vector<std::string> events = EventsAfterOpen();
    EXPECT_EQ((std::vector<std::string>{"passing 2 Alpha", "button 2 Alpha", "passing 3 Beta", "button 3 Beta"}),
              std::vector<std::string>(events.begin() + 2, events.begin() + 6));
    // The picture at the end of the run: each agent's first button after a separator (a line), and
    // the help text of the item chosen last in the status bar.
    const std::string log = PaintLog("Tessaform_Workbench");
    EXPECT_EQ((std::vector<std::string>{"separator", "Alpha1", "Alpha2", "separator", "Beta1"}), ToolBarItems(log)) << log;
    EXPECT_NE(std::string::npos, log.find("window 1 StatusBar \"Side by side.\"")) << log;
}

TEST_F(ApplicationTest, ExitWhileAnAgentRefuses) {
    // Exit (307) and closing the main window: Beta refuses, so both leave every agent loaded and
    // the application running; at the end of the run the teardown closes them without asking.
    AgentSwitches()["refuse Beta"] = "";
    Run({}, "menu 307\nclose \"Tessaform Workbench\"\nmenu 309\n");
    const std::vector<std::string> events = EventsAfterOpen();
    EXPECT_EQ((std::vector<std::string>{"queryClose Alpha", "queryClose Beta", "queryClose Alpha", "queryClose Beta",
                                         "queryClose Alpha", "queryClose Beta", "deactivate buttons=2 Alpha",
                                         "deactivate buttons=1 Beta", "close Alpha", "unload Alpha", "close Beta",
                                         "unload Beta"}),
              std::vector<std::string>(events.begin() + 2, events.end()));
}

TEST_F(ApplicationTest, ExitClosesAgentsAndQuits) {
    // After "menu 307" the loop ends: the line after it is never run.
    Run({}, "menu 307\nmenu 312\n");
    const std::vector<std::string> events = EventsAfterOpen();
    EXPECT_EQ((std::vector<std::string>{"queryClose Alpha", "queryClose Beta", "deactivate buttons=2 Alpha",
                                         "deactivate buttons=1 Beta", "close Alpha", "unload Alpha", "close Beta",
                                         "unload Beta"}),
              std::vector<std::string>(events.begin() + 2, events.end()));
    EXPECT_EQ(std::vector<std::string>{"CloseAll"}, SvTakeAppLog());
}

TEST_F(ApplicationTest, ClosingTheMainWindowClosesAgents) {
    Run({}, "close \"Tessaform Workbench\"\n");
    const std::vector<std::string> events = EventsAfterOpen();
    EXPECT_EQ((std::vector<std::string>{"queryClose Alpha", "queryClose Beta", "deactivate buttons=2 Alpha",
                                         "deactivate buttons=1 Beta", "close Alpha", "unload Alpha", "close Beta",
                                         "unload Beta"}),
              std::vector<std::string>(events.begin() + 2, events.end()));
}

TEST_F(ApplicationTest, LogInDialogOfTheKernel) {
    // Alpha's first button asks the kernel for a log-in, which shows the dialog over the main window.
    AgentSwitches()["login Alpha"] = "";
    Run({}, "click \"Tessaform Workbench\" \"Alpha1\"\n"
            "text #1000 Edit 4 \"tiger\"\n"
            "press #1000 OKButton 1\n"
            "click \"Tessaform Workbench\" \"Alpha1\"\n"
            "text #1000 Edit 3 \"scott\"\n"
            "press #1000 CancelButton 2\n");
    std::vector<std::string> logins;
    for (const std::string& e : EventsAfterOpen()) {
        if (e.rfind("login ", 0) == 0) logins.push_back(e);
    }
    // An empty user name is offered as KELVOXADM; cancelling leaves the texts as they were.
    EXPECT_EQ((std::vector<std::string>{"login 1 user=KELVOXADM password=tiger Alpha",
                                         "login 2 user=KELVOXADM password= Alpha"}),
              logins);
    // Once the application has ended, the callback declines at once.
    KxString user("x"), password("");
    EXPECT_EQ(2, KxBenchLoginCallback(user, password, 0));
}

TEST_F(ApplicationTest, AboutBoxAndPrinterSetUp) {
    Run({}, "menu 320\npress #321 OKButton 1\nmenu 306\nprint cancel\n");
    const std::string about = PaintLog("About");
    // The true-colour picture (120 by 50): the dialog is 120 by 110, the text 40 below the picture.
    EXPECT_NE(std::string::npos, about.find("\"About\" at 0 0 size 120 110")) << about;
    EXPECT_NE(std::string::npos, about.find("bitmap 0 0 120 50")) << about;
    EXPECT_NE(std::string::npos, about.find("\"Workbench Release 11.0.3.50\" at ")) << about;
    EXPECT_EQ(std::vector<std::string>{"PrinterSetupDialog parent=\"Tessaform Workbench\" text=\"\" buttons=ok,cancel "
                                       "printer=\"Default Printer\" answer=cancel"},
              coretest::Boxes());
}

TEST_F(ApplicationTest, StatusBarReportsAgentsFoundOrNot) {
    Run({}, "");
    EXPECT_NE(std::string::npos, PaintLog("Tessaform_Workbench").find("\"Agent 'Beta' registered\" font=\"Helv\""));
    const std::string empty = folders_.Folder("empty", "");
    folders_.Settings(empty);
    Run({}, "");
    EXPECT_NE(std::string::npos,
              PaintLog("Tessaform_Workbench").find("\"no agents found in " + empty + "VO110V*.agt\" font=\"Helv\""));
}

TEST_F(ApplicationTest, OpenAgentDialogLoadsOneModule) {
    const std::string other = folders_.Folder("other", "C");
    Run({}, "menu 310\nfile \"" + other + "VO110VC.agt\"\n"
            "menu 310\nfile \"" + other + "VO110VC.agt\"\n"
            "menu 310\nfile cancel\n");
    const std::vector<std::string> events = EventsAfterOpen();
    // Loaded and opened, not activated; the second time it is already loaded (a warning box).
    EXPECT_EQ(std::find(events.begin(), events.end(), "activate Gamma"), events.end());
    const std::vector<std::string> boxes = coretest::Boxes();
    ASSERT_EQ(4u, boxes.size());
    EXPECT_EQ("FileDialog parent=\"Tessaform Workbench\" text=\"\" buttons=ok,cancel open "
              "filters=\"TessaformAgent (kw*.agt)\"=\"kw*.agt\" path=\"" + other + "VO110VC.agt\" answer=ok",
              boxes[0]);
    EXPECT_EQ("WarningBox parent=\"\" text=\"module already loaded\" buttons=ok answer=ok unscripted", boxes[2]);
    EXPECT_NE(std::string::npos, boxes[3].find("answer=cancel")) << boxes[3];
}

TEST_F(ApplicationTest, FatalExceptionUnloadsAgentsWithoutClosingThem) {
    folders_.Settings(folders_.Folder("bench", ""));
    KxBench bench;
    bench.getAgentMgr()->openAllAgents();
    TakeAgentEvents();
    KxBenchApplication app(nullptr);
    app.Exception(0);
    EXPECT_EQ((std::vector<std::string>{"unload Alpha", "unload Beta"}), TakeAgentEvents());
}

}  // namespace
