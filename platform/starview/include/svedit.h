// Edit fields: Edit, the formatted NumericField and TimeField, and ComboBox. Each paints its text,
// and while it has the focus its cursor and selection, and changes under keys as for a user.
#pragma once

#include <cstdint>
#include <vector>

#include "svgen.h"
#include "svlink.h"
#include "svtime.h"
#include "svwindow.h"

// A one-line text field: text, cursor and selection (positions in the text), read-only state and
// a modify handler.
//
// Keys: a printable character (without control or alt) replaces the selection, or is inserted at
// the cursor; backspace (0x503) and delete (0x506) remove the selection, else the character
// before, respectively after, the cursor; left, right, home and end move the cursor (with shift
// they extend the selection). Every other key goes to the parent. A read-only field takes no
// change. A change by a key calls Modify, which sets the modified flag and calls the modify
// handler with the field. The script's text command selects the whole text and types the new one
// key by key (a formatted field filters them as it filters a user's keys); a disabled field (or one
// in a disabled window) takes nothing.
class Edit : public Control {
public:
    Edit(Window* parent, WinBits style = 0);
    Edit(Window* parent, const ResId& id);

    // The cursor goes to the end of the new text, with nothing selected; no Modify.
    void SetText(const String& text) override;
    // Min is the anchor and Max the cursor; both are kept within the text.
    void SetSelection(const Selection& selection);
    Selection GetSelection() const;
    String GetSelected() const;

    void SetReadOnly(bool readOnly = true);
    bool IsReadOnly() const;

    virtual void Modify();
    Link ChangeModifyHdl(const Link& link);
    const Link& GetModifyHdl() const;
    bool IsModified() const;
    void SetModifyFlag();
    void ClearModifyFlag();

    void KeyInput(const KeyEvent& event) override;
    void Paint(const Rectangle& rect) override;
    void SvInputText(const String& text) override;

protected:
    Edit(RESOURCE_TYPE type, Window* parent, WinBits style);
    Edit(RESOURCE_TYPE type, Window* parent, const ResId& id);
    void SvFocusChanged() override;
    // The width of the field's text area (a combo box keeps room for its button).
    virtual int32_t SvTextAreaWidth() const;

private:
    bool Type(char c);
    bool Erase(bool before);
    void MoveCursor(uint16_t to, bool extend);

    uint16_t anchor_ = 0, cursor_ = 0;
    bool readOnly_ = false;
    bool modified_ = false;
    Link modify_;
};

// A field holding a number (32 bits) between a minimum and a maximum; first and last are kept for
// the caller. The text shows the value in decimal; when the field loses the focus its text is read
// (leading blanks, a sign and digits; anything else keeps the previous value), limited to the
// minimum and maximum and shown again. GetValue reads the text the same way.
class NumericField : public Edit {
public:
    NumericField(Window* parent, WinBits style = 0);
    NumericField(Window* parent, const ResId& id);

    void SetValue(int32_t value);
    int32_t GetValue() const;
    void SetMin(int32_t min);
    int32_t GetMin() const;
    void SetMax(int32_t max);
    int32_t GetMax() const;
    void SetFirst(int32_t first);
    int32_t GetFirst() const;
    void SetLast(int32_t last);
    int32_t GetLast() const;
    // Reads the text and shows the value again.
    void Reformat();

    void LoseFocus() override;

private:
    int32_t Limited(int64_t value) const;
    int32_t Parsed() const;

    int32_t value_ = 0;
    int32_t min_ = INT32_MIN, max_ = INT32_MAX;
    int32_t first_ = INT32_MIN, last_ = INT32_MAX;
};

// A field holding a time of day between a minimum and a maximum (first and last kept for the
// caller). The text shows hours, minutes and seconds in the application's international format;
// it is read (up to three numbers between any separators, and AM or PM on a 12-hour clock) when
// the field loses the focus and by GetTime; a text that is no time keeps the previous value.
class TimeField : public Edit {
public:
    TimeField(Window* parent, WinBits style = 0);
    TimeField(Window* parent, const ResId& id);

    void SetTime(const Time& time);
    Time GetTime() const;
    void SetMin(const Time& min);
    Time GetMin() const;
    void SetMax(const Time& max);
    Time GetMax() const;
    void SetFirst(const Time& first);
    Time GetFirst() const;
    void SetLast(const Time& last);
    Time GetLast() const;
    void Reformat();

    void LoseFocus() override;

private:
    Time Limited(const Time& time) const;
    Time Parsed() const;

    Time value_, min_, max_, first_, last_;
};

constexpr uint16_t COMBOBOX_APPEND = 0xFFFF;
constexpr uint16_t COMBOBOX_ENTRY_NOTFOUND = 0xFFFF;

// An edit field with a list of entries. Choosing an entry (the script's choose command) gives the
// field the entry's text, as Modify, and then calls Select, which calls the select handler.
class ComboBox : public Edit {
public:
    ComboBox(Window* parent, WinBits style = 0);
    ComboBox(Window* parent, const ResId& id);

    // At the position (appended when past the end); answers the position.
    uint16_t InsertEntry(const String& text, uint16_t pos = COMBOBOX_APPEND);
    // The first entry with the text; an unknown text or position changes nothing.
    void RemoveEntry(const String& text);
    void RemoveEntry(uint16_t pos);
    void Clear();
    uint16_t GetEntryCount() const;
    // The empty text past the end.
    String GetEntry(uint16_t pos) const;
    uint16_t GetEntryPos(const String& text) const;

    virtual void Select();
    Link ChangeSelectHdl(const Link& link);
    const Link& GetSelectHdl() const;

    void Paint(const Rectangle& rect) override;
    // False when the box has no such entry.
    bool SvInputChoose(const String& entry) override;

protected:
    int32_t SvTextAreaWidth() const override;

private:
    std::vector<String> entries_;
    Link select_;
};
