// The Oracle type handlers and their manager, on row buffers in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxGDatabaseTrace.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "TypeTestSupport.h"
#include "oci.h"

using namespace oratypes;

namespace {

class OraTypeHdlTest : public ::testing::Test {
protected:
    KxGTypeHdl* Handler(uint8_t code, uint8_t kind = 0, uint8_t flag = 0)
    {
        KxGTypeHdl* handler = manager_.GetTypeHdl(code, kind, flag);
        EXPECT_NE(handler, nullptr) << int(code) << "/" << int(kind);
        return handler;
    }
    KxGOraTypeHdl* Ora(uint8_t code, uint8_t kind = 0, uint8_t flag = 0)
    {
        return dynamic_cast<KxGOraTypeHdl*>(Handler(code, kind, flag));
    }

    // Stores normal, empty and (by indicator) NULL values through a three-row buffer and fetches
    // them back: row 0 the normal value, row 1 the empty value (NULL or not as emptyIsNull says),
    // row 2 a NULL indicator, which must fetch as fromNull.
    template <typename T>
    void RoundTrip(uint8_t code, uint8_t kind, int32_t size, const T& normal, const T& empty, bool emptyIsNull,
                   const T& fromNull, const T& emptyBack)
    {
        SCOPED_TRACE("code " + std::to_string(code) + " kind " + std::to_string(kind));
        KxGTypeHdl* handler = Handler(code, kind);
        ASSERT_NE(handler, nullptr);
        Column column(handler, size);
        T value = normal;
        column.Row(0);
        ASSERT_NE(column.Store(&value, &context_), nullptr);
        EXPECT_FALSE(column.IsNull());
        value = empty;
        column.Row(1);
        column.Store(&value, &context_);
        EXPECT_EQ(column.IsNull(), emptyIsNull);
        if (code != 18) {   // an empty inline blob is stored as NULL, yet its handler never calls it NULL
            EXPECT_EQ(handler->IsNullValue(&value) != 0, emptyIsNull);
        }
        column.Row(2);
        handler->SetNull(column.Indicator());

        T back = empty;
        column.Row(0);
        ASSERT_NE(column.Fetch(&back, &context_), nullptr);
        EXPECT_TRUE(back == normal);
        back = normal;
        column.Row(1);
        ASSERT_NE(column.Fetch(&back, &context_), nullptr);
        EXPECT_TRUE(back == emptyBack);
        back = normal;
        column.Row(2);
        ASSERT_NE(column.Fetch(&back, &context_), nullptr);
        EXPECT_TRUE(back == fromNull);
    }

    TestDatabase database_;
    KxGContext context_{&database_};
    KxGOraTypeHdlMgr manager_{&database_};
};

// ---- what each handler code reports --------------------------------------------------------------

struct Shape {
    uint8_t code, kind, flag;
    uint8_t typeCode;
    uint16_t nativeType;
    int32_t columnSize, bufferSize;   // for size 10
    const char* typeText;             // null: no column type
};

TEST_F(OraTypeHdlTest, EveryHandlerCodeReportsItsTypesSizesAndColumnText)
{
    const int32_t ptr = static_cast<int32_t>(sizeof(void*));
    const Shape shapes[] = {
        {0, 0, 0, 0, 15, 10, 12, "RAW (10)"},
        {1, 0, 0, 1, 3, 2, 2, "NUMBER (38) DEFAULT 0"},
        {2, 0, 0, 2, 3, 4, 4, "NUMBER (38) DEFAULT 0"},
        {3, 0, 0, 3, 4, 8, 8, "NUMBER DEFAULT 0"},
        {4, 0, 0, 4, 4, 4, 4, "NUMBER DEFAULT 0"},
        {5, 0, 0, 5, 3, 2, 2, "NUMBER (38) DEFAULT 0"},
        {6, 0, 0, 6, 68, 4, 8, "NUMBER (38) DEFAULT 0"},   // unsigned, fetched as signed: an 8-byte slot
        {7, 0, 0, 7, 3, 4, 4, "NUMBER (38) DEFAULT 0"},
        {8, 0, 0, 8, 68, 4, 8, "NUMBER (38) DEFAULT 0"},
        {9, 0, 0, 9, 3, 4, 4, "NUMBER (38) DEFAULT 0"},
        {10, 0, 0, 10, 15, 10, 12, "RAW (10)"},
        {11, 0, 0, 11, 5, 10, 11, "VARCHAR2 (10)"},
        {12, 0, 0, 12, 12, 7, 7, "DATE"},
        {13, 0, 0, 13, 12, 7, 7, "DATE"},
        {15, 0, 0, 15, 6, 6, 22, "NUMBER (38) DEFAULT 0"},
        {16, 0, 0, 16, 3, 2, 2, "NUMBER (38) DEFAULT 0"},
        {17, 0, 0, 17, 6, 6, 22, "NUMBER (38) DEFAULT 0"},
        {18, 0, 0, 18, 95, 10, 10, "LONG RAW"},
        {19, 0, 0, 19, 12, 7, 7, "DATE"},
        {20, 0, 0, 20, 5, 10, 11, "VARCHAR2 (10)"},
        {21, 0, 0, 21, 5, 10, 11, "VARCHAR2 (10)"},
        {26, 0, 0, 26, 6, 21, 22, "NUMBER (38) DEFAULT 0"},
        {27, 0, 0, 27, 9, 1, 3, "CHAR (10)"},
        {42, 0, 0, 42, 6, 21, 22, "NUMBER (38) DEFAULT 0"},
        {43, 0, 0, 43, 6, 21, 22, "NUMBER (38) DEFAULT 0"},
        {44, 0, 0, 44, 10, 0, 0, nullptr},
        {0, 1, 0, 0, 9, 10, 12, "CHAR (10)"},            // 54
        {10, 1, 0, 0, 9, 10, 12, "CHAR (10)"},           // 54
        {11, 1, 0, 11, 96, 10, 10, "CHAR (10)"},         // 47
        {20, 1, 0, 20, 96, 10, 10, "CHAR (10)"},         // 48
        {21, 1, 0, 21, 96, 10, 10, "CHAR (10)"},         // 49
        {11, 2, 0, 11, 94, 10, 14, "LONG VARCHAR"},      // 50
        {20, 2, 0, 20, 94, 10, 14, "LONG VARCHAR"},      // 51
        {21, 2, 0, 21, 94, 10, 14, "LONG VARCHAR"},      // 52
        {18, 3, 0, 18, 95, 10, 10, "RAW (10)"},          // 53
        {18, 4, 0, 18, 113, 0, ptr, "BLOB DEFAULT EMPTY_BLOB()"},   // 55
        {18, 4, 1, 18, 113, 0, ptr, "BLOB DEFAULT EMPTY_BLOB()"},   // 56
        {18, 5, 0, 18, 95, 10, 10, "BLOB DEFAULT EMPTY_BLOB()"},    // 57
        {5, 6, 0, 5, 68, 2, 2, "NUMBER (38) DEFAULT 0"},            // 58
        {6, 6, 0, 6, 68, 4, 4, "NUMBER (38) DEFAULT 0"},            // 59
        {8, 6, 0, 8, 68, 4, 4, "NUMBER (38) DEFAULT 0"},            // 60
        {11, 127, 0, 11, 5, 10, 11, "VARCHAR2 (10)"},
        {11, 255, 0, 11, 5, 10, 11, "VARCHAR2 (10)"},
        {12, 1, 0, 12, 12, 7, 7, "DATE"},   // a kind with a code it does not list changes nothing
        {2, 6, 0, 2, 3, 4, 4, "NUMBER (38) DEFAULT 0"},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE("code " + std::to_string(s.code) + " kind " + std::to_string(s.kind) + " flag " +
                     std::to_string(s.flag));
        KxGOraTypeHdl* handler = Ora(s.code, s.kind, s.flag);
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(handler->TypeCode(), s.typeCode);
        EXPECT_EQ(handler->NativeType(), s.nativeType);
        // Only the plain unsigned ints and longs define what they bind with another type.
        EXPECT_EQ(handler->DefineType(), s.kind == 0 && (s.code == 6 || s.code == 8) ? SQLT_INT : s.nativeType);
        EXPECT_EQ(handler->IndSize(), 2);
        EXPECT_EQ(handler->ColumnSize(10), s.columnSize);
        EXPECT_EQ(handler->BufferSize(10), s.bufferSize);
        KxString text("x ");
        const uint16_t written = handler->SQLTypeName(10, text);
        if (s.typeText == nullptr) {
            EXPECT_EQ(written, 0);
            EXPECT_STREQ(text.StrGet(), "x ");
        } else {
            EXPECT_EQ(written, 1);
            EXPECT_EQ(std::string(text.StrGet()), std::string("x ") + s.typeText);
        }
        EXPECT_EQ(handler->IsHandle(), s.nativeType == 113 ? 1 : 0);
    }
}

TEST_F(OraTypeHdlTest, BindSizeIsTheSizeGivenExceptForDatesAndValueLengthIsTheBaseColumnSize)
{
    EXPECT_EQ(Handler(11)->BindSize(31), 31);
    EXPECT_EQ(Handler(15)->BindSize(22), 22);
    EXPECT_EQ(Handler(12)->BindSize(1), 7);
    EXPECT_EQ(Handler(19)->BindSize(100), 7);
    int32_t i = 5;
    EXPECT_EQ(Handler(2)->ValueLength(&i), 4);
    EXPECT_EQ(Handler(27)->ValueLength(&i), 1);
}

// ---- the round-trip table --------------------------------------------------------------------------

TEST_F(OraTypeHdlTest, ValuesComeBackThroughTheRowBufferAndNullFetchesAsTheEmptyValue)
{
    // Scalars (plain handlers copy; a NULL indicator zeroes the variable).
    RoundTrip<int16_t>(1, 0, 1, -12345, 0, false, 0, 0);
    RoundTrip<int32_t>(2, 0, 1, -123456789, 0, false, 0, 0);
    RoundTrip<double>(3, 0, 1, -2.5e300, 0.0, false, 0.0, 0.0);
    RoundTrip<float>(4, 0, 1, 1.5f, 0.0f, false, 0.0f, 0.0f);
    RoundTrip<uint16_t>(5, 0, 1, 65535, 0, false, 0, 0);
    RoundTrip<uint32_t>(6, 0, 1, 4000000000u, 0, false, 0, 0);
    RoundTrip<int32_t>(7, 0, 1, INT32_MIN, 0, false, 0, 0);
    RoundTrip<uint32_t>(8, 0, 1, 0xFFFFFFFFu, 0, false, 0, 0);
    RoundTrip<int32_t>(9, 0, 1, 77, 0, false, 0, 0);
    RoundTrip<uint16_t>(5, 6, 1, 65535, 0, false, 0, 0);
    RoundTrip<uint32_t>(6, 6, 1, 4000000000u, 0, false, 0, 0);
    RoundTrip<uint32_t>(8, 6, 1, 0xFFFFFFFFu, 0, false, 0, 0);
    // Strings: empty is NULL in VARCHAR2 and LONG, a value in CHAR; all fetch an inactive string.
    const KxString hello("Hello");
    const KxString empty("");
    const KxString null;
    RoundTrip<KxString>(11, 0, 10, hello, empty, true, null, null);
    RoundTrip<KxString>(11, 1, 10, hello, empty, false, null, null);
    RoundTrip<KxString>(11, 2, 10, hello, empty, true, null, null);
    RoundTrip<KxIString>(20, 0, 10, KxIString("Abc"), KxIString(""), true, KxIString(), KxIString());
    RoundTrip<KxIString>(20, 1, 10, KxIString("Abc"), KxIString(""), false, KxIString(), KxIString());
    RoundTrip<KxIString>(20, 2, 10, KxIString("Abc"), KxIString(""), true, KxIString(), KxIString());
    RoundTrip<KxCaseIString>(21, 0, 10, KxCaseIString("Abc"), KxCaseIString(""), true, KxCaseIString(),
                             KxCaseIString());
    RoundTrip<KxCaseIString>(21, 1, 10, KxCaseIString("Abc"), KxCaseIString(""), false, KxCaseIString(),
                             KxCaseIString());
    RoundTrip<KxCaseIString>(21, 2, 10, KxCaseIString("Abc"), KxCaseIString(""), true, KxCaseIString(),
                             KxCaseIString());
    // Dates below connection version 780 (the double's version is 0): an invalid value is NULL.
    RoundTrip<KxDate>(12, 0, 1, KxDate(2024, 2, 29), KxDate(), true, KxDate(), KxDate());
    RoundTrip<KxTime>(13, 0, 1, KxTime(23, 59, 58), KxTime(25, 0, 0), true, KxTime(), KxTime());
    RoundTrip<KxDateTime>(19, 0, 1, KxDateTime(1, 1, 1, 0, 0, 0), KxDateTime(KxDate(), KxTime()), true,
                          KxDateTime(KxDate(), KxTime()), KxDateTime(KxDate(), KxTime()));
    // Ids: the process's gateway version is 0 here, so id 0 is NULL.
    RoundTrip<KxObjId>(15, 0, 1, KxObjId(0xFFFFFFFFu, 0xFFFF), KxObjId(), true, KxObjId(), KxObjId());
    RoundTrip<KxObjId>(17, 0, 1, KxObjId(1, 0), KxObjId(), true, KxObjId(), KxObjId());
    RoundTrip<KxClassId>(16, 0, 1, KxClassId(65535, 0), KxClassId(), true, KxClassId(), KxClassId());
    // 64-bit integers, including the smallest value and the full unsigned range.
    RoundTrip<KxInt64>(26, 0, 1, KxInt64(INT64_MIN), KxInt64(0), false, KxInt64(0), KxInt64(0));
    RoundTrip<int64_t>(42, 0, 1, INT64_MIN, 0, false, 0, 0);
    RoundTrip<int64_t>(42, 0, 1, INT64_MAX, -1, false, 0, -1);
    RoundTrip<uint64_t>(43, 0, 1, UINT64_MAX, 0, false, 0, 0);
    RoundTrip<uint64_t>(43, 0, 1, uint64_t(1) << 63, 0, false, 0, 0);
    // Booleans; NULL fetches false.
    RoundTrip<KxBoolean>(27, 0, 1, KxBoolean(true), KxBoolean(false), false, KxBoolean(false), KxBoolean(false));
    // Blobs inline: an empty blob is NULL.
    const uint8_t bytes[] = {0, 1, 2, 0xFF, 0};
    RoundTrip<KxBlob>(18, 0, 20, KxBlob(bytes, 5), KxBlob(), true, KxBlob(), KxBlob());
    RoundTrip<KxBlob>(18, 3, 20, KxBlob(bytes, 5), KxBlob(), true, KxBlob(), KxBlob());
    RoundTrip<KxBlob>(18, 5, 20, KxBlob(bytes, 5), KxBlob(), true, KxBlob(), KxBlob());
    EXPECT_TRUE(database_.reports.empty());
}

TEST_F(OraTypeHdlTest, CharactersAndBytesTravelWithTheirLengthPrefix)
{
    for (uint8_t kind : {uint8_t(0), uint8_t(1)}) {
        SCOPED_TRACE(int(kind));
        KxGTypeHdl* handler = Handler(10, kind);
        Column column(handler, 4);
        char value[4] = {'a', '\0', 'b', '\xE9'};
        column.Row(0);
        ASSERT_NE(column.Store(value, &context_), nullptr);
        uint16_t length;
        std::memcpy(&length, column.Slot(), 2);
        EXPECT_EQ(length, 4);
        EXPECT_EQ(std::memcmp(column.Slot() + 2, value, 4), 0);
        // A shorter stored value: the rest of the variable is zero-filled.
        length = 2;
        std::memcpy(column.Slot(), &length, 2);
        char back[4] = {'x', 'x', 'x', 'x'};
        ASSERT_NE(column.Fetch(back, &context_), nullptr);
        EXPECT_EQ(std::memcmp(back, "a\0\0\0", 4), 0);
        // A stored length beyond the column never writes past the variable.
        length = 900;
        std::memcpy(column.Slot(), &length, 2);
        char guard[8] = {'x', 'x', 'x', 'x', 'G', 'G', 'G', 'G'};
        column.Fetch(guard, &context_);
        EXPECT_EQ(std::memcmp(guard + 4, "GGGG", 4), 0);
    }
    // With client Unicode the CHAR handler masks the bytes to 7 bits; the RAW handler does not.
    UnicodeFlags flags(0, 1);
    char value[1] = {'\xE9'};
    Column raw(Handler(10), 1);
    raw.Store(value, &context_);
    EXPECT_EQ(raw.Slot()[2], 0xE9);
    Column chr(Handler(10, 1), 1);
    chr.Store(value, &context_);
    EXPECT_EQ(chr.Slot()[2], 0x69);
}

// ---- strings -----------------------------------------------------------------------------------

TEST_F(OraTypeHdlTest, EmptyStringIsNullInVarchar2AndANulPlusBlanksInChar)
{
    KxString empty("");
    Column varchar2(Handler(11), 5);
    varchar2.Store(&empty, &context_);
    EXPECT_EQ(varchar2.IndicatorValue(), 0xFFFF);

    Column chr(Handler(11, 1), 5);
    chr.Store(&empty, &context_);
    EXPECT_EQ(chr.IndicatorValue(), 0);
    EXPECT_EQ(std::memcmp(chr.Slot(), "\0    ", 5), 0);
    KxString inactive;   // an inactive string is stored the same way
    chr.Row(1);
    chr.Store(&inactive, &context_);
    EXPECT_EQ(std::memcmp(chr.Slot(), "\0    ", 5), 0);
    KxString back("old");
    chr.Fetch(&back, &context_);
    EXPECT_FALSE(back.IsActive());
}

TEST_F(OraTypeHdlTest, CharIsBlankPaddedAndFetchedWithoutTrailingBlanksAndBlanksComeBackAsOneBlank)
{
    Column column(Handler(11, 1), 6);
    KxString value("ab c");
    ASSERT_NE(column.Store(&value, &context_), nullptr);
    EXPECT_EQ(std::memcmp(column.Slot(), "ab c  ", 6), 0);
    KxString back;
    column.Fetch(&back, &context_);
    EXPECT_STREQ(back.StrGet(), "ab c");

    KxString blanks("   ");
    column.Store(&blanks, &context_);
    column.Fetch(&back, &context_);
    EXPECT_TRUE(back.IsActive());
    EXPECT_STREQ(back.StrGet(), " ");

    KxString longer("abcdefghij");   // cut at the column size
    ASSERT_NE(column.Store(&longer, &context_), nullptr);
    column.Fetch(&back, &context_);
    EXPECT_STREQ(back.StrGet(), "abcdef");
}

TEST_F(OraTypeHdlTest, Varchar2AndLongCutAtTheColumnSize)
{
    KxString value("abcdefghij");
    Column varchar2(Handler(11), 4);
    ASSERT_NE(varchar2.Store(&value, &context_), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(varchar2.Slot()), "abcd");
    Column longColumn(Handler(11, 2), 4);
    ASSERT_NE(longColumn.Store(&value, &context_), nullptr);
    int32_t length;
    std::memcpy(&length, longColumn.Slot(), 4);
    EXPECT_EQ(length, 4);
    KxString back;
    longColumn.Fetch(&back, &context_);
    EXPECT_STREQ(back.StrGet(), "abcd");
    // A length prefix beyond the column is read no further than the column.
    length = 1000;
    std::memcpy(longColumn.Slot(), &length, 4);
    longColumn.Fetch(&back, &context_);
    EXPECT_STREQ(back.StrGet(), "abcd");
}

TEST_F(OraTypeHdlTest, SixteenBitStringsAreStoredInTheDefaultCodeSet)
{
    KxString wide(u"caf\u00e9");
    Column column(Handler(11), 10);
    ASSERT_NE(column.Store(&wide, &context_), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(column.Slot()), "caf\xe9");
    KxString back;
    column.Fetch(&back, &context_);
    EXPECT_TRUE(back == wide);
}

TEST_F(OraTypeHdlTest, ClientUnicodeStoresUtf8AndRefusesATextThatDoesNotFit)
{
    UnicodeFlags flags(0, 1);
    KxString value(u"\u03a9\u00e9x");   // 2 + 2 + 1 bytes of UTF-8
    KxGTypeHdl* handler = Handler(11);
    EXPECT_EQ(handler->ValueLength(&value), 5);
    Column fits(handler, 5);
    ASSERT_NE(fits.Store(&value, &context_), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(fits.Slot()), "\xce\xa9\xc3\xa9x");
    KxString back;
    fits.Fetch(&back, &context_);
    EXPECT_TRUE(back == value);
    // Three bytes of room: null result, and the text is cut before the half character.
    Column tight(handler, 3);
    EXPECT_EQ(tight.Store(&value, &context_), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(tight.Slot()), "\xce\xa9");
    // SQL text from the buffer: the UTF-8 converted back.
    KxString text;
    fits.Location().ValueToText(fits.Buffer(), text, &context_);
    EXPECT_TRUE(text == KxString(u"'\u03a9\u00e9x'"));
}

TEST_F(OraTypeHdlTest, AnAsciiTextGoesOutAsItIsInEveryUnicodeSetting)
{
    struct Case {
        const char* name;
        uint16_t onlyServerUnicode;
        uint16_t clientUnicode;
        bool refusedWhenCut;   // client Unicode refuses a text that does not fit
    };
    const Case cases[] = {
        {"no Unicode", 0, 0, false},
        {"server-only Unicode", 1, 0, false},
        {"client Unicode", 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UnicodeFlags flags(c.onlyServerUnicode, c.clientUnicode);
        KxString value("abcdefghij");
        KxGTypeHdl* handler = Handler(11);
        EXPECT_EQ(handler->ValueLength(&value), 10);
        Column fits(handler, 10);
        ASSERT_NE(fits.Store(&value, &context_), nullptr);
        EXPECT_STREQ(reinterpret_cast<const char*>(fits.Slot()), "abcdefghij");
        Column tight(handler, 4);
        EXPECT_EQ(tight.Store(&value, &context_) == nullptr, c.refusedWhenCut);
        EXPECT_STREQ(reinterpret_cast<const char*>(tight.Slot()), "abcd");
    }
}

TEST_F(OraTypeHdlTest, ServerOnlyUnicodeCountsWholeCharactersByTheirUtf8Length)
{
    UnicodeFlags flags(1, 0);
    KxString value("a\xe9\x80z");   // 1 + 2 + 3 + 1 bytes once the server holds them as UTF-8
    KxGTypeHdl* handler = Handler(11);
    EXPECT_EQ(handler->ValueLength(&value), 7);
    Column column(handler, 5);
    ASSERT_NE(column.Store(&value, &context_), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(column.Slot()), "a\xe9");   // the euro sign would pass 5
    Column longColumn(Handler(11, 2), 6);
    ASSERT_NE(longColumn.Store(&value, &context_), nullptr);
    int32_t length;
    std::memcpy(&length, longColumn.Slot(), 4);
    EXPECT_EQ(length, 3);
}

TEST_F(OraTypeHdlTest, IStringVariantsComeBackInCodeSetZero)
{
    for (uint8_t kind : {uint8_t(0), uint8_t(1), uint8_t(2)}) {
        SCOPED_TRACE(int(kind));
        Column column(Handler(20, kind), 10);
        KxIString value("Name");
        column.Store(&value, &context_);
        KxIString back;
        column.Fetch(&back, &context_);
        EXPECT_STREQ(back.StrGet(), "Name");
        EXPECT_EQ(back.CodeSet(), 0);
    }
}

TEST_F(OraTypeHdlTest, StringSqlTextsAreQuotedWithQuotesDoubled)
{
    KxString value("it's");
    struct {
        uint8_t kind;
        int32_t size;
    } cases[] = {{0, 10}, {1, 6}, {2, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        Column column(Handler(11, c.kind), c.size);
        column.Store(&value, &context_);
        KxString text("x = ");
        column.Location().ValueToText(column.Buffer(), text, &context_);
        EXPECT_STREQ(text.StrGet(), "x = 'it''s'");
    }
}

TEST_F(OraTypeHdlTest, StringSqlTextsEndAtTheSlotWhenTheNextSlotIsNotZero)
{
    // Row 0's slot is filled to its end without a terminator, and row 1's slot, which follows it in
    // the buffer, holds non-zero bytes: the text is row 0's own and nothing more.
    struct {
        uint8_t code, kind;
        int32_t size;
        std::string slot;   // the bytes written at the start of row 0's slot
        const char* text;
    } cases[] = {
        {11, 1, 6, "ABCDEF", "'ABCDEF'"},                           // CHAR (6), full
        {20, 1, 4, "AB  ", "'AB'"},                                 // CHAR (4), blank-padded
        {11, 0, 4, "abcdZ", "'abcd'"},                              // VARCHAR2 (4), terminator overwritten
        {11, 2, 4, std::string("\x64\0\0\0abcd", 8), "'abcd'"},     // LONG VARCHAR, length 100 in 4
        {10, 0, 0, std::string("\x01\0", 2), "''"},                 // RAW (0), length 1 in none
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.kind));
        KxGTypeHdl* handler = Handler(c.code, c.kind);
        Column column(handler, c.size);
        const size_t slotSize = size_t(handler->BufferSize(c.size));
        ASSERT_EQ(c.slot.size(), slotSize);
        for (int32_t row : {1, 2}) {
            column.Row(row);
            std::memset(column.Slot(), 'X', slotSize);
        }
        column.Row(0);
        std::memcpy(column.Slot(), c.slot.data(), slotSize);
        KxString text;
        column.Location().ValueToText(column.Buffer(), text, &context_);
        EXPECT_STREQ(text.StrGet(), c.text);
    }
}

// ---- dates and times ----------------------------------------------------------------------------

TEST_F(OraTypeHdlTest, DatesAreStoredAsSevenOracleBytes)
{
    Column date(Handler(12), 1);
    KxDate d(2024, 12, 31);
    date.Store(&d, &context_);
    const uint8_t dateBytes[] = {120, 124, 12, 31, 1, 1, 1};
    EXPECT_EQ(std::memcmp(date.Slot(), dateBytes, 7), 0);

    Column time(Handler(13), 1);
    KxTime t(0, 0, 59);
    time.Store(&t, &context_);
    const uint8_t timeBytes[] = {119, 100, 1, 1, 1, 1, 60};
    EXPECT_EQ(std::memcmp(time.Slot(), timeBytes, 7), 0);

    Column dateTime(Handler(19), 1);
    KxDateTime dt(1999, 1, 2, 13, 14, 15);
    dateTime.Store(&dt, &context_);
    const uint8_t dateTimeBytes[] = {119, 199, 1, 2, 14, 15, 16};
    EXPECT_EQ(std::memcmp(dateTime.Slot(), dateTimeBytes, 7), 0);
    KxDateTime back{KxDate(), KxTime()};
    dateTime.Fetch(&back, &context_);
    EXPECT_TRUE(back == dt);
}

TEST_F(OraTypeHdlTest, InvalidDatesFollowTheConnectionVersion)
{
    const uint8_t sentinel[] = {53, 88, 1, 1, 1, 1, 1};
    struct {
        uint8_t code;
        int32_t version;
        bool stored;   // stored as the sentinel rather than NULL
    } cases[] = {{12, 779, false}, {12, 780, true}, {13, 779, false}, {13, 780, true},
                 {19, 779, false}, {19, 780, true}, {19, 1024, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " at " + std::to_string(c.version));
        database_.SetGatewayVersion(c.version);
        KxGTypeHdl* handler = Handler(c.code);
        Column column(handler, 1);
        KxDate badDate(2023, 2, 29);
        KxTime badTime(24, 0, 0);
        KxDateTime badDateTime(KxDate(2023, 13, 1), KxTime(1, 2, 3));
        void* value = c.code == 12 ? static_cast<void*>(&badDate)
                      : c.code == 13 ? static_cast<void*>(&badTime)
                                     : static_cast<void*>(&badDateTime);
        ASSERT_NE(column.Store(value, &context_), nullptr);
        EXPECT_EQ(column.IsNull(), !c.stored);
        EXPECT_EQ(handler->IsNullValue(value) != 0, !c.stored);
        EXPECT_EQ(manager_.StoresEmptyAsNull(c.code, uint32_t(c.version)) != 0, !c.stored);
        if (c.stored) {
            EXPECT_EQ(std::memcmp(column.Slot(), sentinel, 7), 0);
        }
    }
    // The sentinel fetches as the empty value, whatever the version.
    Column column(Handler(19), 1);
    std::memcpy(column.Slot(), sentinel, 7);
    KxDateTime back(2000, 1, 1, 1, 1, 1);
    column.Fetch(&back, &context_);
    EXPECT_TRUE(back.IsEmpty());
    // A context without a database leaves the handler's own database in charge.
    database_.SetGatewayVersion(780);
    Column own(Handler(12), 1);
    KxDate bad(2023, 2, 29);
    own.Store(&bad, nullptr);
    EXPECT_FALSE(own.IsNull());
}

TEST_F(OraTypeHdlTest, DateSqlTexts)
{
    struct {
        uint8_t code;
        uint8_t bytes[7];
        const char* text;
    } cases[] = {
        {12, {120, 124, 1, 5, 1, 1, 1}, "'2024-1-5'"},
        {12, {120, 124, 0, 5, 1, 1, 1}, "NULL"},
        {13, {119, 100, 1, 1, 10, 1, 2}, "9:0:1"},
        {13, {119, 100, 1, 1, 0, 1, 2}, "NULL"},
        {19, {119, 199, 12, 31, 24, 60, 60}, "1999.12.31 23:59:59"},
        {19, {119, 199, 0, 0, 1, 1, 1}, "1999.0.0 0:0:0"},
        {19, {119, 199, 0, 0, 0, 1, 1}, "NULL"},
    };
    for (const auto& c : cases) {
        KxString text;
        Handler(c.code)->ValueToText(c.bytes, text, 1, &context_);
        EXPECT_STREQ(text.StrGet(), c.text);
    }
    KxString text;
    Handler(12)->ValueToText(nullptr, text, 1, &context_);
    EXPECT_STREQ(text.StrGet(), "NULL");
}

// ---- numbers, ids and booleans -----------------------------------------------------------------

TEST_F(OraTypeHdlTest, NumberSqlTextsAreDecimal)
{
    Column oid(Handler(15), 1);
    KxObjId id(5, 1);
    oid.Store(&id, &context_);
    KxString text;
    oid.Location().ValueToText(oid.Buffer(), text, &context_);
    EXPECT_STREQ(text.StrGet(), "4294967301");

    Column big(Handler(42), 1);
    int64_t smallest = INT64_MIN;
    big.Store(&smallest, &context_);
    text = "";
    big.Location().ValueToText(big.Buffer(), text, &context_);
    EXPECT_STREQ(text.StrGet(), "-9223372036854775808");

    Column cid(Handler(16), 1);
    KxClassId classId(42, 3);
    cid.Store(&classId, &context_);
    text = "";
    cid.Location().ValueToText(cid.Buffer(), text, &context_);
    EXPECT_STREQ(text.StrGet(), "42");

    for (uint8_t code : {uint8_t(15), uint8_t(16), uint8_t(26), uint8_t(42), uint8_t(43)}) {
        text = "";
        Handler(code)->ValueToText(nullptr, text, 1, &context_);
        EXPECT_STREQ(text.StrGet(), "NULL");
    }
}

TEST_F(OraTypeHdlTest, ObjectIdFetchKeepsTheOriginAndRefusesANumberPast48Bits)
{
    Column column(Handler(15), 1);
    OCINumber number;
    const uint64_t tooBig = uint64_t(1) << 48;
    ASSERT_EQ(OCINumberFromInt(nullptr, &tooBig, 8, OCI_NUMBER_UNSIGNED, &number), OCI_SUCCESS);
    std::memcpy(column.Slot(), &number, sizeof number);
    KxObjId id(7, 0, 3);
    EXPECT_EQ(column.Fetch(&id, &context_), nullptr);
    EXPECT_TRUE(id == KxObjId(7, 0));
    const uint64_t fine = (uint64_t(2) << 32) | 9;
    ASSERT_EQ(OCINumberFromInt(nullptr, &fine, 8, OCI_NUMBER_UNSIGNED, &number), OCI_SUCCESS);
    std::memcpy(column.Slot(), &number, sizeof number);
    ASSERT_NE(column.Fetch(&id, &context_), nullptr);
    EXPECT_EQ(id.GetLow(), 9u);
    EXPECT_EQ(id.GetHigh(), 2);
    EXPECT_EQ(id.GetOrigin(), 3);
}

TEST_F(OraTypeHdlTest, ANumberOutsideTheIntegerRangeIsReportedToTheDatabase)
{
    Column column(Handler(26), 1);
    OCINumber number;
    const uint64_t tooBig = UINT64_MAX;
    ASSERT_EQ(OCINumberFromInt(nullptr, &tooBig, 8, OCI_NUMBER_UNSIGNED, &number), OCI_SUCCESS);
    std::memcpy(column.Slot(), &number, sizeof number);
    KxInt64 value(5);
    EXPECT_EQ(column.Fetch(&value, &context_), nullptr);
    ASSERT_EQ(database_.reports.size(), 1u);
    EXPECT_EQ(database_.reports[0], OCI_ERROR);
}

TEST_F(OraTypeHdlTest, ClassIdFetchSetsTheNumberAndKeepsTheVersion)
{
    Column column(Handler(16), 1);
    KxClassId id(300, 1);
    column.Store(&id, &context_);
    KxClassId back(1, 9);
    column.Fetch(&back, &context_);
    EXPECT_EQ(back.GetClassNumber(), 300);
    EXPECT_EQ(back.GetVersion(), 9);
}

TEST_F(OraTypeHdlTest, BooleansAreOneCharacterHoldingTheByteOneOrZero)
{
    Column column(Handler(27), 1);
    for (bool b : {true, false}) {
        KxBoolean value(b);
        column.Store(&value, &context_);
        EXPECT_EQ(std::memcmp(column.Slot(), b ? "\x01\x00\x01" : "\x01\x00\x00", 3), 0);
        KxString text;
        column.Location().ValueToText(column.Buffer(), text, &context_);
        EXPECT_STREQ(text.StrGet(), b ? "TRUE" : "FALSE");
    }
    // Any byte but 0 reads as true.
    std::memcpy(column.Slot(), "\x01\x00" "1", 3);
    KxBoolean back;
    column.Fetch(&back, &context_);
    EXPECT_TRUE(back.IsTrue());
}

TEST_F(OraTypeHdlTest, BaseValueTextsShowNumbersAndUnknownCodesInDecimal)
{
    struct {
        uint8_t code;
        uint8_t kind;
        uint8_t bytes[8];
        const char* text;
    } cases[] = {
        {1, 0, {0xFE, 0xFF}, "-2"},
        {5, 0, {0xFE, 0xFF}, "65534"},
        {2, 0, {0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
        {8, 0, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {6, 6, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {5, 6, {0x01, 0x01}, "257"},
        {44, 0, {}, "Unknown type? = 44"},
        {14, 0, {}, "Unknown type? = 14"},
    };
    for (const auto& c : cases) {
        KxString text;
        Handler(c.code, c.kind)->ValueToText(c.bytes, text, 1, &context_);
        EXPECT_STREQ(text.StrGet(), c.text);
    }
    double d = 0.25;
    KxString text;
    Handler(3)->ValueToText(&d, text, 1, &context_);
    EXPECT_STREQ(text.StrGet(), "0.25");
}

TEST_F(OraTypeHdlTest, IndicatorsAreTwoBytesAndNullAddressesAreIgnored)
{
    KxGTypeHdl* handler = Handler(2);
    uint8_t indicator[3] = {0, 0, 0xAB};
    handler->SetNull(indicator + 1);   // any alignment
    EXPECT_EQ(indicator[1], 0xFF);
    EXPECT_EQ(indicator[2], 0xFF);
    EXPECT_EQ(handler->IsNull(indicator + 1), 1);
    EXPECT_EQ(handler->IsNull(nullptr), 0);
    handler->SetNull(nullptr);
    handler->PrepareIndicator(indicator + 1);
    EXPECT_EQ(indicator[1], 0xFF);
    // Conversions with a null address or without an indicator.
    int32_t v = 3;
    int32_t slot = 0;
    EXPECT_EQ(handler->VarToSQL(&v, &slot, nullptr, 4, &context_), &slot);
    EXPECT_EQ(slot, 3);
    EXPECT_EQ(handler->VarToSQL(nullptr, &slot, nullptr, 4, &context_), nullptr);
    EXPECT_EQ(Handler(11)->VarToSQL(nullptr, &slot, nullptr, 4, &context_), nullptr);
}

// ---- blobs --------------------------------------------------------------------------------------

TEST_F(OraTypeHdlTest, ABlobLongerThanItsSlotIsCutAndReportedAsNotFitting)
{
    Column column(Handler(18), 8);   // 4 bytes of data after the length
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    KxBlob blob(bytes, 6);
    EXPECT_EQ(column.Store(&blob, &context_), nullptr);
    int32_t length;
    std::memcpy(&length, column.Slot(), 4);
    EXPECT_EQ(length, 4);
    KxBlob back;
    column.Fetch(&back, &context_);
    EXPECT_TRUE(back == KxBlob(bytes, 4));
    KxBlob fits(bytes, 4);
    EXPECT_NE(column.Store(&fits, &context_), nullptr);

    KxGTypeHdl* handler = Handler(18);
    handler->SetDataLength(column.Slot(), column.Indicator(), 20);
    std::memcpy(&length, column.Slot(), 4);
    EXPECT_EQ(length, 16);
    handler->SetDataLength(column.Slot(), column.Indicator(), 3);
    std::memcpy(&length, column.Slot(), 4);
    EXPECT_EQ(length, 0);
    KxString text;
    column.Location().ValueToText(column.Buffer(), text, &context_);
    EXPECT_STREQ(text.StrGet(), "Blob data");
}

TEST_F(OraTypeHdlTest, LobHandlersAskTheDatabaseForALocatorDescriptor)
{
    KxGTypeHdl* handler = Handler(18, 4);
    EXPECT_EQ(handler->IsHandle(), 1);
    KxGFakeBehaviour behaviour;
    behaviour.fail = true;
    behaviour.errorCode = -6001;
    KxGFakeScript::Set("AllocDescriptor", behaviour);
    void* slot = nullptr;
    uint16_t kind = 0;
    EXPECT_EQ(handler->CreateHandle(&slot, &kind, context_), 0u);
    EXPECT_EQ(slot, nullptr);
    KxGFakeScript::Reset();
}

// ---- the manager ----------------------------------------------------------------------------------

TEST_F(OraTypeHdlTest, ManagerCachesOneHandlerPerHandlerCode)
{
    EXPECT_EQ(manager_.GetFlags(), 5);
    EXPECT_EQ(manager_.GetWord(), 1);
    EXPECT_EQ(Handler(11), Handler(11));
    EXPECT_EQ(Handler(11, 2), Handler(11, 2));
    EXPECT_NE(Handler(11), Handler(11, 2));
    EXPECT_EQ(Handler(0, 1), Handler(10, 1));         // both are handler code 54
    EXPECT_NE(Handler(18, 4, 0), Handler(18, 4, 1));
    EXPECT_EQ(Handler(18, 4, 2), Handler(18, 4, 0));  // only flag 1 reads into a row buffer
    EXPECT_NE(dynamic_cast<KxGOraBlobBlobAsSQLObjectBufferTypeHdl*>(Handler(18, 4, 1)), nullptr);
    EXPECT_NE(dynamic_cast<KxGOraBlobBlobAsKxBlobTypeHdl*>(Handler(18, 4, 0)), nullptr);
    EXPECT_EQ(Handler(15)->GetContext().GetDatabase(), &database_);
    EXPECT_EQ(Handler(15)->GetContext().GetWord(), 0);
    EXPECT_EQ(manager_.IsHandleKind(4), 1);
    for (uint8_t kind : {0, 1, 2, 3, 5, 6, 127, 255}) {
        EXPECT_EQ(manager_.IsHandleKind(kind), 0);
    }
}

TEST_F(OraTypeHdlTest, ManagerRemapsCodesByStorageKind)
{
    struct {
        uint8_t code, kind, flag, handlerCode;
    } cases[] = {
        {0, 1, 0, 54}, {10, 1, 0, 54}, {11, 1, 0, 47}, {20, 1, 0, 48}, {21, 1, 0, 49}, {11, 2, 0, 50},
        {20, 2, 0, 51}, {21, 2, 0, 52}, {18, 3, 0, 53}, {18, 4, 0, 55}, {18, 4, 1, 56}, {18, 5, 0, 57},
        {5, 6, 0, 58}, {6, 6, 0, 59}, {8, 6, 0, 60}, {18, 0, 0, 18}, {11, 127, 0, 11}, {11, 255, 0, 11},
        {12, 2, 0, 12}, {7, 6, 0, 7}, {18, 1, 0, 18}, {0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KxGOraTypeHdlMgr::HandlerCode(c.code, c.kind, c.flag), c.handlerCode)
            << int(c.code) << "/" << int(c.kind) << "/" << int(c.flag);
    }
}

TEST_F(OraTypeHdlTest, StoresEmptyAsNullByCodeAndVersion)
{
    for (uint8_t code = 0; code <= 60; ++code) {
        const bool always = code == 11 || code == 20 || code == 21 || code == 50 || code == 51 || code == 52;
        const bool old = code == 12 || code == 13 || code == 15 || code == 16 || code == 17 || code == 19;
        EXPECT_EQ(manager_.StoresEmptyAsNull(code, 779), always || old ? 1 : 0) << int(code);
        EXPECT_EQ(manager_.StoresEmptyAsNull(code, 780), always ? 1 : 0) << int(code);
        EXPECT_EQ(manager_.StoresEmptyAsNull(code, 0xFFFFFFFFu), always ? 1 : 0) << int(code);
    }
}

TEST_F(OraTypeHdlTest, ManagerRefusesHandlerCodesAbove60WithATraceLine)
{
    TempDir dir;
    const std::string file = dir.Path("trace.txt");
    {
        KxGDatabaseTrace trace(KxString(file), 0xFFFF, nullptr);
        database_.SetTrace(&trace);
        EXPECT_EQ(manager_.GetTypeHdl(61, 0, 0), nullptr);
        EXPECT_EQ(manager_.GetTypeHdl(200, 4, 1), nullptr);
        EXPECT_NE(manager_.GetTypeHdl(60, 0, 0), nullptr);   // code 60 itself has a place
        database_.SetTrace(nullptr);
    }
    const std::string content = ReadFile(file);
    EXPECT_NE(content.find("no type handler for type code 61"), std::string::npos) << content;
    EXPECT_NE(content.find("no type handler for type code 200"), std::string::npos) << content;
    // Without a trace the refusal is silent.
    EXPECT_EQ(manager_.GetTypeHdl(61, 0, 0), nullptr);
}

}  // namespace
