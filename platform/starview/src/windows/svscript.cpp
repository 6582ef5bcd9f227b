// The script named by SV_SCRIPT: one command a line, run by the event loop whenever its queue is
// empty; message boxes and popup menus take their answers from the line that follows.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "svcore.h"

namespace svcore {

namespace {

struct Token {
    bool quoted = false;
    std::string text;
};

struct Target {
    bool byId = false;
    std::string title;
    uint32_t id = 0;
    bool control = false;
    RESOURCE_TYPE type = RSC_NOTYPE;
    uint32_t controlId = 0;
};

struct Command {
    int line = 0;
    std::string name;
    Target target;
    Point point;              // click, mousedown, mouseup, mousemove, move; resize: width, height
    bool byText = false;      // click, menu, popup, answer: by a text
    std::string text;         // the text of click, text, choose, menu, popup, answer (a button)
    std::string boxText;      // answer: the box's text, when given
    bool hasBoxText = false;
    uint16_t buttons = MOUSE_LEFT;
    uint16_t clicks = 1;
    std::vector<KeyEvent> keys;  // key, accel
    uint16_t id = 0;             // menu, popup
    bool none = false;           // popup none
    short answer = -1;           // answer by name or number
};

struct Script {
    bool loaded = false;
    std::string name;
    std::vector<Command> commands;
    size_t next = 0;
};

Script theScript;

[[noreturn]] void Fail(const Script& s, int line, const std::string& reason) {
    Stop(s.name + ":" + std::to_string(line) + ": " + reason);
}

// ---- parsing ----

std::vector<Token> Tokenize(const Script& s, int line, const std::string& text) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') {
            ++i;
            continue;
        }
        Token t;
        if (text[i] != '"') {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') t.text += text[i++];
            tokens.push_back(t);
            continue;
        }
        t.quoted = true;
        ++i;
        bool closed = false;
        while (i < text.size()) {
            const char c = text[i++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c != '\\') {
                t.text += c;
                continue;
            }
            if (i >= text.size()) break;
            const char e = text[i++];
            switch (e) {
                case '"':
                case '\\': t.text += e; break;
                case 'n': t.text += '\n'; break;
                case 'r': t.text += '\r'; break;
                case 't': t.text += '\t'; break;
                case 'x': {
                    if (i + 2 > text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])) ||
                        !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
                        Fail(s, line, "malformed \\x escape");
                    t.text += static_cast<char>(std::strtol(text.substr(i, 2).c_str(), nullptr, 16));
                    i += 2;
                    break;
                }
                default: Fail(s, line, std::string("unknown escape \\") + e);
            }
        }
        if (!closed) Fail(s, line, "unterminated quote");
        tokens.push_back(t);
    }
    return tokens;
}

class Parser {
public:
    Parser(const Script& s, int line, std::vector<Token> tokens) : s_(s), line_(line), tokens_(std::move(tokens)) {}

    bool More() const { return pos_ < tokens_.size(); }
    const Token& Peek() const { return tokens_[pos_]; }

    const Token& Take(const char* what) {
        if (!More()) Fail(s_, line_, command_ + ": missing " + what);
        return tokens_[pos_++];
    }

    std::string Word(const char* what) {
        const Token& t = Take(what);
        if (t.quoted) Fail(s_, line_, command_ + ": " + what + " expected, found " + Quote(t.text));
        return t.text;
    }

    std::string Quoted(const char* what) {
        const Token& t = Take(what);
        if (!t.quoted) Fail(s_, line_, command_ + ": " + what + " expected in quotes, found " + t.text);
        return t.text;
    }

    static bool IsNumber(const Token& t, long& value) {
        if (t.quoted || t.text.empty()) return false;
        char* end = nullptr;
        errno = 0;
        value = std::strtol(t.text.c_str(), &end, 0);
        return errno == 0 && *end == '\0' && value >= INT32_MIN && value <= INT32_MAX;
    }

    long Number(const char* what) {
        const Token& t = Take(what);
        long v = 0;
        if (!IsNumber(t, v)) Fail(s_, line_, command_ + ": " + what + " is not a number: " + t.text);
        return v;
    }

    uint16_t Id(const char* what) {
        const long v = Number(what);
        if (v < 0 || v > 0xFFFF) Fail(s_, line_, command_ + ": " + what + " out of range: " + std::to_string(v));
        return static_cast<uint16_t>(v);
    }

    Target ParseTarget() {
        Target target;
        const Token& w = Take("window");
        if (w.quoted) {
            target.title = w.text;
        } else if (w.text.size() > 1 && w.text[0] == '#') {
            Token id{false, w.text.substr(1)};
            long v = 0;
            if (!IsNumber(id, v) || v < 0) Fail(s_, line_, command_ + ": bad window id " + w.text);
            target.byId = true;
            target.id = static_cast<uint32_t>(v);
        } else {
            Fail(s_, line_, command_ + ": a window is a quoted title or #id, found " + w.text);
        }
        if (More() && !Peek().quoted) {
            for (int t = RSC_WINDOW; t <= RSC_BROWSEBOX; ++t)
                if (Peek().text == SvResTypeName(static_cast<RESOURCE_TYPE>(t))) {
                    ++pos_;
                    const long id = Number("control id");
                    if (id < 0) Fail(s_, line_, command_ + ": bad control id " + std::to_string(id));
                    target.control = true;
                    target.type = static_cast<RESOURCE_TYPE>(t);
                    target.controlId = static_cast<uint32_t>(id);
                    break;
                }
        }
        return target;
    }

    KeyEvent NamedKey(const std::string& written) {
        static const struct {
            const char* name;
            uint16_t code;
            char character;
        } kNames[] = {
            {"return", KEY_RETURN, '\r'}, {"escape", KEY_ESCAPE, 27}, {"tab", KEY_TAB, '\t'},
            {"backspace", KEY_BACKSPACE, 8}, {"space", KEY_SPACE, ' '}, {"insert", KEY_INSERT, 0},
            {"delete", KEY_DELETE, 0}, {"up", KEY_UP, 0}, {"down", KEY_DOWN, 0}, {"left", KEY_LEFT, 0},
            {"right", KEY_RIGHT, 0}, {"home", KEY_HOME, 0}, {"end", KEY_END, 0}, {"pageup", KEY_PAGEUP, 0},
            {"pagedown", KEY_PAGEDOWN, 0},
        };
        uint16_t modifier = 0;
        std::string name = written;
        for (;;) {
            const size_t plus = name.find('+');
            if (plus == std::string::npos || plus + 1 == name.size()) break;
            const std::string mod = name.substr(0, plus);
            if (mod == "shift") modifier |= KEY_SHIFT;
            else if (mod == "ctrl") modifier |= KEY_MOD1;
            else if (mod == "alt") modifier |= KEY_MOD2;
            else Fail(s_, line_, command_ + ": unknown key " + written);
            name = name.substr(plus + 1);
        }
        for (const auto& k : kNames)
            if (name == k.name) return KeyEvent(k.character, KeyCode(k.code, modifier));
        if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
            const KeyEvent plain = SvKeyEventOf(name[0]);
            return KeyEvent(name[0], KeyCode(plain.GetKeyCode().GetFullCode() | modifier));
        }
        if (name.size() >= 2 && name[0] == 'f') {
            long n = 0;
            if (IsNumber(Token{false, name.substr(1)}, n) && n >= 1 && n <= 24)
                return KeyEvent(0, KeyCode(static_cast<uint16_t>(KEY_F1 + n - 1), modifier));
        }
        Fail(s_, line_, command_ + ": unknown key " + written);
    }

    // A quoted text types its characters; a number is a key code; a name is a key.
    void Keys(std::vector<KeyEvent>& keys) {
        const Token& t = Take("key");
        long code = 0;
        if (t.quoted) {
            if (t.text.empty()) Fail(s_, line_, command_ + ": empty key text");
            for (char c : t.text) keys.push_back(SvKeyEventOf(c));
        } else if (IsNumber(t, code)) {
            if (code < 0 || code > 0xFFFF) Fail(s_, line_, command_ + ": key code out of range: " + t.text);
            keys.push_back(KeyEvent(0, KeyCode(static_cast<uint16_t>(code))));
        } else {
            keys.push_back(NamedKey(t.text));
        }
    }

    Command Parse() {
        Command c;
        c.line = line_;
        c.name = command_ = Word("command");
        const std::string& n = c.name;
        if (n == "click" || n == "mousedown" || n == "mouseup" || n == "mousemove") {
            c.target = ParseTarget();
            if (n == "click" && More() && Peek().quoted) {
                c.byText = true;
                c.text = Quoted("text");
            } else {
                c.point.X() = static_cast<int32_t>(Number("x"));
                c.point.Y() = static_cast<int32_t>(Number("y"));
            }
            while (More() && n != "mousemove") {
                const std::string option = Word("option");
                if (option == "right") c.buttons = MOUSE_RIGHT;
                else if (option == "double" && n == "click") c.clicks = 2;
                else Fail(s_, line_, n + ": unknown option " + option);
            }
        } else if (n == "key") {
            c.target = ParseTarget();
            Keys(c.keys);
            while (More()) Keys(c.keys);
        } else if (n == "resize" || n == "move") {
            c.target = ParseTarget();
            c.point.X() = static_cast<int32_t>(Number(n == "resize" ? "width" : "x"));
            c.point.Y() = static_cast<int32_t>(Number(n == "resize" ? "height" : "y"));
            if (n == "resize" && (c.point.X() < 0 || c.point.Y() < 0)) Fail(s_, line_, "resize: negative size");
        } else if (n == "close" || n == "focus" || n == "tick" || n == "press") {
            c.target = ParseTarget();
        } else if (n == "text" || n == "choose") {
            c.target = ParseTarget();
            c.text = Quoted(n == "text" ? "text" : "entry");
        } else if (n == "menu") {
            if (More() && Peek().quoted) {
                c.byText = true;
                c.text = Quoted("item");
            } else {
                c.id = Id("item id");
            }
        } else if (n == "accel") {
            const Token& t = Peek();
            if (!More() || t.quoted) Fail(s_, line_, "accel: missing key");
            Keys(c.keys);
        } else if (n == "answer") {
            const Token& t = Take("answer");
            long v = 0;
            static const char* kNames[] = {"cancel", "ok", "yes", "no", "retry"};
            if (t.quoted) {
                c.byText = true;
                c.text = t.text;
            } else if (IsNumber(t, v) && v >= RET_CANCEL && v <= RET_RETRY) {
                c.answer = static_cast<short>(v);
            } else {
                for (short a = 0; a < 5; ++a)
                    if (t.text == kNames[a]) c.answer = a;
                if (c.answer < 0) Fail(s_, line_, "answer: unknown answer " + t.text);
            }
            if (More()) {
                c.hasBoxText = true;
                c.boxText = Quoted("box text");
            }
        } else if (n == "popup") {
            const Token& t = Take("item");
            if (t.quoted) {
                c.byText = true;
                c.text = t.text;
            } else if (t.text == "none") {
                c.none = true;
            } else {
                --pos_;
                c.id = Id("item id");
                if (c.id == 0) Fail(s_, line_, "popup: item id 0");
            }
        } else {
            Fail(s_, line_, "unknown command " + n);
        }
        if (More()) Fail(s_, line_, n + ": unexpected " + (Peek().quoted ? Quote(Peek().text) : Peek().text));
        return c;
    }

private:
    const Script& s_;
    int line_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    std::string command_;
};

void Parse(Script& s, const std::string& text) {
    s.commands.clear();
    s.next = 0;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::vector<Token> tokens = Tokenize(s, number, line);
        if (tokens.empty() || (!tokens[0].quoted && tokens[0].text[0] == '#')) continue;
        s.commands.push_back(Parser(s, number, std::move(tokens)).Parse());
    }
}

Script& TheScript() {
    if (theScript.loaded) return theScript;
    theScript.loaded = true;
    const char* path = std::getenv("SV_SCRIPT");
    if (path == nullptr || *path == '\0') return theScript;
    theScript.name = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) Stop(std::string("cannot read the script \"") + path + "\": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    Parse(theScript, text.str());
    return theScript;
}

// ---- running ----

std::string Shown(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != '~') s += c;
    return s;
}

std::string TargetText(const Target& t) {
    std::string s = t.byId ? "#" + std::to_string(t.id) : Quote(t.title);
    if (t.control) s += std::string(" ") + SvResTypeName(t.type) + " " + std::to_string(t.controlId);
    return s;
}

// The window a target names: a frame or parentless window by title or resource id, the visible
// and latest made first; then a control of it.
Window* Resolve(const Script& s, const Command& c, Window*& frame) {
    const Target& t = c.target;
    frame = nullptr;
    for (Window* w : AllWindows()) {
        const WindowData& d = WindowData::Of(*w);
        if (!IsSysWin(*w) && d.parent != nullptr) continue;
        const bool match = t.byId ? (d.resId == t.id && IsSysWin(*w)) : std::string(d.text.GetStr(), d.text.Len()) == t.title;
        if (match && (frame == nullptr || d.visible || !WindowData::Of(*frame).visible)) frame = w;
    }
    if (frame == nullptr) Fail(s, c.line, "no window " + TargetText(Target{t.byId, t.title, t.id}));
    if (!t.control) return frame;
    Window* found = nullptr;
    std::vector<Window*> todo{frame};
    while (!todo.empty()) {
        Window* w = todo.back();
        todo.pop_back();
        for (Window* child : WindowData::Of(*w).children) {
            if (IsFrame(*child)) continue;
            const WindowData& d = WindowData::Of(*child);
            if (d.type == t.type && d.resId == t.controlId && (found == nullptr || d.visible)) found = child;
            todo.push_back(child);
        }
    }
    if (found == nullptr)
        Fail(s, c.line, std::string("no control ") + SvResTypeName(t.type) + " " + std::to_string(t.controlId) + " in " +
                            Describe(*frame));
    return found;
}

// While a modal dialog runs, only it (and the windows it owns) take input.
void CheckModal(const Script& s, const Command& c, ModalDialog* modal, Window* frame) {
    if (modal == nullptr) return;
    for (Window* w = frame; w != nullptr; w = WindowData::Of(*w).parent)
        if (w == modal) return;
    Stop(s.name + ":" + std::to_string(c.line) + ": modal dialog " + Describe(*modal) +
         " has no scripted answer; this line is for " + (frame != nullptr ? Describe(*frame) : c.name));
}

// An item of the menu or its sub-menus by its text (without "~"); 0 when none has it.
uint16_t ItemByText(const Menu& menu, const std::string& text) {
    for (uint16_t pos = 0; pos < menu.GetItemCount(); ++pos) {
        const uint16_t id = menu.GetItemId(pos);
        if (id == 0) continue;
        if (Shown(menu.GetItemText(id).GetStr()) == Shown(text)) return id;
        if (const PopupMenu* sub = menu.GetPopupMenu(id))
            if (const uint16_t found = ItemByText(*sub, text)) return found;
    }
    return 0;
}

std::string KeyText(const KeyCode& key) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", key.GetFullCode());
    return buf;
}

void Run(const Script& s, const Command& c, ModalDialog* modal) {
    const std::string& n = c.name;
    if (n == "menu" || n == "accel") {
        CheckModal(s, c, modal, nullptr);
        Application* app = CurrentApp();
        if (n == "accel") {
            const KeyCode key = c.keys[0].GetKeyCode();
            bool found = false;
            for (uint16_t i = 0; app != nullptr && i < app->GetAccelCount(); ++i)
                if (app->GetAccel(i)->GetItemIdOfKey(key) != 0) found = true;
            if (!found) Fail(s, c.line, "no accelerator of the application has the key " + KeyText(key));
            SvPostAccelerator(key);
            return;
        }
        MenuBar* bar = app != nullptr ? app->GetAppMenu() : nullptr;
        if (bar == nullptr) Fail(s, c.line, "the application has no menu bar");
        const uint16_t id = c.byText ? ItemByText(*bar, c.text) : (bar->SvFindItem(c.id) != nullptr ? c.id : 0);
        if (id == 0)
            Fail(s, c.line, "no item " + (c.byText ? Quote(c.text) : std::to_string(c.id)) + " in the menu bar");
        SvPostMenu(id);
        return;
    }
    Window* frame = nullptr;
    Window* w = Resolve(s, c, frame);
    CheckModal(s, c, modal, frame);
    const Size size = w->GetOutputSizePixel();
    const Point centre(size.Width() / 2, size.Height() / 2);
    if (n == "click") {
        if (!c.byText) {
            SvPostClick(w, c.point, c.buttons, c.clicks);
        } else if (!SvPostClickText(w, String(c.text.c_str()), c.buttons, c.clicks)) {
            Fail(s, c.line, "text " + Quote(c.text) + " is not drawn in " + Describe(*w));
        }
    } else if (n == "mousedown") {
        SvPostMouseButtonDown(w, MouseEvent(c.point, 1, c.buttons));
    } else if (n == "mouseup") {
        SvPostMouseButtonUp(w, MouseEvent(c.point, 1, c.buttons));
    } else if (n == "mousemove") {
        SvPostMouseMove(w, MouseEvent(c.point, 0, 0));
    } else if (n == "key") {
        for (const KeyEvent& k : c.keys) SvPostKey(w, k);
    } else if (n == "resize") {
        SvPostResize(w, Size(c.point.X(), c.point.Y()));
    } else if (n == "move") {
        SvPostMove(w, c.point);
    } else if (n == "close") {
        SvPostClose(w);
    } else if (n == "focus") {
        SvPostFocus(w);
    } else if (n == "tick" || n == "press") {
        SvPostClick(w, centre);
    } else if (n == "text") {
        w->SvInputText(String(c.text.c_str()));
    } else if (n == "choose") {
        if (!w->SvInputChoose(String(c.text.c_str())))
            Fail(s, c.line, "cannot choose " + Quote(c.text) + " in " + Describe(*w));
    }
}

}  // namespace

void SetScript(const std::string& text, const std::string& name) {
    theScript.loaded = true;
    theScript.name = name;
    Parse(theScript, text);
}

bool RunScriptLine(ModalDialog* modal) {
    Script& s = TheScript();
    if (s.next >= s.commands.size()) return false;
    const Command& c = s.commands[s.next];
    if (c.name == "answer") Fail(s, c.line, "no message box is open for this answer");
    if (c.name == "popup") Fail(s, c.line, "no popup menu is open for this choice");
    ++s.next;
    Run(s, c, modal);
    return true;
}

int ScriptAnswerBox(const BoxQuestion& q, const std::string& text) {
    Script& s = TheScript();
    if (s.next >= s.commands.size() || s.commands[s.next].name != "answer") return -1;
    const Command& c = s.commands[s.next];
    if (c.hasBoxText && c.boxText != text)
        Fail(s, c.line, "the answer is for the box " + Quote(c.boxText) + " but the " + q.kind + " says " + Quote(text));
    static const char* kDefault[] = {"Cancel", "OK", "Yes", "No", "Retry"};
    std::string offered;
    for (const auto& [id, shown] : q.buttons) {
        const std::string name = shown.empty() ? kDefault[id] : shown;
        if (c.byText ? Shown(name) == Shown(c.text) : id == c.answer) {
            ++s.next;
            return id;
        }
        offered += (offered.empty() ? "" : ", ") + Quote(name);
    }
    Fail(s, c.line, "the " + q.kind + " " + Quote(text) + " has no button " +
                        (c.byText ? Quote(c.text) : std::string(kDefault[c.answer])) + "; it has " + offered);
}

uint16_t ScriptChoosePopup(PopupMenu& menu) {
    Script& s = TheScript();
    if (s.next >= s.commands.size() || s.commands[s.next].name != "popup") return 0;
    const Command& c = s.commands[s.next];
    if (c.none) {
        ++s.next;
        return 0;
    }
    const uint16_t id = c.byText ? ItemByText(menu, c.text) : (menu.SvFindItem(c.id) != nullptr ? c.id : 0);
    if (id == 0) Fail(s, c.line, "the popup menu has no item " + (c.byText ? Quote(c.text) : std::to_string(c.id)));
    if (!menu.SvFindItem(id)->IsItemEnabled(id))
        Fail(s, c.line, "item " + (c.byText ? Quote(c.text) : std::to_string(c.id)) + " of the popup menu is disabled");
    ++s.next;
    return id;
}

bool FindDrawnText(Window* w, const String& text, Window*& drawer, Point& centre) {
    for (const Placed& p : PictureOf(*w)) {
        const std::vector<SvPaintOp>& log = p.window->GetPaintLog();
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->kind == SvPaintOp::TEXT && it->text == text) {
                drawer = const_cast<Window*>(p.window);
                centre = it->area.Center();
                return true;
            }
    }
    return false;
}

}  // namespace svcore
