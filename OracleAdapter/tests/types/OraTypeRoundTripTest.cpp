// Values through OCI and back: the handlers fill a row buffer, the rows are inserted with array
// binding, read back as the SQL engine holds them, then fetched into a second buffer and converted
// back into kernel values.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "OciFixture.h"

using namespace oratypes;

namespace {

// One column of the table: the handler, the values of its three rows (normal, empty, NULL by
// indicator) and what each row must fetch as.
struct ColumnBase {
    virtual ~ColumnBase() = default;
    virtual void* Value(int row) = 0;
    virtual void* Fresh() = 0;
    virtual bool Matches(int row) = 0;

    std::string name;
    uint8_t code = 0, kind = 0;
    int32_t size = 1;
    KxGTypeHdl* handler = nullptr;
    std::unique_ptr<KxGMemoryLocation> in, out;
};

template <typename T>
struct Column : ColumnBase {
    T values[3];
    T expected[3];
    T fetched;
    void* Value(int row) override { return &values[row]; }
    void* Fresh() override
    {
        fetched = values[0];   // anything but the expected empty value
        return &fetched;
    }
    bool Matches(int row) override { return fetched == expected[row]; }
};

class OraTypeRoundTripTest : public OciFixture {
protected:
    template <typename T>
    void Add(const std::string& name, uint8_t code, uint8_t kind, int32_t size, const T& normal, const T& empty,
             const T& emptyBack, const T& nullBack)
    {
        auto column = std::make_unique<Column<T>>();
        column->name = name;
        column->code = code;
        column->kind = kind;
        column->size = size;
        column->values[0] = normal;
        column->values[1] = empty;
        column->values[2] = normal;
        column->expected[0] = normal;
        column->expected[1] = emptyBack;
        column->expected[2] = nullBack;
        columns_.push_back(std::move(column));
    }

    // Creates the table from the handlers' column types, inserts the three rows and fetches them back.
    // The columns are used up.
    void Run(const std::string& table = "T")
    {
        RunColumns(table);
        columns_.clear();
    }

    void RunColumns(const std::string& table)
    {
        std::string ddl = "CREATE TABLE S." + table + " ( K NUMBER (38)";
        for (auto& c : columns_) {
            c->handler = manager_->GetTypeHdl(c->code, c->kind, 0);
            ASSERT_NE(c->handler, nullptr) << c->name;
            KxString type;
            ASSERT_EQ(c->handler->SQLTypeName(c->size, type), 1) << c->name;
            ddl += ", " + c->name + " " + type.StrGet();
            c->in = std::make_unique<KxGMemoryLocation>(c->handler, nullptr, true);
            c->out = std::make_unique<KxGMemoryLocation>(c->handler, nullptr, true);
            c->in->SetSQLSize(c->size);
            c->out->SetSQLSize(c->size);
        }
        Exec(ddl + " )");

        KxGSQLBuffer input;
        int32_t keys[3] = {0, 1, 2};
        KxGOraTypeHdl keyHandler(KxGContext(db_.get()), 2);
        KxGMemoryLocation key(&keyHandler, nullptr, false);
        key.JoinBuffer(input);
        for (auto& c : columns_) {
            c->in->JoinBuffer(input);
        }
        input.Allocate(3);
        for (int row = 0; row < 3; ++row) {
            input.SetCurrentRow(row);
            std::memcpy(key.GetSQLAddress(input), &keys[row], 4);
            for (auto& c : columns_) {
                void* slot = c->in->GetSQLAddress(input);
                void* indicator = c->in->GetNullValueAddress(input);
                EXPECT_NE(c->handler->VarToSQL(c->Value(row), slot, indicator, c->in->GetColumnSize(), &context_),
                          nullptr)
                    << c->name << " row " << row;
                if (row == 2) {
                    c->handler->SetNull(indicator);
                }
            }
        }
        input.SetCurrentRow(0);
        std::string insert = "INSERT INTO S." + table + " ( K";
        std::string values = " ) VALUES ( :1";
        for (size_t i = 0; i < columns_.size(); ++i) {
            insert += ", " + columns_[i]->name;
            values += ", :" + std::to_string(i + 2);
        }
        {
            Statement statement(*this, insert + values + " )");
            statement.Bind(1, key, input);
            for (size_t i = 0; i < columns_.size(); ++i) {
                statement.Bind(ub4(i + 2), *columns_[i]->in, input);
            }
            ASSERT_EQ(statement.Execute(3), OCI_SUCCESS) << LastError();
        }

        std::string select = "SELECT K";
        for (auto& c : columns_) {
            select += ", " + c->name;
        }
        KxGSQLBuffer output;
        for (auto& c : columns_) {
            c->out->JoinBuffer(output);
        }
        output.Allocate(3);
        output.SetCurrentRow(0);
        Statement statement(*this, select + " FROM S." + table + " ORDER BY K");
        int64_t fetchedKeys[3] = {-1, -1, -1};
        statement.DefineRaw(1, fetchedKeys, sizeof(int64_t), SQLT_INT);
        for (size_t i = 0; i < columns_.size(); ++i) {
            statement.Define(ub4(i + 2), *columns_[i]->out, output);
        }
        ASSERT_EQ(statement.Execute(0), OCI_SUCCESS) << LastError();
        const sword status = statement.Fetch(3);
        ASSERT_TRUE(status == OCI_SUCCESS || status == OCI_NO_DATA) << LastError();
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(fetchedKeys[row], row);
            output.SetCurrentRow(row);
            for (auto& c : columns_) {
                void* slot = c->out->GetSQLAddress(output);
                void* indicator = c->out->GetNullValueAddress(output);
                EXPECT_NE(c->handler->SQLToVar(slot, c->Fresh(), indicator, c->out->GetColumnSize(), &context_),
                          nullptr)
                    << c->name << " row " << row;
                EXPECT_TRUE(c->Matches(row)) << c->name << " row " << row;
            }
        }
    }

    std::vector<std::unique_ptr<ColumnBase>> columns_;
};

TEST_F(OraTypeRoundTripTest, EveryHandlerCodeStoresAndFetchesNormalEmptyAndNullValues)
{
    db_->SetGatewayVersion(780);
    const KxString null;
    const KxString empty("");
    const uint8_t bytes[] = {0x00, 0x27, 0xFF, 0x10};
    const char chars[4] = {'a', 'b', 'c', 'd'};
    const char noChars[4] = {0, 0, 0, 0};

    Add<int16_t>("C1", 1, 0, 1, SHRT_MIN, 0, 0, 0);
    Add<int32_t>("C2", 2, 0, 1, INT_MIN, 0, 0, 0);
    Add<double>("C3", 3, 0, 1, -1.25e-3, 0.0, 0.0, 0.0);
    Add<float>("C4", 4, 0, 1, 3.5f, 0.0f, 0.0f, 0.0f);
    Add<uint16_t>("C5", 5, 0, 1, 32767, 0, 0, 0);
    Add<uint32_t>("C6", 6, 0, 1, 4000000000u, 0, 0, 0);
    Add<int32_t>("C7", 7, 0, 1, -7, 0, 0, 0);
    Add<uint32_t>("C8", 8, 0, 1, 0xFFFFFFFFu, 0, 0, 0);
    Add<int32_t>("C9", 9, 0, 1, 9, 0, 0, 0);
    Add<uint16_t>("U5", 5, 6, 1, 65535, 0, 0, 0);
    Add<uint32_t>("U6", 6, 6, 1, 4294967295u, 0, 0, 0);
    Add<uint32_t>("U8", 8, 6, 1, 4000000000u, 0, 0, 0);
    Add<KxString>("S11", 11, 0, 12, KxString("it's"), empty, null, null);
    Add<KxString>("S11C", 11, 1, 6, KxString("ab"), empty, null, null);
    Add<KxString>("S11B", 11, 1, 6, KxString("x"), KxString("   "), KxString(" "), null);   // blanks: " "
    Add<KxIString>("S20", 20, 0, 8, KxIString("I"), KxIString(""), KxIString(), KxIString());
    Add<KxIString>("S20C", 20, 1, 8, KxIString("I"), KxIString(""), KxIString(), KxIString());
    Add<KxCaseIString>("S21", 21, 0, 8, KxCaseIString("Ci"), KxCaseIString(""), KxCaseIString(), KxCaseIString());
    Add<KxCaseIString>("S21C", 21, 1, 8, KxCaseIString("Ci"), KxCaseIString(""), KxCaseIString(), KxCaseIString());
    Add<KxDate>("D12", 12, 0, 1, KxDate(2024, 2, 29), KxDate(), KxDate(), KxDate());
    Add<KxTime>("D13", 13, 0, 1, KxTime(12, 30, 45), KxTime(99, 0, 0), KxTime(), KxTime());
    Add<KxDateTime>("D19", 19, 0, 1, KxDateTime(9999, 12, 31, 23, 59, 59), KxDateTime(KxDate(), KxTime()),
                    KxDateTime(KxDate(), KxTime()), KxDateTime(KxDate(), KxTime()));
    Add<KxObjId>("O15", 15, 0, 1, KxObjId(0xFFFFFFFFu, 0xFFFF), KxObjId(3, 0), KxObjId(3, 0), KxObjId());
    Add<KxObjId>("O17", 17, 0, 1, KxObjId(1, 1), KxObjId(2, 0), KxObjId(2, 0), KxObjId());
    Add<KxClassId>("C16", 16, 0, 1, KxClassId(32767, 0), KxClassId(1, 0), KxClassId(1, 0), KxClassId());
    Add<KxBlob>("B18R", 18, 3, 20, KxBlob(bytes, 4), KxBlob(), KxBlob(), KxBlob());
    Add<KxBlob>("B18N", 18, 5, 20, KxBlob(bytes, 4), KxBlob(), KxBlob(), KxBlob());
    Add<KxInt64>("I26", 26, 0, 1, KxInt64(INT64_MIN), KxInt64(0), KxInt64(0), KxInt64(0));
    Add<KxBoolean>("L27", 27, 0, 1, KxBoolean(true), KxBoolean(false), KxBoolean(false), KxBoolean(false));
    Add<int64_t>("I42", 42, 0, 1, INT64_MIN, INT64_MAX, INT64_MAX, 0);
    Add<uint64_t>("I43", 43, 0, 1, UINT64_MAX, 0, 0, 0);

    struct Chars {
        char c[4];
        bool operator==(const Chars& o) const { return std::memcmp(c, o.c, 4) == 0; }
    };
    Chars abcd, none;
    std::memcpy(abcd.c, chars, 4);
    std::memcpy(none.c, noChars, 4);
    Add<Chars>("R10", 10, 0, 4, abcd, none, none, none);
    Add<Chars>("R0C", 0, 1, 4, abcd, none, none, none);
    Run();
    // A table holds one LONG column at most.
    Add<KxString>("S11L", 11, 2, 40, KxString("long text"), empty, null, null);
    Run("L11");
    Add<KxIString>("S20L", 20, 2, 8, KxIString("I"), KxIString(""), KxIString(), KxIString());
    Run("L20");
    Add<KxCaseIString>("S21L", 21, 2, 8, KxCaseIString("Ci"), KxCaseIString(""), KxCaseIString(), KxCaseIString());
    Run("L21");
    Add<KxBlob>("B18", 18, 0, 20, KxBlob(bytes, 4), KxBlob(), KxBlob(), KxBlob());
    Run("L18");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.L11 WHERE S11L IS NULL"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.L18 WHERE B18 IS NULL"), 2);

    // How the SQL rows hold the values.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE S11 IS NULL"), 2);     // empty VARCHAR2 is NULL
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE S11C IS NULL"), 1);    // empty CHAR is not
    EXPECT_EQ(Raw("SELECT S11C FROM S.T WHERE K = 1", SQLT_AFC, 6), std::string("\0     ", 6));
    EXPECT_EQ(Raw("SELECT S11 FROM S.T WHERE K = 0", SQLT_STR, 12).c_str(), std::string("it's"));
    EXPECT_EQ(Raw("SELECT L27 FROM S.T WHERE K = 0", SQLT_AFC, 1), std::string("\x01", 1));
    EXPECT_EQ(Raw("SELECT L27 FROM S.T WHERE K = 1", SQLT_AFC, 1), std::string("\x00", 1));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE I26 = -9223372036854775808"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE I43 = -1"), 1);        // unsigned stored as signed
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE O15 = 281474976710655"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE U6 = 4294967295"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE C6 = 4000000000"), 1);    // unsigned stored as unsigned
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE C8 = 4294967295"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE C5 = 32767"), 1);
    // Version 780: an invalid date is stored as 1 January 4712 BC, not as NULL.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE D12 IS NULL"), 1);
    const uint8_t sentinel[] = {53, 88, 1, 1, 1, 1, 1};
    EXPECT_EQ(Raw("SELECT D12 FROM S.T WHERE K = 1", SQLT_DAT, 7), std::string(reinterpret_cast<const char*>(sentinel), 7));
    EXPECT_EQ(Raw("SELECT D13 FROM S.T WHERE K = 0", SQLT_DAT, 7), std::string("\x77\x64\x01\x01\x0D\x1F\x2E", 7));
}

TEST_F(OraTypeRoundTripTest, EmptyStringsAndInvalidDatesAreNullBelowConnectionVersion780)
{
    db_->SetGatewayVersion(779);
    Add<KxString>("S", 11, 0, 10, KxString("a"), KxString(""), KxString(), KxString());
    Add<KxString>("SC", 11, 1, 10, KxString("a"), KxString(""), KxString(), KxString());
    Add<KxDate>("D", 12, 0, 1, KxDate(2000, 1, 1), KxDate(2000, 2, 30), KxDate(), KxDate());
    Add<KxDateTime>("DT", 19, 0, 1, KxDateTime(2000, 1, 1, 1, 1, 1), KxDateTime(KxDate(), KxTime()),
                    KxDateTime(KxDate(), KxTime()), KxDateTime(KxDate(), KxTime()));
    Run();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE S IS NULL"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE SC IS NULL"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE D IS NULL"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM S.T WHERE DT IS NULL"), 2);
}

// Unsigned ints and longs beyond the signed 32-bit range: a range condition bound through the handler
// compares them as the numbers they are, and a row that an earlier gateway stored as the negative
// two's complement of its value still reads back as that unsigned value.
TEST_F(OraTypeRoundTripTest, UnsignedValuesAboveTwoToThe31CompareAsNumbersAndOldNegativeRowsStayReadable)
{
    for (const uint8_t code : {uint8_t(6), uint8_t(8)}) {
        SCOPED_TRACE("code " + std::to_string(code));
        KxGTypeHdl* handler = manager_->GetTypeHdl(code, 0, 0);
        KxString type;
        ASSERT_EQ(handler->SQLTypeName(1, type), 1);
        const std::string table = "S.U" + std::to_string(code);
        Exec("CREATE TABLE " + table + " ( K NUMBER (38), N " + type.StrGet() + " )");
        Exec("INSERT INTO " + table + " ( K, N ) VALUES ( 1, 20 )");
        Exec("INSERT INTO " + table + " ( K, N ) VALUES ( 2, -294967296 )");   // 4000000000, as once stored
        Exec("INSERT INTO " + table + " ( K, N ) VALUES ( 3, 3000000000 )");

        KxGSQLBuffer parameters;
        KxGMemoryLocation parameter(handler, nullptr, true);
        parameter.JoinBuffer(parameters);
        parameters.Allocate(1);
        parameters.SetCurrentRow(0);
        uint32_t bound = 2147483648u;
        ASSERT_NE(handler->VarToSQL(&bound, parameter.GetSQLAddress(parameters),
                                    parameter.GetNullValueAddress(parameters), parameter.GetColumnSize(), &context_),
                  nullptr);

        auto fetch = [&](const std::string& where) {
            KxGSQLBuffer rows;
            KxGMemoryLocation column(handler, nullptr, true);
            column.JoinBuffer(rows);
            rows.Allocate(3);
            rows.SetCurrentRow(0);
            Statement select(*this, "SELECT K, N FROM " + table + where + " ORDER BY K");
            if (!where.empty()) {
                select.Bind(1, parameter, parameters);
            }
            int64_t keys[3] = {};
            select.DefineRaw(1, keys, sizeof(int64_t), SQLT_INT);
            select.Define(2, column, rows);
            EXPECT_EQ(select.Execute(0), OCI_SUCCESS) << LastError();
            const sword status = select.Fetch(3);
            EXPECT_TRUE(status == OCI_SUCCESS || status == OCI_NO_DATA) << LastError();
            std::vector<std::pair<int64_t, uint32_t>> seen;
            for (int32_t row = 0; row < 3 && keys[row] != 0; ++row) {
                rows.SetCurrentRow(row);
                uint32_t value = 7;
                EXPECT_NE(handler->SQLToVar(column.GetSQLAddress(rows), &value, column.GetNullValueAddress(rows),
                                            column.GetColumnSize(), &context_),
                          nullptr);
                seen.emplace_back(keys[row], value);
            }
            return seen;
        };
        using Rows = std::vector<std::pair<int64_t, uint32_t>>;
        EXPECT_EQ(fetch(" WHERE N > :1"), (Rows{{3, 3000000000u}}));
        EXPECT_EQ(fetch(""), (Rows{{1, 20u}, {2, 4000000000u}, {3, 3000000000u}}));
    }
}

// ---- LOB locators -------------------------------------------------------------------------------

class OraLobTest : public OciFixture {
protected:
    // A slot with a fresh locator made through the handler.
    struct Slot {
        OCILobLocator* locator = nullptr;
        uint16_t indicator = 0;
    };

    void MakeLocator(KxGTypeHdl* handler, Slot& slot)
    {
        uint16_t kind = 0;
        const uintptr_t handle = handler->CreateHandle(&slot.locator, &kind, context_);
        ASSERT_NE(handle, 0u) << db_->GetError()->Text();
        EXPECT_EQ(kind, KXG_ORA_LOB_DESCRIPTOR);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(slot.locator), handle);
        locators_.push_back(handle);
    }

    // Fetches the BLOB of row k into a slot with a new locator.
    void Select(KxGTypeHdl* handler, int k, Slot& slot, Statement*& statement)
    {
        MakeLocator(handler, slot);
        statement = new Statement(*this, "SELECT B FROM S.T WHERE K = " + std::to_string(k));
        statement->DefineRaw(1, &slot.locator, sizeof slot.locator, SQLT_BLOB,
                             reinterpret_cast<sb2*>(&slot.indicator));
        ASSERT_EQ(statement->Execute(0), OCI_SUCCESS) << LastError();
        ASSERT_EQ(statement->Fetch(1), OCI_SUCCESS) << LastError();
    }

    void TearDown() override
    {
        for (uintptr_t handle : locators_) {
            db_->FreeDescriptor(KXG_ORA_LOB_DESCRIPTOR, handle);
        }
        OciFixture::TearDown();
    }

    std::vector<uintptr_t> locators_;
};

TEST_F(OraLobTest, ABlobWrittenThroughItsLocatorShrinksWithoutATail)
{
    KxGTypeHdl* handler = manager_->GetTypeHdl(18, 4, 0);
    KxString type;
    handler->SQLTypeName(0, type);
    Exec(std::string("CREATE TABLE S.T ( K NUMBER (38), B ") + type.StrGet() + " )");

    // Insert: the value goes into a fresh locator that the insert binds.
    Slot slot;
    MakeLocator(handler, slot);
    std::string big(1000, 'x');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i % 251);
    }
    KxBlob blob(big.data(), uint32_t(big.size()));
    ASSERT_NE(handler->VarToSQL(&blob, &slot.locator, &slot.indicator, 0, &context_), nullptr)
        << db_->GetError()->Text();
    EXPECT_EQ(slot.indicator, 0);
    {
        // The locator slot bound as the statement handle binds it.
        auto* ora = dynamic_cast<KxGOraTypeHdl*>(handler);
        Statement insert(*this, "INSERT INTO S.T ( K, B ) VALUES ( 1, :1 )");
        insert.BindRaw(1, &slot.locator, ora->BindSize(ora->BufferSize(0)), ora->NativeType(), &slot.indicator);
        ASSERT_EQ(insert.Execute(1), OCI_SUCCESS) << LastError();
    }

    // Read it back through a fetched locator.
    Slot read;
    Statement* select = nullptr;
    Select(handler, 1, read, select);
    std::unique_ptr<Statement> owner(select);
    KxBlob back;
    ASSERT_NE(handler->SQLToVar(&read.locator, &back, &read.indicator, 0, &context_), nullptr)
        << db_->GetError()->Text();
    EXPECT_TRUE(back == blob);

    // Write a shorter value through the fetched locator: the LOB is trimmed, no old tail is left.
    KxBlob shorter("abc", 3);
    ASSERT_NE(handler->VarToSQL(&shorter, &read.locator, &read.indicator, 0, &context_), nullptr)
        << db_->GetError()->Text();
    owner.reset();
    Slot again;
    Select(handler, 1, again, select);
    owner.reset(select);
    ASSERT_NE(handler->SQLToVar(&again.locator, &back, &again.indicator, 0, &context_), nullptr);
    EXPECT_TRUE(back == shorter);

    // An empty value trims the LOB to nothing.
    KxBlob nothing;
    ASSERT_NE(handler->VarToSQL(&nothing, &again.locator, &again.indicator, 0, &context_), nullptr);
    owner.reset();
    Slot last;
    Select(handler, 1, last, select);
    owner.reset(select);
    back = shorter;
    ASSERT_NE(handler->SQLToVar(&last.locator, &back, &last.indicator, 0, &context_), nullptr);
    EXPECT_TRUE(back.IsEmpty());
}

TEST_F(OraLobTest, TheRowBufferVariantReadsTheLobAsOneGrowingRow)
{
    KxGTypeHdl* asBuffer = manager_->GetTypeHdl(18, 4, 1);
    KxGTypeHdl* asBlob = manager_->GetTypeHdl(18, 4, 0);
    Exec("CREATE TABLE S.T ( K NUMBER (38), B BLOB DEFAULT EMPTY_BLOB() )");
    Exec("INSERT INTO S.T ( K ) VALUES ( 1 )");
    // Fill the LOB from a one-row buffer: its bytes after the 4-byte prefix.
    Slot slot;
    Statement* select = nullptr;
    Select(asBuffer, 1, slot, select);
    std::unique_ptr<Statement> owner(select);
    KxGSQLBuffer source(4 + 6);
    source.Allocate(1);
    std::memcpy(source.GetData() + 4, "abcdef", 6);
    ASSERT_NE(asBuffer->VarToSQL(&source, &slot.locator, &slot.indicator, 0, &context_), nullptr)
        << db_->GetError()->Text();
    owner.reset();

    // A buffer too small is re-made with one row of length + 4 bytes.
    Slot read;
    Select(asBuffer, 1, read, select);
    owner.reset(select);
    KxGSQLBuffer target(3);
    target.Allocate(2);
    ASSERT_NE(asBuffer->SQLToVar(&read.locator, &target, &read.indicator, 0, &context_), nullptr);
    EXPECT_EQ(target.GetRowWidth(), 10);
    EXPECT_EQ(target.GetRowCount(), 1);
    int32_t length = 0;
    std::memcpy(&length, target.GetData(), 4);
    EXPECT_EQ(length, 6);
    EXPECT_EQ(std::memcmp(target.GetData() + 4, "abcdef", 6), 0);
    // The same LOB through the KxBlob variant.
    KxBlob blob;
    ASSERT_NE(asBlob->SQLToVar(&read.locator, &blob, &read.indicator, 0, &context_), nullptr);
    EXPECT_TRUE(blob == KxBlob("abcdef", 6));
    // NULL frees the buffer.
    read.indicator = 0xFFFF;
    ASSERT_NE(asBuffer->SQLToVar(&read.locator, &target, &read.indicator, 0, &context_), nullptr);
    EXPECT_EQ(target.GetData(), nullptr);
}

TEST_F(OraLobTest, AFailedLobCallIsReportedToTheContextsDatabase)
{
    KxGTypeHdl* handler = manager_->GetTypeHdl(18, 4, 0);
    Slot slot;
    MakeLocator(handler, slot);
    sqlengine::Engine::Instance().InjectFailure("OCILobTrim", 60);
    KxBlob blob("ab", 2);
    EXPECT_EQ(handler->VarToSQL(&blob, &slot.locator, &slot.indicator, 0, &context_), nullptr);
    EXPECT_EQ(db_->GetError()->NativeCode(), 60);
    sqlengine::Engine::Instance().ClearInjectedFailures();
    // A slot without a locator cannot be written: reported as an invalid handle.
    Slot empty;
    EXPECT_EQ(handler->VarToSQL(&blob, &empty.locator, &empty.indicator, 0, &context_), nullptr);
    EXPECT_EQ(db_->GetError()->NativeCode(), OCI_INVALID_HANDLE);
}

}  // namespace
