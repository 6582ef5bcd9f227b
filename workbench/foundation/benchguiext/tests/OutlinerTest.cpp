// The outliner's node model and operations, driven headless: insertion and its level rule, expanding
// and collapsing, parents, selection by keys, mouse and type-ahead, and the reports it writes.
#include "OutlinerTestSupport.h"

namespace {

using outlinertest::Lines;
using outlinertest::OutlinerTest;

// Root / A (A1, A2 (A2x)) / B / Other
const std::vector<std::pair<const char*, unsigned short>> kTree = {
    {"Root", 0}, {"A", 1}, {"A1", 2}, {"A2", 2}, {"A2x", 3}, {"B", 1}, {"Other", 0}};

TEST_F(OutlinerTest, InsertionRefusesANodeMoreThanOneLevelDeeperThanTheOneBeforeIt) {
    const auto nodes = Fill({{"Root", 0}});
    const struct {
        const char* text;
        unsigned short level;
        unsigned short pos;
        bool accepted;
    } cases[] = {
        {"deep", 2, 1, false},        // level 2 after level 0
        {"child", 1, 1, true},        // level 1 after level 0
        {"first", 5, 0, true},        // any level at position 0
        {"appended", 7, KX_OUTLINER_NOPOS, false},  // after "child" (level 1)
    };
    for (const auto& c : cases) {
        auto* node = new KxOutlinerNode(outliner_);
        node->setTextualRepresentation(c.text);
        node->setIndentLevel(c.level);
        const unsigned short at = outliner_->InsertEntry(node, c.pos);
        EXPECT_EQ(at != KX_OUTLINER_NOPOS, c.accepted) << c.text;
        const std::string debug = TakeDebug();
        if (c.accepted) {
            EXPECT_EQ(debug, "") << c.text;
        } else {
            // The refused node stays the caller's.
            EXPECT_EQ(debug.rfind("inserted node indentLevel > previousNode indentLeve+1, ignored.\n"
                                  "error inserting item " + std::string(c.text) + " at pos ", 0), 0u)
                << debug;
            EXPECT_NE(debug.find("KxOutliner.cpp, line "), std::string::npos) << debug;
            delete node;
        }
    }
    EXPECT_EQ(Items(), (Lines{"          first", "Root", "  child"}));
    EXPECT_EQ(outliner_->GetEntryCount(), 3);
    EXPECT_EQ(outliner_->GetEntryPos(nodes[0]), 1);
}

TEST_F(OutlinerTest, CollapsingHidesTheSubtreeAndExpandingShowsOneLevelOrAll) {
    const auto n = Fill(kTree);
    KxOutlinerNode *root = n[0], *a = n[1], *a2 = n[3];
    EXPECT_TRUE(root->isExpanded());
    EXPECT_FALSE(n[6]->isExpanded());  // no followers

    outliner_->ToggleExpandBranch(root, 0);  // expanded: collapsed
    EXPECT_EQ(Items(), (Lines{"Root", "Other"}));
    EXPECT_FALSE(root->isExpanded());
    EXPECT_TRUE(root->showsCollapsedIcon());
    EXPECT_EQ(outliner_->GetEntryCount(), 7);  // hidden ones included
    EXPECT_EQ(outliner_->GetEntryCarelessOfVisibility(4), n[4]);
    EXPECT_EQ(outliner_->GetEntryPos(a), KX_OUTLINER_NOPOS);

    outliner_->ToggleExpandBranch(root, 0);  // one level
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_FALSE(a->isExpanded());
    EXPECT_TRUE(a->showsCollapsedIcon());
    EXPECT_FALSE(n[5]->showsCollapsedIcon());

    outliner_->ToggleExpandBranch(a, 1);  // the whole subtree
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "      A2x", "  B", "Other"}));
    EXPECT_TRUE(a2->isExpanded());

    outliner_->ToggleExpandBranch(static_cast<unsigned short>(0), 0);  // by node-list position
    outliner_->ToggleExpandBranch(static_cast<unsigned short>(0), 1);
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "      A2x", "  B", "Other"}));
}

TEST_F(OutlinerTest, ACollapsedNodeShowsItsCollapsedIcon) {
    const auto n = Fill({{"Root", 0}, {"Child", 1}});
    Bitmap open(Size(4, 4)), closed(Size(6, 6)), openMask(Size(4, 4)), closedMask(Size(6, 6));
    n[0]->setIconicRepresentation(&open);
    n[0]->setNegativIconicRepresentation(&openMask);
    n[0]->setCollapsedIconicRepresentation(&closed);
    n[0]->setNegativCollapsedIconicRepresentation(&closedMask);
    n[1]->setIconicRepresentation(&open);
    EXPECT_EQ(n[0]->iconicRepresentation(), &open);
    n[0]->expand(0, 1);
    EXPECT_EQ(n[0]->iconicRepresentation(), &closed);
    EXPECT_EQ(n[0]->negativIconicRepresentation(), &closedMask);
    EXPECT_EQ(n[1]->iconicRepresentation(), &open);  // a node without collapsed icon
    n[0]->expand(1, 0);
    EXPECT_EQ(n[0]->iconicRepresentation(), &open);
    EXPECT_EQ(n[0]->negativIconicRepresentation(), &openMask);
}

TEST_F(OutlinerTest, ParentsAndSiblings) {
    const auto n = Fill(kTree);
    const struct {
        KxOutlinerNode* node;
        KxOutlinerNode* parent;
    } cases[] = {
        {n[5], n[0]},  // B: its previous sibling A is expanded
        {n[4], n[3]},
        {n[0], n[0]},  // top-level nodes are their own parents
        {n[6], n[6]},
        {nullptr, nullptr},
    };
    for (const auto& c : cases) EXPECT_EQ(outliner_->GetParentEntry(c.node), c.parent);
    EXPECT_EQ(outliner_->GetParentEntry(static_cast<unsigned short>(2)), n[1]);
    EXPECT_EQ(outliner_->GetParentEntry(static_cast<unsigned short>(99)), nullptr);

    EXPECT_EQ(n[1]->getNextVisibleNodeOnSameIndentLevel(1), n[5]);
    EXPECT_EQ(n[5]->getNextVisibleNodeOnSameIndentLevel(1), nullptr);  // "Other" is on a lower level
    EXPECT_EQ(n[2]->getNextVisibleNodeOnSameIndentLevel(2), n[3]);
    EXPECT_EQ(n[0]->getNextVisibleNode(), n[1]);
    n[1]->expand(0, 1);
    EXPECT_EQ(n[1]->getNextVisibleNode(), n[5]);
}

TEST_F(OutlinerTest, SelectingAHiddenNodeExpandsItsAncestors) {
    const auto n = Fill(kTree);
    outliner_->ToggleExpandBranch(n[0], 0);
    ASSERT_EQ(Items(), (Lines{"Root", "Other"}));
    outliner_->SetSelectedEntryCarelessOfVisibility(4);  // A2x, hidden two levels deep
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "      A2x", "  B", "Other"}));
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[4]);
    EXPECT_EQ(outliner_->GetSelectedEntryPos(), 4);
    outliner_->SetSelectedEntryCarelessOfVisibility(6);  // visible already
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[6]);
    outliner_->SetSelectedEntryCarelessOfVisibility(40);  // none: nothing changes
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[6]);
}

TEST_F(OutlinerTest, TypeAheadSelectsTheNextVisibleNodeWithTheLetterAndWraps) {
    const auto n = Fill({{"Alpha", 0}, {"beta", 0}, {"Bravo", 0}, {"hidden", 0}, {"brine", 1}});
    n[3]->expand(0, 1);  // hides "brine"
    ClickItem(0);        // selects Alpha, gives the list box the focus
    const struct {
        char key;
        const char* selected;
    } steps[] = {{'b', "beta"}, {'B', "Bravo"}, {'b', "beta"}, {'x', "beta"}, {'a', "Alpha"}};
    for (const auto& s : steps) {
        SvPostKey(main_.get(), SvKeyEventOf(s.key));
        Run();
        ASSERT_NE(outliner_->GetSelectedEntry(), nullptr);
        EXPECT_STREQ(outliner_->GetSelectedEntry()->textualRepresentation().GetStr(), s.selected) << s.key;
    }
    // Without a selection the search starts at the first node.
    SendMessageA(ListBox(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    outliner_->SetSelectedEntryBeginningWithChar('h');
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[3]);
    EXPECT_EQ(TakeDebug(), "");
}

TEST_F(OutlinerTest, EnterAndDoubleClickToggleTheSelectedNodeUnlessTheHandlerTakesIt) {
    const auto n = Fill(kTree);
    struct Handler {
        long answer = 0;
        int calls = 0;
        static long Stub(void* object, void* caller) {
            auto* h = static_cast<Handler*>(object);
            EXPECT_NE(dynamic_cast<KxOutliner*>(static_cast<Window*>(caller)), nullptr);
            ++h->calls;
            return h->answer;
        }
    } doubleClick, select;
    outliner_->ChangeDoubleClickHdl(Link(&doubleClick, &Handler::Stub));
    EXPECT_TRUE(outliner_->ChangeSelectHdl(Link(&select, &Handler::Stub)) == Link());
    EXPECT_EQ(outliner_->GetSelectHdl().GetInstance(), &select);

    ClickItem(1);  // A
    Run();
    EXPECT_EQ(select.calls, 1);
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[1]);
    EXPECT_TRUE(SvHandleWindow(ListBox())->HasFocus());  // the select handler's ShowFocus

    SvPostKey(main_.get(), SvKeyEventOf('\r'));  // collapses A
    Run();
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));
    SvPostKey(main_.get(), SvKeyEventOf('\n'));  // expands one level
    Run();
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "  B", "Other"}));

    ClickItem(1, 2);  // a double click: the handler answers 0, A collapses
    Run();
    EXPECT_EQ(doubleClick.calls, 1);
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));
    doubleClick.answer = 1;  // the handler takes it
    ClickItem(1, 2);
    Run();
    EXPECT_EQ(doubleClick.calls, 2);
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));

    // Enter with nothing selected has nothing to toggle.
    SendMessageA(ListBox(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SvPostKey(main_.get(), SvKeyEventOf('\r'));
    Run();
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));
}

TEST_F(OutlinerTest, MouseButtonsAndFocusReachTheControlsHooks) {
    Fill({{"Root", 0}, {"Child", 1}});
    ClickItem(1, 1, MOUSE_RIGHT);
    Run();
    ClickItem(0);
    Run();
    // The list box draws its focus whenever it paints with the focus: GetFocus comes each time.
    EXPECT_EQ(events_.front(), "GetFocus");
    std::erase(events_, "GetFocus");
    EXPECT_EQ(events_, (Lines{"down 30 25 right", "up 30 25 right", "down 30 8 left", "up 30 8 left"}));
    EXPECT_EQ(outliner_->GetSelectedEntryPos(), 0);  // the right button selects nothing
}

TEST_F(OutlinerTest, RemovingAndClearing) {
    const auto n = Fill(kTree);
    EXPECT_EQ(outliner_->RemoveEntry(static_cast<unsigned short>(5)), n[5]);  // B, not deleted
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "      A2x", "Other"}));
    EXPECT_EQ(outliner_->RemoveEntry(n[5]), nullptr);
    delete n[5];
    EXPECT_EQ(outliner_->RemoveEntry(static_cast<KxOutlinerNode*>(nullptr)), nullptr);
    EXPECT_EQ(TakeDebug(), "");
    EXPECT_EQ(outliner_->RemoveEntry(static_cast<unsigned short>(42)), nullptr);
    EXPECT_EQ(TakeDebug().rfind("node not found, not removed. ", 0), 0u);

    // A hidden node leaves the node list too.
    n[0]->expand(0, 1);
    EXPECT_EQ(outliner_->RemoveEntry(n[2]), n[2]);
    delete n[2];
    EXPECT_EQ(outliner_->GetEntryCount(), 5);
    outliner_->Clear();  // deletes the rest
    EXPECT_EQ(outliner_->GetEntryCount(), 0);
    EXPECT_EQ(Items(), Lines{});
}

TEST_F(OutlinerTest, AppendingBehindCollapsedNodesKeepsListAndNodeListInStep) {
    const auto n = Fill(kTree);
    n[0]->expand(0, 1);
    auto* last = new KxOutlinerNode(outliner_);
    last->setTextualRepresentation("Last");
    EXPECT_EQ(outliner_->InsertEntry(last), 2);  // the third item
    EXPECT_EQ(outliner_->GetEntryCarelessOfVisibility(7), last);
    EXPECT_EQ(Items(), (Lines{"Root", "Other", "Last"}));
    n[0]->expand(1, 1);
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "    A1", "    A2", "      A2x", "  B", "Other", "Last"}));
    // Inserting by node-list position puts the item among the visible ones before it.
    n[1]->expand(0, 1);
    auto* between = new KxOutlinerNode(outliner_);
    between->setTextualRepresentation("Between");
    between->setIndentLevel(1);
    EXPECT_EQ(outliner_->InsertEntry(between, 5), 2);
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  Between", "  B", "Other", "Last"}));
}

TEST_F(OutlinerTest, SelectionFailuresAreReportedOnTheStream) {
    Fill({{"Root", 0}});
    EXPECT_EQ(outliner_->GetSelectedEntry(), nullptr);
    EXPECT_EQ(outliner_->GetSelectedEntryPos(), KX_OUTLINER_NOPOS);
    EXPECT_EQ(TakeDebug().rfind("KxOutliner::GetSelectedEntryPos() : cannot retrieve clicked entry. (", 0), 0u);
    outliner_->SetSelectedEntryPos(3);
    EXPECT_EQ(TakeDebug(), "KxOutliner::SetSelectedEntryPos : cannot SetCurSel on index 3\n");
    outliner_->SetSelectedEntryPos(0);
    EXPECT_EQ(outliner_->GetSelectedEntryPos(), 0);
    EXPECT_EQ(TakeDebug(), "");
}

TEST_F(OutlinerTest, TheWindowOperationsReachBothNativeWindows) {
    auto* part = static_cast<_KxOutlinerForWindows*>(outliner_->GetImplDependentStuff());
    Window* notify = SvHandleWindow(part->notifyWindow());
    Window* list = SvHandleWindow(part->listBox());
    EXPECT_EQ(notify->GetParent(), outliner_);
    EXPECT_EQ(list->GetParent(), notify);
    EXPECT_EQ(list->GetText(), "Tessaform Tree Outliner");
    EXPECT_EQ(list->GetSizePixel(), Size(200, 180));

    outliner_->ChangeSizePixel(Size(150, 90));
    EXPECT_EQ(outliner_->GetSizePixel(), Size(150, 90));
    EXPECT_EQ(outliner_->GetPosPixel(), Point(10, 10));
    EXPECT_EQ(notify->GetSizePixel(), Size(150, 90));
    EXPECT_EQ(list->GetSizePixel(), Size(150, 90));
    outliner_->SetPosSizePixel(Point(20, 30), Size(120, 80));
    EXPECT_EQ(outliner_->GetPosPixel(), Point(20, 30));
    EXPECT_EQ(list->GetPosPixel(), Point(0, 0));
    EXPECT_EQ(list->GetSizePixel(), Size(120, 80));

    outliner_->Disable();
    EXPECT_FALSE(list->IsEnabled());
    outliner_->Enable();
    EXPECT_TRUE(list->IsEnabled());
    outliner_->Hide();
    EXPECT_FALSE(outliner_->IsVisible());
    outliner_->Show();
    EXPECT_TRUE(list->IsVisible());
    outliner_->ShowFocus();
    EXPECT_TRUE(list->HasFocus());
    EXPECT_EQ(TakeDebug(), "");
}

TEST_F(OutlinerTest, OutlinersShareTheirTableAndRouteMessagesToTheirOwnControl) {
    Fill({{"One", 0}});
    Lines otherEvents;
    auto* other = new outlinertest::RecordingOutliner(main_.get(), otherEvents);
    other->SetPosSizePixel(Point(220, 10), Size(70, 100));
    other->Show();
    auto* node = new KxOutlinerNode(other);
    node->setTextualRepresentation("Two");
    other->InsertEntry(node);

    delete outliner_;  // the other one still gets its messages
    outliner_ = nullptr;
    SvPostClick(main_.get(), Point(230, 15));
    Run();
    EXPECT_EQ(other->GetSelectedEntry(), node);
    std::erase(otherEvents, "GetFocus");
    EXPECT_EQ(otherEvents, (Lines{"down 10 5 left", "up 10 5 left"}));
    delete other;

    // After the last one, a new outliner starts afresh.
    outliner_ = new outlinertest::RecordingOutliner(main_.get(), events_);
    outliner_->SetPosSizePixel(Point(10, 10), Size(200, 180));
    outliner_->Show();
    Fill({{"Three", 0}});
    ClickItem(0);
    Run();
    EXPECT_EQ(outliner_->GetSelectedEntryPos(), 0);
    EXPECT_EQ(TakeDebug(), "");
}

}  // namespace

namespace {

TEST_F(OutlinerTest, AScriptDrivesTheOutlinerByItsTexts) {
    const auto n = Fill(kTree);
    main_->Update();
    SvSetScript("click \"Tree\" \"A\" double\n"  // collapses A
                "click \"Tree\" \"Other\"\n"
                "key \"Tree\" \"r\"\n"           // type-ahead wraps to Root
                "key \"Tree\" return\n"          // collapses Root
                "click \"Tree\" \"Root\" double\n",  // expands one level
                "outliner.sv");
    Run();
    EXPECT_EQ(Items(), (Lines{"Root", "  A", "  B", "Other"}));
    EXPECT_EQ(outliner_->GetSelectedEntry(), n[0]);
    EXPECT_TRUE(n[0]->isExpanded());
    EXPECT_FALSE(n[1]->isExpanded());
}

}  // namespace
