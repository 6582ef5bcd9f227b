// The controls: each one's operations and its injected input as a table, and the state its paint
// log shows.
#include <functional>

#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

// The lines of a paint log (without the background fill of the repaint).
Lines LogOf(const OutputDevice& device) {
    Lines lines;
    for (const SvPaintOp& op : device.GetPaintLog())
        if (op.kind != SvPaintOp::FILL) lines.push_back(op.Line());
    return lines;
}

// A shown work window "Main" holding the controls of a test; Run dispatches what was posted and
// repaints.
class ControlsTest : public svtest::WindowsTest {
protected:
    void SetUp() override {
        WindowsTest::SetUp();
        main_ = std::make_unique<WorkWindow>(nullptr);
        main_->SetText("Main");
        main_->SetOutputSizePixel(Size(400, 300));
        main_->Show();
    }
    void TearDown() override { main_.reset(); }

    template <class C>
    void Place(C& control, const Point& pos, const Size& size) {
        control.SetPosSizePixel(pos, size);
        control.Show();
    }
    static void Run() { GetpApp()->Execute(); }

    std::unique_ptr<WorkWindow> main_;
};

// Counts the calls of a handler and keeps what the caller showed at the time.
struct Calls {
    int count = 0;
    std::vector<std::string> seen;
    std::function<std::string(void*)> look;
    SV_DECL_LINK(Hdl, void*);
    Link link() { return SV_LINK(this, Calls, Hdl); }
};

SV_IMPL_LINK(Calls, Hdl, void*, caller) {
    ++count;
    if (look) seen.push_back(look(caller));
    return 1;
}

KeyEvent Key(uint16_t code) { return KeyEvent(0, KeyCode(code)); }

TEST_F(ControlsTest, EditKeysMoveTheCursorAndChangeTheText) {
    struct Case {
        const char* text;
        Selection start;
        bool readOnly;
        std::vector<KeyEvent> keys;
        const char* result;
        Selection end;
        int modifies;
    };
    const Case cases[] = {
        {"abc", Selection(3, 3), false, {SvKeyEventOf('d')}, "abcd", Selection(4, 4), 1},
        {"abc", Selection(0, 3), false, {SvKeyEventOf('x')}, "x", Selection(1, 1), 1},
        {"abc", Selection(1, 1), false, {SvKeyEventOf('-'), SvKeyEventOf(' ')}, "a- bc", Selection(3, 3), 2},
        {"abc", Selection(1, 1), false, {Key(KEY_BACKSPACE)}, "bc", Selection(0, 0), 1},
        {"abc", Selection(0, 0), false, {Key(KEY_BACKSPACE)}, "abc", Selection(0, 0), 0},
        {"abc", Selection(1, 1), false, {Key(KEY_DELETE)}, "ac", Selection(1, 1), 1},
        {"abc", Selection(3, 3), false, {Key(KEY_DELETE)}, "abc", Selection(3, 3), 0},
        {"abcd", Selection(3, 1), false, {Key(KEY_DELETE)}, "ad", Selection(1, 1), 1},
        {"abc", Selection(3, 3), false, {Key(KEY_LEFT), Key(KEY_LEFT)}, "abc", Selection(1, 1), 0},
        {"abc", Selection(0, 0), false, {Key(KEY_RIGHT), Key(KEY_RIGHT | KEY_SHIFT)}, "abc", Selection(1, 2), 0},
        {"abc", Selection(2, 2), false, {Key(KEY_HOME), Key(KEY_END | KEY_SHIFT)}, "abc", Selection(0, 3), 0},
        {"abc", Selection(3, 3), false, {Key(KEY_RIGHT)}, "abc", Selection(3, 3), 0},
        {"abc", Selection(3, 3), true, {SvKeyEventOf('x'), Key(KEY_BACKSPACE), Key(KEY_LEFT)}, "abc", Selection(2, 2), 0},
        {"abc", Selection(3, 3), false, {KeyEvent('a', KeyCode(KEY_A | KEY_MOD1))}, "abc", Selection(3, 3), 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        Edit edit(main_.get());
        Place(edit, Point(10, 10), Size(100, 21));
        Calls modify;
        edit.ChangeModifyHdl(modify.link());
        edit.SetText(c.text);
        edit.SetReadOnly(c.readOnly);
        edit.SetSelection(c.start);
        SvPostFocus(&edit);
        for (const KeyEvent& k : c.keys) SvPostKey(&edit, k);
        Run();
        EXPECT_EQ(edit.GetText(), c.result) << "case " << i;
        EXPECT_EQ(edit.GetSelection().Min(), c.end.Min()) << "case " << i;
        EXPECT_EQ(edit.GetSelection().Max(), c.end.Max()) << "case " << i;
        EXPECT_EQ(modify.count, c.modifies) << "case " << i;
        EXPECT_EQ(edit.IsModified(), c.modifies > 0) << "case " << i;
    }
}

TEST_F(ControlsTest, EditPassesOtherKeysToItsParentAndPaintsItsState) {
    Lines log;
    svtest::Probe<Control> parent(log, "parent", main_.get());
    Place(parent, Point(0, 0), Size(300, 100));
    Edit edit(&parent);
    Place(edit, Point(10, 10), Size(100, 21));
    edit.SetText("abc");
    log.clear();
    SvPostFocus(&edit);
    SvPostKey(&edit, SvKeyEventOf('\r'));
    SvPostKey(&edit, Key(KEY_F1));
    Run();
    EXPECT_EQ(log, (Lines{"parent KeyInput '\r' 0x0500", "parent KeyInput '-' 0x0300"}));

    edit.SetSelection(Selection(1, 3));
    main_->Update();
    // The field, the text, the selection inverted and the cursor after it (characters are 8 wide).
    EXPECT_EQ(LogOf(edit), (Lines{"rect 0 0 100 21 pen=#000000/1/solid brush=#FFFFFF/solid",
                                  "text 3 4 24 13 \"abc\" font=\"\"/13 color=#000000", "invert 11 4 16 13",
                                  "line 27 4 27 16 pen=#000000/1/solid"}));
    parent.GrabFocus();  // without the focus: no cursor, no selection
    edit.SetReadOnly(true);
    main_->Update();
    EXPECT_EQ(LogOf(edit), (Lines{"rect 0 0 100 21 pen=#000000/1/solid brush=#C0C0C0/solid",
                                  "text 3 4 24 13 \"abc\" font=\"\"/13 color=#000000"}));
}

TEST_F(ControlsTest, TheScriptTypesIntoAFieldAsAUserWould) {
    Edit edit(main_.get());
    Place(edit, Point(10, 10), Size(100, 21));
    edit.SetText("old");
    Calls modify;
    edit.ChangeModifyHdl(modify.link());
    SvSetScript("text \"Main\" Edit 0 \"new\"\ntext \"Main\" Edit 0 \"\"\n", "edit.sv");
    Run();
    EXPECT_EQ(edit.GetText(), "");
    EXPECT_TRUE(edit.HasFocus());
    EXPECT_EQ(modify.count, 4);  // three characters typed over the selection, then one deletion
    main_->Disable();
    SvSetScript("text \"Main\" Edit 0 \"late\"\n", "edit.sv");
    Run();
    EXPECT_EQ(edit.GetText(), "");  // nothing reaches a field in a disabled window
}

TEST_F(ControlsTest, NumericAndTimeFieldsReadTheirTextWhenTheFocusLeaves) {
    NumericField number(main_.get());
    TimeField time(main_.get());
    Edit other(main_.get());
    Place(number, Point(10, 10), Size(80, 21));
    Place(time, Point(10, 40), Size(80, 21));
    Place(other, Point(10, 70), Size(80, 21));
    number.SetMin(-10);
    number.SetMax(100);
    number.SetFirst(-5);
    number.SetLast(50);
    number.SetValue(7);
    EXPECT_EQ(number.GetText(), "7");
    EXPECT_EQ(number.GetFirst(), -5);
    EXPECT_EQ(number.GetLast(), 50);
    const struct {
        const char* typed;
        int32_t value;
        const char* shown;
    } numbers[] = {
        {"42", 42, "42"}, {"-5", -5, "-5"}, {"500", 100, "100"}, {"-99", -10, "-10"},
        {"  12xyz", 12, "12"}, {"abc", 12, "12"}, {"", 12, "12"},
    };
    for (const auto& c : numbers) {
        number.SvInputText(c.typed);
        EXPECT_EQ(number.GetValue(), c.value) << c.typed;  // read while the field still has the focus
        EXPECT_EQ(number.GetText(), c.typed);
        other.GrabFocus();
        EXPECT_EQ(number.GetText(), c.shown) << c.typed;
    }

    time.SetMin(Time(8, 0));
    time.SetTime(Time(9, 30));
    EXPECT_EQ(time.GetText(), "09:30:00");
    const struct {
        const char* typed;
        const char* shown;
    } times[] = {
        {"13:45:10", "13:45:10"}, {"9:5", "09:05:00"}, {"1:30 PM", "13:30:00"}, {"25:00", "13:30:00"},
        {"7:15", "08:00:00"},  // below the minimum
        {"noon", "08:00:00"},
    };
    for (const auto& c : times) {
        time.SvInputText(c.typed);
        other.GrabFocus();
        EXPECT_EQ(time.GetText(), c.shown) << c.typed;
    }
    EXPECT_EQ(time.GetTime(), Time(8, 0));
}

TEST_F(ControlsTest, ComboBoxEntriesAndAChoiceThatSetsTheText) {
    ComboBox box(main_.get());
    Place(box, Point(10, 10), Size(120, 21));
    EXPECT_EQ(box.InsertEntry("Oracle"), 0);
    EXPECT_EQ(box.InsertEntry("DB2"), 1);
    EXPECT_EQ(box.InsertEntry("LOCAL", 0), 0);
    EXPECT_EQ(box.InsertEntry("last", 99), 3);
    const struct {
        std::function<void()> change;
        Lines entries;
    } cases[] = {
        {[] {}, {"LOCAL", "Oracle", "DB2", "last"}},
        {[&] { box.RemoveEntry("Oracle"); }, {"LOCAL", "DB2", "last"}},
        {[&] { box.RemoveEntry(uint16_t(2)); }, {"LOCAL", "DB2"}},
        {[&] { box.RemoveEntry("absent"); }, {"LOCAL", "DB2"}},
        {[&] { box.RemoveEntry(uint16_t(7)); }, {"LOCAL", "DB2"}},
    };
    for (const auto& c : cases) {
        c.change();
        Lines entries;
        for (uint16_t i = 0; i < box.GetEntryCount(); ++i) entries.push_back(box.GetEntry(i).GetStr());
        EXPECT_EQ(entries, c.entries);
    }
    EXPECT_EQ(box.GetEntryPos("DB2"), 1);
    EXPECT_EQ(box.GetEntryPos("Oracle"), COMBOBOX_ENTRY_NOTFOUND);
    EXPECT_EQ(box.GetEntry(5), "");

    Calls select, modify;
    select.look = [](void* caller) { return std::string(static_cast<ComboBox*>(caller)->GetText().GetStr()); };
    box.ChangeSelectHdl(select.link());
    box.ChangeModifyHdl(modify.link());
    SvSetScript("choose \"Main\" ComboBox 0 \"DB2\"\n", "combo.sv");
    Run();
    EXPECT_EQ(box.GetText(), "DB2");
    EXPECT_EQ(select.seen, Lines{"DB2"});  // the text is set before the handler runs
    EXPECT_EQ(modify.count, 1);
    EXPECT_FALSE(box.SvInputChoose("absent"));
    EXPECT_EQ(select.count, 1);
    box.Clear();
    EXPECT_EQ(box.GetEntryCount(), 0);
    const Lines log = LogOf(box);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "rect 0 0 99 21 pen=#000000/1/solid brush=#FFFFFF/solid");  // the field, then its button
    EXPECT_EQ(log[1], "text 3 4 24 13 \"DB2\" font=\"\"/13 color=#000000");
}

TEST_F(ControlsTest, CheckBoxClicksToggleThenCallTheHandler) {
    CheckBox box(main_.get());
    box.SetText("~Read only");
    Place(box, Point(10, 10), Size(120, 20));
    Calls click;
    click.look = [](void* caller) { return std::to_string(static_cast<CheckBox*>(caller)->IsChecked()); };
    box.ChangeClickHdl(click.link());
    const struct {
        std::function<void()> input;
        bool checked;
        Lines seen;
    } cases[] = {
        {[&] { SvPostClick(&box, Point(5, 10)); }, true, {"1"}},
        {[&] { SvSetScript("tick \"Main\" CheckBox 0\n", "tick.sv"); }, false, {"1", "0"}},
        {[&] { box.Check(true); }, true, {"1", "0"}},  // the program's change calls nothing
        {[&] {
             box.Disable();
             SvPostClick(&box, Point(5, 10));
         },
         true, {"1", "0"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        cases[i].input();
        Run();
        EXPECT_EQ(box.IsChecked(), cases[i].checked) << "case " << i;
        EXPECT_EQ(click.seen, cases[i].seen) << "case " << i;
    }
    box.Enable();
    main_->Update();
    EXPECT_EQ(LogOf(box), (Lines{"rect 0 3 13 13 pen=#000000/1/solid brush=#FFFFFF/solid",
                                 "line 3 6 9 12 pen=#000000/1/solid", "line 9 6 3 12 pen=#000000/1/solid",
                                 "text 18 3 72 13 \"Read only\" font=\"\"/13 color=#000000"}));
}

TEST_F(ControlsTest, TextsAndGroupBoxesPaintTheirTexts) {
    FixedText text(main_.get());
    GroupBox group(main_.get());
    text.SetText("~Host:");
    group.SetText("Base");
    Place(text, Point(10, 10), Size(60, 20));
    Place(group, Point(10, 40), Size(200, 100));
    text.Disable();
    main_->Update();
    EXPECT_EQ(LogOf(text), Lines{"text 0 0 40 13 \"Host:\" font=\"\"/13 color=#808080"});
    EXPECT_EQ(LogOf(group), (Lines{"rect 0 6 200 94 pen=#808080/1/solid brush=#000000/null",
                                   "rect 6 0 36 13 pen=#000000/1/null brush=#C0C0C0/solid",
                                   "text 8 0 32 13 \"Base\" font=\"\"/13 color=#000000"}));
}

TEST_F(ControlsTest, ScrollBarActionsByWhereTheButtonGoesDown) {
    // 200 long and 20 thick: arrows of 20, the track from 20 to 179, the thumb 20 long.
    struct Case {
        WinBits style;
        long thumb;
        std::vector<std::pair<char, int>> mouse;  // d down, m move, u up; the point along the bar
        ScrollType type;
        long result;
        std::vector<long> scrolls;  // the thumb at each Scroll
    };
    const Case cases[] = {
        {WB_HORZ, 50, {{'d', 5}, {'u', 5}}, SCROLL_LINEUP, 49, {49}},
        {WB_HORZ, 50, {{'d', 195}, {'u', 195}}, SCROLL_LINEDOWN, 51, {51}},
        {WB_HORZ, 50, {{'d', 40}, {'u', 40}}, SCROLL_PAGEUP, 40, {40}},
        {WB_HORZ, 50, {{'d', 150}, {'u', 150}}, SCROLL_PAGEDOWN, 60, {60}},
        {WB_HORZ, 0, {{'d', 5}, {'u', 5}}, SCROLL_LINEUP, 0, {}},  // at the start: nothing moves
        {WB_HORZ, 95, {{'d', 175}, {'u', 175}}, SCROLL_PAGEDOWN, 100, {100}},
        // The thumb of 50 starts at 20 + 140 × 50 / 100 = 90; grabbed 5 into it and moved.
        {WB_HORZ, 50, {{'d', 95}, {'m', 115}, {'m', 300}, {'u', 300}}, SCROLL_DRAG, 100, {64, 100}},
        {WB_HORZ, 50, {{'d', 95}, {'m', 30}, {'u', 55}}, SCROLL_DRAG, 21, {4, 21}},
        {WB_VERT, 50, {{'d', 195}, {'u', 195}}, SCROLL_LINEDOWN, 51, {51}},
        {0, 50, {{'d', 150}, {'u', 150}}, SCROLL_PAGEDOWN, 60, {60}},  // vertical unless horizontal
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ScrollBar bar(main_.get(), c.style);
        const bool horizontal = (c.style & WB_HORZ) != 0;
        Place(bar, Point(0, 0), horizontal ? Size(200, 20) : Size(20, 200));
        bar.ChangeRange(Range(0, 100));
        bar.ChangePageSize(10);
        bar.ChangeThumbPos(c.thumb);
        Calls scroll, end;
        scroll.look = [](void* caller) { return std::to_string(static_cast<ScrollBar*>(caller)->GetThumbPos()); };
        end.look = [](void* caller) { return std::to_string(static_cast<ScrollBar*>(caller)->GetScrollType()); };
        bar.ChangeScrollHdl(scroll.link());
        bar.ChangeEndScrollHdl(end.link());
        for (const auto& [kind, at] : c.mouse) {
            const MouseEvent e(horizontal ? Point(at, 10) : Point(10, at));
            if (kind == 'd') SvPostMouseButtonDown(&bar, e);
            if (kind == 'm') SvPostMouseMove(&bar, e);
            if (kind == 'u') SvPostMouseButtonUp(&bar, e);
        }
        Run();
        Lines scrolls;
        for (long s : c.scrolls) scrolls.push_back(std::to_string(s));
        EXPECT_EQ(bar.GetThumbPos(), c.result) << "case " << i;
        EXPECT_EQ(scroll.seen, scrolls) << "case " << i;
        EXPECT_EQ(end.seen, Lines{std::to_string(c.type)}) << "case " << i;
    }
}

TEST_F(ControlsTest, ScrollBarRangeAndVisibleSizeLimitTheThumb) {
    ScrollBar bar(main_.get(), WB_HORZ);
    Place(bar, Point(0, 0), Size(200, 20));
    bar.ChangeRange(Range(0, 100));
    EXPECT_EQ(bar.ChangeThumbPos(150), 0);
    EXPECT_EQ(bar.GetThumbPos(), 100);
    bar.ChangeVisibleSize(30);
    EXPECT_EQ(bar.GetThumbPos(), 70);  // the thumb covers 30 of the range
    bar.ChangeRange(Range(10, 50));
    EXPECT_EQ(bar.GetThumbPos(), 20);
    EXPECT_EQ(bar.ChangeThumbPos(-5), 20);
    EXPECT_EQ(bar.GetThumbPos(), 10);
    EXPECT_EQ(bar.ChangeLineSize(4), 1);
    EXPECT_EQ(bar.GetLineSize(), 4);
    main_->Update();
    // Track, arrows, and the thumb: 160 × 30 / 41 = 117 long, at the track's start.
    EXPECT_EQ(LogOf(bar), (Lines{"rect 20 0 160 20 pen=#808080/1/solid brush=#C0C0C0/solid",
                                 "rect 0 0 20 20 pen=#000000/1/solid brush=#C0C0C0/solid",
                                 "rect 180 0 20 20 pen=#000000/1/solid brush=#C0C0C0/solid",
                                 "rect 20 0 117 20 pen=#000000/1/solid brush=#FFFFFF/solid"}));
}

// A splitter handler that records the split position and, when asked, moves the bar there.
struct SplitRecorder {
    std::vector<long> positions;
    std::vector<int32_t> barAt;
    bool move = false;
    SV_DECL_LINK(Hdl, Splitter*);
};

SV_IMPL_LINK(SplitRecorder, Hdl, Splitter*, splitter) {
    positions.push_back(splitter->GetSplitPosPixel());
    barAt.push_back(splitter->GetPosPixel().X());
    if (move) splitter->SetPosPixel(Point(splitter->GetSplitPosPixel(), splitter->GetPosPixel().Y()));
    return 1;
}

TEST_F(ControlsTest, ASplitterDropSetsTheSplitPositionWithinTheDragRectangle) {
    const struct {
        Rectangle drag;
        int32_t downX, upX;
        bool move;
        long split;
        int32_t after;  // the bar's x after the drop
    } cases[] = {
        {Rectangle(0, 0, 399, 299), 2, 22, false, 120, 100},  // 20 to the right; the bar stays
        {Rectangle(0, 0, 399, 299), 2, 22, true, 120, 120},   // the handler moves it
        {Rectangle(0, 0, 399, 299), 3, -150, false, 0, 100},
        {Rectangle(0, 0, 399, 299), 0, 500, false, 399, 100},
        {Rectangle(50, 0, 200, 299), 0, -80, false, 50, 100},
        {Rectangle(0, 0, RECT_EMPTY, RECT_EMPTY), 0, 500, false, 600, 100},  // no limit on the right
        {Rectangle(RECT_EMPTY, 0, 399, 299), 0, -150, false, -50, 100},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        Splitter splitter(main_.get(), 0x1000);
        Place(splitter, Point(100, 0), Size(5, 300));
        splitter.SetDragRectPixel(c.drag);
        SplitRecorder split;
        split.move = c.move;
        splitter.ChangeSplitHdl(SV_LINK(&split, SplitRecorder, Hdl));
        SvPostMouseButtonDown(&splitter, MouseEvent(Point(c.downX, 10)));
        SvPostMouseMove(&splitter, MouseEvent(Point(c.upX, 10), 0, 0));
        SvPostMouseButtonUp(&splitter, MouseEvent(Point(c.upX, 10)));
        Run();
        EXPECT_EQ(split.positions, std::vector<long>{c.split}) << "case " << i;
        EXPECT_EQ(split.barAt, std::vector<int32_t>{100}) << "case " << i;  // unmoved when the handler runs
        EXPECT_EQ(splitter.GetPosPixel().X(), c.after) << "case " << i;
    }
    Splitter horizontal(main_.get(), WB_HORZ);
    Place(horizontal, Point(0, 100), Size(400, 5));
    horizontal.SetDragRectPixel(Rectangle(0, 0, 399, 299));
    SvPostMouseButtonDown(&horizontal, MouseEvent(Point(10, 2)));
    SvPostMouseButtonUp(&horizontal, MouseEvent(Point(10, -28)));
    Run();
    EXPECT_EQ(horizontal.GetSplitPosPixel(), 70);
}

TEST_F(ControlsTest, StatusBarItemsAndTheTextOverTheWholeBar) {
    StatusBar bar(main_.get(), 5);
    EXPECT_EQ(bar.GetSizePixel(), Size(0, 20));  // as high as its text and 7
    Place(bar, Point(0, 280), Size(400, 20));
    bar.InsertItem(42, 300, 0, 5);
    bar.InsertItem(2, 50, SIB_RIGHT | SIB_IN, 5, 0);
    bar.InsertItem(42, 10);  // present: nothing changes
    bar.SetItemText(42, "Ready");
    bar.SetItemText(2, "12");
    EXPECT_EQ(bar.GetItemCount(), 2);
    EXPECT_EQ(bar.GetItemId(0), 2);
    EXPECT_EQ(bar.GetItemPos(42), 1);
    EXPECT_EQ(bar.GetItemWidth(42), 300);
    EXPECT_EQ(bar.GetItemBits(2), SIB_RIGHT | SIB_IN);
    EXPECT_EQ(bar.GetItemOffset(42), 5);
    EXPECT_EQ(bar.GetItemRect(42), Rectangle(Point(60, 2), Size(300, 16)));
    EXPECT_EQ(bar.CalcWindowSizePixel(), Size(360, 20));
    const Lines items{"rect 5 2 50 16 pen=#808080/1/solid brush=#000000/null",
                      "text 37 3 16 13 \"12\" font=\"\"/13 color=#000000",
                      "text 62 3 40 13 \"Ready\" font=\"\"/13 color=#000000"};
    const struct {
        std::function<void()> change;
        Lines log;
    } cases[] = {
        {[] {}, items},
        {[&] {
             bar.HideItems();
             bar.SetText("Opens a base");
         },
         {"text 3 3 96 13 \"Opens a base\" font=\"\"/13 color=#000000"}},
        {[&] { bar.ShowItems(); }, items},
        {[&] { bar.RemoveItem(2); }, {"text 7 3 40 13 \"Ready\" font=\"\"/13 color=#000000"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        cases[i].change();
        main_->Update();
        EXPECT_EQ(LogOf(bar), cases[i].log) << "case " << i;
    }
    EXPECT_EQ(bar.GetItemText(2), "");
    EXPECT_EQ(bar.GetItemPos(2), STATUSBAR_ITEM_NOTFOUND);
}

// Writes "<name> <current item>" for each call of a tool box handler.
struct ToolRecorder {
    Lines* calls;
    const char* name;
    SV_DECL_LINK(Hdl, ToolBox*);
};

SV_IMPL_LINK(ToolRecorder, Hdl, ToolBox*, box) {
    calls->push_back(std::string(name) + " " + std::to_string(box->GetCurItemId()));
    return 1;
}

TEST_F(ControlsTest, ToolBoxClicksOnItemsCallTheHandlersWithTheCurrentItem) {
    ToolBox box(main_.get(), 4);
    const Bitmap picture(Size(16, 16), Color(COL_BLUE));
    box.InsertItem(1, picture);
    box.InsertItem(2, picture, String("Save"));
    box.InsertSeparator();
    box.InsertItem(3, String("Load"));
    box.InsertItem(4, picture, picture, 1);
    box.SetHelpText(2, "Saves the base");
    // Buttons of 22 (picture) or 38 (text) wide, 37 high (the picture, 2 and the text), from x 2.
    EXPECT_EQ(box.GetItemRect(1), Rectangle(Point(2, 2), Size(22, 37)));
    EXPECT_EQ(box.GetItemRect(4), Rectangle(Point(24, 2), Size(22, 37)));
    EXPECT_EQ(box.GetItemRect(2), Rectangle(Point(46, 2), Size(38, 37)));
    EXPECT_EQ(box.GetItemRect(3), Rectangle(Point(90, 2), Size(38, 37)));
    EXPECT_EQ(box.CalcWindowSizePixel(), Size(130, 41));
    Place(box, Point(0, 0), box.CalcWindowSizePixel());
    box.EnableItem(3, false);
    box.CheckItem(1);
    EXPECT_TRUE(box.IsItemChecked(1));
    EXPECT_FALSE(box.IsItemEnabled(3));
    EXPECT_EQ(box.GetHelpText(2), "Saves the base");

    Lines calls;
    ToolRecorder click{&calls, "click"}, select{&calls, "select"}, highlight{&calls, "highlight"};
    box.ChangeClickHdl(SV_LINK(&click, ToolRecorder, Hdl));
    box.ChangeSelectHdl(SV_LINK(&select, ToolRecorder, Hdl));
    box.ChangeHighlightHdl(SV_LINK(&highlight, ToolRecorder, Hdl));
    const struct {
        std::function<void()> input;
        Lines calls;
        uint16_t current;  // afterwards
    } cases[] = {
        {[&] { SvPostClick(&box, Point(60, 20)); }, {"click 2", "select 2"}, 0},  // a select leaves none
        {[&] { SvPostClick(&box, Point(100, 20)); }, {}, 0},  // disabled
        {[&] { SvPostClick(&box, Point(87, 20)); }, {}, 0},   // the separator
        {[&] {
             SvPostMouseButtonDown(&box, MouseEvent(Point(10, 10)));
             SvPostMouseButtonUp(&box, MouseEvent(Point(60, 10)));  // released on another item
         },
         {"click 1"}, 0},
        {[&] {
             SvPostMouseMove(&box, MouseEvent(Point(30, 10), 0, 0));
             SvPostMouseMove(&box, MouseEvent(Point(31, 10), 0, 0));
         },
         {"highlight 4"}, 4},
        {[&] { SvSetScript("click \"Main\" \"Save\"\n", "tool.sv"); }, {"click 2", "select 2"}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        calls.clear();
        cases[i].input();
        Run();
        EXPECT_EQ(calls, cases[i].calls) << "case " << i;
        EXPECT_EQ(box.GetCurItemId(), cases[i].current) << "case " << i;
    }

    const Lines log = LogOf(box);
    EXPECT_EQ(log.front(), "rect 2 2 22 37 pen=#000000/1/solid brush=#FFFFFF/solid");  // checked
    EXPECT_NE(std::find(log.begin(), log.end(), "text 93 14 32 13 \"Load\" font=\"\"/13 color=#808080"), log.end());
    box.RemoveItem(box.GetItemPos(2));
    EXPECT_EQ(box.GetItemCount(), 4);
    EXPECT_EQ(box.GetItemId(2), 0);  // the separator
    EXPECT_EQ(box.GetItemPos(2), TOOLBOX_ITEM_NOTFOUND);
}


// A browse box that records its resized columns.
class Browser : public BrowseBox {
public:
    Browser(Window* parent) : BrowseBox(parent, 4, 138) {}
    void ColumnResized(uint16_t id) override { resized.push_back(std::to_string(id) + " " + std::to_string(GetColumnWidth(id))); }
    Lines resized;
};

TEST_F(ControlsTest, BrowseBoxColumnsAndAColumnResizedByTheUser) {
    Browser box(main_.get());
    EXPECT_EQ(box.GetMode(), 138);
    Font bold("Arial", Size(0, 15));
    bold.ChangeWeight(WEIGHT_BOLD);
    box.SetTitleFont(bold);
    Place(box, Point(0, 0), Size(400, 200));
    // The title row is 19 high (the title font and 4); the data window below it.
    EXPECT_EQ(box.GetDataWindow().GetPosPixel(), Point(0, 19));
    EXPECT_EQ(box.GetDataWindow().GetSizePixel(), Size(400, 181));
    EXPECT_EQ(box.GetDataWindow().GetParent(), &box);

    const struct {
        std::function<void()> change;
        Lines columns;  // id:width
    } cases[] = {
        {[&] {
             box.InsertDataColumn(1, "Name", 120);
             box.InsertDataColumn(3, "Size", 80, 0x10);
             box.InsertDataColumn(2, "Type", 60, 0, 1);
         },
         {"1:120", "2:60", "3:80"}},
        {[&] { box.InsertHandleColumn(20); }, {"0:20", "1:120", "2:60", "3:80"}},
        {[&] { box.InsertDataColumn(4, "First", 10, 0, 0); }, {"0:20", "4:10", "1:120", "2:60", "3:80"}},
        {[&] { box.InsertDataColumn(1, "Again", 5); }, {"0:20", "4:10", "1:120", "2:60", "3:80"}},
        {[&] { box.RemoveColumn(4); }, {"0:20", "1:120", "2:60", "3:80"}},
        {[&] { box.SetColumnWidth(2, 70); }, {"0:20", "1:120", "2:70", "3:80"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        cases[i].change();
        Lines columns;
        for (uint16_t pos = 0; pos < box.GetColumnCount(); ++pos)
            columns.push_back(std::to_string(box.GetColumnId(pos)) + ":" + std::to_string(box.GetColumnWidth(box.GetColumnId(pos))));
        EXPECT_EQ(columns, cases[i].columns) << "case " << i;
    }
    EXPECT_EQ(box.GetColumnTitle(3), "Size");
    EXPECT_EQ(box.GetColumnBits(3), 0x10);
    EXPECT_EQ(box.GetColumnPos(7), BROWSER_INVALIDID);

    // Column 1 ends at 20 + 120 - 1 = 139: dragged from there to 179 it is 160 wide.
    SvPostMouseButtonDown(&box, MouseEvent(Point(140, 5)));
    SvPostMouseButtonUp(&box, MouseEvent(Point(179, 5)));
    SvPostMouseButtonDown(&box, MouseEvent(Point(100, 5)));  // not on an edge
    SvPostMouseButtonUp(&box, MouseEvent(Point(150, 5)));
    SvPostMouseButtonDown(&box, MouseEvent(Point(139, 50)));  // below the titles: the data window
    SvPostMouseButtonUp(&box, MouseEvent(Point(150, 50)));
    Run();
    EXPECT_EQ(box.resized, Lines{"1 160"});
    EXPECT_EQ(box.GetColumnWidth(1), 160u);
    const Lines log = LogOf(box);
    EXPECT_EQ(log[0], "rect 0 0 20 19 pen=#808080/1/solid brush=#C0C0C0/solid");  // the handle column
    EXPECT_EQ(log[1], "rect 20 0 160 19 pen=#808080/1/solid brush=#C0C0C0/solid");
    EXPECT_EQ(log[2], "text 22 2 36 15 \"Name\" font=\"Arial\"/15/bold color=#000000");
    box.RemoveColumns();
    EXPECT_EQ(box.GetColumnCount(), 0);
}

// A browse box whose rows are texts "r<row>c<column>"; it records its notifications.
class RowBrowser : public BrowseBox {
public:
    RowBrowser(Window* parent, long rows) : BrowseBox(parent, 4, 138), rows_(rows) {}
    long GetRowCount() const override { return rows_; }
    bool SeekRow(long row) override {
        sought_ = row;
        return row != skipped;
    }
    void PaintField(OutputDevice& device, const Rectangle& rect, uint16_t id) const override {
        device.DrawText(rect.TopLeft(), String(("r" + std::to_string(sought_) + "c" + std::to_string(id) + (id == 2 ? "-long-text" : "")).c_str()));
    }
    void Select() override { calls.push_back("select " + std::to_string(FirstSelectedRow())); }
    void DoubleClick() override { calls.push_back("double " + std::to_string(GetCurRow())); }
    long rows_;
    long sought_ = -1;
    long skipped = -1;
    Lines calls;
};

TEST_F(ControlsTest, BrowseBoxRowsArePaintedFieldByFieldAndSelectedByTheUser) {
    RowBrowser box(main_.get(), 20);
    Place(box, Point(0, 0), Size(300, 100));
    box.InsertDataColumn(1, "One", 60);
    box.InsertDataColumn(2, "Two", 50);
    box.FreezeColumn(1);
    EXPECT_TRUE(box.IsFrozen(1));
    EXPECT_FALSE(box.IsFrozen(2));
    box.skipped = 1;
    Run();
    // Rows 17 high (13 + 4) under the 17 high title row: 5 of 83 pixels' rows are painted; a text
    // is cut at its field's right edge (8 pixels a character: "r0c2-l" fits 50).
    Window& data = box.GetDataWindow();
    EXPECT_EQ(box.GetDataRowHeight(), 17);
    Lines log = LogOf(data);
    EXPECT_EQ(log, (Lines{"text 0 0 32 13 \"r0c1\" font=\"\"/13 color=#000000",
                          "text 60 0 48 13 \"r0c2-l\" font=\"\"/13 color=#000000",
                          "text 0 34 32 13 \"r2c1\" font=\"\"/13 color=#000000",
                          "text 60 34 48 13 \"r2c2-l\" font=\"\"/13 color=#000000",
                          "text 0 51 32 13 \"r3c1\" font=\"\"/13 color=#000000",
                          "text 60 51 48 13 \"r3c2-l\" font=\"\"/13 color=#000000",
                          "text 0 68 32 13 \"r4c1\" font=\"\"/13 color=#000000",
                          "text 60 68 48 13 \"r4c2-l\" font=\"\"/13 color=#000000"}));
    EXPECT_FALSE(data.IsClipRegion());
    box.skipped = -1;

    // A click selects a row alone, control toggles one more, shift takes a range; a double click.
    const struct {
        int32_t y;
        uint16_t clicks, modifier;
        std::vector<long> selected;
        Lines calls;
    } cases[] = {
        {17 + 40, 1, 0, {2}, {"select 2"}},
        {17 + 5, 1, KEY_MOD1, {0, 2}, {"select 0"}},
        {17 + 40, 1, KEY_MOD1, {0}, {"select 0"}},
        {17 + 60, 1, KEY_SHIFT, {2, 3}, {"select 2"}},
        {17 + 22, 2, 0, {1}, {"select 1", "double 1"}},
        {17 + 90, 1, 0, {1}, {}},  // below the last painted row: row 5 is not on screen
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        box.calls.clear();
        SvPostMouseButtonDown(&data, MouseEvent(Point(10, cases[i].y - 17), cases[i].clicks, MOUSE_LEFT, cases[i].modifier));
        SvPostMouseButtonUp(&data, MouseEvent(Point(10, cases[i].y - 17)));
        Run();
        std::vector<long> selected;
        for (long row = box.FirstSelectedRow(); row != BROWSER_ENDOFSELECTION; row = box.NextSelectedRow()) selected.push_back(row);
        EXPECT_EQ(selected, cases[i].selected) << "case " << i;
        EXPECT_EQ(box.calls, cases[i].calls) << "case " << i;
    }
    // The selected row is inverted over the columns' width.
    log = LogOf(data);
    EXPECT_NE(std::find(log.begin(), log.end(), "invert 0 17 110 17"), log.end());
    // Keys move the current row.
    box.calls.clear();
    box.KeyInput(Key(KEY_DOWN));
    box.KeyInput(Key(KEY_UP));
    box.KeyInput(Key(KEY_UP));
    box.KeyInput(Key(KEY_UP));  // there is no row -1
    EXPECT_EQ(box.calls, (Lines{"select 2", "select 1", "select 0"}));
    // Fewer rows drop the selection of the rows gone; Clear drops all.
    box.SelectRow(19);
    box.rows_ = 10;
    Run();
    EXPECT_FALSE(box.IsRowSelected(19));
    EXPECT_FALSE(box.GoToRow(10));
    EXPECT_EQ(box.GetSelectRowCount(), 1);
    box.Clear();
    EXPECT_EQ(box.GetSelectRowCount(), 0);
    EXPECT_EQ(box.GetCurRow(), BROWSER_ENDOFSELECTION);
    EXPECT_EQ(box.FirstSelectedRow(), BROWSER_ENDOFSELECTION);
}

TEST_F(ControlsTest, AClipRegionCutsWhatIsDrawn) {
    Window w(main_.get());
    Place(w, Point(0, 0), Size(100, 100));
    w.SetClipRegion(Rectangle(Point(10, 10), Size(40, 20)));
    w.DrawRect(Rectangle(Point(0, 0), Size(30, 30)));
    w.DrawText(Point(2, 12), "abcdefgh");  // cells of 8 from 2: "bcdef" lie inside 10..49
    w.DrawText(Point(2, 40), "below");
    w.DrawPixel(Point(60, 15));
    w.SetClipRegion();
    w.DrawPixel(Point(60, 15));
    EXPECT_EQ(LogOf(w), (Lines{"rect 10 10 20 20 pen=#000000/1/solid brush=#FFFFFF/solid",
                               "text 10 12 40 13 \"bcdef\" font=\"\"/13 color=#000000", "pixel 60 15 #000000"}));
}

TEST_F(ControlsTest, FileAndFontDialogsTakeTheirAnswersFromTheScript) {
    FileDialog open(main_.get(), 0x1024);
    open.SetText("Open Workbook");
    open.AddFilter("2-file-base (objects.dat)", "*objects.dat");
    open.AddFilter("1-file-base (*.kxw)", "*.kxw");
    open.AddFilter("All Files (*.*)", "*.*");
    open.SetPath("C:\\bases");
    FileDialog save(main_.get(), 0x2024);
    save.SetText("New Workbook");
    FontDialog font(main_.get(), 36);
    font.SetCurFont(Font("Courier", Size(0, 100)));
    EXPECT_EQ(open.GetFilterCount(), 3);
    EXPECT_EQ(open.GetFilterPattern(1), "*.kxw");
    EXPECT_FALSE(open.IsSaveAs());
    EXPECT_TRUE(save.IsSaveAs());

    SvSetScript("file \"C:\\\\bases\\\\x\\\\objects.dat\"\nfile cancel\nfont \"Arial\"\nfont \"Times\" 120\n", "dialogs.sv");
    EXPECT_EQ(open.Execute(), 1);
    EXPECT_EQ(open.GetPath(), "C:\\bases\\x\\objects.dat");
    EXPECT_EQ(save.Execute(), 0);
    EXPECT_EQ(font.Execute(), 1);
    EXPECT_EQ(font.GetCurFont().GetName(), "Arial");
    EXPECT_EQ(font.GetCurFont().GetSize(), Size(0, 100));
    EXPECT_EQ(font.Execute(), 1);
    EXPECT_EQ(font.GetCurFont().GetName(), "Times");
    EXPECT_EQ(font.GetCurFont().GetSize(), Size(0, 120));
    EXPECT_EQ(open.Execute(), 0);  // the script is done
    EXPECT_EQ(open.GetPath(), "C:\\bases\\x\\objects.dat");

    Lines boxes;
    for (const SvBoxRecord& r : SvTakeBoxLog()) boxes.push_back(r.Line());
    EXPECT_EQ(boxes, (Lines{
                         "FileDialog parent=\"Main\" text=\"Open Workbook\" buttons=ok,cancel open "
                         "filters=\"2-file-base (objects.dat)\"=\"*objects.dat\",\"1-file-base (*.kxw)\"=\"*.kxw\","
                         "\"All Files (*.*)\"=\"*.*\" path=\"C:\\\\bases\\\\x\\\\objects.dat\" answer=ok",
                         "FileDialog parent=\"Main\" text=\"New Workbook\" buttons=ok,cancel save filters= path=\"\" "
                         "answer=cancel",
                         "FontDialog parent=\"Main\" text=\"\" buttons=ok,cancel font=\"Arial\"/100 answer=ok",
                         "FontDialog parent=\"Main\" text=\"\" buttons=ok,cancel font=\"Times\"/120 answer=ok",
                         "FileDialog parent=\"Main\" text=\"Open Workbook\" buttons=ok,cancel open "
                         "filters=\"2-file-base (objects.dat)\"=\"*objects.dat\",\"1-file-base (*.kxw)\"=\"*.kxw\","
                         "\"All Files (*.*)\"=\"*.*\" path=\"C:\\\\bases\\\\x\\\\objects.dat\" answer=cancel unscripted",
                     }));
}

}  // namespace
