// The search dialog registry (numbers, the one dialog shown, focus changes, the handler's life), the
// outliner view's "find" entry, and the object finder over a real database.
#include <gtest/gtest.h>

#include <memory>

#include "BrowserFixture.h"
#include "KvSubject.h"
#include "KxOutlinerView.h"
#include "KxSearchDialog.h"
#include "ViewTestSupport.h"
#include "svres.h"

namespace {

constexpr uint32_t kSearchWindow = 3001;

void FillResources(SvResourceFile& file) {
    file.AddWindow(RSC_FLOATINGWINDOW, kSearchWindow, "Search", Point(10, 10), Size(200, 80));
}
SvResourceFile theResources("searchtest", &FillResources);

class TestSearchDialog : public KxSearchDialog {
public:
    TestSearchDialog() : KxSearchDialog(nullptr, ResId(kSearchWindow, Manager())) { FreeResource(); }
    static ResMgr* Manager() {
        static ResMgr mgr("searchtest");
        return &mgr;
    }
};

// A view that takes the focus on demand and asks for a given search window.
class FocusView : public KvView {
public:
    explicit FocusView(int type) : KvView(nullptr, nullptr), type_(type) {}
    ~FocusView() override { haveBeenKilled(); }
    void update(long, const KvVerb&) override {}
    int getSearchWindowType() const override { return type_; }
    void focus() { gotFocus(); }
    void defocus() { lostFocus(); }

private:
    int type_;
};

TEST(SearchDialogTest, RegisteredDialogsAreNumberedAndOneIsShownAtATime) {
    EXPECT_EQ(KxSearchDialog::getHandler(), nullptr);
    auto first = std::make_unique<TestSearchDialog>();
    auto second = std::make_unique<TestSearchDialog>();
    EXPECT_EQ(first->GetRegistrationNumber(), 1);
    EXPECT_EQ(second->GetRegistrationNumber(), 2);
    EXPECT_NE(KxSearchDialog::getHandler(), nullptr);
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);

    KxSearchDialog::showDialogFor(0);
    EXPECT_EQ(KxSearchDialog::getCurrent(), first.get());
    EXPECT_TRUE(first->IsVisible());
    KxSearchDialog::showDialogFor(0);  // already shown: nothing changes
    EXPECT_TRUE(first->IsVisible());
    KxSearchDialog::showDialogFor(1);
    EXPECT_FALSE(first->IsVisible());
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(KxSearchDialog::getCurrent(), second.get());
    // A position beyond the registry closes the shown dialog and opens none.
    KxSearchDialog::showDialogFor(5);
    EXPECT_FALSE(second->IsVisible());
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);
    KxSearchDialog::showDialogFor(-1);
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);

    second->Open();
    KxSearchDialog::hideCurrent();
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);
    EXPECT_FALSE(second->IsVisible());
    // Closing a dialog that is not the current one leaves the current one.
    first->Open();
    EXPECT_FALSE(second->Close());
    EXPECT_EQ(KxSearchDialog::getCurrent(), first.get());

    // A dialog that goes while shown is no longer the current one.
    first.reset();
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);
    EXPECT_EQ(KxSearchDialog::RegisteredDialogs.Count(), 1u);
    EXPECT_NE(KxSearchDialog::getHandler(), nullptr);
    second.reset();
    EXPECT_EQ(KxSearchDialog::getHandler(), nullptr);
    // A new registration makes a new handler.
    TestSearchDialog again;
    EXPECT_EQ(again.GetRegistrationNumber(), 1);
    EXPECT_NE(KxSearchDialog::getHandler(), nullptr);
}

TEST(SearchDialogTest, AFocusChangeShowsTheDialogTheFocusedViewAsksFor) {
    TestSearchDialog first, second;
    FocusView wantsSecond(1), wantsFirst(0);
    // No dialog shown: a focus change opens none.
    wantsSecond.focus();
    EXPECT_EQ(KxSearchDialog::getCurrent(), nullptr);
    wantsSecond.defocus();

    first.Open();
    wantsSecond.focus();
    EXPECT_EQ(KxSearchDialog::getCurrent(), &second);
    EXPECT_FALSE(first.IsVisible());
    wantsSecond.defocus();  // losing the focus changes nothing
    EXPECT_EQ(KxSearchDialog::getCurrent(), &second);
    wantsFirst.focus();
    EXPECT_EQ(KxSearchDialog::getCurrent(), &first);
    wantsFirst.defocus();
    KxSearchDialog::hideCurrent();
}

// One object with a "find" verb for the outliner view.
class FindSubject : public KvSubject {
public:
    long getObjectsCount() override { return 1; }
    void getValue(KvAspectSet& set, long) override {
        if (KvAspect* a = set.getAspect(KvAspectId("text"))) *a = "Only";
        if (KvAspect* a = set.getAspect(KvAspectId("indentLevel"))) *a = static_cast<unsigned short>(0);
        if (KvAspect* a = set.getAspect(KvAspectId("entryType"))) *a = static_cast<unsigned short>(1);
        if (KvAspect* a = set.getAspect(KvAspectId("surrogate"))) *a = KvSurrogate(1l);
    }
    KvVerb** gimmeYourVerbs() const override { return const_cast<KvVerb**>(verbs_); }
    KxErrorCode update(KvAspectSet&, long, const KvVerb&) override {
        ++updates;
        return KxErrorCode();
    }
    int updates = 0;

private:
    KvVerb find_{"find", "~find...", nullptr, 1};
    KvVerb* verbs_[2] = {&find_, nullptr};
};

TEST(SearchDialogTest, TheOutlinerViewsFindEntryShowsItsSearchWindow) {
    SvSetScript("", "view.sv");
    TestSearchDialog first, second;
    auto dialog = viewtest::MakeDialog("Find");
    FindSubject subject;
    {
        KxOutlinerView view(&subject, dialog.get());
        view.setSearchWindowType(1);
        SvSetScript("popup \"~find...\"\n", "view.sv");
        view.executePopup(view.getOutliner(), MouseEvent(Point(5, 5), 1, 16));
        EXPECT_EQ(KxSearchDialog::getCurrent(), &second);
        EXPECT_TRUE(second.IsVisible());
        EXPECT_EQ(subject.updates, 0);  // "find" is not sent to the subject
    }
    KxSearchDialog::hideCurrent();
    SvTakeBoxLog();
}

class ObjectFinderTest : public browsertest::KernelFixture {};

TEST_F(ObjectFinderTest, FindsStoredObjectsOfTheClassByTheirIds) {
    KxObject* item = Make("Item");
    KxObject* part = Make("Part");
    ASSERT_EQ(0, item->Store());
    ASSERT_EQ(0, part->Store());
    const KxObjId itemId = item->GetRef().GetObjId();
    const KxObjId partId = part->GetRef().GetObjId();
    const KxMetaPersClass* root = base_->GetDictionary()->GetCurrentVersion(0)->AsPersClass();
    ASSERT_NE(root, nullptr);

    KxObject* found = nullptr;
    {
        KxObjectFinder find(base_.get(), root);
        found = find(itemId);
        EXPECT_EQ(found, item);
        EXPECT_EQ(find(partId), part);
        part->Forget();
        EXPECT_EQ(find(KxObjId()), nullptr);
        EXPECT_EQ(find(KxObjId(987654)), nullptr);
    }
    // The object stays held for the caller after the finder has gone.
    ASSERT_NE(found, nullptr);
    EXPECT_GT(found->Forget(), 0);  // the fixture still holds it too

    // A finder over another class does not find the item; one without base or class finds nothing.
    KxObjectFinder parts(base_.get(), Class("Part")->AsPersClass());
    EXPECT_EQ(parts(itemId), nullptr);
    KxObjectFinder noBase(nullptr, root);
    KxObjectFinder noClass(base_.get(), nullptr);
    EXPECT_EQ(noBase(itemId), nullptr);
    EXPECT_EQ(noClass(itemId), nullptr);
}

TEST_F(ObjectFinderTest, ObjectsNotInMemoryAreReadFromTheDatabase) {
    KxObject* item = KxObject::Make(base_.get(), KxString("Item"));
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(0, item->Store());
    const KxObjId id = item->GetRef().GetObjId();
    EXPECT_EQ(0, item->Forget());
    KxObjectFinder find(base_.get(), Class("Item")->AsPersClass());
    KxObject* read = find(id);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetRef().GetObjId(), id);
    EXPECT_EQ(0, read->Forget());
}

}  // namespace
