// BrowseBox: a table control with a title row of columns over its data window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "svgdi.h"
#include "svwindow.h"

constexpr uint16_t BROWSER_APPEND = 0xFFFF;
constexpr uint16_t BROWSER_INVALIDID = 0xFFFF;
// The id of the handle column.
constexpr uint16_t HANDLE_ID = 0;

// Columns by id, from the left: an optional handle column (id 0, always first) and data columns
// with a title, a width in pixels and bits. The title row (as high as the title font's text + 4)
// shows the titles; the data window fills the rest of the box and follows its size.
//
// Input: a left button going down in the title row within 2 pixels of a column's right edge and
// going up elsewhere gives that column the width up to the release point (at least 1) and calls
// ColumnResized with its id.
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

    // A user changed the column's width.
    virtual void ColumnResized(uint16_t id);

    void Paint(const Rectangle& rect) override;
    void Resize() override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;

private:
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
};
