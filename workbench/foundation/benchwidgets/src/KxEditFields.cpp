#include "KxEditFields.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "KxTypeMgr.h"
#include "KxWOStream.h"
#include "svevent.h"

namespace {
KxWOStream theStream;

String toString(const KxString& s) { return String(s.StrGet()); }
}  // namespace

// ---- formatters -------------------------------------------------------------------------------------
template <class T>
void KxValueFormatter<T>::trace(const char* text, const KxString* value, int line) const {
    theStream << tag() << static_cast<void*>(const_cast<KxValueFormatter*>(this)) << " " << text;
    if (value != nullptr) theStream << value->StrGet();
    theStream << " " << __FILE_NAME__ << ":" << line << endl;
}

template <class T>
void KxValueFormatter<T>::store(const T& v, const char* operation) {
    value_ = v;
    const KxString text = print(value_);
    if (window_ != nullptr) window_->SetText(toString(text));
    const std::string line = std::string(operation) + "  PrintToKxString= ";
    trace(line.c_str(), &text, __LINE__);
}

template <class T>
void KxValueFormatter<T>::reformat() {
    if (window_ == nullptr) return;
    trace("reformat", nullptr, __LINE__);
    scan(KxString(window_->GetText().GetStr()), value_);
    const KxString text = print(value_);
    window_->SetText(toString(text));
    trace("reformat  PrintToKxString= ", &text, __LINE__);
}

namespace {
// The text forms of the kernel's value classes.
template <class V>
KxString printValue(const V& v) {
    KxString out;
    v.PrintToKxString(out);
    return out;
}
template <class V>
void scanValue(const KxString& text, V& v) {
    V read = v;
    if (read.ScanFromKxString(text) == 0) v = read;
}
// The default type manager's text forms of a type code.
template <class V>
KxString printTyped(uint8_t typeCode, const V& v) {
    KxString out;
    KxTypeMgr::GetDefault()->PrintToKxString(typeCode, out, &v);
    return out;
}
}  // namespace

KxObjIdFormatter::KxObjIdFormatter() { trace("KxObjIdFormatter", nullptr, __LINE__); }
KxString KxObjIdFormatter::print(const KxObjId& v) const { return printValue(v); }
void KxObjIdFormatter::scan(const KxString& text, KxObjId& v) const { scanValue(text, v); }

KxRefFormatter::KxRefFormatter() { trace("KxRefFormatter", nullptr, __LINE__); }
KxString KxRefFormatter::print(const KxRef& v) const { return printValue(v); }
void KxRefFormatter::scan(const KxString& text, KxRef& v) const { scanValue(text, v); }

KxDateFormatter::KxDateFormatter() { trace("KxDateFormatter", nullptr, __LINE__); }

// On a text that holds no value of the type the value stays unchanged.
Kx8BFormatter::Kx8BFormatter() { trace("Kx8BFormatter", nullptr, __LINE__); }
KxString Kx8BFormatter::print(const int64_t& v) const { return printTyped(KX_TYPE_INT64, v); }
void Kx8BFormatter::scan(const KxString& text, int64_t& v) const {
    KxTypeMgr::GetDefault()->ScanFromKxString(KX_TYPE_INT64, text, &v);
}

KxU8BFormatter::KxU8BFormatter() { trace("KxU8BFormatter", nullptr, __LINE__); }
KxString KxU8BFormatter::print(const uint64_t& v) const { return printTyped(KX_TYPE_UINT64, v); }
void KxU8BFormatter::scan(const KxString& text, uint64_t& v) const {
    KxTypeMgr::GetDefault()->ScanFromKxString(KX_TYPE_UINT64, text, &v);
}

// ---- the date pattern language --------------------------------------------------------------------
namespace {
void append(std::string& out, const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}
}  // namespace

KxString KxDateFormatter::printDate(const KxDate& date, const char* pattern) {
    std::string out;
    const int hour = 0, minute = 0, second = 0;   // a date has no time of day
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        switch (*++p) {
        case 'm': append(out, "%02.2d", date.GetMonth()); break;
        case 'd': append(out, "%02.2d", date.GetDay()); break;
        case 'Y': append(out, "%d", date.GetYear()); break;
        case 'y': append(out, "%02.2d", date.GetYear() % 100); break;
        case 'e': append(out, "%2.2d", date.GetDay()); break;
        case 'H': append(out, "%02.2d", hour); break;
        case 'M': append(out, "%02.2d", minute); break;
        case 'S': append(out, "%02.2d", second); break;
        case 'I': append(out, "%02.2d", hour % 12 == 0 ? 12 : hour % 12); break;
        case 'P': out += hour < 12 ? "AM" : "PM"; break;
        case 'p': out += hour < 12 ? "am" : "pm"; break;
        default: out += *p; break;   // %% and any other character stand for themselves
        }
    }
    return KxString(out.c_str());
}

namespace {
// Reads a number with the format from the text at the position (nothing when there is none there).
void readNumber(const std::string& text, size_t at, const char* format, int& value) {
    if (at >= text.size()) return;
    int read = 0;
    if (std::sscanf(text.c_str() + at, format, &read) == 1) value = read;
}
}  // namespace

KxDate KxDateFormatter::scanDate(const KxString& in, const char* pattern) {
    const std::string text = in.ToUtf8();
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    size_t at = 0;
    for (const char* p = pattern; *p != '\0' && at < text.size(); ++p) {
        if (*p != '%' || p[1] == '\0') {
            ++at;
            continue;
        }
        switch (*++p) {
        case 'm': readNumber(text, at, "%02d", month); at += 2; break;
        case 'd': readNumber(text, at, "%02d", day); at += 2; break;
        case 'e': readNumber(text, at, "%2d", day); at += 2; break;
        case 'Y': readNumber(text, at, "%d", year); at += 4; break;
        case 'y': {
            int y = -1;
            readNumber(text, at, "%02d", y);
            if (y >= 0) year = 1900 + y;
            at += 2;
            break;
        }
        case 'H': case 'I': readNumber(text, at, "%02d", hour); at += 2; break;
        case 'M': readNumber(text, at, "%02d", minute); at += 2; break;
        case 'S': readNumber(text, at, "%02d", second); at += 2; break;
        case 'P': case 'p':
            if (text.compare(at, 2, "PM") == 0 || text.compare(at, 2, "pm") == 0) hour += 12;
            at += 2;
            break;
        default: ++at; break;
        }
    }
    KxDate date;
    if (date.Set(year, month, day) != 0 || (!date.IsValid() && !date.IsEmpty())) date = KxDate(0, 1, 1);
    return date;
}

// ---- fields -----------------------------------------------------------------------------------------
template <class Formatter, class T, bool Hexadecimal>
KxFormattedField<Formatter, T, Hexadecimal>::KxFormattedField(Window* parent, unsigned short style)
    : Edit(parent, style) {
    this->window_ = this;
    this->trace("constructed", nullptr, __LINE__);
}

template <class Formatter, class T, bool Hexadecimal>
KxFormattedField<Formatter, T, Hexadecimal>::KxFormattedField(Window* parent, const ResId& id) : Edit(parent, id) {
    this->window_ = this;
    this->trace("constructed from a resource", nullptr, __LINE__);
}

template <class Formatter, class T, bool Hexadecimal>
KxFormattedField<Formatter, T, Hexadecimal>::~KxFormattedField() {
    this->window_ = nullptr;
}

template <class Formatter, class T, bool Hexadecimal>
bool KxFormattedField<Formatter, T, Hexadecimal>::accepts(const KeyCode& key) {
    const uint16_t code = key.GetCode();
    const uint16_t group = key.GetGroup();
    if (!Hexadecimal) return group != 0x200;
    if (group == 0x100 || group == 0x400) return true;
    if ((code >= 0x200 && code <= 0x205) || code == 0x217) return true;   // A to F, X
    return code == 0x503 || (code >= 0x505 && code <= 0x508) || (code >= 0x511 && code <= 0x513);
}

template <class Formatter, class T, bool Hexadecimal>
void KxFormattedField<Formatter, T, Hexadecimal>::KeyInput(const KeyEvent& event) {
    const char character[2] = {event.GetCharCode(), '\0'};
    const KxString shown(character);
    this->trace("KeyInput: char code = ", &shown, __LINE__);
    if (accepts(event.GetKeyCode())) Edit::KeyInput(event);
}

template <class Formatter, class T, bool Hexadecimal>
void KxFormattedField<Formatter, T, Hexadecimal>::GetFocus() {
    this->trace("GetFocus", nullptr, __LINE__);
    Edit::GetFocus();
}

template <class Formatter, class T, bool Hexadecimal>
void KxFormattedField<Formatter, T, Hexadecimal>::LoseFocus() {
    this->trace("LoseFocus", nullptr, __LINE__);
    this->reformat();
    Edit::LoseFocus();
}

template class KxValueFormatter<KxObjId>;
template class KxValueFormatter<KxRef>;
template class KxValueFormatter<KxDate>;
template class KxValueFormatter<int64_t>;
template class KxValueFormatter<uint64_t>;
template class KxFormattedField<KxObjIdFormatter, KxObjId, false>;
template class KxFormattedField<KxRefFormatter, KxRef, false>;
template class KxFormattedField<KxDateFormatter, KxDate, false>;
template class KxFormattedField<Kx8BFormatter, int64_t, true>;
template class KxFormattedField<KxU8BFormatter, uint64_t, true>;
