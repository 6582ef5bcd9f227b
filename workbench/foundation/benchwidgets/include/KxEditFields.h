// Single-line edit fields for kernel values: object ids, references, dates, signed and unsigned
// 64-bit integers. Each field is an Edit and a formatter: the formatter holds the typed value,
// reads it from the window's text when asked (reformat) and shows it again in its canonical text
// form. Keys that cannot belong to the type are swallowed; the text is read and shown again when the
// field loses the focus. Bounds, the strict-format flag and the fields' first and last values are
// kept for callers and not enforced.
#pragma once

#include <cstdint>

#include "KxDateTime.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxString.h"
#include "svedit.h"

// What the five formatters share: the window they format, the value, its bounds and the flag.
template <class T>
class KxValueFormatter {
public:
    virtual ~KxValueFormatter() = default;
    T getMin() const { return min_; }
    T getMax() const { return max_; }
    T changeMin(const T& v) { T old = min_; min_ = v; return old; }
    T changeMax(const T& v) { T old = max_; max_ = v; return old; }
    unsigned char getStrictFormat() const { return strict_; }

protected:
    KxValueFormatter() = default;
    KxValueFormatter(const KxValueFormatter&) = default;
    KxValueFormatter& operator=(const KxValueFormatter&) = default;

    // Reads the window's text into the value and shows the value's text form (nothing without window).
    virtual void reformat();
    // Stores the value and, with a window, shows its text form; writes the diagnostic line.
    void store(const T& v, const char* operation);
    // The value's text form, and the value a text gives (unchanged when it gives none).
    virtual KxString print(const T& v) const = 0;
    virtual void scan(const KxString& text, T& v) const = 0;
    // "KxObjId Edit Control " or "KxDate Edit Control ".
    virtual const char* tag() const { return "KxObjId Edit Control "; }
    // The diagnostic line: tag, address, text, source unit and line.
    void trace(const char* text, const KxString* value, int line) const;

    Edit* window_ = nullptr;
    T value_{};
    T min_{};
    T max_{};
    unsigned char strict_ = 0;
};

class KxObjIdFormatter : public KxValueFormatter<KxObjId> {
public:
    KxObjIdFormatter();
    void setKxObjId(const KxObjId& v) { store(v, "setKxObjId"); }
    KxObjId getKxObjId() { reformat(); return value_; }
    int isKxObjIdModified() const { return 1; }
    unsigned char changeStrictFormat(unsigned char f) { unsigned char old = strict_; strict_ = f; return old; }

protected:
    KxString print(const KxObjId& v) const override;
    void scan(const KxString& text, KxObjId& v) const override;
};

class KxRefFormatter : public KxValueFormatter<KxRef> {
public:
    KxRefFormatter();
    void setKxRef(const KxRef& v) { store(v, "setKxRef"); }
    KxRef getKxRef() { reformat(); return value_; }
    int isKxRefModified() const { return 1; }
    unsigned char changeStrictFormat(unsigned char f) { unsigned char old = strict_; strict_ = f; return old; }

protected:
    KxString print(const KxRef& v) const override;
    void scan(const KxString& text, KxRef& v) const override;
};

class KxDateFormatter : public KxValueFormatter<KxDate> {
public:
    // The pattern of the fields' text.
    static constexpr const char* kPattern = "%m/%d/%Y";

    KxDateFormatter();
    void setKxDate(const KxDate& v) { store(v, "setKxDate"); }
    KxDate getKxDate() { reformat(); return value_; }
    int isKxDateModified() const { return 1; }
    void setStrictFormat(unsigned char f) { strict_ = f; }

    // The pattern language: %m and %d (two digits), %Y (the year), %H %M %S and %I (two digits; %I
    // on a 12-hour clock), %e (day, two places), %y (year modulo 100; read as 1900 + value), %P and
    // %p (AM/PM, am/pm), %% (a percent sign); any other character after % stands for itself.
    static KxString printDate(const KxDate& date, const char* pattern);
    // Reads the text along the pattern, position by position: every character of the pattern that
    // is not a directive takes one character of the text, %m and %d two, %Y four. Parts not read
    // keep month 1, day 1, year 0; a result that is no valid date (and not the empty date) becomes
    // year 0, month 1, day 1.
    static KxDate scanDate(const KxString& text, const char* pattern);

protected:
    KxString print(const KxDate& v) const override { return printDate(v, kPattern); }
    void scan(const KxString& text, KxDate& v) const override { v = scanDate(text, kPattern); }
    const char* tag() const override { return "KxDate Edit Control "; }
};

class Kx8BFormatter : public KxValueFormatter<int64_t> {
public:
    Kx8BFormatter();
    void setO_8b(const int64_t& v) { store(v, "setO_8b"); }
    int64_t getO_8b() { reformat(); return value_; }
    int isO_8bModified() const { return 1; }
    unsigned char changeStrictFormat(unsigned char f) { unsigned char old = strict_; strict_ = f; return old; }

protected:
    KxString print(const int64_t& v) const override;
    void scan(const KxString& text, int64_t& v) const override;
};

class KxU8BFormatter : public KxValueFormatter<uint64_t> {
public:
    KxU8BFormatter();
    void setO_u8b(const uint64_t& v) { store(v, "setO_u8b"); }
    uint64_t getO_u8b() { reformat(); return value_; }
    int isO_u8bModified() const { return 1; }
    unsigned char changeStrictFormat(unsigned char f) { unsigned char old = strict_; strict_ = f; return old; }

protected:
    KxString print(const uint64_t& v) const override;
    void scan(const KxString& text, uint64_t& v) const override;
};

// A field: an Edit that its formatter formats, with a first and a last value kept for callers.
// Keys: hexadecimal fields (64-bit) pass digits, cursor keys, A to F, X, backspace, insert, delete,
// plus, minus, cut, copy and paste; the others swallow letters only.
template <class Formatter, class T, bool Hexadecimal>
class KxFormattedField : public Edit, public Formatter {
public:
    KxFormattedField(Window* parent, unsigned short style);
    KxFormattedField(Window* parent, const ResId& id);
    ~KxFormattedField() override;

    T getFirst() const { return first_; }
    T getLast() const { return last_; }
    T changeFirst(const T& v) { T old = first_; first_ = v; return old; }
    T changeLast(const T& v) { T old = last_; last_ = v; return old; }

    void KeyInput(const KeyEvent& event) override;
    void GetFocus() override;
    void LoseFocus() override;

    // Whether the field passes a key to Edit.
    static bool accepts(const KeyCode& code);

private:
    T first_{};
    T last_{};
};

using KxObjIdField = KxFormattedField<KxObjIdFormatter, KxObjId, false>;
using KxRefField = KxFormattedField<KxRefFormatter, KxRef, false>;
using KxDateField = KxFormattedField<KxDateFormatter, KxDate, false>;
using Kx8BField = KxFormattedField<Kx8BFormatter, int64_t, true>;
using KxU8BField = KxFormattedField<KxU8BFormatter, uint64_t, true>;

extern template class KxValueFormatter<KxObjId>;
extern template class KxValueFormatter<KxRef>;
extern template class KxValueFormatter<KxDate>;
extern template class KxValueFormatter<int64_t>;
extern template class KxValueFormatter<uint64_t>;
extern template class KxFormattedField<KxObjIdFormatter, KxObjId, false>;
extern template class KxFormattedField<KxRefFormatter, KxRef, false>;
extern template class KxFormattedField<KxDateFormatter, KxDate, false>;
extern template class KxFormattedField<Kx8BFormatter, int64_t, true>;
extern template class KxFormattedField<KxU8BFormatter, uint64_t, true>;
