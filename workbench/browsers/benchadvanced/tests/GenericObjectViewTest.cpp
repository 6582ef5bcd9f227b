// The generic object view over an object of a real database: its members as a tree, editing
// through the subject's edit protocol, navigation to the objects behind references.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KxGenericBrowserView.h"
#include "KxGenericObjectView.h"
#include "KxGenericSetSubjects.h"
#include "ObjectViewFixture.h"

namespace {

using viewtest::Lines;

class GenericObjectViewTest : public viewtest::ObjectViewFixture<KxGenericObjectView> {
protected:
    GenericObjectViewTest() : ObjectViewFixture("Object") {}
    // The position of the first item that begins with the text.
    unsigned short Find(const std::string& begin) {
        const Lines items = Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].rfind(begin, 0) == 0) return static_cast<unsigned short>(i);
        ADD_FAILURE() << "no item " << begin;
        return 0;
    }
};

TEST_F(GenericObjectViewTest, TheMembersAreATreeWithArrayElementsAsChildrenAndIconsByTag) {
    Bitmap reference(Size(8, 8)), container(Size(8, 8));
    KxOutlinerTagMapper mapper[] = {KxOutlinerTagMapper(3, &reference), KxOutlinerTagMapper(4, &container),
                                    KxOutlinerTagMapper()};
    KxObject* item = MakeItem();
    Show(item, 1, mapper);
    KxString oid;
    item->GetRef().PrintToKxString(oid);
    const Lines items = Items();
    ASSERT_EQ(items.size(), 18u);
    EXPECT_EQ(items[0], "KxObjId OID : " + oid.ToUtf8());
    EXPECT_EQ(items[3], "KxString ClassName : Item");
    EXPECT_EQ(items[4], "KxString    name : pen");
    EXPECT_EQ(items[5], "int    count : 7");
    EXPECT_EQ(items[6], "double    weight : 0 (conversion possibly inaccurate)");
    // The array's elements in index order, one level deeper.
    EXPECT_EQ(Lines(items.begin() + 7, items.begin() + 11),
              (Lines{"short   [3] scores", "  short scores[0] : 1", "  short scores[1] : 2", "  short scores[2] : 3"}));
    // Subjects show no value; a null one shows "[null]".
    EXPECT_EQ(items[12], "Owner(1)   * owner");
    EXPECT_EQ(items[13], "ondemand<Item(1)>    next[null]");
    KxOutliner& outliner = *view_->getOutliner();
    EXPECT_EQ(outliner.GetEntry(12)->iconicRepresentation(), &reference);
    EXPECT_EQ(outliner.GetEntry(14)->iconicRepresentation(), &container);
    EXPECT_EQ(outliner.GetEntry(5)->iconicRepresentation(), nullptr);
    EXPECT_EQ(mapper[0].getTagMapperEntry(4), &mapper[1]);
    EXPECT_EQ(mapper[2].getTagMapperEntry(4), nullptr);  // the end entry alone
}

TEST_F(GenericObjectViewTest, ValueTexts) {
    KvAspectSet none;
    KxGenericObjectView view(nullptr, dialog_.get(), 0, nullptr);
    EXPECT_EQ(view.getOutliner()->GetEntryCount(), 0);  // no subject, no tree
    const char bytes[] = {1, 2, 3, 4};
    KvAspect blob(KvAspectId("b"));
    blob = KxBlob(bytes, 4);
    KvAspect nothing(KvAspectId("n"));
    KvAspect subject(KvAspectId("s"), static_cast<KvSubject*>(nullptr));
    KvAspect byte(KvAspectId("u"), static_cast<unsigned char>(65));
    KvAspect text(KvAspectId("t"), KxString("grün"));
    EXPECT_EQ(std::string(view.nodeValueAsString(&blob).GetStr()), "Tessaform BLOB Length=4");
    EXPECT_EQ(std::string(view.nodeValueAsString(nullptr).GetStr()), "nil");
    EXPECT_EQ(std::string(view.nodeValueAsString(&subject).GetStr()), "NULL");
    EXPECT_EQ(std::string(view.nodeValueAsString(&byte).GetStr()), "65");
    EXPECT_EQ(std::string(view.nodeValueAsString(&nothing).GetStr()), " (unknown type)");
    EXPECT_EQ(std::string(view.nodeValueAsString(&text).GetStr()), KxString("grün").StrGet());
}

TEST_F(GenericObjectViewTest, TheEditVerbEditsAMemberThroughTheSubject) {
    KxObject* item = MakeItem();
    Show(item);
    // Select "count", open the popup, choose "Edit", type 42, OK.
    SvSetScript("click \"Object\" \"int    count : 7\"\n"
                "click \"Object\" \"int    count : 7\" right\n"
                "popup \"Edit\"\n"
                "text #2001 NumericField 2001 \"42\"\n"
                "press #2001 OKButton 1\n",
                "view.sv");
    viewtest::Run();
    EXPECT_EQ(Get<int32_t>(item, "count", 2), 42);
    EXPECT_EQ(Items()[5], "int    count : 42");  // the subject told the view, which read it again
    EXPECT_TRUE(SvTakeBoxLog().empty());

    // Cancel: "set back", nothing written.
    view_->getOutliner()->SetSelectedEntryPos(Find("KxString    name"));
    SvSetScript("text #2001 Edit 2001 \"ink\"\npress #2001 CancelButton 1\n", "view.sv");
    view_->editCurrentEntry();
    EXPECT_EQ(Get<KxString>(item, "name", 11).ToUtf8(), "pen");

    // A read-only member is refused with a box.
    view_->getOutliner()->SetSelectedEntryPos(0);
    view_->editCurrentEntry();
    const auto boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, "InfoBox");
    EXPECT_EQ(boxes[0].text, "Member is read only.");

    // An array element is written through its array subject.
    view_->getOutliner()->SetSelectedEntryPos(Find("  short scores[1]"));
    SvSetScript("text #2001 NumericField 2001 \"-20\"\npress #2001 OKButton 1\n", "view.sv");
    view_->editCurrentEntry();
    EXPECT_EQ(reinterpret_cast<int16_t*>(Address(item, "scores"))[1], -20);
    EXPECT_EQ(Items()[Find("  short scores[1]")], "  short scores[1] : -20");
}

TEST_F(GenericObjectViewTest, AReferenceIsEditedAsTheObjectIdOfItsTarget) {
    KxObject* item = MakeItem();
    KxObject* other = Make("Owner");
    Set(other, "name", 11, KxString("bob"));
    ASSERT_EQ(0, other->Store());
    KxObject* unrelated = Make("Part");
    ASSERT_EQ(0, unrelated->Store());
    Show(item);
    // An object of an unrelated class: the subject refuses it in "post edit", the member stays.
    SvSetScript(("click \"Object\" \"Owner(1)   * owner\"\nclick \"Object\" \"Owner(1)   * owner\" right\n"
                 "popup \"Edit\"\ntext #2001 Edit 2001 \"" + IdText(unrelated) + "\"\npress #2001 OKButton 1\n").c_str(),
                "view.sv");
    viewtest::Run();
    EXPECT_EQ(*reinterpret_cast<KxObject**>(Address(item, "owner")), owner_);
    auto boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Invalid object reference. Cannot set reference.");
    // Text that is no object id is refused by the editor itself.
    SvSetScript("text #2001 Edit 2001 \"999999999999999999999999\"\npress #2001 OKButton 1\npress #2001 CancelButton 1\n", "view.sv");
    view_->editCurrentEntry();
    boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, "ErrorBox");
    // The owner "bob": written into the object.
    SvSetScript(("text #2001 Edit 2001 \"" + IdText(other) + "\"\npress #2001 OKButton 1\n").c_str(), "view.sv");
    view_->editCurrentEntry();
    EXPECT_EQ(*reinterpret_cast<KxObject**>(Address(item, "owner")), other);
    EXPECT_TRUE(SvTakeBoxLog().empty());
}

TEST_F(GenericObjectViewTest, ADoubleClickOpensAViewOnTheReferencedObjectOrPostsTheNode) {
    KxObject* item = MakeItem();
    Show(item);
    SvSetScript("click \"Object\" \"Owner(1)   * owner\" double\n", "view.sv");
    viewtest::Run();
    auto* opened = dynamic_cast<KxGenericObjectView*>(view_->getNavigationView());
    ASSERT_NE(opened, nullptr);
    const Lines ownerItems = viewtest::Items(*opened->getOutliner());
    EXPECT_NE(std::find(ownerItems.begin(), ownerItems.end(), "KxString    name : ann"), ownerItems.end());

    // Without navigation the node is posted: a subject for a reference, a null subject for a value.
    Show(item, 0);
    viewtest::ListenerView listener;
    view_->attachView(&listener);
    view_->getOutliner()->SetSelectedEntryPos(Find("Owner(1)   * owner"));
    view_->navigate();
    view_->getOutliner()->SetSelectedEntryPos(Find("int    count"));
    view_->navigate();
    EXPECT_EQ(view_->getNavigationView(), nullptr);
    ASSERT_EQ(listener.verbs, (Lines{"navigate", "navigate"}));
    EXPECT_EQ(listener.firstSubject, nullptr);
    EXPECT_EQ(listener.sets[0], listener.sets[1]);  // one posted set
    view_->detachView(&listener);
}

TEST_F(GenericObjectViewTest, ADoubleClickOnASetOpensItAsATable) {
    KxObject* item = MakeItem();
    Show(item);
    KxOutliner& outliner = *view_->getOutliner();
    unsigned short parts = 0;
    for (unsigned short i = 0; KxOutlinerNode* node = outliner.GetEntry(i); ++i) {
        KvSubject* s = static_cast<OutlinerNodeWithAspect*>(node)->getAspect()->getSubjectPtr();
        if (s != nullptr && dynamic_cast<KxGenericPersistentObjectSetSubject*>(s) != nullptr) parts = i;
    }
    ASSERT_NE(parts, 0);
    SvSetScript(("click \"Object\" \"" + Items()[parts] + "\" double\n").c_str(), "view.sv");
    viewtest::Run();
    auto* table = dynamic_cast<KxGenericBrowserView*>(view_->getNavigationView());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetRowCount(), 2);
    EXPECT_EQ(table->getBrowser()->GetColumnTitle(6).GetStr(), std::string("size"));
}

}  // namespace
