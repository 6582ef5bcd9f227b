// A test agent module. Built several times: AGENT_NAME names the agent; without AGENT_OPENS the
// module declines (openAgent answers null); AGENT_NO_OPEN and AGENT_NO_CLOSE leave out an entry
// point; AGENT_BUTTONS is the number of tool-bar buttons the agent puts on the main window.
#include <string>

#include "AgentRecorder.h"
#include "KxAgent.h"
#include "KxAgentManager.h"
#include "KxBench.h"
#include "KxBenchApplication.h"
#include "KxBenchWindow.h"
#include "KxDocument.h"
#include "KxRoot.h"
#include "KxStatusBar.h"
#include "sv.h"
#include "windows.h"

#ifndef AGENT_BUTTONS
#define AGENT_BUTTONS 0
#endif

namespace {

const std::string theName = AGENT_NAME;

KxDocumentType theWorkbookType("workbook");

void Record(const std::string& what) { AgentEvents().push_back(what + " " + theName); }

std::string Text(const KxString& s) { return s.IsEmpty() ? std::string() : std::string(s.StrGet(), s.Len()); }

// The module's own resources: a string and the pictures of its buttons.
void FillResources(SvResourceFile& file) {
    file.AddString(256, ("Close this document of " + theName + "?").c_str());
    file.AddString(300, ("resources of " + theName).c_str());
}
SvResourceFile theResources("VO110V" AGENT_LETTER ".agt", &FillResources);

class TestAgent : public KxAgent {
public:
    explicit TestAgent(KxBench* bench) : KxAgent(bench) {}

    int queryClose() override {
        Record("queryClose");
        return AgentSwitch("refuse " + theName) ? 0 : 1;
    }

    int queryCloseDocument(KxDocument* doc, KxAgent* requester) override {
        Record("queryCloseDocument " + (doc != nullptr ? Text(doc->getTitle()) : std::string()));
        if (AgentSwitch("ask " + theName)) return KxAgent::queryCloseDocument(doc, requester);
        return AgentSwitch("keep " + theName) ? 0 : 1;
    }

    KxErrorCode openDocument(KxDocument& doc, const KxString& verb) override {
        Record("openDocument " + Text(doc.getTitle()) + " " + Text(verb));
        return KxAgent::openDocument(doc, verb);
    }

    int canHandleDocument(KxDocument& doc, const KxString& verb) override {
        Record("canHandleDocument " + Text(doc.getTitle()) + " " + Text(verb));
        return AgentSwitch("handles " + theName) ? 1 : 0;
    }

    KxDocumentTypes getDocumentTypes() override {
        KxDocumentTypes types;
        if (AgentSwitch("workbooks " + theName)) types.Insert(&theWorkbookType);
        return types;
    }

    KxString getDescription() override { return KxString(("test agent " + theName).c_str()); }
    KxString getName() override { return KxString(theName.c_str()); }

    void activate() override {
        std::string line = "activate";
        if (KxBenchApplication* app = getBench()->getApplication()) {
            line += " client=" + Text(KxBase::KELVOX()->GetClientName());
            line += " config=" + std::string(app->getConfigFile().GetStr());
            line += " flags=" + std::to_string(app->getFlags());
        }
        Record(line);
        addButtons();
        if (AgentSwitch("long " + theName)) {
            // A status text longer than the bar takes: cut to 255 characters.
            getBench()->statusMessage("%s-%s", std::string(200, 'a').c_str(), std::string(200, 'b').c_str());
            const String shown = getBench()->getAppWindow()->getStatusBar()->GetItemText(42);
            Record("status " + std::to_string(shown.Len()) + " " + std::string(shown.GetStr()).substr(195, 10));
        }
    }

    void deactivate() override {
        std::string line = "deactivate";
        if (KxBenchWindow* window = getBench()->getAppWindow()) {
            line += " buttons=" + std::to_string(window->getToolBarButtonCountForAgent(this));
            window->removeToolBarButtonsForAgent(this);
        }
        Record(line);
    }

    SV_DECL_LINK(buttonHdl, ToolBox*);
    SV_DECL_LINK(passingHdl, ToolBox*);
    SV_DECL_LINK(loginHdl, ToolBox*);

private:
    void addButtons() {
        KxBenchWindow* window = getBench()->getAppWindow();
        if (window == nullptr) return;
        Bitmap picture(Size(8, 8), Color(COL_BLUE));
        for (int i = 1; i <= AGENT_BUTTONS; ++i) {
            const std::string text = theName + std::to_string(i);
            const std::string help = "help of " + text;
            const unsigned short id = window->addToolBarButtonForAgent(this, &picture, nullptr, text.c_str(), help.c_str());
            // The first button: a handler that asks the kernel's log-in; every button: one that
            // records the click, under one that passes it on.
            if (i == 1) window->pushToolBarItemSelectHandler(this, id, SV_LINK(this, TestAgent, loginHdl));
            window->pushToolBarItemSelectHandler(this, id, SV_LINK(this, TestAgent, buttonHdl));
            window->pushToolBarItemSelectHandler(this, id, SV_LINK(this, TestAgent, passingHdl));
        }
    }
};

SV_IMPL_LINK(TestAgent, passingHdl, ToolBox*, toolBox) {
    Record("passing " + std::to_string(toolBox->GetCurItemId()));
    return 0;
}

SV_IMPL_LINK(TestAgent, buttonHdl, ToolBox*, toolBox) {
    Record("button " + std::to_string(toolBox->GetCurItemId()));
    return AgentSwitch("login " + theName) ? 0 : 1;
}

SV_IMPL_LINK(TestAgent, loginHdl, ToolBox*, ) {
    KxString user("");
    KxString password("");
    if (AgentSwitch("user " + theName)) user = AgentSwitches()["user " + theName].c_str();
    const int answer = KxBase::KELVOX()->CallLoginFunc(&user, &password, 0, nullptr);
    Record("login " + std::to_string(answer) + " user=" + Text(user) + " password=" + Text(password));
    return 1;
}

TestAgent* theAgent = nullptr;

}  // namespace

#ifndef AGENT_NO_OPEN
KxAgent* openAgent(KxBench* bench) {
    // The module's own resources are the current ones while it builds its agent.
    Record("open (" + std::string(String(ResId(300)).GetStr()) + ")");
#ifdef AGENT_OPENS
    theAgent = new TestAgent(bench);
    return theAgent;
#else
    (void)bench;
    return nullptr;
#endif
}
#endif

#ifndef AGENT_NO_CLOSE
void closeAgent() {
    Record("close");
    delete theAgent;
    theAgent = nullptr;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) {
        Record("unload");
        // Without close function nobody releases the agent: the module does as it goes.
        delete theAgent;
        theAgent = nullptr;
    }
    return TRUE;
}
