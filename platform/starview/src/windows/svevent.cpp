#include "svevent.h"

// ---- MouseEvent ----

MouseEvent::MouseEvent() : MouseEvent(Point(), 0, 0, 0) {}
MouseEvent::MouseEvent(const Point& pos, uint16_t clicks, uint16_t buttons, uint16_t modifier)
    : pos_(pos), buttons_(buttons), clicks_(clicks), modifier_(modifier) {}
const Point& MouseEvent::GetPosPixel() const { return pos_; }
uint16_t MouseEvent::GetButtons() const { return buttons_; }
uint16_t MouseEvent::GetClicks() const { return clicks_; }
uint16_t MouseEvent::GetModifier() const { return modifier_; }
bool MouseEvent::IsLeft() const { return (buttons_ & MOUSE_LEFT) != 0; }
bool MouseEvent::IsRight() const { return (buttons_ & MOUSE_RIGHT) != 0; }

// ---- KeyCode, KeyEvent ----

KeyCode::KeyCode() : code_(0) {}
KeyCode::KeyCode(uint16_t fullCode) : code_(fullCode) {}
KeyCode::KeyCode(uint16_t code, uint16_t modifier)
    : code_(static_cast<uint16_t>((code & KEY_CODE) | (modifier & KEY_MODTYPE))) {}
uint16_t KeyCode::GetCode() const { return code_ & KEY_CODE; }
uint16_t KeyCode::GetGroup() const { return code_ & KEYGROUP_MASK; }
uint16_t KeyCode::GetModifier() const { return code_ & KEY_MODTYPE; }
uint16_t KeyCode::GetFullCode() const { return code_; }
bool KeyCode::IsShift() const { return (code_ & KEY_SHIFT) != 0; }
bool KeyCode::IsMod1() const { return (code_ & KEY_MOD1) != 0; }
bool KeyCode::IsMod2() const { return (code_ & KEY_MOD2) != 0; }
bool KeyCode::operator==(const KeyCode& k) const { return code_ == k.code_; }
bool KeyCode::operator!=(const KeyCode& k) const { return code_ != k.code_; }

KeyEvent::KeyEvent() : character_(0), code_(), repeat_(0) {}
KeyEvent::KeyEvent(char character, const KeyCode& code, uint16_t repeat)
    : character_(character), code_(code), repeat_(repeat) {}
char KeyEvent::GetCharCode() const { return character_; }
const KeyCode& KeyEvent::GetKeyCode() const { return code_; }
uint16_t KeyEvent::GetRepeat() const { return repeat_; }

KeyEvent SvKeyEventOf(char c) {
    uint16_t code = 0;
    if (c >= '0' && c <= '9') code = static_cast<uint16_t>(KEY_0 + (c - '0'));
    else if (c >= 'a' && c <= 'z') code = static_cast<uint16_t>(KEY_A + (c - 'a'));
    else if (c >= 'A' && c <= 'Z') code = static_cast<uint16_t>(KEY_A + (c - 'A')) | KEY_SHIFT;
    else {
        switch (c) {
            case ' ': code = KEY_SPACE; break;
            case '\n':
            case '\r': code = KEY_RETURN; break;
            case '\t': code = KEY_TAB; break;
            case '+': code = KEY_ADD; break;
            case '-': code = KEY_SUBTRACT; break;
            case '*': code = KEY_MULTIPLY; break;
            case '/': code = KEY_DIVIDE; break;
            case '.': code = KEY_POINT; break;
            case ',': code = KEY_COMMA; break;
            case '<': code = KEY_LESS; break;
            case '>': code = KEY_GREATER; break;
            case '=': code = KEY_EQUAL; break;
            default: break;
        }
    }
    return KeyEvent(c, KeyCode(code));
}

// ---- HelpEvent, DropEvent ----

HelpEvent::HelpEvent() : pos_(), mode_(HELPMODE_CONTEXT) {}
HelpEvent::HelpEvent(const Point& mousePos, HelpMode mode) : pos_(mousePos), mode_(mode) {}
const Point& HelpEvent::GetMousePosPixel() const { return pos_; }
HelpMode HelpEvent::GetMode() const { return mode_; }

DropEvent::DropEvent() : pos_(), action_(DROP_NONE) {}
DropEvent::DropEvent(const Point& pos, DropAction action) : pos_(pos), action_(action) {}
const Point& DropEvent::GetPosPixel() const { return pos_; }
DropAction DropEvent::GetAction() const { return action_; }
void DropEvent::SetAction(DropAction action) { action_ = action; }
