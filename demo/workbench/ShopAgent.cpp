// The demo's agent module (VO110VS.agt): a shop browser for the workbench. Its agent puts the button
// "Shop" on the main window's tool bar; the button opens the shop database that tessaform_demo made
// (the kernel base SHOP on the server SHOPDB of the configuration, reached through the relational
// gateway; the kernel asks the workbench's log-in dialog for the user) and shows three browsers in
// the main window:
//
//   "Customers"         the extent of Customer in an outliner view, each customer with its name and
//                       e-mail address; choosing one shows it in the object view
//   "Customer"          the chosen customer in the generic object view: its members, its set of
//                       orders
//   "Order navigation"  the first order in the object navigation view: its references to customer and
//                       product, opened along them; a node chosen there shows in the object view too
//
// What it does goes to standard output, one line a step, so that the host program's user reads it.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvDialogs.h"
#include "KvSurrogate.h"
#include "KvVerb.h"
#include "KvView.h"
#include "KxAgent.h"
#include "KxBase.h"
#include "KxBench.h"
#include "KxBenchWindow.h"
#include "KxBucket.h"
#include "KxClassDict.h"
#include "KxGenericAllSetSubject.h"
#include "KxGenericObjectSubjects.h"
#include "KxGenericObjectView.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectNavigationView.h"
#include "KxOutlinerView.h"
#include "KxRoot.h"
#include "KxStatusBar.h"
#include "KxToolBar.h"
#include "sv.h"

namespace {

const char kAgentName[] = "Shop browser";
const char kBaseName[] = "SHOP";
const char kServer[] = "SHOPDB";
// The caption bar over a browser's views, in pixels.
constexpr long kCaption = 20;

std::string Text(const KxString& s) { return s.IsEmpty() ? std::string() : std::string(s.StrGet(), s.Len()); }

// A window in the main window that holds views under a caption bar with its title (MDI windows
// have no title bar of their own here). Closing it (Window - Close All) hands it to its owner, who
// deletes it with its views.
class BrowserWindow : public KvMDIDialog {
public:
    using Closed = void (*)(void* owner, BrowserWindow* window);
    BrowserWindow(WorkWindow* parent, const char* title, const Point& pos, const Size& size, void* owner, Closed closed)
        : KvMDIDialog(parent), pane_(this), owner_(owner), closed_(closed) {
        SetText(title);
        ChangeBackgroundBrush(Brush(Color(COL_WHITE)));
        pane_.ChangeBackgroundBrush(Brush(Color(COL_WHITE)));
        pane_.Show();
        setPaintWindow(&pane_);
        SetPosSizePixel(pos, size);
        Show();
    }
    // The views go while the pane they draw in is still there.
    ~BrowserWindow() override { deleteDependentViews(); }

    bool Close() override {
        closed_(owner_, this);  // gone now
        return true;
    }

    void Resize() override {
        const Size size = GetOutputSizePixel();
        pane_.SetPosSizePixel(Point(0, kCaption), Size(size.Width(), size.Height() > kCaption ? size.Height() - kCaption : 0));
        KvMDIDialog::Resize();
    }

    void Paint(const Rectangle&) override {
        const Size size = GetOutputSizePixel();
        Push();
        ChangePen(Pen(Color(COL_BLACK)));
        ChangeFillInBrush(Brush(Color(COL_BLUE)));
        DrawRect(Rectangle(Point(0, 0), Size(size.Width(), kCaption)));
        ChangeTextColor(Color(COL_WHITE));
        DrawText(Point(6, 4), GetText());
        Pop();
    }

private:
    Window pane_;
    void* owner_;
    Closed closed_;
};

// Receives the selections of the other views and shows the object chosen in the object view.
class SelectionListener : public KvView {
public:
    using Show = void (*)(void* agent, KvAspectSet& set, KvView* from);
    SelectionListener(void* agent, Show show) : KvView(nullptr, nullptr), agent_(agent), show_(show) {}
    ~SelectionListener() override { haveBeenKilled(); }
    using KvView::update;
    void update(long, const KvVerb&) override {}
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override {
        if (verb.getVerb() != nullptr && std::string(verb.getVerb()) == "Selection changed") show_(agent_, set, from);
    }

private:
    void* agent_;
    Show show_;
};

class ShopAgent : public KxAgent {
public:
    explicit ShopAgent(KxBench* bench) : KxAgent(bench) {}
    ~ShopAgent() override { closeShop(); }

    int canHandleDocument(KxDocument&, const KxString&) override { return 0; }
    KxDocumentTypes getDocumentTypes() override { return KxDocumentTypes(); }
    KxString getDescription() override { return KxString("browses the shop database of the demo"); }
    KxString getName() override { return KxString(kAgentName); }

    void activate() override {
        KxBenchWindow* window = getBench()->getAppWindow();
        if (window == nullptr) return;
        Bitmap picture(Size(16, 16), Color(COL_YELLOW));
        const unsigned short id =
            window->addToolBarButtonForAgent(this, &picture, nullptr, "Shop", "Open the shop database and browse it.");
        window->pushToolBarItemSelectHandler(this, id, Link(this, &ShopAgent::OpenShopStub));
        std::printf("agent \"%s\" active: button \"Shop\" on the tool bar\n", kAgentName);
        std::fflush(stdout);
    }

    void deactivate() override {
        closeShop();
        if (KxBenchWindow* window = getBench()->getAppWindow()) window->removeToolBarButtonsForAgent(this);
    }

private:
    static long OpenShopStub(void* agent, void*) {
        static_cast<ShopAgent*>(agent)->openShop();
        return 1;
    }
    static void BrowserClosed(void* agent, BrowserWindow* window) { static_cast<ShopAgent*>(agent)->closeBrowser(window); }
    static void ShowSelection(void* agent, KvAspectSet& set, KvView* from) {
        static_cast<ShopAgent*>(agent)->showSelection(set, from);
    }

    void status(const std::string& text) { getBench()->statusMessage("%s", text.c_str()); }

    void fail(const std::string& text) {
        std::fprintf(stderr, "shop browser: %s\n", text.c_str());
        status(text);
        closeShop();
    }

    // The base SHOP on the server SHOPDB of the configuration; one read-only transaction while open.
    void openShop() {
        if (base_) {
            status("The shop database is open already.");
            return;
        }
        status("Opening the shop database ...");
        base_ = std::make_unique<KxBase>(KxString(kBaseName));
        int32_t rc = base_->Connect(KxString(kServer));
        if (rc == 0) rc = base_->Open();
        if (rc != 0) return fail("the shop database did not open (status " + std::to_string(rc) + ")");
        if (base_->BeginTransaction() != 0) return fail("no transaction on the shop database");
        customerClass_ = persistentClass("Customer");
        orderClass_ = persistentClass("Order");
        if (customerClass_ == nullptr || orderClass_ == nullptr) return fail("the shop dictionary has no Customer or Order");
        std::printf("opened the shop database: base %s on %s$%s, dictionary \"%s\"\n", kBaseName,
                    Text(base_->GetBrand()).c_str(), Text(base_->GetPhysicalServer()).c_str(),
                    Text(base_->GetDictionary()->GetName()).c_str());
        showBrowsers();
        std::fflush(stdout);
    }

    const KxMetaPersClass* persistentClass(const char* name) {
        const KxMetaType* type = base_->GetDictionary()->FindByName(KxString(name));
        return type != nullptr ? type->AsPersClass() : nullptr;
    }

    // The first object of a class's extent in object-id order, held for the caller; null when none.
    KxObject* firstObject(const KxMetaPersClass* cls) {
        int32_t count = 0;
        std::unique_ptr<KxBucketCru> cursor(base_->CreateCursor(cls->GetClassId(), count));
        KxRef ref;
        KxObject* object = nullptr;
        if (cursor && base_->Seek(cls->GetClassId(), cursor.get(), 0, 0, ref) == 0 && base_->GetObject(ref, object) != 0)
            object = nullptr;
        return object;
    }

    void showBrowsers() {
        KxBenchWindow* main = getBench()->getAppWindow();
        const Size area = main->GetOutputSizePixel();
        const long top = main->getToolBar() != nullptr ? main->getToolBar()->GetSizePixel().Height() + 4 : 40;
        const long bottom = main->getStatusBar() != nullptr ? main->getStatusBar()->GetSizePixel().Height() + 4 : 30;
        const long height = area.Height() - top - bottom;
        const long width = area.Width() / 3 - 4;

        // The extent of Customer, each customer with its name and e-mail address.
        customersWindow_ =
            std::make_unique<BrowserWindow>(main, "Customers", Point(2, top), Size(width, height), this, &BrowserClosed);
        extent_ = std::make_unique<KxGenericAllSetSubject>(base_.get());
        KvAspectSet selection;
        const unsigned short classNumber = customerClass_->GetClassId().GetClassNumber();
        selection.add(new KvAspect(KvAspectId("class_id"), classNumber));
        const std::string classText = Text(customerClass_->GetName()) + "(" +
                                      std::to_string(customerClass_->GetClassId().GetVersion()) + ")";
        selection.add(new KvAspect(KvAspectId("text"), classText.c_str()));
        extent_->handleEvent(selection, static_cast<KvView*>(nullptr), KvVerb(nullptr, nullptr, nullptr, 1));
        selection.deleteAspects();
        KvAspectSet shown;
        if (KvAspectSet* aspects = extent_->gimmeYourAspects()) {
            for (unsigned long i = 0; KvAspect* aspect = aspects->getObject(i); ++i) {
                const std::string id = aspect->aspectId().idStr() != nullptr ? aspect->aspectId().idStr() : "";
                if (id == "OID") {
                    // The object id travels with each selection, untitled so that the node text
                    // leaves it out.
                    auto* copy = new KvAspect(*aspect);
                    copy->setTitle(nullptr);
                    shown.add(copy);
                } else if (id.find("name") != std::string::npos || id.find("email") != std::string::npos) {
                    shown.add(new KvAspect(*aspect));
                }
            }
        }
        customersView_ = new KxOutlinerView(extent_.get(), customersWindow_.get(), nullptr, &shown);
        shown.deleteAspects();
        customersView_->resize(customersWindow_.get());
        std::printf("  \"Customers\": the extent of %s in the outliner view, %ld customers with name and e-mail\n",
                    classText.c_str(), extent_->getObjectsCount());

        // The first order in the object navigation view; what is chosen there shows in the object view.
        // (Made before the object view: the script finds a node's text in the window made first.)
        listener_ = std::make_unique<SelectionListener>(this, &ShopAgent::ShowSelection);
        navigationWindow_ = std::make_unique<BrowserWindow>(main, "Order navigation", Point(2 * width + 10, top),
                                                            Size(width, height), this, &BrowserClosed);
        if (KxObject* order = firstObject(orderClass_)) {
            orderSubject_ = std::make_unique<KxGenericObjectSubject>(order, nullptr);
            order->Release();
            navigationView_ = new KxObjectNavigationView(orderSubject_.get(), navigationWindow_.get());
            navigationView_->show(navigationWindow_.get());
            navigationView_->attachView(listener_.get());
            std::printf("  \"Order navigation\": %s in the object navigation view, along its references\n",
                        objectText(orderSubject_->object()).c_str());
        }

        // The chosen customer in the generic object view: the first one to begin with.
        objectWindow_ =
            std::make_unique<BrowserWindow>(main, "Object", Point(width + 6, top), Size(width, height), this, &BrowserClosed);
        customersView_->attachView(listener_.get());
        customersView_->selectItem(0);

        status("Shop database open: browse the customers, a customer and an order.");
        main->Update();
    }

    // "Customer 215": the object's class and id.
    static std::string objectText(KxObject* object) {
        if (object == nullptr) return "(none)";
        KxString id;
        object->GetObjId().PrintToKxString(id);
        const KxMetaType* type = object->GetMetaType();
        return (type != nullptr ? Text(type->GetName()) + " " : std::string()) + Text(id);
    }

    // A customer chosen in the extent, or an object reached in the navigation view: shown in the
    // object view, on a subject of its own (the chosen subjects stay their views').
    void showSelection(KvAspectSet& set, KvView* from) {
        if (!objectWindow_) return;  // closed
        KxObject* object = nullptr;
        const char* where = nullptr;
        if (from == customersView_) {
            KvAspect* oid = set.getAspect(KvAspectId("OID"));
            const KxRef ref = oid != nullptr ? oid->getSurrogate().getKvKelvoxObjectId().getRef() : KxRef();
            if (base_->GetObject(ref, object) != 0) object = nullptr;
            where = "Customers";
        } else {
            KvAspect* inspect = set.getAspect(KvAspectId("Object to Inspect"));
            KvSubject* chosen = inspect != nullptr ? inspect->getSubjectPtr() : nullptr;
            if (auto* reference = dynamic_cast<KxGenericOndemandSubject*>(chosen)) object = reference->object();
            else if (auto* persistent = dynamic_cast<KxGenericObjectSubject*>(chosen)) object = persistent->object();
            // Held like the one read above.
            if (object != nullptr) object->Remember();
            where = "Order navigation";
        }
        if (object == nullptr) return;  // a set or a null reference: nothing to show
        auto subject = std::make_unique<KxGenericObjectSubject>(object, nullptr);
        const std::string what = objectText(object);
        object->Forget(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
        if (objectView_ == nullptr) {
            objectView_ = new KxGenericObjectView(subject.get(), objectWindow_.get());
            objectView_->show(objectWindow_.get());
        } else {
            objectView_->changeSubject(subject.get());
        }
        objectSubject_ = std::move(subject);
        std::printf("  \"Object\": the generic object view shows %s, chosen in \"%s\"%s\n", what.c_str(), where,
                    snapshot(*objectWindow_, what).c_str());
        std::fflush(stdout);
    }

    // The window's picture and paint log as they are now, in the folder of the pictures (SV_PAINT_DIR),
    // named by the count of snapshots and the object shown: " (picture <file>)", or nothing.
    std::string snapshot(Window& window, const std::string& what) {
        const char* folder = std::getenv("SV_PAINT_DIR");
        if (folder == nullptr || *folder == '\0') return std::string();
        std::string name = "object-" + std::to_string(++snapshots_) + "-" + what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
        }
        window.Update();
        const std::string file = std::string(folder) + "/" + name;
        if (!SvRenderPng(window, String((file + ".png").c_str()))) return std::string();
        if (FILE* log = std::fopen((file + ".log").c_str(), "w")) {
            const std::string text = SvWindowLogText(window);
            std::fwrite(text.data(), 1, text.size(), log);
            std::fclose(log);
        }
        return " (picture " + name + ".png)";
    }

    // A browser window the user closed: its views and subjects go with it; the database closes with
    // the last one.
    void closeBrowser(BrowserWindow* window) {
        if (window == customersWindow_.get()) dropCustomers();
        if (window == objectWindow_.get()) dropObject();
        if (window == navigationWindow_.get()) dropNavigation();
        if (!customersWindow_ && !objectWindow_ && !navigationWindow_) closeShop();
    }

    // Each browser: its view first (it leaves its window and subject), then the subject, then the window.
    void dropCustomers() {
        if (customersView_ != nullptr && listener_) customersView_->detachView(listener_.get());
        delete customersView_;
        customersView_ = nullptr;
        extent_.reset();
        customersWindow_.reset();
    }
    void dropObject() {
        delete objectView_;
        objectView_ = nullptr;
        objectSubject_.reset();
        objectWindow_.reset();
    }
    void dropNavigation() {
        if (navigationView_ != nullptr && listener_) navigationView_->detachView(listener_.get());
        delete navigationView_;
        navigationView_ = nullptr;
        orderSubject_.reset();
        navigationWindow_.reset();
    }

    void closeShop() {
        dropObject();
        dropNavigation();
        dropCustomers();
        listener_.reset();
        if (base_) {
            const bool open = base_->IsOpen();
            if (base_->GetTransactionLevel() > 0) base_->AbortTransaction();
            base_->Disconnect();
            base_.reset();
            if (open) {
                std::printf("closed the shop database\n");
                std::fflush(stdout);
            }
        }
    }

    std::unique_ptr<KxBase> base_;
    const KxMetaPersClass* customerClass_ = nullptr;
    const KxMetaPersClass* orderClass_ = nullptr;
    std::unique_ptr<BrowserWindow> customersWindow_;
    std::unique_ptr<BrowserWindow> objectWindow_;
    std::unique_ptr<BrowserWindow> navigationWindow_;
    std::unique_ptr<KxGenericAllSetSubject> extent_;
    std::unique_ptr<KxGenericObjectSubject> objectSubject_;
    std::unique_ptr<KxGenericObjectSubject> orderSubject_;
    std::unique_ptr<SelectionListener> listener_;
    KxOutlinerView* customersView_ = nullptr;          // the views belong to their windows until deleted here
    KxGenericObjectView* objectView_ = nullptr;
    int snapshots_ = 0;
    KxObjectNavigationView* navigationView_ = nullptr;
};

ShopAgent* theAgent = nullptr;

}  // namespace

// The agent module protocol: the agent manager finds both under their decorated names.
KxAgent* openAgent(KxBench* bench) {
    theAgent = new ShopAgent(bench);
    return theAgent;
}

void closeAgent() {
    delete theAgent;
    theAgent = nullptr;
}
