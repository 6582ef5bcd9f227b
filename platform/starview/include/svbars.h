// Bars along the edges of a window: StatusBar (items with texts) and ToolBox (buttons with
// pictures and texts).
#pragma once

#include <cstdint>
#include <vector>

#include "svgdi.h"
#include "svlink.h"
#include "svwindow.h"

constexpr uint16_t STATUSBAR_APPEND = 0xFFFF;
constexpr uint16_t STATUSBAR_ITEM_NOTFOUND = 0xFFFF;
constexpr short STATUSBAR_OFFSET = 5;

// Style bits of a status bar item: the text's alignment (left when none is set) and a frame.
constexpr uint16_t SIB_LEFT = 0x0001;
constexpr uint16_t SIB_CENTER = 0x0002;
constexpr uint16_t SIB_RIGHT = 0x0004;
constexpr uint16_t SIB_IN = 0x0008;
constexpr uint16_t SIB_OUT = 0x0010;

// A bar of items by id, laid out from the left: each item begins its offset after the end of the
// one before it and is as wide as given. While the items are hidden the bar shows its own text
// (SetText) over its whole width. A new status bar is as high as CalcWindowSizePixel says.
class StatusBar : public Control {
public:
    StatusBar(Window* parent, WinBits style = 0);
    StatusBar(Window* parent, const ResId& id);

    // A present id changes nothing.
    void InsertItem(uint16_t id, uint16_t width, uint16_t bits = SIB_LEFT, short offset = STATUSBAR_OFFSET,
                    uint16_t pos = STATUSBAR_APPEND);
    void RemoveItem(uint16_t id);
    void Clear();
    uint16_t GetItemCount() const;
    uint16_t GetItemId(uint16_t pos) const;  // 0 past the end
    uint16_t GetItemPos(uint16_t id) const;
    uint16_t GetItemWidth(uint16_t id) const;
    uint16_t GetItemBits(uint16_t id) const;
    short GetItemOffset(uint16_t id) const;
    // The item's area in the bar's pixels; the empty rectangle for an unknown id.
    Rectangle GetItemRect(uint16_t id) const;
    void SetItemText(uint16_t id, const String& text);
    String GetItemText(uint16_t id) const;

    void HideItems();
    void ShowItems();
    bool AreItemsVisible() const;

    // The height for the bar's font (its text height + 7) and the width of its items.
    Size CalcWindowSizePixel() const;
    void Paint(const Rectangle& rect) override;

private:
    struct Item {
        uint16_t id;
        uint16_t width;
        uint16_t bits;
        short offset;
        String text;
    };
    const Item* Find(uint16_t id) const;

    std::vector<Item> items_;
    bool itemsVisible_ = true;
};

constexpr uint16_t TOOLBOX_APPEND = 0xFFFF;
constexpr uint16_t TOOLBOX_ITEM_NOTFOUND = 0xFFFF;

// A row of buttons by id (each with a picture, a text or both, a help text, check and enable
// states) and separators, from the left. Input on an enabled button: the mouse moving onto it makes
// it the current item and calls Highlight; a left button going down makes it current and calls
// Click; going up on the same button calls Select, after which no item is current. The handlers get
// the tool box; GetCurItemId tells the item.
class ToolBox : public Control {
public:
    ToolBox(Window* parent, WinBits style = 0);
    ToolBox(Window* parent, const ResId& id);

    // A present id changes nothing. A second picture is kept with the item but not shown.
    void InsertItem(uint16_t id, const Bitmap& bitmap, uint16_t pos = TOOLBOX_APPEND);
    void InsertItem(uint16_t id, const Bitmap& bitmap, const Bitmap& second, uint16_t pos = TOOLBOX_APPEND);
    void InsertItem(uint16_t id, const Bitmap& bitmap, const String& text, uint16_t pos = TOOLBOX_APPEND);
    void InsertItem(uint16_t id, const Bitmap& bitmap, const Bitmap& second, const String& text,
                    uint16_t pos = TOOLBOX_APPEND);
    void InsertItem(uint16_t id, const String& text, uint16_t pos = TOOLBOX_APPEND);
    void InsertSeparator(uint16_t pos = TOOLBOX_APPEND);
    // By position (separators count); past the end nothing happens.
    void RemoveItem(uint16_t pos);
    void Clear();
    uint16_t GetItemCount() const;
    uint16_t GetItemId(uint16_t pos) const;  // 0 for a separator and past the end
    uint16_t GetItemPos(uint16_t id) const;
    Rectangle GetItemRect(uint16_t id) const;
    void SetItemText(uint16_t id, const String& text);
    String GetItemText(uint16_t id) const;
    void SetHelpText(uint16_t id, const String& text);
    String GetHelpText(uint16_t id) const;
    void CheckItem(uint16_t id, bool check = true);
    bool IsItemChecked(uint16_t id) const;
    void EnableItem(uint16_t id, bool enable = true);
    bool IsItemEnabled(uint16_t id) const;
    uint16_t GetCurItemId() const;

    virtual void Click();
    virtual void Select();
    virtual void Highlight();
    Link ChangeClickHdl(const Link& link);
    const Link& GetClickHdl() const;
    Link ChangeSelectHdl(const Link& link);
    const Link& GetSelectHdl() const;
    Link ChangeHighlightHdl(const Link& link);
    const Link& GetHighlightHdl() const;

    // The size the items need: each button 6 pixels wider than its picture or text and 6 higher
    // than its picture with its text below, separators 6 wide, and a margin of 2 all round.
    Size CalcWindowSizePixel() const;
    void Paint(const Rectangle& rect) override;
    void MouseMove(const MouseEvent& event) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;

private:
    struct Item {
        uint16_t id = 0;  // 0: a separator
        Bitmap bitmap, second;
        String text, helpText;
        bool checked = false, enabled = true;
    };
    void Insert(Item item, uint16_t pos);
    Item* Find(uint16_t id);
    const Item* Find(uint16_t id) const;
    std::vector<Rectangle> Layout() const;
    // The enabled button under the point, 0 for none.
    uint16_t ButtonAt(const Point& p) const;

    std::vector<Item> items_;
    uint16_t cur_ = 0, pressed_ = 0;
    Link click_, select_, highlight_;
};
