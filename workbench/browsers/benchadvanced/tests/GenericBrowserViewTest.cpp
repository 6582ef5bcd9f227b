// The generic browser view: extents and sets of a real database as tables (columns, rows, the
// count below, remembered widths), opening a row's object, the popup's verbs and editing a row.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "BrowserFixture.h"
#include "KvInteractor.h"
#include "KvSubject.h"
#include "KxGenericContainerSubjects.h"
#include "KxGenericAllSetSubject.h"
#include "KxGenericBrowserView.h"
#include "KxGenericObjectSubjects.h"
#include "KxGenericObjectView.h"
#include "KxGenericSetSubjects.h"
#include "KxStatusBar.h"
#include "ViewTestSupport.h"

namespace {

using viewtest::Lines;

// A table of its own: rows "row<r>" with a size r and an "object" subject of `inner` rows, made
// for each row read (the previous one goes, as with the sets); the verbs "edit" and "bump", which
// it records with the row's name.
class TableSubject : public KvSubject {
public:
    explicit TableSubject(long rows, long inner = 1) : rows_(rows), inner_(inner) {
        auto* name = new KvAspect(KvAspectId("name"), KxString(""));
        name->setTitle("Name");
        auto* object = new KvAspect(KvAspectId("object"), static_cast<KvSubject*>(nullptr));
        object->setTitle("object");
        auto* size = new KvAspect(KvAspectId("size"), 0L);
        size->setTitle("Size");
        size->setReadOnly();
        aspects_.add(name);
        aspects_.add(object);
        aspects_.add(size);
    }
    ~TableSubject() override {
        delete aspects_.getAspect(KvAspectId("object"))->getSubjectPtr();
        aspects_.deleteAspects();
    }
    void getValue(KvAspectSet& set, long row) override {
        if (KvAspect* name = set.getAspect(KvAspectId("name"))) *name = KxString(("row" + std::to_string(row)).c_str());
        if (KvAspect* size = set.getAspect(KvAspectId("size"))) *size = row;
        if (KvAspect* object = set.getAspect(KvAspectId("object"))) {
            delete object->getSubjectPtr();
            *object = static_cast<KvSubject*>(inner_ > 0 ? new TableSubject(inner_, 0) : nullptr);
        }
    }
    KvAspectSet* gimmeYourAspects() override { return &aspects_; }
    long getObjectsCount() override { return rows_; }
    int isContainer() const override { return 1; }
    KvVerb** gimmeYourVerbs() const override { return const_cast<KvVerb**>(verbs_); }
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override {
        KvAspect* name = set.getAspect(KvAspectId("name"));
        calls.push_back(std::string(verb.getVerb()) + " " + std::to_string(hint) + " " +
                        (name != nullptr ? name->getString().ToUtf8() : "-"));
        changed(hint, verb);
        return KxErrorCode();
    }
    Lines calls;

private:
    long rows_;
    long inner_;
    KvAspectSet aspects_;
    KvVerb edit_{"edit", "Edit", nullptr, 1};
    KvVerb bump_{"bump", "Bump", nullptr, 1};
    const KvVerb* verbs_[3] = {&edit_, &bump_, nullptr};
};

// Takes every event: nothing reaches the view's own handling.
class TakingInteractor : public KvInteractor {
public:
    long MouseButtonDown(KvView*, Window*, const MouseEvent&) override { return 0; }
    long DoubleClick(KvView*, Window*) override { return ++doubleClicks; }
    long doubleClicks = 0;
};

class GenericBrowserViewTest : public browsertest::KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        config_ = "/tmp/browserview-" + std::to_string(getpid()) + ".ini";
        std::remove(config_.c_str());
        setenv("SV_CONFIG", config_.c_str(), 1);
        SvSetScript("", "view.sv");
        dialog_ = viewtest::MakeDialog("Browse");
    }
    void TearDown() override {
        views_.clear();
        dialog_.reset();
        SvTakeBoxLog();
        unsetenv("SV_CONFIG");
        std::remove(config_.c_str());
        KernelFixture::TearDown();
    }
    KxGenericBrowserView& Show(KvSubject* subject, int allowInspect = 1) {
        views_.push_back(std::make_unique<KxGenericBrowserView>(subject, dialog_.get(), allowInspect));
        views_.back()->resize(dialog_.get());
        dialog_->Update();
        return *views_.back();
    }
    // The columns shown: "id:title:width", a frozen one with "*".
    static Lines Columns(KxGenericBrowserView& view) {
        Lines columns;
        BrowseBox& box = *view.getBrowser();
        for (uint16_t pos = 0; pos < box.GetColumnCount(); ++pos) {
            const uint16_t id = box.GetColumnId(pos);
            columns.push_back(std::to_string(id) + ":" + box.GetColumnTitle(id).GetStr() + ":" +
                              std::to_string(box.GetColumnWidth(id)) + (box.IsFrozen(id) ? "*" : ""));
        }
        return columns;
    }
    // The rows as painted: the texts of each row left to right, joined by "|".
    static Lines Rows(KxGenericBrowserView& view) {
        std::map<int32_t, std::map<int32_t, std::string>> cells;
        for (const SvPaintOp& op : view.getBrowser()->GetDataWindow().GetPaintLog())
            if (op.kind == SvPaintOp::TEXT) cells[op.area.Top()][op.area.Left()] = op.text.GetStr();
        Lines rows;
        for (const auto& [y, row] : cells) {
            std::string line;
            for (const auto& [x, text] : row) line += (line.empty() ? "" : "|") + text;
            rows.push_back(line);
        }
        return rows;
    }
    static std::string Status(KxGenericBrowserView& view) {
        return view.getStatusBar()->GetItemText(KxStatusBar::kMessageItem).GetStr();
    }
    static std::string Stored() {
        Config config;
        config.SetGroup("KELVOXGenericBrowserView");
        return config.ReadKey("browserwidths").GetStr();
    }
    // The extent of "Part" with parts of the sizes given.
    std::unique_ptr<KxGenericAllSetSubject> Parts(std::initializer_list<int32_t> sizes) {
        for (int32_t size : sizes) {
            KxObject* part = Make("Part");
            Set(part, "size", 2, size);
            EXPECT_EQ(0, part->Store());
        }
        auto extent = std::make_unique<KxGenericAllSetSubject>(base_.get());
        KvAspectSet event;
        event.add(new KvAspect(KvAspectId("class_id"), static_cast<unsigned short>(5)));
        event.add(new KvAspect(KvAspectId("text"), "Part(1)"));
        extent->handleEvent(event, static_cast<KvView*>(nullptr), KvVerb(nullptr, nullptr, nullptr, 1));
        event.deleteAspects();
        return extent;
    }
    // A click on a row's first field (rows are 17 high).
    static void ClickRow(KxGenericBrowserView& view, long row, uint16_t buttons = MOUSE_LEFT, uint16_t clicks = 1) {
        SvPostClick(&view.getBrowser()->GetDataWindow(), Point(30, 17 * static_cast<int32_t>(row) + 8), buttons, clicks);
        viewtest::Run();
    }

    std::string config_;
    std::unique_ptr<KvAppWindowDialog> dialog_;
    std::vector<std::unique_ptr<KxGenericBrowserView>> views_;
};

TEST_F(GenericBrowserViewTest, AnExtentIsATableWithAColumnPerAspectAndItsCountBelow) {
    auto extent = Parts({11, 12, 13});
    KxGenericBrowserView& view = Show(extent.get());
    // "object" holds a subject: no column, and the member columns keep their aspects' ids.
    EXPECT_EQ(Columns(view), (Lines{"1:OID:100*", "2:ClassId:100*", "3:LocalClassId:100*", "4:ClassName:100*",
                                    "6:name:100", "7:size:100"}));
    const Lines rows = Rows(view);
    ASSERT_EQ(rows.size(), 3u);
    for (const std::string& row : rows) EXPECT_NE(row.find("|5.1|5.1|Part|NULL|1"), std::string::npos) << row;
    EXPECT_EQ(Status(view), "Objects: 3");
    // The table fills the dialog above the status bar.
    const KxStatusBar& bar = *view.getStatusBar();
    EXPECT_EQ(bar.GetPosPixel().Y() + bar.GetSizePixel().Height(), 300);
    EXPECT_EQ(view.getBrowser()->GetSizePixel(), Size(400, 300 - bar.GetSizePixel().Height()));

    // A class without objects: an empty table.
    KvAspectSet event;
    event.add(new KvAspect(KvAspectId("class_id"), static_cast<unsigned short>(6)));
    event.add(new KvAspect(KvAspectId("text"), "Other(1)"));
    extent->handleEvent(event, static_cast<KvView*>(nullptr), KvVerb(nullptr, nullptr, nullptr, 1));
    event.deleteAspects();
    dialog_->Update();
    EXPECT_EQ(Columns(view).back(), "6:label:100");
    EXPECT_TRUE(Rows(view).empty());
    EXPECT_EQ(Status(view), "Objects: 0");
}

TEST_F(GenericBrowserViewTest, ColumnWidthsAreKeptByColumnId) {
    auto extent = Parts({11});
    {
        Config config;
        config.SetGroup("KELVOXGenericBrowserView");
        config.WriteKey("browserwidths", "9,,90,");  // token k is column id k
    }
    {
        KxGenericBrowserView& view = Show(extent.get());
        EXPECT_EQ(Columns(view)[0], "1:OID:100*");
        EXPECT_EQ(Columns(view)[1], "2:ClassId:90*");
        EXPECT_EQ(Columns(view)[2], "3:LocalClassId:100*");
        // The last column, behind the left-out "object", is resized by the user: every width is
        // stored, the last one too.
        view.getBrowser()->SetColumnWidth(7, 180);
        view.getBrowser()->ColumnResized(7);
        EXPECT_EQ(Stored(), ",100,90,100,100,,100,180,");
        views_.clear();
    }
    KxGenericBrowserView& again = Show(extent.get());
    EXPECT_EQ(Columns(again).back(), "7:size:180");
}

TEST_F(GenericBrowserViewTest, SelectingARowPostsItOnceAndOpensItsObject) {
    auto extent = Parts({11, 12});
    KxGenericBrowserView& view = Show(extent.get());
    viewtest::ListenerView listener;
    view.attachView(&listener);
    SvSetScript("click \"Browse\" \"12\"\n", "view.sv");
    viewtest::Run();
    ClickRow(view, view.getBrowser()->FirstSelectedRow());  // the same row again
    EXPECT_EQ(listener.verbs, Lines{"Selection changed"});
    EXPECT_EQ(listener.sets[0], view.getRowAspects());
    EXPECT_EQ(view.getRowAspects()->getAspect(KvAspectId("Part::size"))->getInt(), 12);
    // One object: an object view on it.
    auto* opened = dynamic_cast<KxGenericObjectView*>(view.getInspectView());
    ASSERT_NE(opened, nullptr);
    const Lines items = viewtest::Items(*opened->getOutliner());
    EXPECT_NE(std::find(items.begin(), items.end(), "int    size : 12"), items.end());
    // Reading the other rows again leaves the opened object alone.
    dialog_->Update();
    view.update(0, KvVerb(nullptr, nullptr, nullptr, 1));
    dialog_->Update();
    EXPECT_EQ(viewtest::Items(*opened->getOutliner()), items);
    view.detachView(&listener);
}

TEST_F(GenericBrowserViewTest, ARowWhoseObjectHasManyRowsOpensATableAndAnInteractorKeepsRowsClosed) {
    TableSubject table(3, 2);
    KxGenericBrowserView& view = Show(&table);
    EXPECT_EQ(Columns(view), (Lines{"1:Name:100", "3:Size:100*"}));
    EXPECT_EQ(Rows(view), (Lines{"row0|0", "row1|1", "row2|2"}));
    ClickRow(view, 1);
    auto* opened = dynamic_cast<KxGenericBrowserView*>(view.getInspectView());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->GetRowCount(), 2);

    TableSubject other(3, 2);
    views_.clear();
    KxGenericBrowserView& quiet = Show(&other);
    TakingInteractor interactor;
    quiet.KvView::attachInteractor(&interactor);
    ClickRow(quiet, 2, MOUSE_LEFT, 2);
    EXPECT_EQ(quiet.getBrowser()->FirstSelectedRow(), 2);
    EXPECT_EQ(quiet.getInspectView(), nullptr);
    EXPECT_EQ(interactor.doubleClicks, 1);
    quiet.KvView::dettachInteractor();
}

TEST_F(GenericBrowserViewTest, VerbsActOnTheSelectedRow) {
    TableSubject table(4, 0);
    KxGenericBrowserView& view = Show(&table, 0);
    // All rows were read for painting; the verb still goes with the selected row's values.
    SvSetScript("click \"Browse\" \"row1\"\nclick \"Browse\" \"row1\" right\npopup \"Bump\"\n", "view.sv");
    viewtest::Run();
    // Without a selected row no row's values go with it.
    view.getBrowser()->SetNoSelection();
    SvSetScript("click \"Browse\" \"row3\" right\npopup \"Bump\"\n", "view.sv");
    viewtest::Run();
    EXPECT_EQ(table.calls, (Lines{"bump 1 row1", "bump -1 -"}));
    // A read-only first aspect is not edited.
    auto extent = Parts({11});
    KxGenericBrowserView& parts = Show(extent.get());
    parts.getBrowser()->GoToRow(0);
    parts.editCurrentEntry();
    const auto boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, "InfoBox");
    EXPECT_EQ(boxes[0].text, "Member is read only.");
}

TEST_F(GenericBrowserViewTest, ATypeSetRowIsEditedAndASetElementRemovedFromThePopup) {
    KxObject* item = Make("Item");
    KxMemberAccessor tagsAccessor(item->GetMetaClass(), "tags");
    ASSERT_EQ(0, tagsAccessor.Of(item));
    KxSet* set = nullptr;
    ASSERT_EQ(0, tagsAccessor.Get(set));
    set->AttachToBase(base_.get());
    auto* tags = dynamic_cast<KxTypeSet*>(set);
    ASSERT_NE(tags, nullptr);
    for (const char* tag : {"ant", "bee"}) {
        const KxString value(tag);
        ASSERT_EQ(0, tags->Add(&value));
    }
    KxGenericTypeSetSubject subject(tags, base_->GetDictionary()->FindByName(KxString("TagSet"))->AsSet());
    KxGenericBrowserView& view = Show(&subject);
    EXPECT_EQ(Rows(view), (Lines{"ant", "bee"}));
    SvSetScript("click \"Browse\" \"bee\"\nclick \"Browse\" \"bee\" right\npopup \"Edit\"\n"
                "text #2001 Edit 2001 \"wasp\"\npress #2001 OKButton 1\n",
                "view.sv");
    viewtest::Run();
    KxString value;
    ASSERT_EQ(0, tags->Get(1, &value));
    EXPECT_EQ(value.ToUtf8(), "wasp");
    EXPECT_EQ(Rows(view), (Lines{"ant", "wasp"}));
    SvSetScript("click \"Browse\" \"ant\"\nclick \"Browse\" \"ant\" right\npopup \"Remove\"\n", "view.sv");
    viewtest::Run();
    EXPECT_EQ(Rows(view), (Lines{"wasp"}));
    EXPECT_EQ(Status(view), "Objects: 1");
    EXPECT_TRUE(SvTakeBoxLog().empty());
}

TEST_F(GenericBrowserViewTest, WithoutAWindowThereIsNoTable) {
    TableSubject table(2, 0);
    KxGenericBrowserView view(&table, nullptr, 1);
    EXPECT_EQ(view.getBrowser(), nullptr);
    EXPECT_EQ(view.getSelectRowCount(), 0);
    EXPECT_EQ(view.firstSelectedSurrogate(), nullptr);
    view.update(0, KvVerb("new object", nullptr, nullptr, 1));
    KvAspectSet set;
    view.getValue(set);
    EXPECT_EQ(set.count(), 0u);
}

// Containers of a holder: numbers 5, 6, 7 and the parts bolt and nut.
class ContainerBrowserViewTest : public GenericBrowserViewTest {
protected:
    const char* dictionaryText() const override {
        return "dictionary boxes server=LOCAL logical=boxes revision=1\n"
               "class 2.1 Part\nmember name string\nmember size int\n"
               "class 3.1 Holder\nmember name string\nmember numbers container:NumberBox\nmember parts container:PartBox\n"
               "container 900.1 NumberBox int\ncontainer 901.1 PartBox Part\n";
    }
    KxBasicContainer* ContainerOf(KxObject* object, const char* member) {
        KxMemberAccessor accessor(object->GetMetaClass(), member);
        KxBasicContainer* container = nullptr;
        EXPECT_EQ(0, accessor.Of(object));
        EXPECT_EQ(0, accessor.Get(container)) << member;
        return container;
    }
    KxObject* Holder() {
        KxObject* holder = Make("Holder");
        for (int32_t n : {5, 6, 7}) EXPECT_EQ(0, ContainerOf(holder, "numbers")->Add(&n));
        for (const char* name : {"bolt", "nut"}) {
            KxObject* part = Make("Part");
            Set(part, "name", 11, KxString(name));
            EXPECT_EQ(0, part->Store(0));
            const KxOnDemand ref(part, 1);
            EXPECT_EQ(0, ContainerOf(holder, "parts")->Add(&ref));
        }
        EXPECT_EQ(0, holder->Store(0));
        return holder;
    }
    // The subject of a member of the holder's subject.
    static KvSubject* Member(KxGenericObjectSubject& owner, const char* member) {
        KvAspectSet& set = *owner.gimmeYourAspects();
        owner.getValue(set, 0);
        KvAspect* aspect = set.getAspect(KvAspectId((std::string("Holder::") + member).c_str()));
        return aspect != nullptr ? aspect->getSubjectPtr() : nullptr;
    }
};

TEST_F(ContainerBrowserViewTest, AContainersElementsAreRowsAndItsVerbsChangeNothing) {
    KxObject* holder = Holder();
    KxGenericObjectSubject owner(holder, nullptr);
    KvSubject* numbers = Member(owner, "numbers");
    ASSERT_NE(numbers, nullptr);
    KxGenericBrowserView& view = Show(numbers);
    EXPECT_EQ(Rows(view), (Lines{"5", "6", "7"}));
    EXPECT_EQ(Status(view), "Objects: 3");
    SvSetScript("click \"Browse\" \"6\"\nclick \"Browse\" \"6\" right\npopup \"Insert\"\n", "view.sv");
    viewtest::Run();
    EXPECT_EQ(Rows(view), (Lines{"5", "6", "7"}));
    EXPECT_EQ(ContainerOf(holder, "numbers")->Count(), 3u);
    EXPECT_TRUE(SvTakeBoxLog().empty());

    // The selected row of referenced parts: its surrogate and values.
    KvSubject* parts = Member(owner, "parts");
    ASSERT_NE(parts, nullptr);
    views_.clear();
    KxGenericBrowserView& table = Show(parts);
    const Lines rows = Rows(table);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find("|Part|nut|"), std::string::npos) << rows[1];
    ClickRow(table, 1);
    EXPECT_NE(table.firstSelectedSurrogate(), nullptr);
    EXPECT_EQ(table.getRowAspects()->getAspect(KvAspectId("Part::name"))->getString().ToUtf8(), "nut");
    EXPECT_EQ(table.nextSelectedSurrogate(), nullptr);
    views_.clear();

    // The object view opens a container as a table.
    KxGenericObjectView tree(&owner, dialog_.get(), 1, nullptr);
    KxOutliner& outliner = *tree.getOutliner();
    for (unsigned short i = 0; KxOutlinerNode* node = outliner.GetEntry(i); ++i)
        if (dynamic_cast<KxGenericPersClassContainerSubject*>(static_cast<OutlinerNodeWithAspect*>(node)->getAspect()->getSubjectPtr()))
            outliner.SetSelectedEntryPos(i);
    tree.navigate();
    auto* navigated = dynamic_cast<KxGenericBrowserView*>(tree.getNavigationView());
    ASSERT_NE(navigated, nullptr);
    EXPECT_EQ(navigated->GetRowCount(), 2);
}

}  // namespace
