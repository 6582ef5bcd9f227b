// Oracle type-conversion handlers: the expressions of each source kind towards each target kind.
#include "KxGOraTypeConvHdl.h"

#include <utility>

namespace {

// The fixed day and formats that Time values are stored with (not the configured formats).
constexpr const char* kBaseDay = "01/01/1900";
constexpr const char* kBaseDayFormat = "mm/dd/yyyy";
constexpr const char* kTimeOfDayFormat = "hh24:mi:ss";
constexpr const char* kMidnight = "00:00:00";

// Appends text for the inside of an SQL string literal: every quote doubled.
void AppendLiteral(KxString& out, const KxString& text) {
    if (text.Find('\'') < 0) {
        out << text;
        return;
    }
    KxString quoted(text);
    quoted.ReplaceAll(KxString("'"), KxString("''"));
    out << quoted;
}

// Replaces out with the built text (built apart, so that out may alias the source expression).
int32_t Give(KxString& out, KxString&& text, int32_t result) {
    out = std::move(text);
    return result;
}

int32_t Same(const KxString& x, KxString& out) { return Give(out, KxString(x), KXG_CONV_SAME); }

int32_t Unchanged(const KxString& x, KxString& out, int32_t result) { return Give(out, KxString(x), result); }

int32_t Null(KxString& out, int32_t result) { return Give(out, KxString("NULL"), result); }

// fn "(" x ")"
int32_t Call(const char* fn, const KxString& x, KxString& out, int32_t result) {
    KxString e(fn);
    e << "(" << x << ")";
    return Give(out, std::move(e), result);
}

// SUBSTR(x,1,1)
int32_t FirstCharacter(const KxString& x, KxString& out) {
    KxString e("SUBSTR(");
    e << x << ",1,1)";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// SUBSTR(x,1 ,n)
KxString Substr(const KxString& x, uint32_t n) {
    KxString e("SUBSTR(");
    e << x << ",1 ," << n << ")";
    return e;
}

// TO_DATE(x, 'J') or, rounded, TO_DATE(ROUND(x), 'J')
int32_t JulianDay(const KxString& x, bool round, KxString& out) {
    KxString e("TO_DATE(");
    if (round)
        e << "ROUND(" << x << ")";
    else
        e << x;
    e << ", 'J')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// A number of seconds after midnight as a time on the base day.
int32_t SecondsToTime(const KxString& x, KxString& out) {
    KxString e("TO_DATE('");
    e << kBaseDay << "' || TO_CHAR(" << x << ", '09999'), '" << kBaseDayFormat << " sssss')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// The time of day of a date as a time on the base day.
int32_t TimeOfDay(const KxString& x, KxString& out) {
    KxString e("TO_DATE('");
    e << kBaseDay << "' || TO_CHAR(" << x << ", '" << kTimeOfDayFormat << "'), '" << kBaseDayFormat << " "
      << kTimeOfDayFormat << "')";
    return Give(out, std::move(e), KXG_CONV_IN_PLACE);
}

// TO_CHAR(x, 'format') with one or two formats (a blank between them).
int32_t ToChar(const KxString& x, const KxString& format, const KxString* second, KxString& out) {
    KxString e("TO_CHAR(");
    e << x << ", '";
    AppendLiteral(e, format);
    if (second != nullptr) {
        e << " ";
        AppendLiteral(e, *second);
    }
    e << "')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

int32_t ToChar(const KxString& x, const char* format, KxString& out) {
    return ToChar(x, KxString(format), nullptr, out);
}

// ---- Strings as the source (VARCHAR2 and CHAR columns alike) ---------------------------------

// A text holding a time in format T, on the base day.
int32_t TextToTime(const KxString& x, const KxString& timeFormat, KxString& out) {
    KxString e("TO_DATE('");
    e << kBaseDay << " ' || " << x << ", '" << kBaseDayFormat << " ";
    AppendLiteral(e, timeFormat);
    e << "')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// A text holding a date in format D, at midnight.
int32_t TextToDate(const KxString& x, const KxString& dateFormat, KxString& out) {
    KxString e("TO_DATE(");
    e << x << " || '" << kMidnight << "', '";
    AppendLiteral(e, dateFormat);
    e << " " << kTimeOfDayFormat << "')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// A text holding a date and a time in format "D T".
int32_t TextToDateTime(const KxString& x, const KxString& dateFormat, const KxString& timeFormat,
                       KxString& out) {
    KxString e("TO_DATE(");
    e << x << ", '";
    AppendLiteral(e, dateFormat);
    e << " ";
    AppendLiteral(e, timeFormat);
    e << "')";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}

// Size rule of the character kinds: a longer source is cut to the target's size in place.
int32_t CharacterSize(uint32_t sourceSize, uint32_t targetSize, const KxString& x, KxString& out) {
    if (sourceSize < targetSize) return KXG_CONV_NEW_COLUMN;
    if (sourceSize == targetSize) return KXG_CONV_SAME;
    return Give(out, Substr(x, targetSize), KXG_CONV_IN_PLACE);
}

// Size rule of the kinds whose values no expression carries.
int32_t OpaqueSize(uint32_t sourceSize, uint32_t targetSize) {
    return sourceSize == targetSize ? KXG_CONV_SAME : KXG_CONV_SIZE_DIFFERS;
}

}  // namespace

// ---- Base -------------------------------------------------------------------------------------

KxGTypeConvHdl::~KxGTypeConvHdl() = default;

int32_t KxGTypeConvHdl::ConvertToChar(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToInt(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToFloat(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToTime(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToDate(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToDateTime(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToBlob(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToID(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToByte(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToString(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToStringChar(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
int32_t KxGTypeConvHdl::ConvertToStringLong(const KxString&, KxString&) { return KXG_CONV_NOT_CONVERTIBLE; }
void KxGTypeConvHdl::SetSize(uint32_t) {}
int32_t KxGTypeConvHdl::ConvertSize(uint32_t, const KxString&, KxString&) { return KXG_CONV_SAME; }

// ---- Char (code 0, a number holding a character code) ------------------------------------------

int32_t KxGCharTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToChar(x, out);
}
int32_t KxGCharTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGCharTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGCharTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGCharTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) {
    return Call("CHR", x, out, KXG_CONV_IN_PLACE);
}
int32_t KxGCharTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGCharTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGCharTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGCharTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString& x, KxString& out) {
    return CharacterSize(sourceSize, GetSize(), x, out);
}

// ---- Int -----------------------------------------------------------------------------------------

int32_t KxGIntTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToInt(x, out);
}
int32_t KxGIntTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) { return FirstCharacter(x, out); }
int32_t KxGIntTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGIntTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGIntTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) { return SecondsToTime(x, out); }
int32_t KxGIntTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) { return JulianDay(x, false, out); }
int32_t KxGIntTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) {
    return JulianDay(x, false, out);
}
int32_t KxGIntTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) {
    return Call("CHR", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGIntTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGIntTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGIntTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}

// ---- Float ---------------------------------------------------------------------------------------

int32_t KxGFloatTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToFloat(x, out);
}
int32_t KxGFloatTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) { return FirstCharacter(x, out); }
int32_t KxGFloatTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGFloatTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGFloatTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) { return SecondsToTime(x, out); }
int32_t KxGFloatTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) { return JulianDay(x, true, out); }
int32_t KxGFloatTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) {
    return JulianDay(x, true, out);
}
int32_t KxGFloatTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) {
    return Call("CHR", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGFloatTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGFloatTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGFloatTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}

// ---- Byte (a one-character column) ---------------------------------------------------------------

int32_t KxGByteTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToByte(x, out);
}
int32_t KxGByteTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_IN_PLACE);
}
int32_t KxGByteTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGByteTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGByteTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGByteTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGByteTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGByteTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Call("ASCII", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGByteTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString& x, KxString& out) {
    const uint32_t targetSize = GetSize();
    if (sourceSize < targetSize) {
        // Padded with NUL characters up to the larger size.
        KxString e("RPAD(");
        e << Substr(x, sourceSize) << "," << targetSize << ", CHR(0))";
        return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
    }
    if (sourceSize == targetSize) return KXG_CONV_SAME;
    return Give(out, Substr(x, targetSize), KXG_CONV_IN_PLACE);
}

// ---- String (VARCHAR2) ---------------------------------------------------------------------------

int32_t KxGStringTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToString(x, out);
}
int32_t KxGStringTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) { return FirstCharacter(x, out); }
int32_t KxGStringTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) {
    return TextToTime(x, timeFormat_, out);
}
int32_t KxGStringTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) {
    return TextToDate(x, dateFormat_, out);
}
int32_t KxGStringTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) {
    return TextToDateTime(x, dateFormat_, timeFormat_, out);
}
int32_t KxGStringTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) {
    return Call("CHR", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringTypeConvHdl::ConvertToString(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGStringTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return Give(out, Substr(x, GetSize()), KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString& x, KxString& out) {
    return CharacterSize(sourceSize, GetSize(), x, out);
}

// ---- StringChar (CHAR) ---------------------------------------------------------------------------

int32_t KxGStringCharTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToStringChar(x, out);
}
int32_t KxGStringCharTypeConvHdl::ConvertToChar(const KxString& x, KxString& out) {
    return FirstCharacter(x, out);
}
int32_t KxGStringCharTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringCharTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) {
    return Unchanged(x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringCharTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) {
    return TextToTime(x, timeFormat_, out);
}
int32_t KxGStringCharTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) {
    return TextToDate(x, dateFormat_, out);
}
int32_t KxGStringCharTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) {
    return TextToDateTime(x, dateFormat_, timeFormat_, out);
}
int32_t KxGStringCharTypeConvHdl::ConvertToByte(const KxString& x, KxString& out) {
    return Call("CHR", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringCharTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    KxString e("SUBSTR(RTRIM(");
    e << x << "), 1, " << GetSize() << ")";
    return Give(out, std::move(e), KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringCharTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGStringCharTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return Call("RTRIM", x, out, KXG_CONV_NEW_COLUMN);
}
int32_t KxGStringCharTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString& x, KxString& out) {
    return CharacterSize(sourceSize, GetSize(), x, out);
}

// ---- StringLong (LONG) ---------------------------------------------------------------------------

int32_t KxGStringLongTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToStringLong(x, out);
}
int32_t KxGStringLongTypeConvHdl::ConvertToStringLong(const KxString&, KxString& out) {
    return Null(out, KXG_CONV_SAME);
}
int32_t KxGStringLongTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString&, KxString&) {
    return OpaqueSize(sourceSize, GetSize());
}

// ---- Date ----------------------------------------------------------------------------------------

int32_t KxGDateTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToDate(x, out);
}
int32_t KxGDateTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) { return ToChar(x, "J", out); }
int32_t KxGDateTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) { return ToChar(x, "J", out); }
int32_t KxGDateTypeConvHdl::ConvertToTime(const KxString&, KxString& out) { return Null(out, KXG_CONV_IN_PLACE); }
int32_t KxGDateTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGDateTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) {
    return Call("TRUNC", x, out, KXG_CONV_IN_PLACE);
}
int32_t KxGDateTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, nullptr, out);
}
int32_t KxGDateTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, nullptr, out);
}
int32_t KxGDateTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, nullptr, out);
}

// ---- Time (a date on the base day) ---------------------------------------------------------------

int32_t KxGTimeTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToTime(x, out);
}
int32_t KxGTimeTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) { return ToChar(x, "sssss", out); }
int32_t KxGTimeTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) { return ToChar(x, "sssss", out); }
int32_t KxGTimeTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGTimeTypeConvHdl::ConvertToDate(const KxString&, KxString& out) { return Null(out, KXG_CONV_IN_PLACE); }
int32_t KxGTimeTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) { return TimeOfDay(x, out); }
int32_t KxGTimeTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return ToChar(x, timeFormat_, nullptr, out);
}
int32_t KxGTimeTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return ToChar(x, timeFormat_, nullptr, out);
}
int32_t KxGTimeTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return ToChar(x, timeFormat_, nullptr, out);
}

// ---- DateTime ------------------------------------------------------------------------------------

int32_t KxGDateTimeTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToDateTime(x, out);
}
int32_t KxGDateTimeTypeConvHdl::ConvertToInt(const KxString& x, KxString& out) { return ToChar(x, "J", out); }
int32_t KxGDateTimeTypeConvHdl::ConvertToFloat(const KxString& x, KxString& out) { return ToChar(x, "J", out); }
int32_t KxGDateTimeTypeConvHdl::ConvertToTime(const KxString& x, KxString& out) { return TimeOfDay(x, out); }
int32_t KxGDateTimeTypeConvHdl::ConvertToDate(const KxString& x, KxString& out) {
    return Call("TRUNC", x, out, KXG_CONV_IN_PLACE);
}
int32_t KxGDateTimeTypeConvHdl::ConvertToDateTime(const KxString& x, KxString& out) { return Same(x, out); }
int32_t KxGDateTimeTypeConvHdl::ConvertToString(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, &timeFormat_, out);
}
int32_t KxGDateTimeTypeConvHdl::ConvertToStringChar(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, &timeFormat_, out);
}
int32_t KxGDateTimeTypeConvHdl::ConvertToStringLong(const KxString& x, KxString& out) {
    return ToChar(x, dateFormat_, &timeFormat_, out);
}

// ---- Blob ----------------------------------------------------------------------------------------

int32_t KxGBlobTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToBlob(x, out);
}
int32_t KxGBlobTypeConvHdl::ConvertToBlob(const KxString&, KxString& out) { return Null(out, KXG_CONV_SAME); }
int32_t KxGBlobTypeConvHdl::ConvertSize(uint32_t sourceSize, const KxString&, KxString&) {
    return OpaqueSize(sourceSize, GetSize());
}

// ---- ID (object ids and class ids) ---------------------------------------------------------------

int32_t KxGIDTypeConvHdl::ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) {
    return source.ConvertToID(x, out);
}
int32_t KxGIDTypeConvHdl::ConvertToID(const KxString& x, KxString& out) { return Same(x, out); }
