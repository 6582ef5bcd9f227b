// The agent manager with real agent modules: finding, loading, opening, activating, closing and
// unloading them in order, the settings that select them, the failures of the module protocol,
// and documents routed between agents.
#include "CoreTestSupport.h"
#include "KxAgentManager.h"
#include "KxBench.h"

namespace {

using coretest::AgentFolders;
using coretest::LocalAgent;
using coretest::Text;

class AgentManagerTest : public ::testing::Test {
protected:
    AgentManagerTest() {
        TakeAgentEvents();
        AgentSwitches().clear();
        SvTakeBoxLog();
        w32test::TakeMessageBeeps();
    }
    ~AgentManagerTest() override { AgentSwitches().clear(); }

    static std::vector<std::string> Names(KxAgentManager& manager) {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < manager.getAgentsInfos()->Count(); ++i) {
            names.push_back(Text(manager.getAgentsInfos()->at(i)->agent->getName()));
        }
        return names;
    }

    static KxAgent* Agent(KxAgentManager& manager, const std::string& name) {
        for (uint32_t i = 0; i < manager.getAgentsInfos()->Count(); ++i) {
            KxAgent* agent = manager.getAgentsInfos()->at(i)->agent;
            if (Text(agent->getName()) == name) return agent;
        }
        return nullptr;
    }

    AgentFolders folders_;
};

TEST_F(AgentManagerTest, ModulesFoundLoadedOpenedActivatedClosedAndUnloadedInOrder) {
    // Written in another order than their names: they load sorted by file name.
    const std::string folder = folders_.Folder("agents", "XNCBA");
    folders_.Dir().Write("agents/VO110VA.dll", "not an agent");
    folders_.Settings(folder);
    KxBench bench;
    KxAgentManager& manager = *bench.getAgentMgr();
    manager.openAllAgents();
    // Each module builds its agent with its own resources current; the one that declines and the
    // one without open function are unloaded at once; the one without close function stays.
    EXPECT_EQ((std::vector<std::string>{"open (resources of Alpha) Alpha", "open (resources of Beta) Beta",
                                         "open (resources of Gamma) Gamma", "open (resources of Nobody) Nobody",
                                         "unload Nobody", "unload Broken", "activate Alpha", "activate Beta",
                                         "activate Gamma"}),
              TakeAgentEvents());
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta", "Gamma"}), Names(manager));
    KxAgent* alpha = Agent(manager, "Alpha");
    EXPECT_EQ("VO110VA.agt", Text(manager.getModuleName(alpha).getFileNameWithExtension()));
    EXPECT_EQ(reinterpret_cast<unsigned long>(alpha), manager.getKey(*manager.getAgentsInfos()->at(0)));
    EXPECT_TRUE(manager.getModuleName(nullptr).isEmpty());
    // "no agent dll" and "agent without close function" are information: not shown by default.
    EXPECT_TRUE(coretest::Boxes().empty());

    EXPECT_EQ(1, manager.closeAllAgents(0));
    EXPECT_EQ((std::vector<std::string>{"deactivate Alpha", "deactivate Beta", "deactivate Gamma", "close Alpha",
                                         "unload Alpha", "close Beta", "unload Beta", "unload Gamma"}),
              TakeAgentEvents());
    EXPECT_EQ(0u, manager.getAgentsInfos()->Count());
}

TEST_F(AgentManagerTest, TheSameModuleFileInTwoPathsLoadsOnce) {
    const std::string first = folders_.Folder("first", "A");
    const std::string second = folders_.Folder("second", "AB");
    folders_.Settings(first + "," + second);
    coretest::Diagnostics diagnostics;
    KxBench bench;
    bench.getAgentMgr()->openAllAgents();
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(*bench.getAgentMgr()));
    const std::string ignored = second + "VO110VA.agt";
    EXPECT_NE(std::string::npos, diagnostics.Text().find("KxAgentManager : module <" + ignored +
                                                         "> is already loaded. Workbench uses the module located under <"))
        << diagnostics.Text();
    EXPECT_NE(std::string::npos, diagnostics.Text().find("first\\VO110VA.agt> instead. <" + ignored + "> Ignored. "))
        << diagnostics.Text();
}

TEST_F(AgentManagerTest, SelectorLettersChooseModules) {
    const std::string folder = folders_.Folder("agents", "ABC");
    struct Case {
        const char* agents;
        std::vector<std::string> loaded;
    } cases[] = {
        {"C", {"Gamma"}},
        {"c", {"Gamma"}},
        {"a,C", {"Alpha", "Gamma"}},
        {"Z", {}},
        {"", {"Alpha", "Beta", "Gamma"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.agents);
        folders_.Settings(folder, c.agents);
        KxBench bench;
        bench.getAgentMgr()->openAllAgents();
        EXPECT_EQ(c.loaded, Names(*bench.getAgentMgr()));
    }
}

TEST_F(AgentManagerTest, AFolderWithoutModulesLoadsNothing) {
    const std::string empty = folders_.Folder("empty", "");
    const std::string folder = folders_.Folder("agents", "B");
    folders_.Settings(empty + "," + folder);
    KxBench bench;
    bench.getAgentMgr()->openAllAgents();
    EXPECT_EQ(std::vector<std::string>{"Beta"}, Names(*bench.getAgentMgr()));
}

TEST_F(AgentManagerTest, ModuleProtocolFailures) {
    const std::string folder = folders_.Folder("agents", "ABX");
    KxBench bench;
    KxAgentManager& manager = *bench.getAgentMgr();
    coretest::Diagnostics diagnostics;

    KxString missing((folder + "VO110VQ.agt").c_str());
    const KxErrorCode notLoaded = manager.openAgent(missing);
    EXPECT_EQ(KxErrorCode(KxErrFatal, "could not open dll"), notLoaded);
    const std::string text = "Agent Manager : cannot load agent '" + folder + "VO110VQ.agt', the return code of LoadLibrary() is '0'.";
    EXPECT_EQ(std::vector<std::string>{"WarningBox parent=\"\" text=\"" + text + "\" buttons=ok answer=ok unscripted"},
              coretest::Boxes());
    EXPECT_NE(std::string::npos, diagnostics.Text().find(text)) << diagnostics.Text();
    EXPECT_NE(std::string::npos, diagnostics.Text().find("KxAgentMgr : KxAgentManager::openAgent : an error occured calling "
                                                         "LoadLibrary, error= 126 that means : "))
        << diagnostics.Text();

    KxString broken((folder + "VO110VX.agt").c_str());
    EXPECT_EQ(KxErrorCode(KxErrInfo, "no agent dll"), manager.openAgent(broken));
    EXPECT_NE(std::string::npos, diagnostics.Text().find("KxAgentMgr : openFunc('?openAgent@@YAPAVKxAgent@@PAVKxBench@@@Z') "
                                                         "== NULL for module '" + folder + "VO110VX.agt'. "))
        << diagnostics.Text();

    KxString alpha((folder + "VO110VA.agt").c_str());
    EXPECT_FALSE(manager.openAgent(alpha));
    EXPECT_EQ(KxErrorCode(KxErrWarning, "module already loaded"), manager.openAgent(alpha));
    EXPECT_EQ(std::vector<std::string>{"Alpha"}, Names(manager));
    EXPECT_EQ((std::vector<std::string>{"unload Broken", "open (resources of Alpha) Alpha"}), TakeAgentEvents());
}

TEST_F(AgentManagerTest, AnAgentRefusingToCloseKeepsThemAll) {
    folders_.Settings(folders_.Folder("agents", "AB"));
    KxBench bench;
    KxAgentManager& manager = *bench.getAgentMgr();
    manager.openAllAgents();
    TakeAgentEvents();
    AgentSwitches()["refuse Alpha"] = "";
    EXPECT_EQ(0, manager.closeAllAgents(1));
    EXPECT_EQ(std::vector<std::string>{"queryClose Alpha"}, TakeAgentEvents());
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(manager));

    AgentSwitches().clear();
    EXPECT_EQ(1, manager.closeAllAgents(1));
    EXPECT_EQ((std::vector<std::string>{"queryClose Alpha", "queryClose Beta", "deactivate Alpha", "deactivate Beta",
                                         "close Alpha", "unload Alpha", "close Beta", "unload Beta"}),
              TakeAgentEvents());
}

TEST_F(AgentManagerTest, DocumentsRoutedToOtherAgents) {
    folders_.Settings(folders_.Folder("agents", "ABC"));
    AgentSwitches()["workbooks Alpha"] = "";
    AgentSwitches()["workbooks Gamma"] = "";
    AgentSwitches()["handles Gamma"] = "";
    KxBench bench;
    KxAgentManager& manager = *bench.getAgentMgr();
    manager.openAllAgents();
    TakeAgentEvents();
    LocalAgent outsider("outsider");
    auto* book = new coretest::TestDocument("book", &outsider, bench.getDocumentMgr());
    auto* plan = new coretest::TestDocument("plan", &outsider, bench.getDocumentMgr(), nullptr, "project");

    // Only agents registered for the document's type, never the sender.
    EXPECT_EQ(2, manager.broadcastDocument(*book, VERB(VERB_OPEN), outsider));
    EXPECT_EQ((std::vector<std::string>{"openDocument book open Alpha", "openDocument book open Gamma"}), TakeAgentEvents());
    EXPECT_EQ(1, manager.broadcastDocument(*book, VERB(VERB_COPY), *Agent(manager, "Alpha")));
    EXPECT_EQ(std::vector<std::string>{"openDocument book copy Gamma"}, TakeAgentEvents());
    EXPECT_EQ(0, manager.broadcastDocument(*plan, VERB(VERB_OPEN), outsider));

    // The first other agent that can handle it.
    EXPECT_EQ(Agent(manager, "Gamma"), manager.sendMeAnAgent(*book, outsider, VERB(VERB_SAVEAS)));
    EXPECT_EQ((std::vector<std::string>{"canHandleDocument book saveas Alpha", "canHandleDocument book saveas Beta",
                                         "canHandleDocument book saveas Gamma"}),
              TakeAgentEvents());
    EXPECT_EQ(nullptr, manager.sendMeAnAgent(*book, *Agent(manager, "Gamma"), VERB(VERB_SAVEAS)));
    book->removeAgent(&outsider, 0);
    plan->removeAgent(&outsider, 0);
}

TEST_F(AgentManagerTest, ClosingOneAgentByNameOrObject) {
    const std::string folder = folders_.Folder("agents", "ABC");
    folders_.Settings(folder);
    KxBench bench;
    KxAgentManager& manager = *bench.getAgentMgr();
    manager.openAllAgents();
    TakeAgentEvents();

    // By the file name in another folder and letter case; a name no module has changes nothing.
    KxString unknown("C:\\elsewhere\\VO110VQ.agt");
    manager.closeAgent(unknown);
    KxString beta("C:\\elsewhere\\vo110vb.AGT");
    manager.closeAgent(beta);
    EXPECT_EQ((std::vector<std::string>{"close Beta", "unload Beta"}), TakeAgentEvents());

    manager.closeAgent(*Agent(manager, "Alpha"));
    EXPECT_EQ((std::vector<std::string>{"close Alpha", "unload Alpha"}), TakeAgentEvents());

    // An agent without record: "agent not found" (fatal: outside the main loop a beep).
    LocalAgent outsider("outsider");
    manager.closeAgent(outsider);
    EXPECT_EQ(1, w32test::TakeMessageBeeps());

    // A module without close function: "no agent close function" is information (not shown).
    KxString gamma((folder + "VO110VC.agt").c_str());
    manager.closeAgent(gamma);
    EXPECT_EQ(std::vector<std::string>{"unload Gamma"}, TakeAgentEvents());
    EXPECT_EQ(0, w32test::TakeMessageBeeps());
    EXPECT_TRUE(Names(manager).empty());
}

TEST_F(AgentManagerTest, EmergencyExitUnloadsWithoutCallingAgents) {
    folders_.Settings(folders_.Folder("agents", "AB"));
    {
        KxBench bench;
        bench.getAgentMgr()->openAllAgents();
        TakeAgentEvents();
        KxAgentManager::globalEmergencyExit();
        EXPECT_EQ((std::vector<std::string>{"unload Alpha", "unload Beta"}), TakeAgentEvents());
        EXPECT_EQ(0u, bench.getAgentMgr()->getAgentsInfos()->Count());
    }
    EXPECT_TRUE(TakeAgentEvents().empty());
    coretest::Diagnostics diagnostics;
    KxAgentManager::globalEmergencyExit();
    EXPECT_NE(std::string::npos, diagnostics.Text().find("KxAgentManager already terminated, cannot unload agents. "));
}

TEST_F(AgentManagerTest, AgentsSwitchToTheirModulesResources) {
    folders_.Settings(folders_.Folder("agents", "A"));
    KxBench bench;
    bench.getAgentMgr()->openAllAgents();
    KxAgent* alpha = Agent(*bench.getAgentMgr(), "Alpha");
    ResMgr* before = Resource::GetResManager();
    // Without setResMgr, unsetResMgr changes nothing.
    alpha->unsetResMgr();
    EXPECT_EQ(before, Resource::GetResManager());
    alpha->setResMgr();
    EXPECT_EQ("resources of Alpha", std::string(String(ResId(300)).GetStr()));
    alpha->unsetResMgr();
    alpha->unsetResMgr();
    EXPECT_EQ(before, Resource::GetResManager());
}

}  // namespace
