// The DB2 type handlers and their manager without a server: the handler, column type, CLI types and
// sizes of every code and storage kind; values stored into slots and fetched back; NULLs, values
// that do not fit, and SQL texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <limits>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxGDB2TypeHdl.h"
#include "KxGDB2TypeHdlMgr.h"
#include "KxGDatabaseTrace.h"
#include "KxGFakeAdapter.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"

namespace {

KxGDB2TypeHdl* Handler(KxGDB2TypeHdlMgr& manager, uint8_t code, uint8_t kind = 0)
{
    return static_cast<KxGDB2TypeHdl*>(manager.GetTypeHdl(code, kind, 0));
}

std::string TypeName(KxGTypeHdl* handler, int32_t size)
{
    KxString text;
    return handler->SQLTypeName(size, text) != 0 ? std::string(text.StrGet()) : std::string("<none>");
}

std::string Text(KxGTypeHdl* handler, const void* slot, int32_t size = 0)
{
    KxString text;
    handler->ValueToText(slot, text, size, nullptr);
    return text.StrGet();
}

int32_t Indicator(const std::vector<uint8_t>& ind)
{
    int32_t value;
    std::memcpy(&value, ind.data(), 4);
    return value;
}

struct Golden {
    uint8_t code;
    uint8_t kind;
    uint8_t typeCode;      // what TypeCode answers
    const char* typeName;  // for size 20
    int16_t sqlType;
    int16_t cType;
    int32_t columnSize;    // for size 20
    int32_t bufferSize;    // for size 20
};

// Every kernel code without option and every storage variant.
TEST(DB2TypeHdlMgr, GoldenNamesTypesAndSizes)
{
    const Golden cases[] = {
        {0, 0, 0, "CHARACTER (20)", 1, 1, 20, 21},
        {10, 0, 10, "CHARACTER (20)", 1, 1, 20, 21},
        {1, 0, 1, "SMALLINT  DEFAULT 0", 5, 5, 2, 2},
        {5, 0, 5, "SMALLINT  DEFAULT 0", 5, 5, 2, 2},
        {2, 0, 2, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {6, 0, 6, "INTEGER  DEFAULT 0", 4, -18, 4, 4},   // bound unsigned
        {8, 0, 8, "INTEGER  DEFAULT 0", 4, -18, 4, 4},
        {9, 0, 9, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {3, 0, 3, "DOUBLE  DEFAULT 0", 8, 8, 8, 8},
        {4, 0, 4, "FLOAT  DEFAULT 0", 6, 7, 4, 4},
        {11, 0, 11, "CHARACTER (20)", 1, 1, 20, 21},
        {20, 0, 20, "CHARACTER (20)", 1, 1, 20, 21},
        {21, 0, 21, "CHARACTER (20)", 1, 1, 20, 21},
        {12, 0, 12, "DATE", 9, 9, 6, 6},
        {13, 0, 13, "TIME", 10, 10, 6, 6},
        {19, 0, 19, "TIMESTAMP", 11, 11, 16, 16},
        {15, 0, 15, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {17, 0, 15, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {16, 0, 16, "SMALLINT  DEFAULT 0", 5, 5, 2, 2},
        {18, 0, 18, "BLOB (100 M)", -98, -2, 20, 20},
        {26, 0, 26, "BIGINT  DEFAULT 0", -5, -25, 8, 8},
        {42, 0, 42, "BIGINT  DEFAULT 0", -5, -25, 8, 8},
        {43, 0, 43, "BIGINT  DEFAULT 0", -5, -25, 8, 8},
        {27, 0, 27, "SMALLINT  DEFAULT 0", 5, 5, 2, 2},
        {14, 0, 14, "<none>", 99, 99, 0, 0},
        {11, 1, 11, "VARCHAR (20)", 12, 1, 20, 21},
        {11, 2, 11, "LONG VARCHAR", -1, 1, 20, 21},
        {11, 4, 11, "GRAPHIC (20)", -95, -350, 20, 42},
        {11, 8, 11, "VARGRAPHIC (20)", -96, 1, 20, 21},
        {11, 16, 11, "LONGVARGRAPHIC (20)", -97, 1, 20, 21},
        {20, 1, 20, "VARCHAR (20)", 12, 1, 20, 21},
        {20, 2, 20, "LONG VARCHAR", -1, 1, 20, 21},
        {21, 1, 21, "VARCHAR (20)", 12, 1, 20, 21},
        {21, 2, 21, "LONG VARCHAR", -1, 1, 20, 21},
        {26, 1, 2, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {42, 1, 2, "INTEGER  DEFAULT 0", 4, 4, 4, 4},
        {43, 1, 6, "INTEGER  DEFAULT 0", 4, -18, 4, 4},
        // Kinds a code does not list change nothing.
        {20, 4, 20, "CHARACTER (20)", 1, 1, 20, 21},
        {26, 2, 26, "BIGINT  DEFAULT 0", -5, -25, 8, 8},
        {18, 1, 18, "BLOB (100 M)", -98, -2, 20, 20},
    };
    KxGDB2TypeHdlMgr manager(nullptr);
    for (const Golden& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.kind));
        KxGDB2TypeHdl* handler = Handler(manager, c.code, c.kind);
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(handler->TypeCode(), c.typeCode);
        EXPECT_EQ(TypeName(handler, 20), c.typeName);
        EXPECT_EQ(handler->NativeType(), c.sqlType);
        EXPECT_EQ(handler->SQLType(), c.cType);
        // Results are fetched signed, so that values once stored as negative numbers stay readable.
        EXPECT_EQ(handler->ResultCType(), c.cType == -18 ? 4 : c.cType);
        EXPECT_EQ(handler->ColumnSize(20), c.columnSize);
        EXPECT_EQ(handler->BufferSize(20), c.bufferSize);
        EXPECT_EQ(handler->IndSize(), 4);
        EXPECT_EQ(handler->BindSize(20), 20);
    }
}

TEST(DB2TypeHdlMgr, CachesOneHandlerPerHandlerCode)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    EXPECT_EQ(manager.GetTypeHdl(11, 1, 0), manager.GetTypeHdl(11, 1, 1));
    EXPECT_NE(manager.GetTypeHdl(11, 1, 0), manager.GetTypeHdl(11, 0, 0));
    EXPECT_EQ(manager.GetTypeHdl(15, 0, 0), manager.GetTypeHdl(15, 0, 0));
    // A kernel code past the cache has no handler.
    EXPECT_EQ(manager.GetTypeHdl(200, 0, 0), nullptr);
    EXPECT_EQ(manager.StoresEmptyAsNull(12, 780), 1);
    EXPECT_EQ(manager.IsHandleKind(4), 0);
    EXPECT_EQ(manager.GetFlags(), 2);
}

// Every column type text of the SQL types (through handlers whose SQL type is fixed by a subclass).
TEST(DB2TypeHdl, ColumnTypeTexts)
{
    struct Typed : KxGDB2TypeHdl {
        explicit Typed(int16_t type) : KxGDB2TypeHdl(0), type_(type) {}
        int16_t NativeType() override { return type_; }
        int16_t type_;
    };
    const std::pair<int16_t, const char*> cases[] = {
        {-99, "CLOB"}, {-350, "DBCLOB"}, {2, "NUMERIC"}, {3, "DECIMAL"},
        {-4, "LONG VARCHAR FOR BIT DATA"}, {-3, "VARCHAR (7) FOR BIT DATA"},
        {-2, "CHARACTER  (7) FOR BIT DATA"}, {0, "<none>"}, {7, "<none>"}, {-94, "<none>"}, {-6, "<none>"},
    };
    for (const auto& [type, text] : cases) {
        Typed handler(type);
        EXPECT_EQ(TypeName(&handler, 7), text) << type;
    }
}

// ---- strings ------------------------------------------------------------------------------------

struct StringCase {
    uint8_t code;
    uint8_t kind;
    const char* stored;
    const char* fetched;  // after a round trip through a slot of size 8
};

TEST(DB2TypeHdl, StringsStoreAndFetch)
{
    const StringCase cases[] = {
        {11, 0, "abc  ", "abc"},       // CHARACTER: trailing blanks go
        {11, 0, "abcdefghijk", "abcdefgh"},  // cut at the size
        {11, 1, "abc  ", "abc  "},     // VARCHAR keeps them
        {11, 2, "abc  ", "abc  "},
        {11, 8, "abc  ", "abc"},
        {11, 16, "abc  ", "abc  "},
        {20, 0, "MiXed ", "MiXed"},
        {20, 1, "MiXed ", "MiXed "},
        {21, 2, "MiXed ", "MiXed "},
        {11, 4, "w\xe9 ", "w\xe9"},    // GRAPHIC: 16-bit units
        {11, 0, "", ""},               // stored as NULL (below)
    };
    KxGDB2TypeHdlMgr manager(nullptr);
    for (const StringCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + "/" + std::to_string(c.kind) + " '" + c.stored + "'");
        KxGDB2TypeHdl* handler = Handler(manager, c.code, c.kind);
        std::vector<uint8_t> slot(handler->BufferSize(8), 0xAA), ind(4, 0);
        KxString value(c.stored);
        ASSERT_EQ(handler->VarToSQL(&value, slot.data(), ind.data(), 8, nullptr), slot.data());
        EXPECT_EQ(Indicator(ind), *c.stored == '\0' ? KXG_DB2_IND_NULL : KXG_DB2_IND_NTS);
        KxString fetched("previous row");
        handler->SQLToVar(slot.data(), &fetched, ind.data(), 8, nullptr);
        EXPECT_TRUE(fetched.IsActive());
        EXPECT_EQ(fetched.ToUtf8(), KxString(c.fetched).ToUtf8());
    }
}

// An inactive or empty string is stored as NULL in every string handler (empty strings are NULL, as
// the manager's StoresEmptyAsNull says); a NULL gives an empty string, never the text of an earlier row.
TEST(DB2TypeHdl, EmptyStringsAreStoredAsNullAndNullIsFetchedAsAnEmptyString)
{
    const std::pair<uint8_t, uint8_t> handlers[] = {{11, 0}, {11, 1}, {11, 2}, {11, 4}, {11, 8}, {11, 16},
                                                    {20, 0}, {20, 1}, {20, 2}, {21, 0}, {21, 1}, {21, 2}};
    KxGDB2TypeHdlMgr manager(nullptr);
    for (const auto& [code, kind] : handlers) {
        SCOPED_TRACE(std::to_string(code) + "/" + std::to_string(kind));
        KxGDB2TypeHdl* handler = Handler(manager, code, kind);
        std::vector<uint8_t> slot(handler->BufferSize(8), 'x'), ind(4, 0);
        KxString inactive;
        ASSERT_FALSE(inactive.IsActive());
        EXPECT_EQ(handler->IsNullValue(&inactive), 1);
        ASSERT_EQ(handler->VarToSQL(&inactive, slot.data(), ind.data(), 8, nullptr), slot.data());
        EXPECT_TRUE(handler->IsNull(ind.data()));
        ind.assign(4, 0);
        handler->SetNull(ind.data());
        EXPECT_TRUE(handler->IsNull(ind.data()));
        KxString fetched("previous row");
        handler->SQLToVar(slot.data(), &fetched, ind.data(), 8, nullptr);
        EXPECT_TRUE(fetched.IsActive());
        EXPECT_EQ(fetched.Len(), 0u);
    }
}

TEST(DB2TypeHdl, IStringsFetchIntoTheirOwnTypes)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    KxGDB2TypeHdl* handler = Handler(manager, 21, 1);
    std::vector<uint8_t> slot(handler->BufferSize(10)), ind(4);
    KxCaseIString value("Hello");
    handler->VarToSQL(&value, slot.data(), ind.data(), 10, nullptr);
    KxCaseIString fetched;
    handler->SQLToVar(slot.data(), &fetched, ind.data(), 10, nullptr);
    EXPECT_TRUE(fetched == "HELLO");
    EXPECT_EQ(fetched.CodeSet(), 0);
    EXPECT_EQ(handler->ValueLength(&value), 5);
}

TEST(DB2TypeHdl, StringIndicatorsAndTexts)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    KxGDB2TypeHdl* string = Handler(manager, 11);
    std::vector<uint8_t> ind(4, 0);
    string->PrepareIndicator(ind.data());
    EXPECT_EQ(Indicator(ind), KXG_DB2_IND_NTS);
    string->SetNull(ind.data());
    string->PrepareIndicator(ind.data());
    EXPECT_EQ(Indicator(ind), KXG_DB2_IND_NULL);
    // A quote inside the text is doubled; nothing past the slot size is read.
    const char slot[] = "it's a test";
    EXPECT_EQ(Text(string, slot, 20), "'it''s a test'");
    EXPECT_EQ(Text(string, slot, 4), "'it''s'");
    EXPECT_EQ(Text(string, nullptr, 4), "");
}

// ---- numbers ------------------------------------------------------------------------------------

struct Int64Case {
    uint8_t code;
    int64_t value;
    bool stored;    // false: refused, slot untouched
    int64_t fetched;
    const char* text;
};

// The 64-bit kinds in an INTEGER column keep every value that fits and refuse the rest.
TEST(DB2TypeHdl, SixtyFourBitValuesInAnIntegerColumn)
{
    const Int64Case cases[] = {
        {26, 5, true, 5, "5"},
        {26, (int64_t(1) << 28) + 3, true, (int64_t(1) << 28) + 3, "268435459"},
        {26, std::numeric_limits<int32_t>::max(), true, std::numeric_limits<int32_t>::max(), "2147483647"},
        {26, -7, true, -7, "-7"},
        {42, std::numeric_limits<int32_t>::min(), true, std::numeric_limits<int32_t>::min(), "-2147483648"},
        {26, int64_t(1) << 31, false, 0, ""},
        {42, -(int64_t(1) << 31) - 1, false, 0, ""},
        {43, 2147483647, true, 2147483647, "2147483647"},
        {43, int64_t(1) << 31, false, 0, ""},
        {43, -1, false, 0, ""},
    };
    KxGDB2TypeHdlMgr manager(nullptr);
    for (const Int64Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + ": " + std::to_string(c.value));
        KxGDB2TypeHdl* handler = Handler(manager, c.code, 1);
        int32_t slot = 99;
        int32_t ind = 0;
        int64_t value = c.value;
        void* result = handler->VarToSQL(&value, &slot, &ind, 4, nullptr);
        if (!c.stored) {
            EXPECT_EQ(result, nullptr);
            EXPECT_EQ(slot, 99);
            continue;
        }
        ASSERT_EQ(result, &slot);
        EXPECT_EQ(ind, 0);
        int64_t fetched = 12345;
        handler->SQLToVar(&slot, &fetched, &ind, 4, nullptr);
        EXPECT_EQ(fetched, c.fetched);
        EXPECT_EQ(Text(handler, &slot), c.text);
    }
}

TEST(DB2TypeHdl, BigintsBooleansAndPlainNumbers)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    int32_t ind = 0;

    KxGDB2TypeHdl* u8 = Handler(manager, 43);
    uint64_t big = 0xFFFFFFFFFFFFFFF0ull, slot64 = 0, back = 0;
    u8->VarToSQL(&big, &slot64, &ind, 8, nullptr);
    u8->SQLToVar(&slot64, &back, &ind, 8, nullptr);
    EXPECT_EQ(back, big);
    EXPECT_EQ(Text(u8, &slot64), "18446744073709551600");
    ind = KXG_DB2_IND_NULL;
    u8->SQLToVar(&slot64, &back, &ind, 8, nullptr);
    EXPECT_EQ(back, 0u);

    KxGDB2TypeHdl* boolean = Handler(manager, 27);
    KxBoolean yes(true), got(false);
    int16_t slot16 = 0;
    boolean->VarToSQL(&yes, &slot16, &ind, 2, nullptr);
    EXPECT_EQ(slot16, 1);
    EXPECT_EQ(ind, 0);
    boolean->SQLToVar(&slot16, &got, &ind, 2, nullptr);
    EXPECT_TRUE(got.IsTrue());
    ind = KXG_DB2_IND_NULL;
    boolean->SQLToVar(&slot16, &got, &ind, 2, nullptr);
    EXPECT_FALSE(got.IsTrue());

    KxGDB2TypeHdl* dbl = Handler(manager, 3);
    double d = 2.5, ds = 0;
    dbl->VarToSQL(&d, &ds, &ind, 8, nullptr);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(Text(dbl, &ds), "2.5");
    ind = KXG_DB2_IND_NULL;
    dbl->SQLToVar(&ds, &d, &ind, 8, nullptr);
    EXPECT_EQ(d, 0.0);

    EXPECT_EQ(Text(Handler(manager, 18), "x"), "Blob data");
    KxGDB2TypeHdl plainBlob(18);
    EXPECT_EQ(Text(&plainBlob, "x"), "BLOB value");
    EXPECT_EQ(Text(Handler(manager, 14), "x"), "Unknown type? = 14");
    EXPECT_EQ(Text(Handler(manager, 10), "q"), "q...");
}

// ---- ids ----------------------------------------------------------------------------------------

TEST(DB2TypeHdl, ObjectIdsThatDoNotFitAreRefused)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    KxGDB2TypeHdl* oid = Handler(manager, 15);
    int32_t slot = 7, ind = 5;

    KxObjId wide(12, 1);
    EXPECT_EQ(oid->VarToSQL(&wide, &slot, &ind, 4, nullptr), nullptr);
    EXPECT_EQ(slot, 7);

    KxObjId high(0xFFFFFFF0u);
    ASSERT_EQ(oid->VarToSQL(&high, &slot, &ind, 4, nullptr), &slot);
    EXPECT_EQ(ind, 0);
    KxObjId back(1, 1);
    oid->SQLToVar(&slot, &back, &ind, 4, nullptr);
    EXPECT_EQ(back, high);
    EXPECT_EQ(Text(oid, &slot), "4294967280");

    KxObjId none;
    EXPECT_EQ(oid->IsNullValue(&none), 1);
    oid->VarToSQL(&none, &slot, &ind, 4, nullptr);
    EXPECT_EQ(ind, KXG_DB2_IND_NULL);
    oid->SQLToVar(&slot, &back, &ind, 4, nullptr);
    EXPECT_TRUE(back.IsNull());
    EXPECT_EQ(Text(oid, nullptr), "NULL");

    KxGDB2TypeHdl* cid = Handler(manager, 16);
    KxClassId cls(42, 3), got(9, 9);
    int16_t slot16 = 0;
    cid->VarToSQL(&cls, &slot16, &ind, 2, nullptr);
    EXPECT_EQ(ind, 0);
    cid->SQLToVar(&slot16, &got, &ind, 2, nullptr);
    EXPECT_EQ(got.GetClassNumber(), 42);
    EXPECT_EQ(Text(cid, &slot16), "42");
    ind = KXG_DB2_IND_NULL;
    cid->SQLToVar(&slot16, &got, &ind, 2, nullptr);
    EXPECT_EQ(got.GetClassNumber(), 0);
    EXPECT_EQ(cid->IsNullValue(&got), 1);
}

// ---- dates and times ----------------------------------------------------------------------------

TEST(DB2TypeHdl, DatesAndTimes)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    int32_t ind = 0;
    uint8_t slot[16] = {};

    KxGDB2TypeHdl* date = Handler(manager, 12);
    KxDate d, back;
    d.Set(2024, 2, 29);
    date->VarToSQL(&d, slot, &ind, 6, nullptr);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(Text(date, slot), "'2024-2-29'");
    date->SQLToVar(slot, &back, &ind, 6, nullptr);
    EXPECT_EQ(back, d);
    KxDate invalid;
    EXPECT_EQ(date->IsNullValue(&invalid), 1);
    date->VarToSQL(&invalid, slot, &ind, 6, nullptr);
    EXPECT_EQ(ind, KXG_DB2_IND_NULL);
    EXPECT_EQ(Text(date, slot), "NULL");
    date->SQLToVar(slot, &back, &ind, 6, nullptr);
    EXPECT_TRUE(back.IsEmpty());

    KxGDB2TypeHdl* time = Handler(manager, 13);
    KxTime t, tback;
    t.Set(0, 5, 7);
    time->VarToSQL(&t, slot, &ind, 6, nullptr);
    EXPECT_EQ(Text(time, slot), "0:5:7");
    time->SQLToVar(slot, &tback, &ind, 6, nullptr);
    EXPECT_EQ(tback, t);
    KxTime zero;
    time->VarToSQL(&zero, slot, &ind, 6, nullptr);
    EXPECT_EQ(Text(time, slot), "NULL");

    KxGDB2TypeHdl* stamp = Handler(manager, 19);
    KxDateTime dt, dtback;
    dt.SetDate(d);
    dt.SetTime(t);
    stamp->VarToSQL(&dt, slot, &ind, 16, nullptr);
    EXPECT_EQ(Text(stamp, slot), "2024.2.29 0:5:7");
    stamp->SQLToVar(slot, &dtback, &ind, 16, nullptr);
    EXPECT_EQ(dtback, dt);
    ind = KXG_DB2_IND_NULL;
    stamp->SQLToVar(slot, &dtback, &ind, 16, nullptr);
    EXPECT_TRUE(dtback.IsEmpty());
}

// ---- blobs --------------------------------------------------------------------------------------

TEST(DB2TypeHdl, BlobsCarryTheirLengthAndNeverReadPastTheSlot)
{
    KxGDB2TypeHdlMgr manager(nullptr);
    KxGDB2TypeHdl* blob = Handler(manager, 18);
    std::vector<uint8_t> slot(20, 0);
    int32_t ind = 0;

    KxBlob ten;
    ten.SetTo("0123456789", 10);
    ASSERT_EQ(blob->VarToSQL(&ten, slot.data(), &ind, 20, nullptr), slot.data());
    EXPECT_EQ(ind, 14);
    KxBlob back;
    blob->SQLToVar(slot.data(), &back, &ind, 20, nullptr);
    EXPECT_EQ(back, ten);

    // Too long: cut to the slot, and the store says so.
    KxBlob big;
    big.SetTo("abcdefghijklmnopqrstuvwxyz", 26);
    EXPECT_EQ(blob->VarToSQL(&big, slot.data(), &ind, 20, nullptr), nullptr);
    EXPECT_EQ(ind, 20);

    // A stored length beyond the slot (a truncated fetch) is clamped to it.
    const int32_t lying = 5000;
    std::memcpy(slot.data(), &lying, 4);
    blob->SQLToVar(slot.data(), &back, &ind, 20, nullptr);
    EXPECT_EQ(back.Length(), 16u);
    const int32_t negative = -3;
    std::memcpy(slot.data(), &negative, 4);
    blob->SQLToVar(slot.data(), &back, &ind, 20, nullptr);
    EXPECT_EQ(back.Length(), 0u);

    KxBlob empty;
    blob->VarToSQL(&empty, slot.data(), &ind, 20, nullptr);
    EXPECT_EQ(ind, KXG_DB2_IND_NULL);
    blob->SQLToVar(slot.data(), &back, &ind, 20, nullptr);
    EXPECT_TRUE(back.IsEmpty());

    blob->SetDataLength(slot.data(), &ind, 12);
    EXPECT_EQ(ind, 12);
    blob->SetDataLength(slot.data(), &ind, 0);
    EXPECT_EQ(ind, KXG_DB2_IND_NULL);
}

// Values refused or clamped leave a warning in the trace of the context's database.
TEST(DB2TypeHdl, RefusalsAndClampsAreTraced)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("db2types_trace_" + std::to_string(::getpid()) + ".txt");
    KxGFakeDatabase database("LOCAL", "S", "S", "s", nullptr, nullptr);
    KxGContext context(&database);
    KxGDB2TypeHdlMgr manager(&database);
    {
        KxGDatabaseTrace trace(KxString(file.string()), 0xFFFF, nullptr);
        database.SetTrace(&trace);
        std::vector<uint8_t> slot(20, 0);
        int32_t ind = 0;
        const int32_t lying = 5000;
        std::memcpy(slot.data(), &lying, 4);
        KxBlob back;
        Handler(manager, 18)->SQLToVar(slot.data(), &back, &ind, 20, &context);
        KxObjId wide(1, 2);
        EXPECT_EQ(Handler(manager, 15)->VarToSQL(&wide, slot.data(), &ind, 4, &context), nullptr);
        int64_t big = int64_t(1) << 40;
        EXPECT_EQ(Handler(manager, 26, 1)->VarToSQL(&big, slot.data(), &ind, 4, &context), nullptr);
        EXPECT_EQ(manager.GetTypeHdl(59, 0, 0), nullptr);
        database.SetTrace(nullptr);
    }
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    for (const char* expected : {"stored length 5000 exceeds the buffer's 16 bytes", "Object id does not fit",
                                 "64-bit value does not fit an INTEGER column: 1099511627776",
                                 "no type handler for type code 59"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
    }
    std::filesystem::remove(file);
}

}  // namespace
