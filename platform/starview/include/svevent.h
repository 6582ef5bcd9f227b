// Input events handed to the handlers of a window: MouseEvent, KeyCode and KeyEvent with the key
// codes, HelpEvent and DropEvent.
#pragma once

#include <cstdint>

#include "svgen.h"

// Buttons of a mouse event.
constexpr uint16_t MOUSE_LEFT = 1;
constexpr uint16_t MOUSE_RIGHT = 16;

// A mouse event: the position in the window's pixels, then the pressed buttons (MOUSE_LEFT,
// MOUSE_RIGHT), the number of clicks (2 a double click) and the modifier keys (KEY_SHIFT ...).
class MouseEvent {
public:
    MouseEvent();
    MouseEvent(const Point& pos, uint16_t clicks = 1, uint16_t buttons = MOUSE_LEFT, uint16_t modifier = 0);

    const Point& GetPosPixel() const;
    uint16_t GetButtons() const;
    uint16_t GetClicks() const;
    uint16_t GetModifier() const;
    bool IsLeft() const;
    bool IsRight() const;

private:
    Point pos_;
    uint16_t buttons_;
    uint16_t clicks_;
    uint16_t modifier_;
};

// Key codes: the group in bits 8 to 11, the key in the group below, the modifiers above.
constexpr uint16_t KEYGROUP_NUM = 0x0100;
constexpr uint16_t KEYGROUP_ALPHA = 0x0200;
constexpr uint16_t KEYGROUP_FKEYS = 0x0300;
constexpr uint16_t KEYGROUP_CURSOR = 0x0400;
constexpr uint16_t KEYGROUP_MISC = 0x0500;
constexpr uint16_t KEYGROUP_MASK = 0x0F00;
constexpr uint16_t KEY_CODE = 0x0FFF;

constexpr uint16_t KEY_0 = 0x0100;  // KEY_0 + n for the digit n
constexpr uint16_t KEY_A = 0x0200;  // KEY_A + n for the n-th letter (KEY_X is 0x217)
constexpr uint16_t KEY_F1 = 0x0300;  // KEY_F1 + n - 1 for Fn

constexpr uint16_t KEY_DOWN = 0x0400;
constexpr uint16_t KEY_UP = 0x0401;
constexpr uint16_t KEY_LEFT = 0x0402;
constexpr uint16_t KEY_RIGHT = 0x0403;
constexpr uint16_t KEY_HOME = 0x0404;
constexpr uint16_t KEY_END = 0x0405;
constexpr uint16_t KEY_PAGEUP = 0x0406;
constexpr uint16_t KEY_PAGEDOWN = 0x0407;

constexpr uint16_t KEY_RETURN = 0x0500;
constexpr uint16_t KEY_ESCAPE = 0x0501;
constexpr uint16_t KEY_TAB = 0x0502;
constexpr uint16_t KEY_BACKSPACE = 0x0503;
constexpr uint16_t KEY_SPACE = 0x0504;
constexpr uint16_t KEY_INSERT = 0x0505;
constexpr uint16_t KEY_DELETE = 0x0506;
constexpr uint16_t KEY_ADD = 0x0507;
constexpr uint16_t KEY_SUBTRACT = 0x0508;
constexpr uint16_t KEY_MULTIPLY = 0x0509;
constexpr uint16_t KEY_DIVIDE = 0x050A;
constexpr uint16_t KEY_POINT = 0x050B;
constexpr uint16_t KEY_COMMA = 0x050C;
constexpr uint16_t KEY_LESS = 0x050D;
constexpr uint16_t KEY_GREATER = 0x050E;
constexpr uint16_t KEY_EQUAL = 0x050F;
constexpr uint16_t KEY_CUT = 0x0511;
constexpr uint16_t KEY_COPY = 0x0512;
constexpr uint16_t KEY_PASTE = 0x0513;

constexpr uint16_t KEY_SHIFT = 0x1000;
constexpr uint16_t KEY_MOD1 = 0x2000;  // control
constexpr uint16_t KEY_MOD2 = 0x4000;  // alt
constexpr uint16_t KEY_MODTYPE = 0x7000;

class KeyCode {
public:
    KeyCode();
    // The code with its modifier bits.
    KeyCode(uint16_t fullCode);
    KeyCode(uint16_t code, uint16_t modifier);

    uint16_t GetCode() const;  // without modifiers
    uint16_t GetGroup() const;
    uint16_t GetModifier() const;
    uint16_t GetFullCode() const;
    bool IsShift() const;
    bool IsMod1() const;
    bool IsMod2() const;
    bool operator==(const KeyCode& k) const;
    bool operator!=(const KeyCode& k) const;

private:
    uint16_t code_;
};

// A key: the character it types (0 for none) and its key code.
class KeyEvent {
public:
    KeyEvent();
    KeyEvent(char character, const KeyCode& code, uint16_t repeat = 0);

    char GetCharCode() const;
    const KeyCode& GetKeyCode() const;
    uint16_t GetRepeat() const;

private:
    char character_;
    KeyCode code_;
    uint16_t repeat_;
};

// The key a character is typed with: digits and letters in their groups (an upper-case letter
// with KEY_SHIFT), blank, return (line feed or carriage return), tab, + - * / . , < > = in the
// group of KEY_RETURN; any other character has the code 0.
KeyEvent SvKeyEventOf(char character);

enum HelpMode : uint16_t { HELPMODE_CONTEXT = 1, HELPMODE_EXTENDED = 2, HELPMODE_BALLOON = 4 };

class HelpEvent {
public:
    HelpEvent();
    HelpEvent(const Point& mousePos, HelpMode mode);
    const Point& GetMousePosPixel() const;
    HelpMode GetMode() const;

private:
    Point pos_;
    HelpMode mode_;
};

enum DropAction : uint16_t { DROP_NONE = 0, DROP_COPY = 1, DROP_MOVE = 2, DROP_LINK = 4 };

class DropEvent {
public:
    DropEvent();
    DropEvent(const Point& pos, DropAction action = DROP_COPY);
    const Point& GetPosPixel() const;
    DropAction GetAction() const;
    void SetAction(DropAction action);

private:
    Point pos_;
    DropAction action_;
};
