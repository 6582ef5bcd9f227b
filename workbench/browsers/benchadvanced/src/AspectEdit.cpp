// The aspect editor dialog: one input control chosen by the aspect's type, a format hint, the
// "Is NULL" check box, and for a KxString its code set, language and font.
#include "AspectEdit.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "KxEditFields.h"
#include "sysinfoapi.h"

namespace {

const char* const kResourceFile = "benchadvanced";

ResMgr* Resources() {
    static ResMgr own(kResourceFile);
    return &own;
}

ResId Res(uint32_t id) { return ResId(id, Resources()); }

enum : uint32_t {
    kDialog = 2001, kValue = 2001, kTimePart = 2002, kGroup = 2020, kNullBox = 2021, kBooleanBox = 2022,
    kHint = 2023, kFontButton = 1, kCodeSetBox = 3, kLanguageBox = 4, kCodeSetLabel = 5, kLanguageLabel = 6,
    kValuePlace = 1, kTimePlace = 2
};

struct Named {
    const char* name;
    uint8_t number;
};
const Named kCodeSets[] = {{"NONE", 0}, {"ANSI", 1}, {"MAC", 2}, {"ROMAN8", 3}, {"NEXT", 4}, {"OS2", 5}, {"UNICODE", 253}};
const Named kLanguages[] = {{"NONE", 0},     {"ENGLISH", 1},    {"GERMAN", 2},     {"FRENCH", 3},   {"ITALIAN", 4},
                            {"SPANISH", 5},  {"DANISH", 6},     {"DUTCH", 7},      {"FAROESE", 8},  {"FINISH", 9},
                            {"ICELANDIC", 10}, {"IRISH", 11},   {"NORWEGIAN", 12}, {"PORTUGUESE", 13}, {"SWEDISH", 14}};

void FillResources(SvResourceFile& f) {
    const Point value(16, 20);
    const Size valueSize(220, 22);
    const Point timePart(244, 20);
    const Size timeSize(100, 22);
    SvWindowRes& d = f.AddWindow(RSC_MODALDIALOG, kDialog, "Edit", Point(0, 0), Size(360, 190));
    d.AddControl(RSC_GROUPBOX, kGroup, Point(8, 4), Size(344, 72), "");
    // Placeholders: where the value control and the time part go.
    d.AddControl(RSC_FIXEDTEXT, kValuePlace, value, valueSize, "");
    d.AddControl(RSC_FIXEDTEXT, kTimePlace, timePart, timeSize, "");
    // The value control in each of its kinds.
    d.AddControl(RSC_EDIT, kValue, value, valueSize, "");
    d.AddControl(RSC_NUMERICFIELD, kValue, value, valueSize, "");
    d.AddControl(RSC_TIMEFIELD, kValue, value, valueSize, "");
    d.AddControl(RSC_TIMEFIELD, kTimePart, timePart, timeSize, "");
    d.AddControl(RSC_COMBOBOX, kBooleanBox, value, valueSize, "");
    d.AddControl(RSC_FIXEDTEXT, kHint, Point(16, 50), Size(330, 16), "");
    d.AddControl(RSC_CHECKBOX, kNullBox, Point(16, 84), Size(90, 20), "Is NULL");
    d.AddControl(RSC_FIXEDTEXT, kCodeSetLabel, Point(16, 114), Size(70, 20), "Co~deset:");
    d.AddControl(RSC_COMBOBOX, kCodeSetBox, Point(90, 112), Size(90, 22), "");
    d.AddControl(RSC_FIXEDTEXT, kLanguageLabel, Point(188, 114), Size(76, 20), "~Language:");
    d.AddControl(RSC_COMBOBOX, kLanguageBox, Point(262, 112), Size(90, 22), "");
    d.AddControl(RSC_PUSHBUTTON, kFontButton, Point(16, 152), Size(80, 26), "~Font...");
    d.AddControl(RSC_OKBUTTON, 1, Point(190, 152), Size(76, 26), "OK");
    d.AddControl(RSC_CANCELBUTTON, 1, Point(276, 152), Size(76, 26), "~Cancel");
}

SvResourceFile theDialog(kResourceFile, &FillResources);

// The type behind a null-capable one (30 to 42); other codes stay.
long BaseType(long type) {
    static const long bases[] = {11, 10, 1, 2, 3, 4, 5, 6, 7, 8, 26, 28, 29};
    return type >= 30 && type <= 42 ? bases[type - 30] : type;
}

bool NullCapable(long type) { return type >= 30 && type <= 42; }

// The value of a null-capable aspect is null.
bool NullValue(const KvAspect& a) {
    switch (a.aspectType()) {
        case 30: return a.getNull_char().isNull();
        case 31: return a.getNull_uchar().isNull();
        case 32: return a.getNull_short().isNull();
        case 33: return a.getNull_ushort().isNull();
        case 34: return a.getNull_int().isNull();
        case 35: return a.getNull_unsigned().isNull();
        case 36: return a.getNull_long().isNull();
        case 37: return a.getNull_ulong().isNull();
        case 38: return a.getNull_float().isNull();
        case 39: return a.getNull_double().isNull();
        case 40: return a.getNull_KxInt64().isNull();
        case 41: return a.getNull_8B().isNull();
        case 42: return a.getNull_U8B().isNull();
        case 14: return !a.getOriginalString().IsActive();
        case 15: return a.getDate().IsEmpty();
        case 17: return a.getDaTime().GetDate().IsEmpty();
        case 18: return a.getSurrogate().getKxObjId().IsNull();
        case 20: return a.getKxRef().IsInvalid();
        default: return false;
    }
}

// The integer types edited in the numeric field, with their ranges.
struct IntegerRange {
    long type;
    long long min;
    unsigned long long max;
    const char* hint;
};
const IntegerRange kIntegers[] = {
    {1, -32768, 32767, "Format(s): Decimal between -32768 to 32767"},
    {2, 0, 65535, "Format(s): Decimal between 0 to 65535"},
    {4, 0, 4294967295ULL, "Format(s): Decimal between 0 to 65535"},
    {3, -2147483648LL, 2147483647, "Format(s): Decimal between -2147483648 to 2147483647"},
    {5, -2147483648LL, 2147483647, "Format(s): Decimal between -2147483648 to 2147483647"},
    {6, 0, 4294967295ULL, "Format(s): Decimal between 0 to 4294967295"},
    {10, 0, 255, "Format(s): Decimal between 0 to 255"},
    {26, INT64_MIN, INT64_MAX,
     "Format(s): Decimal between -9223372036854775808 to +9223372036854775807"},
    {28, INT64_MIN, INT64_MAX,
     "Format(s): Decimal between -9223372036854775808 to +9223372036854775807"},
    {29, 0, UINT64_MAX, "Format(s): Decimal between 0 to 18446744073709551616"},
};

const IntegerRange* IntegerOf(long base) {
    for (const IntegerRange& r : kIntegers)
        if (r.type == base) return &r;
    return nullptr;
}

std::string Trimmed(const String& text) {
    std::string s(text.GetStr());
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A whole decimal integer within the range: its value in one of the two words.
bool ReadInteger(const std::string& s, const IntegerRange& r, long long& signedValue, unsigned long long& unsignedValue) {
    if (s.empty()) return false;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+') ++first;
    if (r.min < 0) {
        long long v = 0;
        auto [end, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || end != last || v < r.min || static_cast<long long>(r.max) < v) return false;
        signedValue = v;
        unsignedValue = static_cast<unsigned long long>(v);
        return true;
    }
    if (first != last && *first == '-') return first + 1 != last && std::string(first + 1, last).find_first_not_of('0') == std::string::npos
                                              ? (signedValue = 0, unsignedValue = 0, true)
                                              : false;
    unsigned long long v = 0;
    auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last || v > r.max) return false;
    unsignedValue = v;
    signedValue = static_cast<long long>(v);
    return true;
}

// A floating-point number, "NaN", "Infinity" or "-Infinity".
bool ReadFloating(const std::string& s, bool single, double& value) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return false;
    if (std::isfinite(value) && (errno == ERANGE || (single && std::fabs(value) > 3.4028234663852886e38))) {
        return false;
    }
    if (!std::isfinite(value) && !std::isnan(value)) {
        // Only the spelled-out infinities; an overflowing number is refused.
        const std::string word = s[0] == '-' || s[0] == '+' ? s.substr(1) : s;
        if (word != "Infinity" && word != "infinity" && word != "Inf" && word != "inf") return false;
    }
    return true;
}


// A numeric field that keeps the typed text when it loses the focus, so that a number out of the
// member's range is refused on OK instead of being cut to the field's limits.
class TypedNumericField : public NumericField {
public:
    using NumericField::NumericField;
    void LoseFocus() override { Edit::LoseFocus(); }
};

// A formatted field that, likewise, reads its text only when asked for the value.
template <class Field>
class Typed : public Field {
public:
    using Field::Field;
    void LoseFocus() override { Edit::LoseFocus(); }
};

}  // namespace

AspectEdit::AspectEdit(Window* parent, KvAspect* aspect) : ModalDialog(parent, Res(kDialog)), aspect_(aspect) {
    buildControls();
    FreeResource();
    String title("Edit '");
    if (aspect_ != nullptr) title += aspect_->getTitle().StrGet();
    title += "'";
    SetText(title);
}

AspectEdit::~AspectEdit() {
    if (value_ != boolean_) delete value_;
    delete time_;
    delete boolean_;
    delete language_;
    delete codeSet_;
    delete codeSetLabel_;
    delete languageLabel_;
    delete ok_;
    delete cancel_;
    delete font_;
    delete isNull_;
    delete group_;
    delete hint_;
}

void AspectEdit::buildControls() {
    group_ = new GroupBox(this, Res(kGroup));
    hint_ = new FixedText(this, Res(kHint));
    isNull_ = new CheckBox(this, Res(kNullBox));
    isNull_->Hide();
    isNull_->ChangeClickHdl(SV_LINK(this, AspectEdit, nullHdl));
    ok_ = new OKButton(this, Res(1));
    ok_->ChangeClickHdl(SV_LINK(this, AspectEdit, okHdl));
    cancel_ = new CancelButton(this, Res(1));
    cancel_->ChangeClickHdl(SV_LINK(this, AspectEdit, cancelHdl));
    if (aspect_ == nullptr) return;

    const long type = aspect_->aspectType();
    const long base = BaseType(type);
    const char* hint = nullptr;
    bool nullBox = NullCapable(type);

    if (const IntegerRange* range = IntegerOf(base); range != nullptr && base != 26 && base != 28 && base != 29) {
        numeric_ = new TypedNumericField(this, Res(kValue));
        numeric_->SetMin(INT32_MIN);
        numeric_->SetMax(INT32_MAX);
        numeric_->SetFirst(INT32_MIN);
        numeric_->SetLast(INT32_MAX);
        const long long v = range->min < 0 ? aspect_->get8B() : static_cast<long long>(aspect_->getU8B());
        numeric_->SetValue(static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v));
        numeric_->SetText(String(std::to_string(v).c_str()));
        value_ = numeric_;
        hint = range->hint;
    } else if (base == 26 || base == 28) {
        auto* field = new Typed<Kx8BField>(this, Res(kValue));
        field->setO_8b(aspect_->get8B());
        value_ = field;
        hint = IntegerOf(base)->hint;
    } else if (base == 29) {
        auto* field = new Typed<KxU8BField>(this, Res(kValue));
        field->setO_u8b(aspect_->getU8B());
        value_ = field;
        hint = IntegerOf(base)->hint;
    } else {
        switch (base) {
            case 7:
            case 8: {
                auto* edit = new Edit(this, Res(kValue));
                edit->SetText(aspect_->getSvString());
                value_ = edit;
                hint = "Format(s): -12.3e-12, 1.23, NaN, Infinity, -Infinity";
                break;
            }
            case 11: {
                auto* edit = new Edit(this, Res(kValue));
                const char c = aspect_->getChar();
                edit->SetText(c != 0 ? String(std::string(1, c).c_str()) : String());
                value_ = edit;
                break;
            }
            case 13: {
                auto* edit = new Edit(this, Res(kValue));
                edit->SetText(aspect_->getSvString());
                value_ = edit;
                break;
            }
            case 14: {
                const KxString original = aspect_->getOriginalString();
                unicode_ = canWeUseUnicodeEditbox();
                auto* edit = new Edit(this, Res(kValue));
                edit->SetText(String(unicode_ ? original.ToUtf8().c_str() : original.StrGet()));
                value_ = edit;
                codeSetLabel_ = new FixedText(this, Res(kCodeSetLabel));
                languageLabel_ = new FixedText(this, Res(kLanguageLabel));
                codeSet_ = new ComboBox(this, Res(kCodeSetBox));
                language_ = new ComboBox(this, Res(kLanguageBox));
                for (const Named& n : kCodeSets) {
                    codeSet_->InsertEntry(n.name);
                    if (n.number == original.CodeSet()) codeSet_->SetText(n.name);
                }
                for (const Named& n : kLanguages) {
                    language_->InsertEntry(n.name);
                    if (n.number == original.Language()) language_->SetText(n.name);
                }
                font_ = new PushButton(this, Res(kFontButton));
                font_->ChangeClickHdl(SV_LINK(this, AspectEdit, fontHdl));
                nullBox = std::string(aspect_->getTypeTag().StrGet()).rfind("KxString", 0) == 0;
                break;
            }
            case 15:
            case 22: {
                auto* field = new Typed<KxDateField>(this, Res(kValue));
                if (base == 15) {
                    field->setKxDate(aspect_->getDate());
                } else {
                    const d_Date d = aspect_->getdDate();
                    field->setKxDate(KxDate(d.year(), d.month(), d.day()));
                }
                date_ = field;
                value_ = field;
                hint = "Format(s): mm/dd/yyyy";
                nullBox = base == 15;
                break;
            }
            case 16:
            case 23: {
                auto* field = new TimeField(this, Res(kValue));
                if (base == 16) {
                    const KxTime t = aspect_->getTime();
                    field->SetTime(Time(t.GetHour(), t.GetMinute(), t.GetSecond()));
                } else {
                    const d_Time t = aspect_->getdTime();
                    field->SetTime(Time(t.hour(), t.minute(), t.wholeSecond()));
                }
                value_ = field;
                hint = "Format(s): 24 hours in hr:min:sec";
                nullBox = base == 16;
                break;
            }
            case 17:
            case 24: {
                auto* field = new Typed<KxDateField>(this, Res(kValue));
                time_ = new TimeField(this, Res(kTimePart));
                if (base == 17) {
                    const KxDateTime dt = aspect_->getDaTime();
                    field->setKxDate(dt.GetDate());
                    time_->SetTime(Time(dt.GetTime().GetHour(), dt.GetTime().GetMinute(), dt.GetTime().GetSecond()));
                } else {
                    const d_Timestamp ts = aspect_->getdTimestamp();
                    field->setKxDate(KxDate(ts.year(), ts.month(), ts.day()));
                    time_->SetTime(Time(ts.hour(), ts.minute(), ts.time().wholeSecond()));
                }
                date_ = field;
                value_ = field;
                hint = "Format(s): mm/dd/yyyy and 24 hours in hr:min:sec";
                nullBox = base == 17;
                break;
            }
            case 18: {
                auto* field = new Typed<KxObjIdField>(this, Res(kValue));
                field->setKxObjId(aspect_->getSurrogate().getKxObjId());
                value_ = field;
                hint = "Format(s): (HVal-LVal#Blk)";
                nullBox = true;
                break;
            }
            case 20: {
                auto* field = new Typed<KxRefField>(this, Res(kValue));
                field->setKxRef(aspect_->getKxRef());
                value_ = field;
                nullBox = true;
                break;
            }
            case 21: {
                auto* edit = new Edit(this, Res(kValue));
                edit->SetText("not editable");
                edit->SetReadOnly();
                value_ = edit;
                blob_ = aspect_->getKxBlob();
                nullBox = true;
                break;
            }
            case 25: {
                numeric_ = new TypedNumericField(this, Res(kValue));
                numeric_->SetMin(INT32_MIN);
                numeric_->SetMax(INT32_MAX);
                numeric_->SetFirst(INT32_MIN);
                numeric_->SetLast(INT32_MAX);
                time_ = new TimeField(this, Res(kTimePart));
                const d_Interval i = aspect_->getdInterval();
                numeric_->SetValue(i.day());
                time_->SetTime(Time(i.hour(), i.minute(), static_cast<int>(i.second())));
                value_ = numeric_;
                break;
            }
            case 27: {
                boolean_ = new ComboBox(this, Res(kBooleanBox));
                boolean_->InsertEntry("TRUE");
                boolean_->InsertEntry("FALSE");
                boolean_->SetText(aspect_->getBoolean().IsTrue() ? "TRUE" : "FALSE");
                value_ = boolean_;
                nullBox = true;
                break;
            }
            default:
                hint_->SetText("not editable");
                break;
        }
    }
    if (hint != nullptr) hint_->SetText(hint);
    if (time_ != nullptr) {
        // The time part beside the value control.
        const SvControlRes* place = Resources()->GetWindow(RSC_MODALDIALOG, kDialog)->FindControl(RSC_FIXEDTEXT, kTimePlace);
        if (place != nullptr) time_->SetPosSizePixel(place->pos, place->size);
    }
    if (nullBox) showNullBox(NullValue(*aspect_));
}

void AspectEdit::showNullBox(bool isNullValue) {
    isNull_->Show();
    if (isNullValue) {
        isNull_->Check(true);
        SetNullBehavior(1);
    }
}

bool AspectEdit::nullTicked() const { return isNull_ != nullptr && isNull_->IsVisible() && isNull_->IsChecked(); }

bool AspectEdit::Close() {
    ModalDialog::Close();
    return true;
}

short AspectEdit::Execute() {
    if (time_ != nullptr) {
        time_->Show();
        time_->GrabFocus();
    }
    if (value_ == nullptr) return 0;
    value_->Show();
    value_->GrabFocus();
    const short result = ModalDialog::Execute();
    if (result != 1) return 0;
    mapStringToAspect();
    return 1;
}

void AspectEdit::SetNullBehavior(int on) {
    Window* controls[] = {value_, time_};
    for (Window* w : controls) {
        if (w == nullptr || w == boolean_) continue;
        if (on) {
            w->Disable();
            w->ChangeBackgroundBrush(Brush(Color(COL_DISABLEDFIELD), BRUSH_SOLID));
            w->SetText(String());  // the type manager prints a null value as an empty text
        } else {
            w->Enable();
            w->ChangeBackgroundBrush(Brush(Color(COL_WHITE), BRUSH_SOLID));
            w->SetText(String());
        }
    }
    ComboBox* boxes[] = {boolean_, language_, codeSet_};
    for (ComboBox* box : boxes) {
        if (box == nullptr) continue;
        if (on) box->Disable();
        else box->Enable();
    }
    if (!on && codeSet_ != nullptr) codeSet_->SetText("NONE");
}

int AspectEdit::canWeUseUnicodeEditbox() {
    if (GetVersion() & 0x80000000u) return 0;
    return aspect_ != nullptr && aspect_->getOriginalString().CodeSet() == 253 ? 1 : 0;
}

KxString AspectEdit::enteredString() const {
    const String text = value_->GetText();
    if (unicode_) {
        KxString s = KxString::FromUtf8(text.GetStr(), text.Len());
        const std::u16string units = s.ToUtf16();
        return KxString(units.substr(0, 512));
    }
    return KxString(text.GetStr(), text.Len());
}

String AspectEdit::checkInput() {
    if (aspect_ == nullptr || value_ == nullptr || nullTicked()) return String();
    const long base = BaseType(aspect_->aspectType());
    const std::string text = Trimmed(value_->GetText());
    if (const IntegerRange* range = IntegerOf(base)) {
        long long s = 0;
        unsigned long long u = 0;
        const bool hex = base >= 26 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        if (hex) return String();  // the 64-bit fields read their hexadecimal form themselves
        if (!ReadInteger(text, *range, s, u)) {
            String reason("The value is not a number the member can hold. ");
            reason += range->hint;
            return reason;
        }
        return String();
    }
    if (base == 7 || base == 8) {
        double d = 0;
        if (!ReadFloating(text, base == 7, d)) return String("The value is not a number the member can hold. Format(s): -12.3e-12, 1.23, NaN, Infinity, -Infinity");
        return String();
    }
    if (base == 15 || base == 22 || base == 17 || base == 24) {
        const KxDate d = KxDateFormatter::scanDate(KxString(text.c_str()), KxDateFormatter::kPattern);
        if (d.GetYear() == 0) return String("The value is not a date. Format(s): mm/dd/yyyy");
    }
    if (base == 18 && !text.empty()) {
        KxObjId id;
        if (id.ScanFromKxString(KxString(text.c_str())) != 0) return String("The value is not an object id. Format(s): (HVal-LVal#Blk)");
    }
    if (base == 20 && !text.empty()) {
        KxRef ref;
        if (ref.ScanFromKxString(KxString(text.c_str())) != 0) return String("The value is not a reference.");
    }
    if (base == 25) {
        const IntegerRange days{25, INT32_MIN, INT32_MAX, ""};
        long long s = 0;
        unsigned long long u = 0;
        if (!ReadInteger(text, days, s, u)) return String("The number of days is not a number.");
    }
    return String();
}

void AspectEdit::mapStringToAspect() {
    if (aspect_ == nullptr || value_ == nullptr) return;
    const long type = aspect_->aspectType();
    const long base = BaseType(type);
    const bool isNull = nullTicked();
    const std::string text = Trimmed(value_->GetText());
    long long s = 0;
    unsigned long long u = 0;
    if (const IntegerRange* range = IntegerOf(base); range != nullptr && base < 26) ReadInteger(text, *range, s, u);
    double d = 0;
    if (base == 7 || base == 8) ReadFloating(text, base == 7, d);
    const char c = text.empty() ? '\0' : value_->GetText().GetStr()[0];

    auto dateOf = [&]() { return isNull ? KxDate() : static_cast<KxDateField*>(date_)->getKxDate(); };
    auto timeOf = [&](TimeField* f) {
        const Time t = f->GetTime();
        return KxTime(t.GetHour(), t.GetMin(), t.GetSec());
    };
    switch (type) {
        case 1: *aspect_ = static_cast<short>(s); break;
        case 2: *aspect_ = static_cast<unsigned short>(u); break;
        case 3: *aspect_ = static_cast<int>(s); break;
        case 4: *aspect_ = static_cast<unsigned int>(u); break;
        case 5: *aspect_ = static_cast<long>(s); break;
        case 6: *aspect_ = static_cast<unsigned long>(u); break;
        case 10: *aspect_ = static_cast<unsigned char>(u); break;
        case 7: *aspect_ = static_cast<float>(d); break;
        case 8: *aspect_ = d; break;
        case 11: *aspect_ = c; break;
        case 13: *aspect_ = value_->GetText(); break;
        case 14: {
            const KxString original = aspect_->getOriginalString();
            uint8_t codeSet = original.CodeSet();
            uint8_t language = original.Language();
            for (const Named& n : kCodeSets)
                if (codeSet_->GetText() == n.name) codeSet = n.number;
            for (const Named& n : kLanguages)
                if (language_->GetText() == n.name) language = n.number;
            KxString result;
            if (value_->IsEnabled() || isNull) {
                result = enteredString();
                if (codeSet == 253) {
                    result = KxString(result.ToUtf16());
                } else if (result.Is16Bit() && result.SetCodeSet(1) < 0) {
                    result = KxString(result.StrGet());
                }
            }
            if (codeSet != 253 && codeSet != 0) result.SetCodeSet(1);
            if (isNull) result.SetInactive();
            else if (!result.IsActive()) result = KxString("");
            if (codeSet != 253) {
                // The 8-bit code sets keep their number as given.
                if (!result.Is16Bit()) result.SetCodeSet(codeSet);
            }
            result.SetLanguage(language);
            *aspect_ = result;
            break;
        }
        case 15: *aspect_ = dateOf(); break;
        case 16: *aspect_ = isNull ? KxTime() : timeOf(static_cast<TimeField*>(value_)); break;
        case 17: *aspect_ = isNull ? KxDateTime(KxDate(), KxTime()) : KxDateTime(dateOf(), timeOf(time_)); break;
        case 18: {
            const KxObjId id = isNull ? KxObjId() : static_cast<KxObjIdField*>(value_)->getKxObjId();
            *aspect_ = KvSurrogate(KvKelvoxObjectId(id, aspect_->getSurrogate().getKvKelvoxObjectId().getBase()));
            break;
        }
        case 20: *aspect_ = isNull ? KxRef() : static_cast<KxRefField*>(value_)->getKxRef(); break;
        case 21: blob_.Empty(); *aspect_ = blob_; break;
        case 22: {
            const KxDate k = dateOf();
            *aspect_ = d_Date(k.GetYear(), k.GetMonth(), k.GetDay());
            break;
        }
        case 23: {
            const KxTime t = timeOf(static_cast<TimeField*>(value_));
            *aspect_ = d_Time(t.GetHour(), t.GetMinute(), t.GetSecond());
            break;
        }
        case 24: {
            const KxDate k = dateOf();
            const KxTime t = timeOf(time_);
            *aspect_ = d_Timestamp(d_Date(k.GetYear(), k.GetMonth(), k.GetDay()), d_Time(t.GetHour(), t.GetMinute(), t.GetSecond()));
            break;
        }
        case 25: {
            const KxTime t = timeOf(time_);
            *aspect_ = d_Interval(static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10)), t.GetHour(), t.GetMinute(),
                                  static_cast<float>(t.GetSecond()));
            break;
        }
        case 26: *aspect_ = KxInt64(static_cast<Kx8BField*>(value_)->getO_8b()); break;
        case 28: *aspect_ = static_cast<long long>(static_cast<Kx8BField*>(value_)->getO_8b()); break;
        case 29: *aspect_ = static_cast<unsigned long long>(static_cast<KxU8BField*>(value_)->getO_u8b()); break;
        case 27: *aspect_ = KxBoolean(!isNull && boolean_->GetText() == "TRUE"); break;
#define KX_NULL_CASE(CODE, TYPE, VALUE) \
    case CODE: {                        \
        TYPE v;                         \
        if (!isNull) v = VALUE;         \
        *aspect_ = v;                   \
        break;                          \
    }
        KX_NULL_CASE(30, KxNull_char, c)
        KX_NULL_CASE(31, KxNull_uchar, static_cast<uint8_t>(u))
        KX_NULL_CASE(32, KxNull_short, static_cast<int16_t>(s))
        KX_NULL_CASE(33, KxNull_ushort, static_cast<uint16_t>(u))
        KX_NULL_CASE(34, KxNull_int, static_cast<int32_t>(s))
        KX_NULL_CASE(35, KxNull_unsigned, static_cast<uint32_t>(u))
        KX_NULL_CASE(36, KxNull_long, static_cast<int32_t>(s))
        KX_NULL_CASE(37, KxNull_ulong, static_cast<uint32_t>(u))
        KX_NULL_CASE(38, KxNull_float, static_cast<float>(d))
        KX_NULL_CASE(39, KxNull_double, d)
        KX_NULL_CASE(40, KxNull_KxInt64, KxInt64(static_cast<Kx8BField*>(value_)->getO_8b()))
        KX_NULL_CASE(41, KxNull_8b, static_cast<Kx8BField*>(value_)->getO_8b())
        KX_NULL_CASE(42, KxNull_u8b, static_cast<KxU8BField*>(value_)->getO_u8b())
#undef KX_NULL_CASE
        default: InfoBox(this, "not editable, sorry!").Execute(); break;
    }
}

SV_IMPL_LINK(AspectEdit, okHdl, Button*, ) {
    const String reason = checkInput();
    if (reason.Len() > 0) {
        ErrorBox(this, WB_OK, reason).Execute();
        return 1;
    }
    EndDialog(1);
    return 1;
}

SV_IMPL_LINK(AspectEdit, cancelHdl, Button*, ) {
    EndDialog(0);
    return 1;
}

SV_IMPL_LINK(AspectEdit, nullHdl, Button*, ) {
    SetNullBehavior(isNull_->IsChecked() ? 1 : 0);
    return 1;
}

SV_IMPL_LINK(AspectEdit, fontHdl, Button*, ) {
    FontDialog dialog(this, 36);
    Font start = value_->GetFont();
    start.ChangeSize(Size(0, 100));
    dialog.SetCurFont(start);
    if (dialog.Execute() == 1) {
        Font chosen = value_->GetFont();
        chosen.ChangeName(dialog.GetCurFont().GetName());
        value_->ChangeFont(chosen);
        value_->Invalidate();
    }
    return 1;
}
