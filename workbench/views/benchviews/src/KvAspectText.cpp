// The text forms of an aspect's value and of its state word.

#include <cstdio>

#include "KvAspect.h"
#include "KxTypeMgr.h"
#include "kxlocale.h"
#include "svapp.h"
#include "svintl.h"
#include "svtime.h"

namespace {

const International& Locale() { return GetpApp()->GetAppInternational(); }

KxString FromSv(const String& s) { return KxString(s.GetStr(), s.Len()); }

String ToSv(const KxString& s) { return String(s.StrGet()); }

KxString LocaleDate(int year, int month, int day) {
    return FromSv(Locale().GetDate(Date(static_cast<uint16_t>(day), static_cast<uint16_t>(month),
                                        static_cast<uint16_t>(year))));
}

KxString LocaleTime(int hour, int minute, int second) {
    return FromSv(Locale().GetTime(Time(hour, minute, second), true, false));
}

// The type manager's print of a value by kernel type code; an empty text when the value cannot
// be printed.
KxString TypePrint(uint8_t kernelType, const void* value, const char* format = nullptr) {
    KxString out;
    if (KxTypeMgr::GetDefault()->PrintToKxString(kernelType, out, value, format, 1) < 0) return KxString::EmptyString();
    return out;
}

KxString IntervalText(const d_Interval& i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%02f", i.day(), i.hour(), i.minute(),
                  static_cast<double>(i.second()));
    return KxString(buf);
}

template <class P>
KxString Printed(const P& value) {
    KxString out;
    value.PrintToKxString(out);
    return out;
}

const char* CodeSetName(uint8_t cs) {
    switch (cs) {
        case 0: return "CS NONE";
        case 1: return "CS ANSI";
        case 2: return "CS MacIntosh";
        case 3: return "CS Roman";
        case 4: return "CS NeXt";
        case 5: return "CS OS/2";
        case 0xFD: return "CS UNICODE";
        case 0xFE: return "CS Ordering";
        default: return "CS unknown";
    }
}

const char* LanguageName(uint8_t language) {
    static const char* const names[] = {"no language", "English", "German",    "French", "Italian",
                                        "Spanish",     "Danish",  "Dutch",     "Faroese", "Finish",
                                        "Icelandic",   "Irish",   "Norwegian", "Portuguese", "Swedish"};
    return language < sizeof names / sizeof names[0] ? names[language] : "language unknown";
}

}  // namespace

// The forms both texts share: the kernel's types print alike in both (types 18 to 20, 22 to 27,
// 30 to 42). Null for a type whose two forms differ or that has no text.
static bool CommonText(const KvAspect& a, KxString& out) {
    switch (a.aspectType()) {
        case 12: out = KxString(a.getConstCharPtr()); return true;
        case 18: out = a.getSurrogate().getKxString(); return true;
        case 19: out = Printed(a.getKxClassId()); return true;
        case 20: out = Printed(a.getKxRef()); return true;
        case 22: {
            const d_Date d = a.getdDate();
            out = LocaleDate(d.year(), d.month(), d.day());
            return true;
        }
        case 23: {
            const d_Time t = a.getdTime();
            out = LocaleTime(t.hour(), t.minute(), t.wholeSecond());
            return true;
        }
        case 24: {
            const d_Timestamp t = a.getdTimestamp();
            out = LocaleTime(t.hour(), t.minute(), t.time().wholeSecond()) + " " +
                  LocaleDate(t.year(), t.month(), t.day());
            return true;
        }
        case 25: out = IntervalText(a.getdInterval()); return true;
        case 26: out = Printed(a.getInt64()); return true;
        case 27: {
            const KxBoolean b = a.getBoolean();
            out = TypePrint(KX_TYPE_BOOLEAN, &b);
            return true;
        }
#define KV_NULL_TEXT(CODE, GETTER, KERNEL, FORMAT) \
    case CODE: {                                   \
        const auto v = a.GETTER();                 \
        out = TypePrint(KERNEL, &v, FORMAT);       \
        return true;                               \
    }
        KV_NULL_TEXT(30, getNull_char, KX_TYPE_NULL_CHAR, nullptr)
        KV_NULL_TEXT(31, getNull_uchar, KX_TYPE_NULL_UCHAR, "%d")
        KV_NULL_TEXT(32, getNull_short, KX_TYPE_NULL_SHORT, nullptr)
        KV_NULL_TEXT(33, getNull_ushort, KX_TYPE_NULL_USHORT, nullptr)
        KV_NULL_TEXT(34, getNull_int, KX_TYPE_NULL_INT, nullptr)
        KV_NULL_TEXT(35, getNull_unsigned, KX_TYPE_NULL_UNSIGNED, nullptr)
        KV_NULL_TEXT(36, getNull_long, KX_TYPE_NULL_LONG, nullptr)
        KV_NULL_TEXT(37, getNull_ulong, KX_TYPE_NULL_ULONG, nullptr)
        KV_NULL_TEXT(38, getNull_float, KX_TYPE_NULL_FLOAT, nullptr)
        KV_NULL_TEXT(39, getNull_double, KX_TYPE_NULL_DOUBLE, nullptr)
        KV_NULL_TEXT(40, getNull_KxInt64, KX_TYPE_NULL_KXINT64, nullptr)
        KV_NULL_TEXT(41, getNull_8B, KX_TYPE_NULL_8B, nullptr)
        KV_NULL_TEXT(42, getNull_U8B, KX_TYPE_NULL_U8B, nullptr)
#undef KV_NULL_TEXT
        default: return false;
    }
}

KxString KvAspect::getOriginalString() const {
    setNotCastError();
    KxString out;
    switch (type_) {
        case 1: return KxString(static_cast<int32_t>(held<short>()));
        case 2: return KxString(static_cast<int32_t>(held<unsigned short>()));
        case 3: return KxString(static_cast<int32_t>(held<int>()));
        case 5: return KxString(static_cast<long long>(held<long>()));
        case 4: return KxString(static_cast<uint32_t>(held<unsigned int>()));
        case 6: return KxString(static_cast<unsigned long long>(held<unsigned long>()));
        case 7: return KxString(static_cast<double>(held<float>()));
        case 8: return KxString(held<double>());
        case 10: return KxString(static_cast<uint32_t>(held<unsigned char>()));
        case 11: return KxString(held<char>());
        case 13: return FromSv(held<String>());
        case 14: return held<KxString>();
        case 15: {
            const KxDate d = held<KxDate>();
            return LocaleDate(d.GetYear(), d.GetMonth(), d.GetDay());
        }
        case 16: {
            const KxTime t = held<KxTime>();
            return LocaleTime(t.GetHour(), t.GetMinute(), t.GetSecond());
        }
        case 17: {
            const KxDateTime t = held<KxDateTime>();
            return LocaleTime(t.GetHour(), t.GetMinute(), t.GetSecond()) + " " +
                   LocaleDate(t.GetYear(), t.GetMonth(), t.GetDay());
        }
        case 28: return KxString(held<long long>());
        case 29: return KxString(held<unsigned long long>());
        default: break;
    }
    if (CommonText(*this, out)) {
        setNotCastError();
        return out;
    }
    setCastError();  // 0 none, 9 subject pointer, 21 blob
    return KxString::EmptyString();
}

String KvAspect::getSvString() const {
    setNotCastError();
    KxString out;
    switch (type_) {
        case 1: return String(held<short>());
        case 2: return String(held<unsigned short>());
        case 3: return String(held<int>());
        case 4: return String(held<unsigned int>());
        case 5: return String(held<long>());
        case 6: return String(held<unsigned long>());
        case 7: return ToSv(KxString(static_cast<double>(held<float>())));
        case 8: {
            const String s = ToSv(KxString(held<double>()));
            setCastError();
            return s;
        }
        case 10: return String(static_cast<int>(held<unsigned char>()));
        case 11: return String(held<char>());
        case 13: return held<String>();
        case 14: {
            const KxString& k = *static_cast<const KxString*>(value_.heap);
            String s = ToSv(getString());
            if (k.CodeSet() != 0 && k.CodeSet() != KxLanguageContext::GetNativeCodeSet()) {
                s += "(";
                s += CodeSetName(k.CodeSet());
                s += ", ";
                s += LanguageName(k.Language());
                s += ")";
            }
            setNotCastError();
            return s;
        }
        case 15: {
            const KxDate d = held<KxDate>();
            return ToSv(TypePrint(KX_TYPE_DATE, &d, "%m/%d/%Y"));
        }
        case 16: {
            const KxTime t = held<KxTime>();
            return ToSv(TypePrint(KX_TYPE_TIME, &t, "%H:%M:%S"));
        }
        case 17: {
            const KxDateTime t = held<KxDateTime>();
            return ToSv(TypePrint(KX_TYPE_DATETIME, &t, "%m/%d/%Y %H:%M:%S"));
        }
        case 28: {
            const int64_t v = held<long long>();
            return ToSv(TypePrint(KX_TYPE_INT64, &v));
        }
        case 29: {
            const uint64_t v = held<unsigned long long>();
            return ToSv(TypePrint(KX_TYPE_UINT64, &v));
        }
        default: break;
    }
    if (CommonText(*this, out)) {
        setNotCastError();
        return ToSv(out);
    }
    setCastError();
    return String();
}

KxString KvAspect::getString() const {
    KxString s = getOriginalString();
    s.SetCodeSet(KxLanguageContext::GetNativeCodeSet());  // a text that does not map stays as it is
    if (!s.IsActive()) return KxTypeMgr::GetDefault()->GetNullPrintString();
    return s;
}

KxString KvAspect::getStateString() const {
    static const char* const names[] = {"Ok   ", "Orig ", "Chec ", "Just ", "Read ", "Not ", "Refr ", "Cast "};
    KxString out("");
    for (int bit = 0; bit < 8; ++bit) {
        out << ((aspectState_ & (1ul << bit)) ? " " : "!");
        out << names[bit];
    }
    return out;
}

const char* KvAspect::OriginalCodeSetAsString() const {
    return type_ == 14 ? CodeSetName(static_cast<const KxString*>(value_.heap)->CodeSet()) : "";
}

const char* KvAspect::OriginalLanguageAsString() const {
    return type_ == 14 ? LanguageName(static_cast<const KxString*>(value_.heap)->Language()) : "";
}
