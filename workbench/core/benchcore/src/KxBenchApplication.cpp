#include "KxBenchApplication.h"

#include <cassert>
#include <cstring>

#include "KxAgentManager.h"
#include "KxBench.h"
#include "KxBenchWindow.h"
#include "KxErrorCode.h"
#include "KxParameter.h"
#include "KxRoot.h"

struct KxBenchApplication::Record {
    KxBench* bench = nullptr;
    KxBenchWindow* window = nullptr;
    Help* help = nullptr;
    String programPath;
    String configFile;
    unsigned long flags = 0;
};

// The main window, for the log-in callback, while the kernel may ask.
static KxBenchWindow* theLoginParent = nullptr;

KxBenchApplication::KxBenchApplication(const char* clientName) : clientName_(clientName) {}

KxBenchApplication::~KxBenchApplication() = default;

void KxBenchApplication::Main(int argc, char** argv) {
    InitAppRes(ResId(256));
    record_ = std::make_unique<Record>();
    record_->help = new Help;
    SetHelp(record_->help);
    EnableHelp(false);

    record_->window = new KxBenchWindow(*this, ResId(330));
    record_->window->initialize(argc, argv);

    auto* pictureBitmap = new Bitmap(ResId(335));
    auto* picture = new KxStartupPicture(record_->window, 0, pictureBitmap);
    record_->window->Show();
    picture->Show();
    picture->Update();

    record_->flags &= ~1ul;
    if (argv != nullptr && argc > 0 && argv[0] != nullptr) record_->programPath = argv[0];
    bool configGiven = false;
    for (int i = 0; argv != nullptr && i < argc; ++i) {
        const char* arg = argv[i] != nullptr ? argv[i] : "";
        if (std::strcmp(arg, "/INFOS") == 0) {
            KxErrorCode::setDisplayLevel(KxErrInfo);
        } else if (std::strcmp(arg, "/WARNINGS") == 0) {
            KxErrorCode::setDisplayLevel(KxErrWarning);
        } else if (std::strcmp(arg, "/CRASHONFAULTS") == 0) {
            record_->flags |= 1ul;
        } else if (std::strcmp(arg, "/CONFIG") == 0 || std::strcmp(arg, "-CONFIG") == 0 ||
                   std::strcmp(arg, "-config") == 0) {
            if (i + 1 < argc && argv[i + 1] != nullptr) {
                record_->configFile = argv[++i];
                configGiven = true;
            }
        }
    }

    MenuBar* menuBar = record_->window->getMenuBar();
    assert(menuBar != nullptr);
    const struct {
        uint16_t id;
        Link activate;
    } popups[] = {
        {301, SV_LINK(this, KxBenchApplication, fileMenuActivateHdl)},
        {308, SV_LINK(this, KxBenchApplication, workbenchMenuActivateHdl)},
        {311, SV_LINK(this, KxBenchApplication, windowMenuActivateHdl)},
        {318, SV_LINK(this, KxBenchApplication, helpMenuActivateHdl)},
    };
    for (const auto& popup : popups) {
        PopupMenu* menu = menuBar->GetPopupMenu(popup.id);
        assert(menu != nullptr || popup.id == 308);
        if (menu == nullptr) continue;
        menu->PushSelectHdl(SV_LINK(this, KxBenchApplication, menuSelectHdl));
        menu->PushHighlightHdl(SV_LINK(this, KxBenchApplication, menuHighlightHdl));
        menu->PushActivateHdl(popup.activate);
    }
    menuBar->GetPopupMenu(301)->EnableItem(306);

    KxParameterList parameters(0);
    parameters.Append("ClientName", clientName_ != nullptr ? clientName_ : "Tessaform Workbench", 0);
    if (configGiven) parameters.Append("ConfigFile", record_->configFile.GetStr(), 0);
    InitKelvox(0, &parameters, 1);

    record_->bench = new KxBench(*this);
    record_->window->setBench(record_->bench);

    delete picture;
    delete pictureBitmap;

    theLoginParent = record_->window;
    KxUserNameFunction previousLogin = KxBase::KELVOX()->SetUserNameFunction(&KxBenchLoginCallback);

    Execute();

    delete record_->bench;
    record_->bench = nullptr;
    record_->window->setBench(nullptr);
    // The callback must not reach the main window once it is gone.
    KxBase::KELVOX()->SetUserNameFunction(previousLogin);
    theLoginParent = nullptr;
    DeinitKelvox();
    delete record_->window;
    SetHelp(nullptr);
    delete record_->help;
    record_.reset();
}

void KxBenchApplication::Exception(short) {
    KxAgentManager::globalEmergencyExit();
    Quit();
}

KxBenchWindow* KxBenchApplication::getAppWindow() { return record_ ? record_->window : nullptr; }
Help* KxBenchApplication::getHelper() { return record_ ? record_->help : nullptr; }
KxBench* KxBenchApplication::getBench() { return record_ ? record_->bench : nullptr; }
String KxBenchApplication::getApplicationPathAndName() { return record_ ? record_->programPath : String(); }
unsigned long KxBenchApplication::getFlags() { return record_ ? record_->flags : 0; }
String KxBenchApplication::getConfigFile() { return record_ ? record_->configFile : String(); }

SV_IMPL_LINK(KxBenchApplication, menuSelectHdl, Menu*, menu) {
    if (menu == nullptr || !record_) return 0;
    KxBench* bench = record_->bench;
    KxAgentManager* agents = bench != nullptr ? bench->getAgentMgr() : nullptr;
    switch (menu->GetCurItemId()) {
    case 3:
        if (record_->help != nullptr) record_->help->Start(static_cast<unsigned long>(-2));
        return 1;
    case 303:
        if (bench != nullptr) bench->openFile();
        return 1;
    case 306:
        if (bench != nullptr) bench->doPrintSetupDialog();
        return 1;
    case 307:
        if (agents != nullptr && agents->closeAllAgents(1)) {
            CloseAll();
            Quit();
        }
        return 1;
    case 309:
        if (agents != nullptr) agents->closeAllAgents(1);
        return 1;
    case 310:
        if (bench != nullptr) bench->openAgent();
        return 1;
    case 312: Cascade(); return 1;
    case 313: Tile(); return 1;
    case 314: Horizontal(); return 1;
    case 315: Vertical(); return 1;
    case 316: Arrange(); return 1;
    case 317: CloseAll(); return 1;
    case 319:
        if (record_->help != nullptr) record_->help->Start(static_cast<unsigned long>(-1));
        return 1;
    default: return 0;
    }
}

SV_IMPL_LINK(KxBenchApplication, menuHighlightHdl, Menu*, menu) {
    if (menu != nullptr && record_ && record_->window != nullptr) {
        record_->window->statusHelpText(menu->GetHelpText(menu->GetCurItemId()).GetStr());
    }
    return 0;
}

namespace {

long ShowActivateText(KxBenchWindow* window, const char* text) {
    if (window != nullptr) window->statusHelpText(text);
    return 0;
}

}  // namespace

SV_IMPL_LINK(KxBenchApplication, fileMenuActivateHdl, Menu*, ) {
    return ShowActivateText(getAppWindow(), "Exit Tessaform Workbench.");
}

SV_IMPL_LINK(KxBenchApplication, workbenchMenuActivateHdl, Menu*, ) {
    return ShowActivateText(getAppWindow(), "Open and close agents.");
}

SV_IMPL_LINK(KxBenchApplication, windowMenuActivateHdl, Menu*, ) {
    return ShowActivateText(getAppWindow(), "Rearrange windows or activate specified window.");
}

SV_IMPL_LINK(KxBenchApplication, helpMenuActivateHdl, Menu*, ) {
    return ShowActivateText(getAppWindow(), "Get Help for Tessaform Workbench.");
}

SV_IMPL_LINK(KxBenchApplication, acceleratorHdl, Accelerator*, ) { return 0; }

// ---- start-up picture ----------------------------------------------------------------------------------

KxStartupPicture::KxStartupPicture(Window* parent, unsigned short windowBits, Bitmap* bitmap)
    : WorkWindow(parent, windowBits), bitmap_(bitmap) {
    const Size size = bitmap_ != nullptr ? bitmap_->GetSizePixel() : Size(0, 0);
    Point origin(0, 0);
    Size area(640, 480);   // the screen
    if (parent != nullptr) {
        origin = parent->GetPosPixel();
        area = parent->GetOutputSizePixel();
    }
    SetPosSizePixel(Point(origin.X() + area.Width() / 2 - size.Width() / 2,
                          origin.Y() + area.Height() / 2 - size.Height() / 2),
                    size);
}

void KxStartupPicture::Paint(const Rectangle&) {
    if (bitmap_ != nullptr) DrawBitmap(Point(0, 0), *bitmap_);
}

// ---- log-in ------------------------------------------------------------------------------------------------

LoginDialog::LoginDialog(Window* parent, const String& user)
    : ModalDialog(parent, ResId(1000)),
      ok_(this, ResId(1)),
      cancel_(this, ResId(2)),
      userText_(this, ResId(3)),
      passwordText_(this, ResId(4)),
      infoText_(this, ResId(7)),
      user_(this, ResId(3)),
      password_(this, ResId(4)) {
    FreeResource();
    user_.SetText(user);
}

String LoginDialog::getUser() const { return user_.GetText(); }
String LoginDialog::getPassword() const { return password_.GetText(); }
Edit& LoginDialog::getPasswordEdit() { return password_; }

int KxBenchLoginCallback(KxString& user, KxString& password, int) {
    if (theLoginParent == nullptr) return 2;
    if (user.IsEmpty()) user = "KELVOXADM";

    ResMgr* saved = Resource::GetResManager();
    auto* own = new ResMgr();
    Resource::SetResManager(own);
    auto dialog = std::make_unique<LoginDialog>(theLoginParent, String(user.StrGet()));
    Resource::SetResManager(saved);
    delete own;

    GetpApp()->Wait(false);
    dialog->getPasswordEdit().GrabFocus();
    if (dialog->Execute() != 1) return 2;
    user = dialog->getUser().GetStr();
    password = dialog->getPassword().GetStr();
    return 1;
}
