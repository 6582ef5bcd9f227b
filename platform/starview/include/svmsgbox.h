// Message boxes. Nothing is shown: Execute appends the box to the box log (kind, parent title,
// text, buttons, answer) and answers what the script answers for it, or its default button,
// marked "unscripted" in the log.
#pragma once

#include <string>
#include <vector>

#include "svwindow.h"

// Buttons of a message box, in the style bits.
constexpr WinBits WB_OK = 0x0010;
constexpr WinBits WB_OK_CANCEL = 0x0020;
constexpr WinBits WB_YES_NO = 0x0040;
constexpr WinBits WB_YES_NO_CANCEL = 0x0080;
constexpr WinBits WB_RETRY_CANCEL = 0x0100;
// The default button, by its place among the buttons (the first when none is given).
constexpr WinBits WB_DEF_BUTTON1 = 0x1000;
constexpr WinBits WB_DEF_BUTTON2 = 0x2000;
constexpr WinBits WB_DEF_BUTTON3 = 0x4000;

// The answers of a message box, which are also its button ids.
constexpr short RET_CANCEL = 0;
constexpr short RET_OK = 1;
constexpr short RET_YES = 2;
constexpr short RET_NO = 3;
constexpr short RET_RETRY = 4;

class MessBox : public ModalDialog {
public:
    // Without button bits the box has an OK button.
    MessBox(Window* parent, WinBits style, const String& text);

    short Execute() override;
    void SetMessText(const String& text);
    const String& GetMessText() const;
    // Another text on a button (RET_YES ...); the box log shows it.
    void SetButtonText(short button, const String& text);
    String GetButtonText(short button) const;

protected:
    MessBox(const char* kind, Window* parent, WinBits style, const String& text);

private:
    const char* kind_;
    String text_;
    std::vector<std::pair<short, String>> buttonTexts_;
};

class InfoBox : public MessBox {
public:
    InfoBox(Window* parent, const String& text);
};

class WarningBox : public MessBox {
public:
    WarningBox(Window* parent, WinBits style, const String& text);
};

class ErrorBox : public MessBox {
public:
    ErrorBox(Window* parent, WinBits style, const String& text);
};

class QueryBox : public MessBox {
public:
    QueryBox(Window* parent, WinBits style, const String& text);
};

// One executed message box.
struct SvBoxRecord {
    std::string kind;     // "InfoBox", "WarningBox", "ErrorBox", "QueryBox", "MessBox"
    std::string parent;   // the parent's title, empty without parent
    std::string text;
    std::string buttons;  // "ok", "retry,cancel", with a changed text: yes="Commit" ...
    short answer = 0;
    bool scripted = false;

    // kind parent="..." text="..." buttons=... answer=<name>[ unscripted]
    std::string Line() const;
};

// The boxes executed so far (and forgets them). With SV_PAINT_DIR set, each box is also appended
// to "boxes.log" there when it is executed.
std::vector<SvBoxRecord> SvTakeBoxLog();
