// The object navigation view over objects of a real database: the tree of references, containers
// and compound members growing as nodes open, the subject of the selected node posted to the
// attached views, steering events from other views, and reference edits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KxObjectNavigationView.h"
#include "ObjectViewFixture.h"

namespace {

using viewtest::Lines;

class ObjectNavigationViewTest : public viewtest::ObjectViewFixture<KxObjectNavigationView> {
protected:
    ObjectNavigationViewTest() : ObjectViewFixture("Graph") {}
    NavigationOutlinerNode* NodeAt(const std::string& begin) {
        KxOutliner& outliner = *view_->getOutliner();
        for (unsigned short i = 0; i < outliner.GetEntryCount(); ++i) {
            KxOutlinerNode* node = outliner.GetEntryCarelessOfVisibility(i);
            if (std::string(node->textualRepresentation().GetStr()).rfind(begin, 0) == 0)
                return static_cast<NavigationOutlinerNode*>(node);
        }
        ADD_FAILURE() << "no node " << begin;
        return nullptr;
    }
};

// A subject with one reference aspect whose "pre edit" names element 3 in its "EditAspect", or adds
// none; it records the hints of the edit steps.
class IndexedSubject : public KvSubject {
public:
    IndexedSubject() {
        auto* member = new KvAspect(KvAspectId("member"), static_cast<KvSubject*>(nullptr));
        member->tag() = 3;
        member->setTitle("member");
        aspects_.add(member);
    }
    ~IndexedSubject() override { aspects_.deleteAspects(); }
    void getValue(KvAspectSet&, long) override {}
    KvAspectSet* gimmeYourAspects() override { return &aspects_; }
    KvAspectId getSurrogateAspectId() override { return KvAspectId("member"); }
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override {
        steps.push_back(std::string(verb.getVerb()) + " " + std::to_string(hint));
        if (std::string(verb.getVerb()) == "pre edit" && nameElement) {
            auto* edit = new KvAspect(KvAspectId("EditAspect"), KvSurrogate(KxObjId(5)));
            edit->setTitle("#3, Part");
            set.add(edit);
        }
        if (std::string(verb.getVerb()) == "set back") {
            KvAspect* edit = set.getAspect(KvAspectId("EditAspect"));
            set.remove(edit);
            delete edit;
        }
        return KxErrorCode();
    }
    Lines steps;
    bool nameElement = true;

private:
    KvAspectSet aspects_;
};

TEST_F(ObjectNavigationViewTest, TheTreeGrowsAsNodesOpenAndShrinksAsTheyClose) {
    Show(MakeItem());
    const Lines top{"Graph", "  Spot(1)    spot", "  Owner(1)   * owner", "  ondemand<Item(1)>    next[null]",
                    "  set   <Part(1)>     parts", "  set   <KxString>     tags", "  set   <Spot(1)>     spots",
                    "  set   <ondemand<Item(1)>>     refs"};
    EXPECT_EQ(Items(), top);  // the root is the dialog's title; value members make no node
    // A double click opens the set: one node per part, read from the rows.
    SvSetScript("click \"Graph\" \"set   <Part(1)>     parts\" double\n", "view.sv");
    viewtest::Run();
    Lines opened = Items();
    ASSERT_EQ(opened.size(), top.size() + 2);
    EXPECT_EQ(opened[5].substr(0, 14), "    Part(1) #0");
    EXPECT_EQ(opened[6].substr(0, 14), "    Part(1) #1");
    NavigationOutlinerNode* parts = NodeAt("set   <Part(1)>");
    ASSERT_EQ(parts->getChildren().size(), 2u);
    const KvSubject* firstPart = parts->getChildren()[0]->getSubject();
    ASSERT_NE(firstPart, nullptr);
    // Closing removes them; opening again makes them anew, the same.
    view_->getOutliner()->ToggleExpandBranch(parts, 0);
    EXPECT_EQ(Items(), top);
    EXPECT_TRUE(parts->getChildren().empty());
    view_->getOutliner()->ToggleExpandBranch(parts, 0);
    EXPECT_EQ(Items(), opened);
    // Opening a part reads its own references: a part has none.
    view_->getOutliner()->ToggleExpandBranch(NodeAt("Part(1) #1"), 0);
    EXPECT_EQ(Items(), opened);

    // Closing the root and opening it with all descendants: the root's children are read again,
    // and the opening stops there (an object graph may have cycles).
    view_->getOutliner()->ToggleExpandBranch(NodeAt("Graph"), 1);
    EXPECT_EQ(Items(), Lines{"Graph"});
    view_->getOutliner()->ToggleExpandBranch(NodeAt("Graph"), 1);
    EXPECT_EQ(Items(), top);
}

TEST_F(ObjectNavigationViewTest, SelectingANodePostsItsSubjectOnce) {
    Show(MakeItem());
    viewtest::ListenerView listener;
    view_->attachView(&listener);
    NavigationOutlinerNode* owner = NodeAt("Owner(1)");
    view_->getOutliner()->SetSelectedEntry(owner);
    view_->getOutliner()->SetSelectedEntry(owner);  // the same subject again: not posted
    ASSERT_EQ(listener.verbs, (Lines{"Selection changed"}));
    EXPECT_EQ(listener.firstId, "Object to Inspect");
    auto* ownerSubject = dynamic_cast<KxGenericObjectSubject*>(listener.firstSubject);
    ASSERT_NE(ownerSubject, nullptr);
    EXPECT_EQ(ownerSubject->object(), owner_);
    // Another node, then the null reference: both posted.
    view_->getOutliner()->SetSelectedEntry(NodeAt("set   <Part(1)>"));
    view_->getOutliner()->SetSelectedEntry(NodeAt("ondemand<Item(1)>"));
    EXPECT_EQ(listener.verbs.size(), 3u);
    EXPECT_EQ(listener.firstSubject, nullptr);
    // Without navigation nothing is posted.
    view_->setNavigationEnabled(false);
    view_->getOutliner()->SetSelectedEntry(owner);
    EXPECT_EQ(listener.verbs.size(), 3u);
    view_->detachView(&listener);
}

TEST_F(ObjectNavigationViewTest, AnotherViewSteersItToTheMemberItNames) {
    Show(MakeItem());
    view_->getOutliner()->SetSelectedEntry(NodeAt("Graph"));
    KvAspectSet set;
    set.add(new KvAspect(KvAspectId("Item::parts"), static_cast<KvSubject*>(nullptr)));
    view_->handleEvent(set, nullptr, KvVerb("open", nullptr, nullptr, 1));  // not a steering verb
    EXPECT_EQ(view_->getSelectedNode(), NodeAt("Graph"));
    view_->handleEvent(set, nullptr, KvVerb("navigate", nullptr, nullptr, 1));
    NavigationOutlinerNode* parts = NodeAt("set   <Part(1)>");
    EXPECT_EQ(view_->getSelectedNode(), parts);
    EXPECT_EQ(parts->getChildren().size(), 2u);  // opened
    set.deleteAspects();
}

TEST_F(ObjectNavigationViewTest, AReferenceIsEditedThroughItsParentsSubject) {
    KxObject* item = MakeItem();
    KxObject* other = Make("Owner");
    Set(other, "name", 11, KxString("bob"));
    ASSERT_EQ(0, other->Store());
    Show(item);
    viewtest::ListenerView listener;
    view_->attachView(&listener);
    SvSetScript(("click \"Graph\" \"Owner(1)   * owner\"\nclick \"Graph\" \"Owner(1)   * owner\" right\npopup \"Edit\"\n"
                 "text #2001 Edit 2001 \"" + IdText(other) + "\"\npress #2001 OKButton 1\n").c_str(),
                "view.sv");
    viewtest::Run();
    EXPECT_EQ(*reinterpret_cast<KxObject**>(Address(item, "owner")), other);
    // The new owner was posted for inspection.
    auto* posted = dynamic_cast<KxGenericObjectSubject*>(listener.firstSubject);
    ASSERT_NE(posted, nullptr);
    EXPECT_EQ(posted->object(), other);
    EXPECT_TRUE(SvTakeBoxLog().empty());
    view_->detachView(&listener);

    // A container member: the subject names nothing to edit, so no editor opens.
    view_->getOutliner()->SetSelectedEntry(NodeAt("set   <Part(1)>"));
    view_->editCurrentEntry();
    EXPECT_TRUE(SvTakeBoxLog().empty());
}

TEST_F(ObjectNavigationViewTest, TheEditAspectsTitleNamesTheElementEdited) {
    IndexedSubject subject;
    view_ = std::make_unique<KxObjectNavigationView>(&subject, dialog_.get(), nullptr);
    view_->getOutliner()->SetSelectedEntry(NodeAt(" member[null]"));
    SvSetScript("press #2001 OKButton 1\n", "view.sv");
    view_->editCurrentEntry();
    SvSetScript("press #2001 CancelButton 1\n", "view.sv");
    view_->editCurrentEntry();
    EXPECT_EQ(subject.steps, (Lines{"pre edit 0", "post edit 3", "edit 0", "pre edit 0", "set back 3"}));
    // Without an "EditAspect" there is no editor and no further step.
    subject.nameElement = false;
    subject.steps.clear();
    view_->editCurrentEntry();
    EXPECT_EQ(subject.steps, (Lines{"pre edit 0"}));
    view_.reset();
}

}  // namespace
