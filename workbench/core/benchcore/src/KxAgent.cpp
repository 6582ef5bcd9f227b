#include "KxAgent.h"

#include <cassert>

#include "KxAgentManager.h"
#include "KxBenchWindow.h"
#include "svmsgbox.h"

// ---- verbs ------------------------------------------------------------------------------------------------

static const KxString theVerbs[] = {"open",   "close",       "gets focus", "looses focus", "copy",  "delete",
                                    "saveas", "get focused", "compile",    "destroy",      "clear"};
static const KxString theUnknownVerb("unknown verb, please modify VERB()");

const KxString& VERB(E_VERB verb) {
    const int n = static_cast<int>(verb);
    if (n < 0 || n >= static_cast<int>(sizeof theVerbs / sizeof theVerbs[0])) return theUnknownVerb;
    return theVerbs[n];
}

// ---- KxAgent ------------------------------------------------------------------------------------------------

KxAgent::KxAgent(KxBench* bench) : bench_(bench) {}

// The resource managers belong to the agent that switched them: a copy starts without any, so that
// each own manager is deleted once.
KxAgent::KxAgent(const KxAgent& other) : KxBenchCallback(other), bench_(other.bench_) {}

KxAgent& KxAgent::operator=(const KxAgent& other) {
    bench_ = other.bench_;
    return *this;
}

KxAgent::~KxAgent() { unsetResMgr(); }

int KxAgent::queryClose() { return 1; }

int KxAgent::queryCloseDocument(KxDocument* doc, KxAgent*) {
    String question(ResId(256));
    if (doc != nullptr) {
        const KxString title = doc->getTitle();
        question += " ";
        question += title.IsEmpty() ? "" : title.StrGet();
        question += " ?";
    }
    Window* parent = bench_ != nullptr ? bench_->getAppWindow() : nullptr;
    const short answer = QueryBox(parent, 0x1040, question).Execute();
    return answer == 1 || answer == 2 ? 1 : 0;
}

KxErrorCode KxAgent::openDocument(KxDocument&, const KxString&) { return KxErrorCode(KxErrNone, ""); }

int KxAgent::opensDocumentExternally() { return 0; }

void KxAgent::setResMgr() {
    assert(bench_ != nullptr && bench_->getAgentMgr() != nullptr);
    const KxPath module = bench_->getAgentMgr()->getModuleName(this);
    assert(!module.isEmpty());
    unsetResMgr();
    ownResMgr_ = new ResMgr(module.getText());
    savedResMgr_ = Resource::GetResManager();
    Resource::SetResManager(ownResMgr_);
}

void KxAgent::unsetResMgr() {
    if (savedResMgr_ != nullptr) {
        Resource::SetResManager(savedResMgr_);
        savedResMgr_ = nullptr;
    }
    if (ownResMgr_ != nullptr) {
        delete ownResMgr_;
        ownResMgr_ = nullptr;
    }
}

void KxAgent::activate() {}
void KxAgent::deactivate() {}

KxBench* KxAgent::getBench() { return bench_; }

// ---- KxAgentWindow ------------------------------------------------------------------------------------

struct KxAgentWindow::Record {};

KxAgentWindow::KxAgentWindow(WorkWindow* parent, unsigned short windowBits)
    : MDIWindow(parent, windowBits), record_(std::make_unique<Record>()) {}

KxAgentWindow::KxAgentWindow(WorkWindow* parent, ResId& id) : MDIWindow(parent, id), record_(std::make_unique<Record>()) {}

KxAgentWindow::~KxAgentWindow() = default;

long KxAgentWindow::menuHdl(Menu*) { return 0; }
long KxAgentWindow::acceleratorHdl(Accelerator*) { return 0; }
