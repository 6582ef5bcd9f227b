// BrowseBox: a table control with a title row of columns over its data window.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "svgdi.h"
#include "svwindow.h"

constexpr uint16_t BROWSER_APPEND = 0xFFFF;
constexpr uint16_t BROWSER_INVALIDID = 0xFFFF;
// The id of the handle column.
constexpr uint16_t HANDLE_ID = 0;
// No row (no current row, no further selected row).
constexpr long BROWSER_ENDOFSELECTION = -1;
// A frozen column's bit.
constexpr uint16_t BROWSER_FROZEN = 0x8000;

// Columns by id, from the left: an optional handle column (id 0, always first) and data columns
// with a title, a width in pixels and bits. The title row (as high as the title font's text + 4)
// shows the titles; the data window fills the rest of the box and follows its size.
//
// Rows are the derived class's: the box asks GetRowCount for their number and paints the rows that
// fit into the data window from its top row on, each as high as the data font's text + 4: SeekRow
// (row), then PaintField for each data column with the field's rectangle (the device's clip region
// set to it); a selected row is inverted.
//
// Input: a left button going down in the title row within 2 pixels of a column's right edge and
// going up elsewhere gives that column the width up to the release point (at least 1) and calls
// ColumnResized with its id. Mouse input on the data window comes to the box's handlers, with the
// position in the box. A left button going down on a row makes it the current row and selects it
// alone (with control: toggles it, with shift: selects the rows from the current one to it), then
// calls Select; a second click (a double click) then calls DoubleClick. The up and down keys move
// the current row and select it alone, then call Select.
class BrowseBox : public Control {
public:
    BrowseBox(Window* parent, WinBits style = 0, uint16_t mode = 0);
    BrowseBox(Window* parent, const ResId& id, uint16_t mode = 0);
    ~BrowseBox() override;

    uint16_t GetMode() const;

    // A present id changes nothing.
    void InsertDataColumn(uint16_t id, const String& title, uint32_t width, uint16_t bits = 0,
                          uint16_t pos = BROWSER_APPEND);
    void InsertHandleColumn(uint32_t width, bool rowNumbers = false);
    void RemoveColumn(uint16_t id);
    void RemoveColumns();
    uint16_t GetColumnCount() const;
    uint16_t GetColumnId(uint16_t pos) const;  // BROWSER_INVALIDID past the end
    uint16_t GetColumnPos(uint16_t id) const;  // BROWSER_INVALIDID when unknown
    uint32_t GetColumnWidth(uint16_t id) const;
    void SetColumnWidth(uint16_t id, uint32_t width);
    String GetColumnTitle(uint16_t id) const;
    void SetColumnTitle(uint16_t id, const String& title);
    uint16_t GetColumnBits(uint16_t id) const;

    // The font of the title row; the box's own font (ChangeFont) is the data font.
    void SetTitleFont(const Font& font);
    const Font& GetTitleFont() const;
    Window& GetDataWindow() const;

    // Frozen columns keep their place at the left edge (the column's bits get BROWSER_FROZEN).
    void FreezeColumn(uint16_t id, bool freeze = true);
    bool IsFrozen(uint16_t id) const;

    // A user changed the column's width.
    virtual void ColumnResized(uint16_t id);

    // The rows, from the derived class: their number; positioning on a row before its fields are
    // painted (false: the row is not painted); painting one field of the row sought.
    virtual long GetRowCount() const;
    virtual bool SeekRow(long row);
    virtual void PaintField(OutputDevice& device, const Rectangle& rect, uint16_t columnId) const;
    // The user changed the selection; the user double-clicked a row.
    virtual void Select();
    virtual void DoubleClick();

    // No row selected, none current, the first row on top; repaints.
    void Clear();
    // The current row (BROWSER_ENDOFSELECTION when none).
    long GetCurRow() const;
    // Makes the row current and selects it alone (false for a row that does not exist); Select is
    // not called.
    bool GoToRow(long row);
    // Adds the row to the selection or takes it out.
    void SelectRow(long row, bool select = true);
    void SetNoSelection();
    bool IsRowSelected(long row) const;
    long GetSelectRowCount() const;
    // The selected rows in ascending order: the first, then each next, then BROWSER_ENDOFSELECTION.
    long FirstSelectedRow();
    long NextSelectedRow();
    long GetTopRow() const;
    void SetTopRow(long row);
    // The height of a row in pixels, and the row at a position of the data window (-1 for none).
    int32_t GetDataRowHeight() const;
    long GetRowAtYPosPixel(int32_t y) const;
    // The rectangle of a field in the data window (empty for an unknown column).
    Rectangle GetFieldRectPixel(long row, uint16_t columnId) const;

    void Paint(const Rectangle& rect) override;
    void Resize() override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;
    void KeyInput(const KeyEvent& event) override;

private:
    class DataWindow;
    friend class DataWindow;
    void PaintData(Window& data);
    // Keeps the selection to rows that exist.
    void DropMissingRows();
    struct Column {
        uint16_t id;
        String title;
        uint32_t width;
        uint16_t bits;
    };
    int32_t TitleHeight() const;
    void Arrange();
    Column* Find(uint16_t id);
    const Column* Find(uint16_t id) const;

    uint16_t mode_;
    std::vector<Column> columns_;
    Font titleFont_;
    std::unique_ptr<Window> data_;
    uint16_t resizing_ = BROWSER_INVALIDID;
    int32_t resizeLeft_ = 0;
    std::set<long> selected_;
    std::set<long>::const_iterator nextSelected_;
    bool walking_ = false;
    long curRow_ = BROWSER_ENDOFSELECTION;
    long topRow_ = 0;
};
