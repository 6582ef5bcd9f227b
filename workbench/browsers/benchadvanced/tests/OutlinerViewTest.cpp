// The outliner view over a subject whose entries carry an indent level: the tree with its links
// and icons, the node texts with display aspects, the popup of verbs and aspects, selection events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "BrowserFixture.h"
#include "KvSubject.h"
#include "KxGenericAllSetSubject.h"
#include "KxOutlinerView.h"
#include "ViewTestSupport.h"

namespace {

using viewtest::Lines;

struct Entry {
    const char* text;
    unsigned short level;
    unsigned short type;
    long size;
};

// Entries with the five aspects of the outliner view, a titled "size" and an untitled "hidden"
// aspect, and three verbs (the last one not applyable).
class EntrySubject : public KvSubject {
public:
    explicit EntrySubject(std::vector<Entry> entries) : entries_(std::move(entries)) {
        auto* size = new KvAspect(KvAspectId("size"), 0l);
        size->setTitle("Size of the entry\tSize");
        aspects_.add(size);
        aspects_.add(new KvAspect(KvAspectId("hidden"), 0l));
        auto* kind = new KvAspect(KvAspectId("kind"), "x");
        kind->setTitle("Kind");
        kind->setNotAvail();
        aspects_.add(kind);
    }
    ~EntrySubject() override { aspects_.deleteAspects(); }
    long getObjectsCount() override { return static_cast<long>(entries_.size()); }
    void getValue(KvAspectSet& set, long index) override {
        const Entry& e = entries_.at(index);
        if (KvAspect* a = set.getAspect(KvAspectId("text"))) *a = e.text;
        if (KvAspect* a = set.getAspect(KvAspectId("indentLevel"))) *a = e.level;
        if (KvAspect* a = set.getAspect(KvAspectId("entryType"))) *a = e.type;
        if (KvAspect* a = set.getAspect(KvAspectId("surrogate"))) *a = KvSurrogate(index + 100);
        if (KvAspect* a = set.getAspect(KvAspectId("size"))) *a = e.size;
        if (KvAspect* a = set.getAspect(KvAspectId("hidden"))) *a = 7l;
        if (KvAspect* a = set.getAspect(KvAspectId("kind"))) a->setNotAvail();  // never known
        read.push_back(index);
    }
    KvAspectSet* gimmeYourAspects() override { return withAspects ? &aspects_ : nullptr; }
    KvVerb** gimmeYourVerbs() const override { return withVerbs ? const_cast<KvVerb**>(verbs_) : nullptr; }
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override {
        updates.push_back(std::string(verb.getVerb()) + " " + std::to_string(hint) + " " +
                          std::to_string(set.getAspect(KvAspectId("surrogate"))->getSurrogate().getLong()));
        return answer;
    }

    std::vector<long> read;
    Lines updates;
    KxErrorCode answer;
    bool withAspects = true;
    bool withVerbs = true;

private:
    std::vector<Entry> entries_;
    KvAspectSet aspects_;
    KvVerb refresh_{"refresh", "Refresh", "Read again", 1};
    KvVerb remove_{"delete", "Delete", nullptr, 1};
    KvVerb lock_{"lock", "Lock", nullptr, 0};
    KvVerb* verbs_[4] = {&refresh_, &remove_, &lock_, nullptr};
};

const std::vector<Entry> kTree = {
    {"Root", 0, 1, 10}, {"A", 1, 2, 3}, {"A1", 2, 2, 1}, {"B", 1, 2, 5}, {"B1", 2, 3, 2}, {"Other", 0, 1, 4},
};

class OutlinerViewTest : public ::testing::Test {
protected:
    OutlinerViewTest() : dialog_(viewtest::MakeDialog("Tree")) { SvSetScript("", "view.sv"); }
    ~OutlinerViewTest() override {
        view_.reset();
        dialog_.reset();
        SvTakeBoxLog();
    }
    KxOutlinerView& Make(EntrySubject& subject, KxOutlinerViewTypeMapper* mapper = nullptr, KvAspectSet* extra = nullptr) {
        view_ = std::make_unique<KxOutlinerView>(&subject, dialog_.get(), mapper, extra);
        view_->resize(dialog_.get());
        dialog_->Update();
        return *view_;
    }
    KxOutlinerViewNode* Node(unsigned short pos) {
        return static_cast<KxOutlinerViewNode*>(view_->getOutliner()->GetEntryCarelessOfVisibility(pos));
    }

    std::unique_ptr<KvAppWindowDialog> dialog_;
    std::unique_ptr<KxOutlinerView> view_;
};

TEST_F(OutlinerViewTest, TheEntriesBecomeATreeWithParentsSiblingsAndIconsByEntryType) {
    Bitmap root(Size(8, 8)), leaf(Size(8, 8)), leafMask(Size(8, 8)), later(Size(8, 8));
    KxOutlinerViewTypeMapper mapper[] = {
        {1, &root, nullptr, nullptr, nullptr},
        {2, &leaf, &leafMask, nullptr, nullptr},
        {2, &later, &leafMask, nullptr, nullptr},  // a later match wins
        {-1, nullptr, nullptr, nullptr, nullptr},
        {3, &root, nullptr, nullptr, nullptr},  // behind the end: never read
    };
    EntrySubject subject(kTree);
    KxOutlinerView& view = Make(subject, mapper);
    EXPECT_EQ(viewtest::Items(*view.getOutliner()), (Lines{"Root", "  A", "    A1", "  B", "    B1", "Other"}));
    EXPECT_EQ(Node(0)->getParent(), nullptr);
    EXPECT_EQ(Node(1)->getParent(), Node(0));
    EXPECT_EQ(Node(2)->getParent(), Node(1));
    EXPECT_EQ(Node(1)->getNextSibling(), Node(3));
    EXPECT_EQ(Node(0)->getNextSibling(), Node(5));
    // Going back up drops the deeper entries: A1 has no sibling in B's children.
    EXPECT_EQ(Node(2)->getNextSibling(), nullptr);
    EXPECT_EQ(Node(4)->getSurrogate().getLong(), 104);
    EXPECT_EQ(Node(4)->getEntryType(), 3);
    // From A1, the next node on level 1 is A's sibling B; on level 0 Root's sibling.
    EXPECT_EQ(Node(2)->getNextVisibleNodeOnSameIndentLevel(1), Node(3));
    EXPECT_EQ(Node(2)->getNextVisibleNodeOnSameIndentLevel(0), Node(5));
    // Icons.
    EXPECT_EQ(Node(0)->iconicRepresentation(), &root);
    EXPECT_EQ(Node(1)->iconicRepresentation(), &later);
    EXPECT_EQ(Node(1)->negativIconicRepresentation(), &leafMask);
    EXPECT_EQ(Node(4)->iconicRepresentation(), nullptr);
    // The picture shows the texts.
    EXPECT_NE(SvWindowLogText(*dialog_).find("\"B1\""), std::string::npos);
}

TEST_F(OutlinerViewTest, EmptySubjectsAndLevelsJumpingDeeper) {
    EntrySubject empty({});
    Make(empty);
    EXPECT_EQ(view_->getOutliner()->GetEntryCount(), 0);
    EXPECT_EQ(view_->getContainerCount(0), 0);
    EXPECT_TRUE(view_->getContainerItem(0, 0)->isNotOk());

    // A node two levels deeper than the one before it is refused by the control and dropped; the
    // nodes after it link as if it had never been there.
    EntrySubject jumping({{"Root", 0, 1, 0}, {"Deep", 2, 1, 0}, {"A", 1, 1, 0}, {"B", 1, 1, 0}});
    Make(jumping);
    EXPECT_EQ(viewtest::Items(*view_->getOutliner()), (Lines{"Root", "  A", "  B"}));
    EXPECT_EQ(Node(1)->getParent(), Node(0));
    EXPECT_EQ(Node(1)->getNextSibling(), Node(2));
}

TEST_F(OutlinerViewTest, DisplayAspectsChosenInThePopupShowInTheNodeTexts) {
    EntrySubject subject(kTree);
    KvAspectSet extra;
    auto* kind = new KvAspect(KvAspectId("kind"), "x");
    kind->setTitle("Kind");
    kind->setNotAvail();
    extra.add(kind);
    Make(subject, nullptr, &extra);
    extra.deleteAspects();
    EXPECT_EQ(viewtest::Items(*view_->getOutliner())[0], "Root Kind=?");

    // Right click on "A": the verbs, a separator, then the titled aspects (the untitled one never).
    SvSetScript("click \"Tree\" \"A Kind=?\" right\npopup \"Size of the entry\\tSize\"\n", "view.sv");
    viewtest::Run();
    EXPECT_EQ(viewtest::Items(*view_->getOutliner()),
              (Lines{"Root Kind=? Size=10", "  A Kind=? Size=3", "    A1 Kind=? Size=1", "  B Kind=? Size=5",
                     "    B1 Kind=? Size=2", "Other Kind=? Size=4"}));
    // Chosen twice, the aspect goes again; so does the one given at construction.
    SvSetScript("click \"Tree\" \"Root Kind=? Size=10\" right\npopup \"Size of the entry\\tSize\"\n"
                "click \"Tree\" \"Root Kind=?\" right\npopup \"Kind\"\n",
                "view.sv");
    viewtest::Run();
    EXPECT_EQ(viewtest::Items(*view_->getOutliner())[0], "Root");
    EXPECT_EQ(view_->getAspectSet()->count(), 5u);
}

TEST_F(OutlinerViewTest, VerbsFromThePopupGoToTheSubject) {
    EntrySubject subject(kTree);
    Make(subject);
    SvSetScript("click \"Tree\" \"B\"\nclick \"Tree\" \"B\" right\npopup \"Delete\"\n", "view.sv");
    viewtest::Run();
    // The selection read entry 3 into the view's set, which goes with the verb.
    EXPECT_EQ(subject.updates, (Lines{"delete 0 103"}));
    // Without aspects the menu holds the verbs only.
    subject.withAspects = false;
    subject.updates.clear();
    SvSetScript("popup \"Refresh\"\n", "view.sv");
    view_->executePopup(view_->getOutliner(), MouseEvent(Point(5, 5), 1, 16));
    EXPECT_EQ(subject.updates, (Lines{"refresh 0 103"}));
}

TEST_F(OutlinerViewTest, SelectionPostsTheSelectedEntryToTheAttachedViews) {
    EntrySubject subject(kTree);
    Make(subject);
    viewtest::ListenerView listener;
    view_->attachView(&listener);
    viewtest::ClickItem(dialog_.get(), 4);
    viewtest::Run();
    ASSERT_EQ(listener.verbs, (Lines{"Selection changed"}));
    EXPECT_EQ(listener.sender, view_.get());
    EXPECT_EQ(view_->getAspectSet()->getAspect(KvAspectId("surrogate"))->getSurrogate().getLong(), 104);
    EXPECT_EQ(view_->getContainerCount(1), 6);
    EXPECT_EQ(view_->getContainerCount(0), 1);
    EXPECT_EQ(view_->getContainerItem(1, 0)->getAspect(KvAspectId("text"))->getString().ToUtf8(), "Other");

    // "select" from the subject selects the entry, even a hidden one, and posts the event on.
    view_->getOutliner()->ToggleExpandBranch(static_cast<unsigned short>(0), 0);  // hides Root's children
    KvAspectSet set;
    view_->update(set, 2, KvVerb("SELECT", nullptr, nullptr, 1));
    EXPECT_EQ(view_->getOutliner()->GetSelectedEntryPos(), 2);
    EXPECT_EQ(listener.verbs.back(), "SELECT");
    view_->detachView(&listener);
}

TEST_F(OutlinerViewTest, FindResultsOfTheSubjectAreShownByTheirClass) {
    EntrySubject subject(kTree);
    Make(subject);
    view_->selectItem(3);
    KvAspectSet& set = *view_->getAspectSet();
    subject.answer = KxErrorCode(KxErrWarning, "Not found");
    view_->update(set, 0, KvVerb("findNext", nullptr, nullptr, 1));
    subject.answer = KxErrorCode(KxErrError, "Illegal find parameters");
    view_->update(set, 0, KvVerb("find", nullptr, nullptr, 1));
    subject.answer = KxErrorCode();
    view_->update(set, 0, KvVerb("find", nullptr, nullptr, 1));
    ASSERT_EQ(subject.updates.size(), 3u);
    EXPECT_EQ(subject.updates[0].substr(0, 11), "findNext 3 ");  // the selected position
    const auto boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, "WarningBox");
    EXPECT_EQ(boxes[0].text, "Not found");
    EXPECT_EQ(boxes[1].kind, "ErrorBox");

    // Any other verb rebuilds the tree from the subject.
    subject.read.clear();
    view_->update(set, 0, KvVerb("changed", nullptr, nullptr, 1));
    EXPECT_EQ(subject.read.size(), 6u);
}

// The extent of a class in a real database: its objects carry no text or level of their own, so
// each is a top-level node without text until display aspects are chosen.
class OutlinerViewOverExtentTest : public browsertest::KernelFixture {};

TEST_F(OutlinerViewOverExtentTest, TheObjectsOfTheSelectedClassWithTheirMembersChosenInThePopup) {
    for (int32_t size : {11, 12}) {
        KxObject* part = Make("Part");
        Set(part, "size", 2, size);
        ASSERT_EQ(0, part->Store());
    }
    SvSetScript("", "view.sv");
    auto dialog = viewtest::MakeDialog("Extent");
    KxGenericAllSetSubject subject(base_.get());
    KxOutlinerView view(&subject, dialog.get());
    view.resize(dialog.get());
    // The class hierarchy's selection: the subject reads the class's objects and tells the view.
    KvAspectSet event;
    event.add(new KvAspect(KvAspectId("class_id"), static_cast<unsigned short>(5)));
    event.add(new KvAspect(KvAspectId("text"), "Part(1)"));
    subject.handleEvent(event, static_cast<KvView*>(nullptr), KvVerb(nullptr, nullptr, nullptr, 1));
    event.deleteAspects();
    EXPECT_EQ(viewtest::Items(*view.getOutliner()), (Lines{"", ""}));
    dialog->Update();
    SvSetScript("click \"Extent\" 30 8 right\npopup \"size\"\n", "view.sv");
    viewtest::Run();
    Lines items = viewtest::Items(*view.getOutliner());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (Lines{" size=11", " size=12"}));
    SvTakeBoxLog();
}

}  // namespace
