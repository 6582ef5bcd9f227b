// The main window's tool-bar administration for agents, its title and its status texts, built on
// the application's resources without running the application.
#include "CoreTestSupport.h"
#include "KxBenchApplication.h"
#include "KxBenchWindow.h"
#include "KxToolBar.h"

namespace {

using coretest::LocalAgent;

ToolBox& ToolBarOf(KxBenchWindow& window) { return *window.getToolBar(); }

// A click on the button, dispatched by the application's loop.
void SelectToolBarItem(KxBenchApplication& app, KxBenchWindow& window, uint16_t id) {
    ToolBox& toolBar = ToolBarOf(window);
    const Rectangle rect = toolBar.GetItemRect(id);
    SvSetScript("", "click.sv");
    SvPostClick(&toolBar, Point(rect.Left() + 2, rect.Top() + 2));
    app.Execute();
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : app_(nullptr), window_(app_, ResId(330)) { window_.initialize(0, nullptr); }

    // The tool bar's items: "|" for a separator, else the button id.
    std::vector<std::string> Items() {
        ToolBox& toolBar = ToolBarOf(window_);
        std::vector<std::string> items;
        for (uint16_t pos = 0; pos < toolBar.GetItemCount(); ++pos) {
            const uint16_t id = toolBar.GetItemId(pos);
            items.push_back(id == 0 ? "|" : std::to_string(id));
        }
        return items;
    }

    unsigned short Add(LocalAgent& agent, const char* help = nullptr) {
        return window_.addToolBarButtonForAgent(&agent, &picture_, nullptr, nullptr, help);
    }

    KxBenchApplication app_;
    KxBenchWindow window_;
    Bitmap picture_{Size(8, 8), Color(COL_BLUE)};
};

TEST_F(MainWindowTest, ButtonsOfAgentsAfterOneSeparatorEachWithIdsNeverReused) {
    LocalAgent alpha("alpha"), beta("beta");
    EXPECT_EQ(1, Add(alpha));
    EXPECT_EQ(2, Add(alpha));
    EXPECT_EQ(3, Add(beta));
    EXPECT_EQ((std::vector<std::string>{"|", "1", "2", "|", "3"}), Items());
    EXPECT_EQ(2, window_.getToolBarButtonCountForAgent(&alpha));

    // Removing leaves the separator; ids go on growing.
    window_.removeToolBarButtonsForAgent(&alpha);
    EXPECT_EQ(0, window_.getToolBarButtonCountForAgent(&alpha));
    EXPECT_EQ((std::vector<std::string>{"|", "|", "3"}), Items());
    EXPECT_EQ(4, Add(alpha));
    EXPECT_EQ((std::vector<std::string>{"|", "|", "3", "|", "4"}), Items());

    // Without agent or picture no button (the help text goes to id 0).
    EXPECT_EQ(0, window_.addToolBarButtonForAgent(nullptr, &picture_, nullptr, "x", "help"));
    EXPECT_EQ(0, window_.addToolBarButtonForAgent(&beta, nullptr, nullptr, "x", nullptr));
    EXPECT_EQ(1, window_.getToolBarButtonCountForAgent(&beta));

    window_.enableToolBarButtonsForAgent(&beta, 0);
    EXPECT_FALSE(ToolBarOf(window_).IsItemEnabled(3));
    EXPECT_TRUE(ToolBarOf(window_).IsItemEnabled(4));
    // One button by id, whichever agent is named.
    window_.enableToolBarButtonForAgent(&alpha, 3, 1);
    EXPECT_TRUE(ToolBarOf(window_).IsItemEnabled(3));

    // Operations on agents without buttons, or ids no button has, do nothing.
    LocalAgent stranger("stranger");
    window_.removeToolBarButtonsForAgent(&stranger);
    window_.enableToolBarButtonForAgent(&stranger, 99, 0);
    EXPECT_EQ((std::vector<std::string>{"|", "|", "3", "|", "4"}), Items());

    coretest::Diagnostics diagnostics;
    window_.removeToolBar();
    EXPECT_NE(std::string::npos,
              diagnostics.Text().find(" <<< Tessaform Workbench >>> Toolbar is not cleaned up properly by the agents. Ignored. "));
}

struct Handlers {
    std::vector<std::string> calls;
    long answerFirst = 0, answerSecond = 0;
    SV_DECL_LINK(first, ToolBox*);
    SV_DECL_LINK(second, ToolBox*);
};
SV_IMPL_LINK(Handlers, first, ToolBox*, ) {
    calls.push_back("first");
    return answerFirst;
}
SV_IMPL_LINK(Handlers, second, ToolBox*, ) {
    calls.push_back("second");
    return answerSecond;
}

TEST_F(MainWindowTest, SelectHandlerStacksOfButtons) {
    LocalAgent alpha("alpha"), beta("beta");
    const unsigned short id = Add(alpha);
    Handlers handlers;
    window_.pushToolBarItemSelectHandler(&alpha, id, SV_LINK(&handlers, Handlers, first));
    window_.pushToolBarItemSelectHandler(&alpha, id, SV_LINK(&handlers, Handlers, second));
    // Another agent cannot push on a button it does not own.
    window_.pushToolBarItemSelectHandler(&beta, id, SV_LINK(&handlers, Handlers, second));

    const auto click = [&] { SelectToolBarItem(app_, window_, id); };
    click();
    EXPECT_EQ((std::vector<std::string>{"second", "first"}), handlers.calls);
    handlers.calls.clear();
    handlers.answerSecond = 1;
    click();
    EXPECT_EQ(std::vector<std::string>{"second"}, handlers.calls);

    EXPECT_TRUE(window_.popToolBarItemSelectHandler(&alpha, id) == SV_LINK(&handlers, Handlers, second));
    EXPECT_TRUE(window_.popToolBarItemSelectHandler(&alpha, id) == SV_LINK(&handlers, Handlers, first));
    EXPECT_FALSE(window_.popToolBarItemSelectHandler(&alpha, id).IsSet());
    EXPECT_FALSE(window_.popToolBarItemSelectHandler(&beta, id).IsSet());
    handlers.calls.clear();
    click();
    EXPECT_TRUE(handlers.calls.empty());
    window_.removeToolBarButtonsForAgent(&alpha);
}

struct Remover {
    KxBenchWindow* window = nullptr;
    KxAgent* agent = nullptr;
    SV_DECL_LINK(remove, ToolBox*);
};
SV_IMPL_LINK(Remover, remove, ToolBox*, ) {
    window->removeToolBarButtonsForAgent(agent);
    return 0;
}

TEST_F(MainWindowTest, AHandlerMayRemoveTheButtonsWhileItIsCalled) {
    LocalAgent alpha("alpha");
    const unsigned short id = Add(alpha);
    Handlers handlers;
    Remover remover{&window_, &alpha};
    window_.pushToolBarItemSelectHandler(&alpha, id, SV_LINK(&handlers, Handlers, first));
    window_.pushToolBarItemSelectHandler(&alpha, id, SV_LINK(&remover, Remover, remove));
    SelectToolBarItem(app_, window_, id);
    // The handlers of the click are those the button had when it was clicked.
    EXPECT_EQ(std::vector<std::string>{"first"}, handlers.calls);
    EXPECT_EQ(0, window_.getToolBarButtonCountForAgent(&alpha));
}

TEST_F(MainWindowTest, TitleAndClosing) {
    EXPECT_EQ("Tessaform Workbench", std::string(window_.GetText().GetStr()));
    window_.setWorkbenchTitle("Sales");
    EXPECT_EQ("Tessaform Workbench - Sales", std::string(window_.GetText().GetStr()));
    for (const char* none : {"", static_cast<const char*>(nullptr)}) {
        window_.setWorkbenchTitle(none);
        EXPECT_EQ("Tessaform Workbench", std::string(window_.GetText().GetStr()));
    }
    // Without a bench the window refuses to close.
    EXPECT_FALSE(window_.Close());
    EXPECT_NE(nullptr, window_.getMenuBar());
    EXPECT_EQ(&app_, window_.getApplication());
}

}  // namespace
