#include "KxBenchWindow.h"

#include <cassert>
#include <cstdio>
#include <map>
#include <vector>

#include "KxAgentManager.h"
#include "KxBench.h"
#include "KxBenchApplication.h"
#include "KxStatusBar.h"
#include "KxToolBar.h"
#include "KxWOStream.h"

static KxWOStream theStream;

namespace {

// One tool-bar button of an agent: its id, its select handlers (the last pushed on top) and its
// help text.
struct ToolBarButtonInfo {
    unsigned short id = 0;
    std::vector<Link> handlers;
    String helpText;
};

// The buttons of one agent, by id.
struct ToolBarAgentEntry {
    KxAgent* agent = nullptr;
    std::map<unsigned short, ToolBarButtonInfo> buttons;
};

}  // namespace

struct KxBenchWindow::Record {
    KxStatusBar* statusBar = nullptr;
    KxToolBar* toolBar = nullptr;
    KxBenchApplication* application = nullptr;
    KxBench* bench = nullptr;
    MenuBar* menuBar = nullptr;
    Accelerator* accelerator = nullptr;
    std::unique_ptr<std::vector<ToolBarAgentEntry>> toolBarAdmin;   // one entry per agent with buttons
    String baseTitle;
    unsigned short nextButtonId = 1;

    ToolBarAgentEntry* entryOf(KxAgent* agent) {
        if (!toolBarAdmin) return nullptr;
        for (ToolBarAgentEntry& entry : *toolBarAdmin) {
            if (entry.agent == agent) return &entry;
        }
        return nullptr;
    }

    ToolBarButtonInfo* buttonOf(KxAgent* agent, unsigned short id) {
        ToolBarAgentEntry* entry = entryOf(agent);
        if (entry == nullptr) return nullptr;
        auto it = entry->buttons.find(id);
        return it != entry->buttons.end() ? &it->second : nullptr;
    }
};

KxBenchWindow::KxBenchWindow(KxBenchApplication& application, const ResId& id)
    : WorkWindow(nullptr, id), record_(std::make_unique<Record>()) {
    FreeResource();
    record_->application = &application;
}

KxBenchWindow::KxBenchWindow(KxBenchApplication& application, unsigned short windowBits)
    : WorkWindow(nullptr, windowBits), record_(std::make_unique<Record>()) {
    record_->application = &application;
    SetIcon(Icon(ResId(333)));
}

KxBenchWindow::~KxBenchWindow() {
    removeToolBar();
    if (record_->application != nullptr && record_->application->GetAppMenu() == record_->menuBar) {
        record_->application->SetAppMenu(nullptr);
    }
    if (record_->application != nullptr && record_->accelerator != nullptr) {
        record_->application->RemoveAccel(record_->accelerator);
    }
    delete record_->menuBar;
    delete record_->accelerator;
    delete record_->statusBar;
}

int KxBenchWindow::initialize(int, char**) {
    record_->baseTitle = GetText();

    record_->menuBar = new MenuBar(ResId(300));
    assert(record_->menuBar != nullptr);
    for (uint16_t popup : {301, 308, 311, 318}) {
        PopupMenu* menu = record_->menuBar->GetPopupMenu(popup);
        assert(menu != nullptr || popup == 308);
        if (menu != nullptr) menu->PushSelectHdl(SV_LINK(this, KxBenchWindow, menuSelectHdl));
    }
    record_->application->SetAppMenu(record_->menuBar);
    record_->application->SetMDIMenu(record_->menuBar->GetPopupMenu(311));

    record_->accelerator = new Accelerator(ResId(324));
    record_->application->InsertAccel(record_->accelerator);
    record_->accelerator->PushSelectHdl(SV_LINK(record_->application, KxBenchApplication, acceleratorHdl));

    record_->statusBar = new KxStatusBar(this, 5);
    record_->statusBar->ChangeFont(Font(ResId(902)));
    record_->statusBar->ResizeToParent();
    record_->statusBar->Show();

    record_->toolBar = new KxToolBar(this, 4);
    record_->toolBar->ResizeToParent();
    record_->toolBar->Show();
    buildUpToolBar();
    return 0;
}

void KxBenchWindow::setBench(KxBench* bench) { record_->bench = bench; }

void KxBenchWindow::Resize() {
    if (record_ == nullptr) return;
    if (record_->statusBar != nullptr) record_->statusBar->ResizeToParent();
    if (record_->toolBar != nullptr) record_->toolBar->ResizeToParent();
}

bool KxBenchWindow::Close() {
    if (record_->bench == nullptr || record_->bench->getAgentMgr() == nullptr) return false;
    if (!record_->bench->getAgentMgr()->closeAllAgents(1)) return false;
    record_->application->CloseAll();
    return WorkWindow::Close();
}

KxBenchApplication* KxBenchWindow::getApplication() { return record_->application; }
MenuBar* KxBenchWindow::getMenuBar() { return record_->menuBar; }
Accelerator* KxBenchWindow::getAccelerator() { return record_->accelerator; }
KxStatusBar* KxBenchWindow::getStatusBar() { return record_->statusBar; }
KxToolBar* KxBenchWindow::getToolBar() { return record_->toolBar; }

void KxBenchWindow::statusMessage(const char* text) {
    if (record_->statusBar == nullptr) return;
    record_->statusBar->DisplayNormalMessage(String());
    record_->statusBar->DisplayNormalMessage(String(text));
}

void KxBenchWindow::statusHelpText(const char* text) {
    if (record_->statusBar == nullptr) return;
    record_->statusBar->DisplayHelpText(String());
    record_->statusBar->DisplayHelpText(String(text));
}

void KxBenchWindow::setWorkbenchTitle(const char* title) {
    String text = record_->baseTitle;
    if (title != nullptr && title[0] != '\0') {
        text += " - ";
        text += title;
    }
    SetText(text);
}

void KxBenchWindow::SetProgressBar(short percent) {
    if (record_->statusBar != nullptr) record_->statusBar->SetProgressBar(percent);
}

void KxBenchWindow::ClearProgressBar() {
    if (record_->statusBar != nullptr) record_->statusBar->ClearProgressBar();
}

unsigned short KxBenchWindow::addToolBarButtonForAgent(KxAgent* agent, Bitmap* image, Bitmap* second, const char* text,
                                                       const char* helpText) {
    KxToolBar* toolBar = record_->toolBar;
    if (toolBar == nullptr) return 0;
    unsigned short id = 0;
    if (agent != nullptr && image != nullptr) {
        checkToolBarAdminLists();
        id = createToolBarButtonAdminData(agent, image, second, text, helpText);
        if (getToolBarButtonCountForAgent(agent) == 1) toolBar->InsertSeparator();
        if (second != nullptr && text != nullptr) {
            toolBar->InsertItem(id, *image, *second, String(text));
        } else if (second != nullptr) {
            toolBar->InsertItem(id, *image, *second);
        } else if (text != nullptr) {
            toolBar->InsertItem(id, *image, String(text));
        } else {
            toolBar->InsertItem(id, *image);
        }
    }
    if (helpText != nullptr) toolBar->SetHelpText(id, String(helpText));
    toolBar->SetSizePixel(Size(toolBar->GetSizePixel().Width(), toolBar->CalcWindowSizePixel().Height()));
    return id;
}

unsigned short KxBenchWindow::createToolBarButtonAdminData(KxAgent* agent, Bitmap*, Bitmap*, const char*,
                                                           const char* helpText) {
    if (!record_->toolBarAdmin) record_->toolBarAdmin = std::make_unique<std::vector<ToolBarAgentEntry>>();
    ToolBarAgentEntry* entry = record_->entryOf(agent);
    if (entry == nullptr) {
        record_->toolBarAdmin->push_back(ToolBarAgentEntry());
        entry = &record_->toolBarAdmin->back();
        entry->agent = agent;
    }
    ToolBarButtonInfo info;
    info.id = record_->nextButtonId++;
    if (helpText != nullptr) info.helpText = helpText;
    entry->buttons[info.id] = info;
    return info.id;
}

void KxBenchWindow::pushToolBarItemSelectHandler(KxAgent* agent, unsigned short id, const Link& link) {
    if (ToolBarButtonInfo* info = record_->buttonOf(agent, id)) info->handlers.push_back(link);
}

Link KxBenchWindow::popToolBarItemSelectHandler(KxAgent* agent, unsigned short id) {
    ToolBarButtonInfo* info = record_->buttonOf(agent, id);
    if (info == nullptr || info->handlers.empty()) return Link();
    Link top = info->handlers.back();
    info->handlers.pop_back();
    return top;
}

void KxBenchWindow::removeToolBarButtonsForAgent(KxAgent* agent) {
    ToolBarAgentEntry* entry = record_->entryOf(agent);
    if (entry == nullptr) return;
    for (const auto& button : entry->buttons) {
        if (record_->toolBar != nullptr) record_->toolBar->RemoveItem(record_->toolBar->GetItemPos(button.first));
    }
    auto& admin = *record_->toolBarAdmin;
    admin.erase(admin.begin() + (entry - admin.data()));
}

void KxBenchWindow::enableToolBarButtonsForAgent(KxAgent* agent, int enable) {
    ToolBarAgentEntry* entry = record_->entryOf(agent);
    if (entry == nullptr || record_->toolBar == nullptr) return;
    for (const auto& button : entry->buttons) record_->toolBar->EnableItem(button.first, enable != 0);
}

void KxBenchWindow::enableToolBarButtonForAgent(KxAgent*, unsigned short id, int enable) {
    if (record_->toolBar == nullptr || !record_->toolBarAdmin) return;
    for (const ToolBarAgentEntry& entry : *record_->toolBarAdmin) {
        if (entry.buttons.count(id) != 0) record_->toolBar->EnableItem(id, enable != 0);
    }
}

void KxBenchWindow::checkToolBarAdminLists() {
    if (record_->toolBar == nullptr) {
        theStream << " <<< Tessaform Workbench >>> " << "no toolbar available, interaction disabled."
                  << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
        return;
    }
    if (!record_->toolBarAdmin) record_->toolBarAdmin = std::make_unique<std::vector<ToolBarAgentEntry>>();
    record_->toolBar->ChangeSelectHdl(SV_LINK(this, KxBenchWindow, toolBarSelectHdl));
    record_->toolBar->ChangeHighlightHdl(SV_LINK(this, KxBenchWindow, toolBarHighlightHdl));
}

void KxBenchWindow::buildUpToolBar() { checkToolBarAdminLists(); }

void KxBenchWindow::removeToolBar() {
    if (record_->toolBarAdmin && !record_->toolBarAdmin->empty()) {
        theStream << " <<< Tessaform Workbench >>> " << "Toolbar is not cleaned up properly by the agents. "
                  << "Ignored. " << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
    }
    record_->toolBarAdmin.reset();
    delete record_->toolBar;
    record_->toolBar = nullptr;
}

unsigned short KxBenchWindow::getToolBarButtonCountForAgent(KxAgent* agent) {
    ToolBarAgentEntry* entry = record_->entryOf(agent);
    return entry != nullptr ? static_cast<unsigned short>(entry->buttons.size()) : 0;
}

SV_IMPL_LINK(KxBenchWindow, menuSelectHdl, Menu*, menu) {
    if (menu == nullptr || menu->GetCurItemId() != 320) return 0;
    KxAboutBox box(this, ResId(321));
    box.Execute();
    return 1;
}

SV_IMPL_LINK(KxBenchWindow, menuActivateHdl, Menu*, ) { return 0; }

SV_IMPL_LINK(KxBenchWindow, acceleratorHdl, Accelerator*, ) { return 0; }

SV_IMPL_LINK(KxBenchWindow, toolBarSelectHdl, ToolBox*, toolBox) {
    if (toolBox == nullptr || toolBox != static_cast<ToolBox*>(record_->toolBar) || !record_->toolBarAdmin) return 1;
    const unsigned short id = toolBox->GetCurItemId();
    // A handler may change the buttons: the handlers of each agent are copied before they are called.
    std::vector<std::vector<Link>> stacks;
    for (const ToolBarAgentEntry& entry : *record_->toolBarAdmin) {
        auto it = entry.buttons.find(id);
        if (it != entry.buttons.end()) stacks.push_back(it->second.handlers);
    }
    for (const std::vector<Link>& handlers : stacks) {
        for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
            if (it->Call(toolBox) != 0) break;
        }
    }
    return 1;
}

SV_IMPL_LINK(KxBenchWindow, toolBarHighlightHdl, ToolBox*, toolBox) {
    if (toolBox == nullptr) {
        theStream << " <<< Tessaform Workbench >>> " << "toolbar pointer is nil." << "[" << __FILE__ << ", "
                  << __LINE__ << "]" << endl;
        return 1;
    }
    const unsigned short id = toolBox->GetCurItemId();
    if (record_->toolBarAdmin) {
        for (const ToolBarAgentEntry& entry : *record_->toolBarAdmin) {
            auto it = entry.buttons.find(id);
            if (it == entry.buttons.end()) continue;
            if (!!it->second.helpText) statusHelpText(it->second.helpText.GetStr());
            return 1;
        }
    }
    theStream << " <<< Tessaform Workbench >>> " << "cannot find button info for id " << id << "[" << __FILE__
              << ", " << __LINE__ << "]" << endl;
    return 1;
}

// ---- KxAboutBox -----------------------------------------------------------------------------------------

KxAboutBox::KxAboutBox(Window* parent, const ResId& id)
    : ModalDialog(parent, id), text_(this, ResId(1)), ok_(this, ResId(1)) {
    FreeResource();
    char release[64];
    std::snprintf(release, sizeof release, "Workbench Release %s.%s.%s.%s", "11", "0", "3", "50");
    text_.SetText(release);
    const uint32_t colours = GetColorCount();
    bitmap_ = std::make_unique<Bitmap>(ResId(colours >= 2 && colours <= 16 ? 322 : 323));
    const Size picture = bitmap_->GetSizePixel();
    SetOutputSizePixel(Size(picture.Width(), picture.Height() + 60));
    const Size button = ok_.GetSizePixel();
    ok_.SetPosPixel(Point(picture.Width() / 2 - button.Width() / 2, picture.Height() + 10));
    const Size text = text_.GetSizePixel();
    text_.SetPosPixel(Point(picture.Width() / 2 - text.Width() / 2, picture.Height() + 40));
}

KxAboutBox::~KxAboutBox() = default;

void KxAboutBox::Paint(const Rectangle& rect) {
    ModalDialog::Paint(rect);
    DrawBitmap(Point(0, 0), *bitmap_);
}
