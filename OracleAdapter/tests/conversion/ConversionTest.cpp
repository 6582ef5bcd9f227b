// The Oracle conversion manager and handlers: the conversion table (every source kind to every target
// kind), the size rule, the handler for each type code and storage kind, and the date and time formats.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "KxGColumn.h"
#include "KxGOraTypeConvHdl.h"
#include "KxGOptionRegistry.h"
#include "KxGOraTypeConvHdlMgr.h"

namespace {

struct Result {
    std::string text;
    int32_t code;
};

// One representative column of each handler kind.
struct KindColumn {
    const char* name;
    uint16_t typeCode;
    uint8_t kind;
};

// In the order of the target kinds of the conversion table.
const KindColumn kKinds[] = {
    {"Char", 0, 0},   {"Int", 2, 0},  {"Float", 4, 0},  {"Time", 13, 0},    {"Date", 12, 0},
    {"DateTime", 19, 0}, {"Blob", 18, 0}, {"ID", 15, 0}, {"Byte", 10, 0}, {"String", 11, 0},
    {"StringChar", 11, 1}, {"StringLong", 11, 2},
};
constexpr size_t kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);

const Result N{"", -1};
const Result kX0{"X", 0};
const Result kX1{"X", 1};
const char* const kI = "TO_DATE('01/01/1900' || TO_CHAR(X, '09999'), 'mm/dd/yyyy sssss')";
const char* const kH = "TO_DATE('01/01/1900' || TO_CHAR(X, 'hh24:mi:ss'), 'mm/dd/yyyy hh24:mi:ss')";
const char* const kST = "TO_DATE('01/01/1900 ' || X, 'mm/dd/yyyy hh24:mi:ss')";
const char* const kSD = "TO_DATE(X || '00:00:00', 'mm/dd/yyyy hh24:mi:ss')";
const char* const kDT = "TO_DATE(X, 'mm/dd/yyyy hh24:mi:ss')";

// Rows: source kind; columns: target kind (both in the order of kKinds); sizes 10 on both sides.
const Result kTable[kKindCount][kKindCount] = {
    // Char Int Float Time Date DateTime Blob ID Byte String StringChar StringLong
    /* Char */ {kX0, kX1, kX1, N, N, N, N, N, {"CHR(X)", 2}, kX1, kX1, kX1},
    /* Int */
    {{"SUBSTR(X,1,1)", 1}, kX0, kX1, {kI, 1}, {"TO_DATE(X, 'J')", 1}, {"TO_DATE(X, 'J')", 1}, N, N,
     {"CHR(X)", 1}, kX1, kX1, kX1},
    /* Float */
    {{"SUBSTR(X,1,1)", 1}, kX1, kX0, {kI, 1}, {"TO_DATE(ROUND(X), 'J')", 1}, {"TO_DATE(ROUND(X), 'J')", 1}, N,
     N, {"CHR(X)", 1}, kX1, kX1, kX1},
    /* Time */
    {N, {"TO_CHAR(X, 'sssss')", 1}, {"TO_CHAR(X, 'sssss')", 1}, kX0, {"NULL", 2}, {kH, 2}, N, N, N,
     {"TO_CHAR(X, 'hh24:mi:ss')", 1}, {"TO_CHAR(X, 'hh24:mi:ss')", 1}, {"TO_CHAR(X, 'hh24:mi:ss')", 1}},
    /* Date */
    {N, {"TO_CHAR(X, 'J')", 1}, {"TO_CHAR(X, 'J')", 1}, {"NULL", 2}, kX0, {"TRUNC(X)", 2}, N, N, N,
     {"TO_CHAR(X, 'mm/dd/yyyy')", 1}, {"TO_CHAR(X, 'mm/dd/yyyy')", 1}, {"TO_CHAR(X, 'mm/dd/yyyy')", 1}},
    /* DateTime */
    {N, {"TO_CHAR(X, 'J')", 1}, {"TO_CHAR(X, 'J')", 1}, {kH, 2}, {"TRUNC(X)", 2}, kX0, N, N, N,
     {"TO_CHAR(X, 'mm/dd/yyyy hh24:mi:ss')", 1}, {"TO_CHAR(X, 'mm/dd/yyyy hh24:mi:ss')", 1},
     {"TO_CHAR(X, 'mm/dd/yyyy hh24:mi:ss')", 1}},
    /* Blob */ {N, N, N, N, N, N, {"NULL", 0}, N, N, N, N, N},
    /* ID */ {N, N, N, N, N, N, N, kX0, N, N, N, N},
    /* Byte */
    {{"ASCII(X)", 2}, {"ASCII(X)", 1}, {"ASCII(X)", 1}, N, N, N, N, N, kX0, {"ASCII(X)", 1}, {"ASCII(X)", 1},
     {"ASCII(X)", 1}},
    /* String */
    {{"SUBSTR(X,1,1)", 1}, kX1, kX1, {kST, 1}, {kSD, 1}, {kDT, 1}, N, N, {"CHR(X)", 1}, kX0,
     {"SUBSTR(X,1 ,10)", 1}, kX1},
    /* StringChar */
    {{"SUBSTR(X,1,1)", 1}, kX1, kX1, {kST, 1}, {kSD, 1}, {kDT, 1}, N, N, {"CHR(X)", 1},
     {"SUBSTR(RTRIM(X), 1, 10)", 1}, kX0, {"RTRIM(X)", 1}},
    /* StringLong */ {N, N, N, N, N, N, N, N, N, N, N, {"NULL", 0}},
};

KxGColumn Column(uint16_t typeCode, uint8_t kind, uint32_t size, const char* name = "X") {
    return KxGColumn(KxString(name), typeCode, size, 0, kind);
}

TEST(OraTypeConversion, TableOfEveryKindToEveryKind) {
    KxGOraTypeConvHdlMgr mgr;
    for (size_t s = 0; s < kKindCount; ++s) {
        for (size_t t = 0; t < kKindCount; ++t) {
            const KindColumn& from = kKinds[s];
            const KindColumn& to = kKinds[t];
            SCOPED_TRACE(std::string(from.name) + " to " + to.name);
            KxString out("previous text");
            const int32_t code =
                mgr.BuildConversion(Column(from.typeCode, from.kind, 10), Column(to.typeCode, to.kind, 10), out);
            EXPECT_EQ(code, kTable[s][t].code);
            EXPECT_EQ(std::string(out.StrGet()), kTable[s][t].text);
            EXPECT_EQ(mgr.CanConvert(Column(from.typeCode, from.kind, 10), Column(to.typeCode, to.kind, 10)), code);
        }
    }
}

TEST(OraTypeConversion, EveryCodeOfAKindConvertsAlike) {
    // Codes served by one handler class give the same answers; 32- and 64-bit integers are one kind.
    KxGOraTypeConvHdlMgr mgr;
    const uint16_t ints[] = {1, 2, 5, 6, 7, 8, 9, 26, 42, 43};
    for (uint16_t a : ints) {
        for (uint16_t b : ints) {
            KxString out;
            EXPECT_EQ(mgr.BuildConversion(Column(a, 0, 4), Column(b, 0, 8), out), 0) << a << " to " << b;
            EXPECT_EQ(out, KxString("X"));
        }
    }
    KxString out;
    EXPECT_EQ(mgr.BuildConversion(Column(27, 0, 1), Column(10, 0, 1), out), 0);  // both bytes
    EXPECT_EQ(mgr.BuildConversion(Column(16, 0, 0), Column(17, 0, 0), out), 0);  // both ids
    EXPECT_EQ(mgr.BuildConversion(Column(3, 0, 8), Column(4, 0, 8), out), 0);    // both floats
    EXPECT_EQ(mgr.BuildConversion(Column(21, 0, 30), Column(20, 0, 30), out), 0);  // VARCHAR2 strings
    EXPECT_EQ(mgr.BuildConversion(Column(20, 1, 30), Column(11, 1, 30), out), 0);  // CHAR strings
    EXPECT_EQ(mgr.BuildConversion(Column(20, 2, 30), Column(21, 2, 30), out), 0);  // LONG strings
    EXPECT_EQ(out, KxString("NULL"));
}

struct SizeCase {
    const char* what;
    uint16_t sourceCode;
    uint8_t sourceKind;
    uint32_t sourceSize;
    uint16_t targetCode;
    uint8_t targetKind;
    uint32_t targetSize;
    const char* text;
    int32_t code;
};

TEST(OraTypeConversion, SizeRule) {
    const SizeCase cases[] = {
        {"VARCHAR2 40 to 20", 11, 0, 40, 11, 0, 20, "SUBSTR(X,1 ,20)", 2},
        {"VARCHAR2 40 to 80", 11, 0, 40, 11, 0, 80, "X", 1},
        {"VARCHAR2 40 to 40", 11, 0, 40, 11, 0, 40, "X", 0},
        {"VARCHAR2 40 to 20 again", 11, 0, 40, 11, 0, 20, "SUBSTR(X,1 ,20)", 2},
        {"CHAR 10 to 5", 20, 1, 10, 20, 1, 5, "SUBSTR(X,1 ,5)", 2},
        {"CHAR 5 to 10", 20, 1, 5, 20, 1, 10, "X", 1},
        {"CHAR 5 to 5", 20, 1, 5, 20, 1, 5, "X", 0},
        {"char 1 to 2", 0, 0, 1, 0, 0, 2, "X", 1},
        {"char 3 to 2", 0, 0, 3, 0, 0, 2, "SUBSTR(X,1 ,2)", 2},
        {"byte 1 to 4", 10, 0, 1, 10, 0, 4, "RPAD(SUBSTR(X,1 ,1),4, CHR(0))", 1},
        {"byte 4 to 4", 10, 0, 4, 27, 0, 4, "X", 0},
        {"byte 4 to 1", 27, 0, 4, 10, 0, 1, "SUBSTR(X,1 ,1)", 2},
        {"blob same size", 18, 0, 32000, 18, 0, 32000, "NULL", 0},
        {"blob other size", 18, 0, 32000, 18, 0, 64000, "NULL", 3},
        {"LONG same size", 21, 2, 100, 11, 2, 100, "NULL", 0},
        {"LONG other size", 21, 2, 100, 11, 2, 200, "NULL", 3},
        {"int sizes do not matter", 2, 0, 4, 2, 0, 8, "X", 0},
        {"float sizes do not matter", 4, 0, 8, 3, 0, 4, "X", 0},
        {"date sizes do not matter", 12, 0, 7, 12, 0, 0, "X", 0},
        {"time sizes do not matter", 13, 0, 7, 13, 0, 1, "X", 0},
        {"datetime sizes do not matter", 19, 0, 7, 19, 0, 9, "X", 0},
        {"id sizes do not matter", 15, 0, 8, 15, 0, 4, "X", 0},
        // Across kinds the target's size is the one written.
        {"VARCHAR2 40 to CHAR 20", 11, 0, 40, 11, 1, 20, "SUBSTR(X,1 ,20)", 1},
        {"CHAR 30 to VARCHAR2 12", 11, 1, 30, 21, 0, 12, "SUBSTR(RTRIM(X), 1, 12)", 1},
        {"VARCHAR2 5 to CHAR 4000000000", 11, 0, 5, 11, 1, 4000000000u, "SUBSTR(X,1 ,4000000000)", 1},
    };
    KxGOraTypeConvHdlMgr mgr;  // one manager: cached handlers take each call's target size
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        KxString out;
        EXPECT_EQ(mgr.BuildConversion(Column(c.sourceCode, c.sourceKind, c.sourceSize),
                                      Column(c.targetCode, c.targetKind, c.targetSize), out),
                  c.code);
        EXPECT_EQ(std::string(out.StrGet()), c.text);
    }
}

TEST(OraTypeConversion, SourceColumnNameIsTheExpression) {
    KxGOraTypeConvHdlMgr mgr;
    KxString out;
    EXPECT_EQ(mgr.BuildConversion(Column(2, 0, 4, "AGE_3"), Column(12, 0, 0, "BORN"), out), 1);
    EXPECT_EQ(out, KxString("TO_DATE(AGE_3, 'J')"));
    KxGColumn qualified = Column(11, 0, 40, "NAME");
    qualified.SetQualifier(KxString("T0"));
    EXPECT_EQ(mgr.BuildConversion(qualified, Column(11, 0, 20, "NAME"), out), 2);
    EXPECT_EQ(out, KxString("SUBSTR(NAME,1 ,20)"));
}

// ---- Handler for each code -------------------------------------------------------------------------

std::string KindOf(KxGTypeConvHdl* h) {
    if (h == nullptr) return "none";
    if (dynamic_cast<KxGCharTypeConvHdl*>(h)) return "Char";
    if (dynamic_cast<KxGIntTypeConvHdl*>(h)) return "Int";
    if (dynamic_cast<KxGFloatTypeConvHdl*>(h)) return "Float";
    if (dynamic_cast<KxGByteTypeConvHdl*>(h)) return "Byte";
    if (dynamic_cast<KxGStringTypeConvHdl*>(h)) return "String";
    if (dynamic_cast<KxGStringCharTypeConvHdl*>(h)) return "StringChar";
    if (dynamic_cast<KxGStringLongTypeConvHdl*>(h)) return "StringLong";
    if (dynamic_cast<KxGDateTypeConvHdl*>(h)) return "Date";
    if (dynamic_cast<KxGTimeTypeConvHdl*>(h)) return "Time";
    if (dynamic_cast<KxGDateTimeTypeConvHdl*>(h)) return "DateTime";
    if (dynamic_cast<KxGBlobTypeConvHdl*>(h)) return "Blob";
    if (dynamic_cast<KxGIDTypeConvHdl*>(h)) return "ID";
    return "other";
}

TEST(OraTypeConversion, HandlerOfEachCode) {
    struct Group {
        std::vector<uint16_t> codes;
        const char* kind;
    };
    const std::vector<Group> groups = {
        {{0}, "Char"},
        {{1, 2, 5, 6, 7, 8, 9, 26, 42, 43}, "Int"},
        {{3, 4}, "Float"},
        {{10, 27}, "Byte"},
        {{11, 20, 21}, "String"},
        {{12}, "Date"},
        {{13}, "Time"},
        {{15, 16, 17}, "ID"},
        {{18}, "Blob"},
        {{19}, "DateTime"},
        {{47, 48, 49}, "StringChar"},
        {{50, 51, 52}, "StringLong"},
    };
    std::vector<std::string> expected(KxGOraTypeConvHdlMgr::kConversionCodes, "none");
    for (const Group& g : groups)
        for (uint16_t code : g.codes) expected[code] = g.kind;

    KxGOraTypeConvHdlMgr mgr;
    for (uint16_t code = 0; code < KxGOraTypeConvHdlMgr::kConversionCodes; ++code) {
        KxGTypeConvHdl* h = mgr.GetTypeConvHdl(code, 0, 10);
        EXPECT_EQ(KindOf(h), expected[code]) << "code " << code;
        EXPECT_EQ(mgr.GetTypeConvHdl(code, 0, 20), h) << "code " << code << " is cached";
    }
    for (uint16_t code : {61, 62, 100, 255, 256, 65535})
        EXPECT_EQ(mgr.GetTypeConvHdl(code, 0, 10), nullptr) << "code " << code;
}

TEST(OraTypeConversion, StorageKindSelectsTheStringHandler) {
    struct Case {
        uint16_t typeCode;
        uint8_t kind;
        uint16_t conversionCode;
        const char* handler;
    };
    const Case cases[] = {
        {11, 0, 11, "String"},     {20, 0, 20, "String"},     {21, 3, 21, "String"},
        {11, 1, 47, "StringChar"}, {20, 1, 48, "StringChar"}, {21, 1, 49, "StringChar"},
        {11, 2, 50, "StringLong"}, {20, 2, 51, "StringLong"}, {21, 2, 52, "StringLong"},
        {12, 1, 12, "Date"},       {18, 2, 18, "Blob"},       {2, 1, 2, "Int"},
    };
    KxGOraTypeConvHdlMgr mgr;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.typeCode) + " kind " + std::to_string(c.kind));
        EXPECT_EQ(KxGOraTypeConvHdlMgr::ConversionCode(c.typeCode, c.kind), c.conversionCode);
        EXPECT_EQ(KindOf(mgr.GetTypeConvHdl(c.typeCode, c.kind, 1)), c.handler);
    }
}

TEST(OraTypeConversion, CodeWithoutHandlerIsNotConvertible) {
    KxGOraTypeConvHdlMgr mgr;
    for (uint16_t code : {14, 22, 25, 28, 41, 44, 46, 53, 60, 61, 300}) {
        SCOPED_TRACE(code);
        KxString out("stale");
        EXPECT_EQ(mgr.BuildConversion(Column(code, 0, 10), Column(11, 0, 10), out), -1);
        EXPECT_TRUE(out.IsEmpty());
        out = "stale";
        EXPECT_EQ(mgr.BuildConversion(Column(11, 0, 10), Column(code, 0, 10), out), -1);
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_EQ(mgr.CanConvert(Column(2, 0, 4), Column(code, 0, 4)), -1);
    }
}

TEST(OraTypeConversion, HandlersTakeTheSizeTheyAreGiven) {
    KxGOraTypeConvHdlMgr mgr;
    auto* h = dynamic_cast<KxGSizedTypeConvHdl*>(mgr.GetTypeConvHdl(11, 0, 40));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->GetSize(), 40u);
    mgr.GetTypeConvHdl(20, 0, 7);  // the same kind, another code: another handler
    EXPECT_EQ(h->GetSize(), 40u);
    mgr.GetTypeConvHdl(11, 0, 12);
    EXPECT_EQ(h->GetSize(), 12u);
    // A conversion leaves both handlers at the target's size.
    KxString out;
    mgr.BuildConversion(Column(11, 0, 99), Column(2, 0, 4), out);
    EXPECT_EQ(h->GetSize(), 4u);
}

// ---- Date and time formats -------------------------------------------------------------------------

TEST(OraTypeConversion, DefaultFormats) {
    KxGOraTypeConvHdlMgr mgr;
    auto* s = dynamic_cast<KxGStringTypeConvHdl*>(mgr.GetTypeConvHdl(11, 0, 1));
    auto* c = dynamic_cast<KxGStringCharTypeConvHdl*>(mgr.GetTypeConvHdl(11, 1, 1));
    auto* d = dynamic_cast<KxGDateTypeConvHdl*>(mgr.GetTypeConvHdl(12, 0, 1));
    auto* t = dynamic_cast<KxGTimeTypeConvHdl*>(mgr.GetTypeConvHdl(13, 0, 1));
    auto* dt = dynamic_cast<KxGDateTimeTypeConvHdl*>(mgr.GetTypeConvHdl(19, 0, 1));
    ASSERT_TRUE(s && c && d && t && dt);
    for (const KxString* f : {&s->GetDateFormat(), &c->GetDateFormat(), &d->GetDateFormat(), &dt->GetDateFormat()})
        EXPECT_EQ(*f, KxString("mm/dd/yyyy"));
    for (const KxString* f : {&s->GetTimeFormat(), &c->GetTimeFormat(), &t->GetTimeFormat(), &dt->GetTimeFormat()})
        EXPECT_EQ(*f, KxString("hh24:mi:ss"));
    mgr.SetOptions(nullptr);  // no option list: the defaults stand
    KxString out;
    EXPECT_EQ(mgr.BuildConversion(Column(12, 0, 0), Column(11, 0, 20), out), 1);
    EXPECT_EQ(out, KxString("TO_CHAR(X, 'mm/dd/yyyy')"));
}

TEST(OraTypeConversion, ConfiguredFormatsShapeTheExpressions) {
    const KxString date("dd.mm.yyyy");
    const KxString time("hh24.mi");
    KxGStringTypeConvHdl varchar(20, date, time);
    KxGStringCharTypeConvHdl character(20, date, time);
    KxGDateTypeConvHdl dateHdl(0, date);
    KxGTimeTypeConvHdl timeHdl(0, time);
    KxGDateTimeTypeConvHdl dateTimeHdl(0, date, time);

    struct Case {
        const char* what;
        KxGTypeConvHdl* target;
        KxGTypeConvHdl* source;
        const char* text;
    };
    const Case cases[] = {
        {"date to string", &varchar, &dateHdl, "TO_CHAR(X, 'dd.mm.yyyy')"},
        {"time to CHAR", &character, &timeHdl, "TO_CHAR(X, 'hh24.mi')"},
        {"datetime to string", &varchar, &dateTimeHdl, "TO_CHAR(X, 'dd.mm.yyyy hh24.mi')"},
        {"string to date", &dateHdl, &varchar, "TO_DATE(X || '00:00:00', 'dd.mm.yyyy hh24:mi:ss')"},
        {"CHAR to time", &timeHdl, &character, "TO_DATE('01/01/1900 ' || X, 'mm/dd/yyyy hh24.mi')"},
        {"string to datetime", &dateTimeHdl, &varchar, "TO_DATE(X, 'dd.mm.yyyy hh24.mi')"},
        // The fixed base day and formats do not follow the configured ones.
        {"datetime to time", &timeHdl, &dateTimeHdl,
         "TO_DATE('01/01/1900' || TO_CHAR(X, 'hh24:mi:ss'), 'mm/dd/yyyy hh24:mi:ss')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KxString out;
        EXPECT_GT(c.target->ConvertFrom(*c.source, KxString("X"), out), 0);
        EXPECT_EQ(std::string(out.StrGet()), c.text);
    }
}

TEST(OraTypeConversion, FormatsComeFromTheRegistrysFormatOptions) {
    KxGOptionRegistry registry;
    ASSERT_EQ(registry.ProcessOption(KxString("*"), KxString("*"), KxString("DATE_FORMAT"), KxString("dd.mm.yyyy"), 1), 0);
    ASSERT_EQ(registry.ProcessOption(KxString("*"), KxString("*"), KxString("TIME_FORMAT"), KxString("hh24.mi"), 2), 0);
    KxGOraTypeConvHdlMgr mgr;
    mgr.SetOptions(&registry.GetFormatOptions());
    KxString out;
    EXPECT_EQ(mgr.BuildConversion(Column(12, 0, 0), Column(11, 0, 20), out), 1);
    EXPECT_EQ(out, KxString("TO_CHAR(X, 'dd.mm.yyyy')"));
    EXPECT_EQ(mgr.BuildConversion(Column(19, 0, 0), Column(11, 1, 20), out), 1);
    EXPECT_EQ(out, KxString("TO_CHAR(X, 'dd.mm.yyyy hh24.mi')"));
}

TEST(OraTypeConversion, QuotesInAFormatAreDoubled) {
    KxGDateTypeConvHdl date(0, KxString("dd' or 1=1 --"));
    KxGStringTypeConvHdl varchar(20, KxString("yyyy'"), KxString("hh'mi"));
    KxString out;
    EXPECT_EQ(varchar.ConvertFrom(date, KxString("X"), out), 1);
    EXPECT_EQ(out, KxString("TO_CHAR(X, 'dd'' or 1=1 --')"));
    EXPECT_EQ(date.ConvertFrom(varchar, KxString("X"), out), 1);
    EXPECT_EQ(out, KxString("TO_DATE(X || '00:00:00', 'yyyy'' hh24:mi:ss')"));
    KxGDateTimeTypeConvHdl dateTime(0, KxString("a"), KxString("b"));
    EXPECT_EQ(dateTime.ConvertFrom(varchar, KxString("X"), out), 1);
    EXPECT_EQ(out, KxString("TO_DATE(X, 'yyyy'' hh''mi')"));
}

// ---- Base ------------------------------------------------------------------------------------------

TEST(OraTypeConversion, HandlersAreDeletedThroughTheBase) {
    static_assert(std::has_virtual_destructor_v<KxGTypeConvHdl>);
    // The formats a derived handler holds are released (the sanitizer checks for leaks).
    std::unique_ptr<KxGTypeConvHdl> h =
        std::make_unique<KxGDateTimeTypeConvHdl>(1, KxString("a long date format text"), KxString("hh24"));
    h.reset();
    SUCCEED();
}

TEST(OraTypeConversion, BaseConvertsNothingAndIgnoresSize) {
    struct Bare : KxGTypeConvHdl {
        int32_t ConvertFrom(KxGTypeConvHdl& source, const KxString& x, KxString& out) override {
            return source.ConvertToChar(x, out);
        }
    } bare;
    KxString out("kept");
    const KxString x("X");
    using Op = int32_t (KxGTypeConvHdl::*)(const KxString&, KxString&);
    for (Op op : {&KxGTypeConvHdl::ConvertToChar, &KxGTypeConvHdl::ConvertToInt, &KxGTypeConvHdl::ConvertToFloat,
                  &KxGTypeConvHdl::ConvertToTime, &KxGTypeConvHdl::ConvertToDate, &KxGTypeConvHdl::ConvertToDateTime,
                  &KxGTypeConvHdl::ConvertToBlob, &KxGTypeConvHdl::ConvertToID, &KxGTypeConvHdl::ConvertToByte,
                  &KxGTypeConvHdl::ConvertToString, &KxGTypeConvHdl::ConvertToStringChar,
                  &KxGTypeConvHdl::ConvertToStringLong}) {
        EXPECT_EQ((bare.*op)(x, out), -1);
        EXPECT_EQ(out, KxString("kept"));
    }
    bare.SetSize(5);
    EXPECT_EQ(bare.ConvertSize(3, x, out), 0);
    EXPECT_EQ(out, KxString("kept"));
}

}  // namespace
