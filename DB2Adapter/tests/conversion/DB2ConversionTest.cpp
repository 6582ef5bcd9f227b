// The DB2 conversion manager and handlers: the conversion table (every source kind to every target
// kind), the size rule, the handler kinds of the type codes and storage kinds.
#include <gtest/gtest.h>

#include <string>

#include "KxGColumn.h"
#include "KxGDB2TypeConvHdlMgr.h"

namespace {

struct Result {
    std::string text;
    int32_t code;
};

struct KindColumn {
    const char* name;
    uint16_t typeCode;
    uint8_t kind;
};

// In the order of the target kinds of the table below (Short and Int share a column in the
// handlers' table but differ in the result of the same kind).
const KindColumn kKinds[] = {
    {"Char", 0, 0},     {"Short", 1, 0},  {"Int", 2, 0},    {"Float", 3, 0},  {"Time", 13, 0},
    {"Date", 12, 0},    {"DateTime", 19, 0}, {"Blob", 18, 0}, {"OID", 15, 0},  {"ODReg", 16, 0},
    {"Byte", 10, 0},    {"String", 11, 0}, {"StringVar", 11, 1}, {"StringLong", 11, 2},
};
constexpr size_t kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);

const Result N{"", -1};
const Result kX0{"X", 0};
const Result kX1{"X", 1};
const Result kChar{"CHAR(X)", 1};

// Rows: source kind; columns: target kind; sizes 10 on both sides.
const Result kTable[kKindCount][kKindCount] = {
    // Char Short Int Float Time Date DateTime Blob OID ODReg Byte String StringVar StringLong
    /* Char */
    {kX0, {"INT(SUBSTR(X, 1, 1))", 1}, {"INT(SUBSTR(X, 1, 1))", 1}, {"DOUBLE(SUBSTR(X, 1, 1))", 1}, N, N, N, N, N,
     N, {"CHR(INT(SUBSTR(X, 1, 1)))", 2}, kX1, kX1, kX1},
    /* Short */
    {{"SUBSTR(CHAR(X),1,1)", 1}, kX0, kX1, kX1, N, {"DATE(X)", 1}, {"TIMESTAMP(DATE(X), '00:00:00')", 1}, N, N, N,
     {"CHR(X)", 1}, kChar, kChar, kChar},
    /* Int */
    {{"SUBSTR(CHAR(X),1,1)", 1}, kX1, kX0, kX1, N, {"DATE(X)", 1}, {"TIMESTAMP(DATE(X), '00:00:00')", 1}, N, N, N,
     {"CHR(X)", 1}, kChar, kChar, kChar},
    /* Float */
    {{"SUBSTR(CHAR(X),1,1)", 1}, kX1, kX1, kX0, N, {"DATE(X)", 1}, {"TIMESTAMP(DATE(X), '00:00:00')", 1}, N, N, N,
     {"CHR(X)", 1}, kChar, kChar, kChar},
    /* Time */
    {N, {"MIDNIGHT_SECONDS(X)", 1}, {"MIDNIGHT_SECONDS(X)", 1}, {"MIDNIGHT_SECONDS(X)", 1}, kX0, N,
     {"TIMESTAMP('01/01/0001',X)", 1}, N, N, N, N, kChar, kChar, kChar},
    /* Date */
    {N, {"DAYS(X)", 1}, {"DAYS(X)", 1}, {"DAYS(X)", 1}, N, kX0, {"TIMESTAMP(X,'00:00:00')", 1}, N, N, N, N, kChar,
     kChar, kChar},
    /* DateTime */
    {N, {"DAYS(X)", 1}, {"DAYS(X)", 1}, {"DAYS(X)", 1}, N, {"DATE(X)", 1}, kX0, N, N, N, N, kChar, kChar, kChar},
    /* Blob */ {N, N, N, N, N, N, N, kX0, N, N, N, N, N, N},
    /* OID */ {N, N, N, N, N, N, N, N, kX0, N, N, N, N, N},
    /* ODReg */ {N, N, N, N, N, N, N, N, N, kX0, N, N, N, N},
    /* Byte */
    {{"CHAR(ASCII(X), 1)", 2}, {"ASCII(X)", 1}, {"ASCII(X)", 1}, {"ASCII(X)", 1}, N, N, N, N, N, N, kX0,
     {"CHAR(ASCII(X))", 1}, {"CHAR(ASCII(X))", 1}, {"CHAR(ASCII(X))", 1}},
    /* String */
    {{"CHAR(X,1)", 1}, {"INT(X)", 1}, {"INT(X)", 1}, {"DOUBLE(X)", 1}, {"TIME(X)", 1}, {"DATE(X)", 1},
     {"TIMESTAMP(X)", 1}, N, N, N, {"CHR(INT(X))", 1}, kX0, {"VARCHAR(RTRIM(X), 10)", 1}, {"RTRIM(X)", 1}},
    /* StringVar */
    {{"CHAR(X,1)", 1}, {"INT(X)", 1}, {"INT(X)", 1}, {"DOUBLE(X)", 1}, {"TIME(X)", 1}, {"DATE(X)", 1},
     {"TIMESTAMP(X)", 1}, N, N, N, {"CHR(INT(X))", 1}, {"CHAR(X, 10)", 1}, kX0, kX1},
    /* StringLong */
    {{"CHAR(X,1)", 1}, N, N, N, N, N, N, N, N, N, N, {"CHAR(X, 10)", 1}, {"VARCHAR(X, 10)", 1}, kX0},
};

Result Build(KxGDB2TypeConvHdlMgr& manager, const KxGColumn& source, const KxGColumn& target)
{
    KxString out("untouched");
    const int32_t code = manager.BuildConversion(source, target, out);
    return {code < 0 ? std::string() : std::string(out.StrGet()), code};
}

TEST(DB2Conversion, EveryKindToEveryKind)
{
    KxGDB2TypeConvHdlMgr manager;
    for (size_t row = 0; row < kKindCount; ++row) {
        for (size_t column = 0; column < kKindCount; ++column) {
            const KxGColumn source("X", kKinds[row].typeCode, 10, 0, kKinds[row].kind);
            const KxGColumn target("Y", kKinds[column].typeCode, 10, 0, kKinds[column].kind);
            const Result got = Build(manager, source, target);
            SCOPED_TRACE(std::string(kKinds[row].name) + " to " + kKinds[column].name);
            EXPECT_EQ(got.code, kTable[row][column].code);
            EXPECT_EQ(got.text, kTable[row][column].text);
            EXPECT_EQ(manager.CanConvert(source, target), kTable[row][column].code);
        }
    }
}

TEST(DB2Conversion, NotConvertibleLeavesOutAlone)
{
    KxGDB2TypeConvHdlMgr manager;
    KxString out("kept");
    EXPECT_EQ(manager.BuildConversion(KxGColumn("L", 11, 100, 0, 2), KxGColumn("N", 2, 4), out), -1);
    EXPECT_STREQ(out.StrGet(), "kept");
}

// Same kind, sizes s (source) and n (target): the size rule.
struct SizeCase {
    uint16_t typeCode;
    uint8_t kind;
    uint32_t s;
    uint32_t n;
    Result expected;
};

TEST(DB2Conversion, SizeRule)
{
    const SizeCase cases[] = {
        {11, 1, 40, 20, {"RTRIM(SUBSTR(X, 1, 20))", 2}},
        {11, 1, 20, 40, {"X", 1}},
        {11, 1, 20, 20, {"X", 0}},
        {11, 0, 40, 20, {"SUBSTR(X, 1, 20)", 2}},
        {20, 0, 10, 30, {"X", 1}},
        {0, 0, 4, 2, {"SUBSTR(X, 1, 2)", 2}},
        {10, 0, 4, 2, {"SUBSTR(X, 1, 2)", 2}},
        {10, 0, 2, 2, {"X", 0}},
        {18, 0, 100, 200, {"", 3}},
        {18, 0, 100, 100, {"X", 0}},
        {21, 2, 100, 50, {"", 3}},
        {2, 0, 4, 8, {"X", 0}},
        {12, 0, 6, 10, {"X", 0}},
        {15, 0, 4, 8, {"X", 0}},
    };
    KxGDB2TypeConvHdlMgr manager;
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.typeCode) + "/" + std::to_string(c.kind) + " " + std::to_string(c.s) +
                     " to " + std::to_string(c.n));
        KxString out;
        const int32_t code =
            manager.BuildConversion(KxGColumn("X", c.typeCode, c.s, 0, c.kind), KxGColumn("Y", c.typeCode, c.n, 0, c.kind), out);
        EXPECT_EQ(code, c.expected.code);
        if (code != 3) {
            EXPECT_STREQ(out.StrGet(), c.expected.text.c_str());
        }
    }
}

// The handler kind of every type code and storage kind, seen through a conversion to the String
// kind (which every kind but Blob, OID and ODReg answers with its own expression).
TEST(DB2Conversion, CodesAndKindsChooseTheirHandlers)
{
    struct Case {
        uint16_t typeCode;
        uint8_t kind;
        Result toString;
    };
    const Case cases[] = {
        {5, 0, {"CHAR(X)", 1}},          {27, 0, {"CHAR(X)", 1}},         {26, 0, {"CHAR(X)", 1}},
        {43, 0, {"CHAR(X)", 1}},         {4, 0, {"CHAR(X)", 1}},          {10, 0, {"CHAR(ASCII(X))", 1}},
        {0, 0, {"X", 1}},                {17, 0, N},                      {20, 1, {"CHAR(X, 10)", 1}},
        {21, 1, {"CHAR(X, 10)", 1}},     {20, 2, {"CHAR(X, 10)", 1}},     {21, 0, {"X", 0}},
        {11, 4, {"X", 0}},               {14, 0, N},                      {22, 0, N},
        {44, 0, N},                      {56, 0, N},                      {300, 0, N},
    };
    KxGDB2TypeConvHdlMgr manager;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.typeCode) + "/" + std::to_string(c.kind));
        const Result got = Build(manager, KxGColumn("X", c.typeCode, 10, 0, c.kind), KxGColumn("Y", 11, 10));
        EXPECT_EQ(got.code, c.toString.code);
        EXPECT_EQ(got.text, c.toString.text);
    }
    // 17 (object id) and 15 share a kind; 16 is a kind of its own.
    EXPECT_EQ(manager.CanConvert(KxGColumn("X", 17, 4), KxGColumn("Y", 15, 4)), 0);
    EXPECT_EQ(manager.CanConvert(KxGColumn("X", 16, 2), KxGColumn("Y", 15, 4)), -1);
}

// Cached handlers take the size of each request: a handler first made for one size converts for
// another later.
TEST(DB2Conversion, CachedHandlersTakeTheTargetSize)
{
    KxGDB2TypeConvHdlMgr manager;
    KxString out;
    EXPECT_EQ(manager.BuildConversion(KxGColumn("X", 11, 10), KxGColumn("Y", 11, 30, 0, 1), out), 1);
    EXPECT_STREQ(out.StrGet(), "VARCHAR(RTRIM(X), 30)");
    EXPECT_EQ(manager.BuildConversion(KxGColumn("X", 11, 10), KxGColumn("Y", 11, 5, 0, 1), out), 1);
    EXPECT_STREQ(out.StrGet(), "VARCHAR(RTRIM(X), 5)");
    EXPECT_EQ(manager.BuildConversion(KxGColumn("X", 11, 40, 0, 1), KxGColumn("Y", 11, 20, 0, 1), out), 2);
    EXPECT_STREQ(out.StrGet(), "RTRIM(SUBSTR(X, 1, 20))");
}

}  // namespace
