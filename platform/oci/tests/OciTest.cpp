// The OCI surface over the embedded engine, used as the Oracle adapter uses it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "GatewayDdl.h"
#include "OciFixture.h"
#include "oci.h"
#include "sqlengine.h"

namespace {

using ocitest::Connection;
using ocitest::OciTest;
using ocitest::Stmt;

void SetDate(ub1* b, int year, int month, int day, int h, int m, int s) {
  b[0] = static_cast<ub1>(year / 100 + 100);
  b[1] = static_cast<ub1>(year % 100 + 100);
  b[2] = static_cast<ub1>(month);
  b[3] = static_cast<ub1>(day);
  b[4] = static_cast<ub1>(h + 1);
  b[5] = static_cast<ub1>(m + 1);
  b[6] = static_cast<ub1>(s + 1);
}

TEST_F(OciTest, ArrayInsertOfThreeRowsFetchedInBlocksOfTwo) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "s", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (20), D DATE, PRIMARY KEY ( N ) )");
  // Column-major buffers as the gateway lays them out: row r at data + r * value size.
  OCINumber numbers[3];
  for (int64_t i = 0; i < 3; ++i) {
    int64_t v = (i + 1) * 1000000000000LL;
    ASSERT_EQ(OCINumberFromInt(c.err, &v, sizeof v, OCI_NUMBER_SIGNED, &numbers[i]), OCI_SUCCESS);
  }
  char texts[3][21] = {"one", "", "three"};
  sb2 textInd[3] = {0, -1, 0};
  ub1 dates[3][7];
  SetDate(dates[0], 2024, 1, 2, 3, 4, 5);
  SetDate(dates[1], 1999, 12, 31, 23, 59, 59);
  SetDate(dates[2], 1900, 1, 1, 0, 0, 0);
  {
    Stmt ins(c, "INSERT INTO S.T(N,V,D) VALUES(:1,:2,:3)");
    ins.BindPos(1, numbers, sizeof(OCINumber), SQLT_VNU);
    ins.BindPos(2, texts, 21, SQLT_STR, textInd);
    ins.BindPos(3, dates, 7, SQLT_DAT);
    ASSERT_EQ(ins.Execute(3), OCI_SUCCESS);
    EXPECT_EQ(ins.RowCount(), 3u);
  }
  Stmt sel(c, "SELECT N, V, D FROM S.T ORDER BY N");
  ub2 type = 0;
  ASSERT_EQ(OCIAttrGet(sel.h, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, c.err), OCI_SUCCESS);
  EXPECT_EQ(type, OCI_STMT_SELECT);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  EXPECT_EQ(sel.RowCount(), 0u);
  int64_t n[2];
  char v[2][21];
  sb2 vInd[2];
  ub1 d[2][7];
  sel.Define(1, n, sizeof(int64_t), SQLT_INT);
  sel.Define(2, v, 21, SQLT_STR, vInd);
  sel.Define(3, d, 7, SQLT_DAT);
  ASSERT_EQ(sel.Fetch(2), OCI_SUCCESS);
  EXPECT_EQ(sel.RowCount(), 2u);
  EXPECT_EQ(n[0], 1000000000000LL);
  EXPECT_STREQ(v[0], "one");
  EXPECT_EQ(vInd[0], 0);
  EXPECT_EQ(n[1], 2000000000000LL);
  EXPECT_EQ(vInd[1], -1);
  EXPECT_EQ(std::memcmp(d[0], dates[0], 7), 0);
  EXPECT_EQ(std::memcmp(d[1], dates[1], 7), 0);
  // The second block is short: status 100, and the row is still delivered.
  ASSERT_EQ(sel.Fetch(2), OCI_NO_DATA);
  EXPECT_EQ(sel.RowCount(), 3u);
  EXPECT_EQ(n[0], 3000000000000LL);
  EXPECT_STREQ(v[0], "three");
  EXPECT_EQ(std::memcmp(d[0], dates[2], 7), 0);
  EXPECT_EQ(sel.Fetch(2), OCI_NO_DATA);
  EXPECT_EQ(sel.RowCount(), 3u);
  c.Close();
}

TEST_F(OciTest, FailingRowOfAnArrayInsertKeepsTheRowsBeforeIt) {
  Connection c, other;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  ASSERT_EQ(other.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), PRIMARY KEY ( N ) )");
  int32_t keys[4] = {1, 2, 1, 3};
  {
    Stmt ins(c, "INSERT INTO S.T(N) VALUES(:1)");
    ins.BindPos(1, keys, sizeof(int32_t), SQLT_INT);
    EXPECT_EQ(ins.Execute(4), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1);
    EXPECT_EQ(ins.RowCount(), 2u);
  }
  EXPECT_EQ(Count(other, "SELECT COUNT(*) FROM S.T"), 0);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(Count(other, "SELECT COUNT(*) FROM S.T"), 2);
  // Commit on success applies to the execution that succeeds.
  int32_t more = 7;
  Stmt ins(c, "INSERT INTO S.T(N) VALUES(:1)");
  ins.BindPos(1, &more, sizeof more, SQLT_INT);
  ASSERT_EQ(ins.Execute(1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(Count(other, "SELECT COUNT(*) FROM S.T"), 3);
  EXPECT_EQ(ins.Execute(0), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 24333);
  c.Close();
  other.Close();
}

TEST_F(OciTest, AttachLogonAndSessionIds) {
  {
    Connection c;
    EXPECT_EQ(c.Open("NOWHERE", "S", "s"), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 12154);
  }
  {
    Connection c;
    EXPECT_EQ(c.Open("LOCAL", "S", "wrong"), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1017);
  }
  {
    Connection c;
    EXPECT_EQ(c.Open("ORCL", "S", "s"), OCI_ERROR);  // another server knows no user S
    EXPECT_EQ(c.ErrorCode(), 1017);
  }
  sqlengine::Engine::Instance().InjectFailure("OCIServerAttach", 12545);
  {
    Connection c;
    EXPECT_EQ(c.Open("LOCAL", "S", "s"), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 12545);
  }
  Connection a, b;
  ASSERT_EQ(a.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  ASSERT_EQ(b.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  int64_t idA = Count(a, "SELECT USERENV('SESSIONID') FROM DUAL");
  int64_t idB = Count(b, "SELECT USERENV('SESSIONID') FROM DUAL");
  EXPECT_NE(idA, idB);
  Stmt live(a, "SELECT AUDSID FROM V$SESSION WHERE AUDSID <>0 AND STATUS <> 'KILLED' ORDER BY AUDSID");
  int64_t ids[100];
  live.Define(1, ids, sizeof(int64_t), SQLT_INT);
  ASSERT_EQ(live.Execute(0), OCI_SUCCESS);
  EXPECT_EQ(live.Fetch(100), OCI_NO_DATA);
  ASSERT_EQ(live.RowCount(), 2u);
  EXPECT_EQ(ids[0], std::min(idA, idB));
  EXPECT_EQ(ids[1], std::max(idA, idB));
  a.Close();
  b.Close();
}

// A program that registered no server finds one through ROG_ENGINE_SERVERS, as relgen does; a name
// missing from the list stays unknown.
TEST_F(OciTest, UnregisteredServerIsResolvedFromTheEnvironment) {
  const std::string listed = "OTHER=/nonexistent/none;Far=" + dir_ + "/local";
  ASSERT_EQ(setenv("ROG_ENGINE_SERVERS", listed.c_str(), 1), 0);
  {
    Connection c;
    EXPECT_EQ(c.Open("FAR", "S", "s"), OCI_SUCCESS);
    EXPECT_EQ(Count(c, "SELECT COUNT(*) FROM DUAL"), 1);
    c.Close();
  }
  {
    Connection c;
    EXPECT_EQ(c.Open("NEAR", "S", "s"), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 12154);
  }
  unsetenv("ROG_ENGINE_SERVERS");
  sqlengine::Engine::Instance().UnregisterServer("FAR");
}

TEST_F(OciTest, ErrorsTruncationAndNulls) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), V VARCHAR2 (20) )");
  Exec(c, "INSERT INTO S.T (N, V) VALUES (1, 'abcdef')");
  Exec(c, "INSERT INTO S.T (N, V) VALUES (2, NULL)");
  {
    Stmt sel(c, "SELECT V FROM S.T WHERE N = 1");
    char v[4];
    sb2 ind = 0;
    ub2 rcode = 0;
    sel.Define(1, v, sizeof v, SQLT_STR, &ind, &rcode);
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    EXPECT_EQ(sel.Fetch(1), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(c.ErrorCode(), 1406);
    EXPECT_STREQ(v, "abc");
    EXPECT_EQ(ind, 6);
    EXPECT_EQ(rcode, 1406);
    EXPECT_EQ(sel.RowCount(), 1u);
  }
  {
    Stmt sel(c, "SELECT V FROM S.T WHERE N = 2");
    char v[8];
    sel.Define(1, v, sizeof v, SQLT_STR);
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    EXPECT_EQ(sel.Fetch(1), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1405);
  }
  struct Bad {
    const char* sql;
    sb4 code;
  };
  const Bad bad[] = {
      {"SELECT * FROM S.NOPE", 942},
      {"SELECT NOPE FROM S.T", 904},
      {"SELECT * FROM S.T LIMIT 1", 900},
      {"INSERT INTO S.T (N) VALUES (1);", 911},
  };
  for (const auto& b : bad) {
    Stmt st(c, b.sql);
    EXPECT_EQ(st.Execute(), OCI_ERROR) << b.sql;
    std::string text;
    EXPECT_EQ(c.ErrorCode(&text), b.code) << b.sql << " " << text;
    if (b.code == 900) {
      EXPECT_NE(text.find(b.sql), std::string::npos) << text;
    }
  }
  sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 60, "S.T");
  {
    Stmt st(c, "SELECT N FROM S.T");
    EXPECT_EQ(st.Execute(0), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 60);
    EXPECT_EQ(st.Execute(0), OCI_SUCCESS);
    EXPECT_EQ(c.ErrorCode(), 0);
  }
  {
    Stmt st(c, "SELECT N FROM S.T WHERE N = :1");
    EXPECT_EQ(st.Execute(0), OCI_ERROR);
    EXPECT_EQ(c.ErrorCode(), 1008);
  }
  c.Close();
}

TEST_F(OciTest, NumbersConvertBothWays) {
  Connection c;
  OCINumber num;
  const int64_t signedValues[] = {0, -1, 42, INT64_MIN, INT64_MAX};
  for (int64_t v : signedValues) {
    ASSERT_EQ(OCINumberFromInt(c.err, &v, sizeof v, OCI_NUMBER_SIGNED, &num), OCI_SUCCESS);
    int64_t back = 7;
    ASSERT_EQ(OCINumberToInt(c.err, &num, sizeof back, OCI_NUMBER_SIGNED, &back), OCI_SUCCESS) << v;
    EXPECT_EQ(back, v);
  }
  uint64_t big = UINT64_MAX;
  ASSERT_EQ(OCINumberFromInt(c.err, &big, sizeof big, OCI_NUMBER_UNSIGNED, &num), OCI_SUCCESS);
  uint64_t ubig = 0;
  ASSERT_EQ(OCINumberToInt(c.err, &num, sizeof ubig, OCI_NUMBER_UNSIGNED, &ubig), OCI_SUCCESS);
  EXPECT_EQ(ubig, UINT64_MAX);
  int64_t sbig = 0;
  EXPECT_EQ(OCINumberToInt(c.err, &num, sizeof sbig, OCI_NUMBER_SIGNED, &sbig), OCI_ERROR);
  int64_t wide = 1LL << 40;
  ASSERT_EQ(OCINumberFromInt(c.err, &wide, sizeof wide, OCI_NUMBER_SIGNED, &num), OCI_SUCCESS);
  int32_t narrow = 0;
  EXPECT_EQ(OCINumberToInt(c.err, &num, sizeof narrow, OCI_NUMBER_SIGNED, &narrow), OCI_ERROR);
  OCINumber lowest;
  int64_t minValue = INT64_MIN;
  OCINumberFromInt(c.err, &minValue, sizeof minValue, OCI_NUMBER_SIGNED, &lowest);
  sword cmp = 9;
  ASSERT_EQ(OCINumberCmp(c.err, &lowest, &num, &cmp), OCI_SUCCESS);
  EXPECT_EQ(cmp, -1);

  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38) DEFAULT 0 )");
  {
    Stmt ins(c, "INSERT INTO S.T(N) VALUES(:1)");
    ins.BindPos(1, &lowest, sizeof lowest, SQLT_VNU);
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  }
  Stmt sel(c, "SELECT N FROM S.T");
  OCINumber out;
  sel.Define(1, &out, sizeof out, SQLT_VNU);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(sel.Fetch(1), OCI_SUCCESS);
  int64_t back = 0;
  ASSERT_EQ(OCINumberToInt(c.err, &out, sizeof back, OCI_NUMBER_SIGNED, &back), OCI_SUCCESS);
  EXPECT_EQ(back, INT64_MIN);
  c.Close();
}

// Unsigned integers (SQLT_UIN) as the server converts them: bound values are read unsigned whatever
// their size; a define gives the number when the buffer holds it and ORA-01455 for a negative number or
// one too large, while a signed 8-byte define reads every one of them.
TEST_F(OciTest, UnsignedIntegersBindUnsignedAndRefuseNegativeNumbersOnDefine) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( K NUMBER (38), N NUMBER (38) )");
  {
    Stmt ins(c, "INSERT INTO S.T (K, N) VALUES (:1, :2)");
    int32_t key = 1;
    uint64_t wide = 4000000000u;   // 8 bytes, as the gateway binds an unsigned int
    ins.BindPos(1, &key, sizeof key, SQLT_INT);
    ins.BindPos(2, &wide, sizeof wide, SQLT_UIN);
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
    key = 2;
    wide = 0xFFFFFFFFFFFFFFFFull >> 1;
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  }
  Exec(c, "INSERT INTO S.T (K, N) VALUES (3, -294967296)");
  EXPECT_EQ(Count(c, "SELECT COUNT(*) FROM S.T WHERE N = 4000000000"), 1);
  auto fetch = [&](int k, ub2 type, void* out, sb4 size) {
    Stmt sel(c, "SELECT N FROM S.T WHERE K = " + std::to_string(k));
    sel.Define(1, out, size, type);
    EXPECT_EQ(sel.Execute(0), OCI_SUCCESS);
    const sword status = sel.Fetch(1);
    return status == OCI_SUCCESS ? 0 : c.ErrorCode();
  };
  uint32_t u4 = 0;
  EXPECT_EQ(fetch(1, SQLT_UIN, &u4, sizeof u4), 0);
  EXPECT_EQ(u4, 4000000000u);
  EXPECT_EQ(fetch(2, SQLT_UIN, &u4, sizeof u4), 1455);   // too large for 4 bytes
  EXPECT_EQ(fetch(3, SQLT_UIN, &u4, sizeof u4), 1455);   // negative
  int64_t s8 = 0;
  EXPECT_EQ(fetch(3, SQLT_INT, &s8, sizeof s8), 0);
  EXPECT_EQ(s8, -294967296);
  EXPECT_EQ(fetch(1, SQLT_INT, &u4, sizeof u4), 1455);   // a signed 4-byte integer cannot hold it
  int32_t s4 = 0;
  EXPECT_EQ(fetch(3, SQLT_INT, &s4, sizeof s4), 0);      // one it holds, negative
  EXPECT_EQ(s4, -294967296);
  Exec(c, "INSERT INTO S.T (K, N) VALUES (4, -1234)");
  int16_t s2 = 0;
  EXPECT_EQ(fetch(4, SQLT_INT, &s2, sizeof s2), 0);      // a signed 2-byte integer (a class id column)
  EXPECT_EQ(s2, -1234);
  EXPECT_EQ(fetch(3, SQLT_INT, &s2, sizeof s2), 1455);   // too large for 2 bytes
  c.Close();
}

TEST_F(OciTest, ExternalTypesRoundTrip) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( A CHAR (6), B VARCHAR2 (10), C LONG VARCHAR, D RAW (4), E BLOB, F NUMBER (38), G NUMBER DEFAULT 0, H CHAR (1) )");
  char fixed[6] = {'a', 'b', ' ', ' ', ' ', ' '};
  struct {
    ub2 len;
    char data[10];
  } vcs = {3, "xyz"};
  struct {
    sb4 len;
    char data[8];
  } lvc = {5, "long!"};
  struct {
    ub2 len;
    ub1 data[4];
  } vbi = {3, {1, 0, 2}};
  struct {
    sb4 len;
    ub1 data[4];
  } lvb = {2, {0xFF, 0}};
  uint16_t unsignedShort = 65535;
  double real = 2.5;
  struct {
    ub2 len;
    char data[1];
  } boolean = {1, {1}};
  {
    Stmt ins(c, "INSERT INTO S.T VALUES (:1, :2, :3, :4, :5, :6, :7, :8)");
    ins.BindPos(1, fixed, sizeof fixed, SQLT_AFC);
    ins.BindPos(2, &vcs, sizeof vcs, SQLT_VCS);
    ins.BindPos(3, &lvc, sizeof lvc, SQLT_LVC);
    ins.BindPos(4, &vbi, sizeof vbi, SQLT_VBI);
    ins.BindPos(5, &lvb, sizeof lvb, SQLT_LVB);
    ins.BindPos(6, &unsignedShort, sizeof unsignedShort, SQLT_UIN);
    ins.BindPos(7, &real, sizeof real, SQLT_FLT);
    ins.BindPos(8, &boolean, sizeof boolean, SQLT_VCS);
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  }
  Stmt sel(c, "SELECT A, B, C, D, E, F, G, H FROM S.T");
  char a[8];
  struct {
    ub2 len;
    char data[10];
  } b;
  struct {
    sb4 len;
    char data[8];
  } cc;
  struct {
    ub2 len;
    ub1 data[4];
  } d;
  struct {
    sb4 len;
    ub1 data[4];
  } e;
  uint16_t f = 0;
  float g = 0;
  struct {
    ub2 len;
    char data[1];
  } h;
  sel.Define(1, a, sizeof a, SQLT_AFC);
  sel.Define(2, &b, sizeof b, SQLT_VCS);
  sel.Define(3, &cc, sizeof cc, SQLT_LVC);
  sel.Define(4, &d, sizeof d, SQLT_VBI);
  sel.Define(5, &e, sizeof e, SQLT_LVB);
  sel.Define(6, &f, sizeof f, SQLT_UIN);
  sel.Define(7, &g, sizeof g, SQLT_FLT);
  sel.Define(8, &h, sizeof h, SQLT_VCS);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(sel.Fetch(1), OCI_SUCCESS);
  EXPECT_EQ(std::string(a, 8), "ab      ");  // blank-padded to the buffer
  EXPECT_EQ(std::string(b.data, b.len), "xyz");
  EXPECT_EQ(std::string(cc.data, static_cast<size_t>(cc.len)), "long!");
  ASSERT_EQ(d.len, 3);
  EXPECT_EQ(d.data[1], 0);
  EXPECT_EQ(d.data[2], 2);
  ASSERT_EQ(e.len, 2);
  EXPECT_EQ(e.data[0], 0xFF);
  EXPECT_EQ(f, 65535);
  EXPECT_FLOAT_EQ(g, 2.5f);
  ASSERT_EQ(h.len, 1);
  EXPECT_EQ(h.data[0], 1);
  c.Close();
}

TEST_F(OciTest, DatesIncludingTheEmptyDateSentinel) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( N NUMBER (38), D DATE )");
  ub1 dates[2][7] = {{53, 88, 1, 1, 1, 1, 1}, {119, 100, 1, 1, 24, 60, 60}};
  int32_t keys[2] = {1, 2};
  {
    Stmt ins(c, "INSERT INTO S.T(N,D) VALUES(:1,:2)");
    ins.BindPos(1, keys, sizeof(int32_t), SQLT_INT);
    ins.BindPos(2, dates, 7, SQLT_DAT);
    ASSERT_EQ(ins.Execute(2), OCI_SUCCESS);
  }
  EXPECT_EQ(Count(c, "SELECT COUNT(*) FROM S.T WHERE D < TO_DATE('01/01/0001', 'mm/dd/yyyy')"), 1);
  Stmt sel(c, "SELECT D FROM S.T ORDER BY N");
  ub1 out[2][7];
  sel.Define(1, out, 7, SQLT_DAT);
  ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(sel.Fetch(2), OCI_SUCCESS);
  EXPECT_EQ(std::memcmp(out, dates, sizeof out), 0);
  ub1 bad[7] = {120, 124, 13, 1, 1, 1, 1};
  Stmt ins(c, "INSERT INTO S.T(D) VALUES(:1)");
  ins.BindPos(1, bad, 7, SQLT_DAT);
  EXPECT_EQ(ins.Execute(), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 1843);
  c.Close();
}

TEST_F(OciTest, LobWrittenShrunkAndReadBackHasNoTail) {
  Connection c, other;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  ASSERT_EQ(other.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T \n( OID NUMBER (38) DEFAULT 0 not null,\n DATA BLOB DEFAULT EMPTY_BLOB(),\n PRIMARY KEY ( OID ) )");
  // Insert with an empty locator, as the gateway binds a fresh LOB handle.
  OCILobLocator* fresh = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(c.env, reinterpret_cast<dvoid**>(&fresh), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(OCIAttrSet(fresh, OCI_DTYPE_LOB, nullptr, 0, OCI_ATTR_LOBEMPTY, c.err), OCI_SUCCESS);
  int32_t oid = 1;
  {
    Stmt ins(c, "INSERT INTO S.T(OID,DATA) VALUES(:1,:2)");
    ins.BindPos(1, &oid, sizeof oid, SQLT_INT);
    ins.BindPos(2, &fresh, sizeof fresh, SQLT_BLOB);
    ASSERT_EQ(ins.Execute(), OCI_SUCCESS);
  }
  OCILobLocator* loc = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(c.env, reinterpret_cast<dvoid**>(&loc), OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  auto writeThroughLocator = [&](const std::string& value) {
    Stmt sel(c, "SELECT OID, DATA FROM S.T WHERE OID = :1 FOR UPDATE ");
    sel.BindPos(1, &oid, sizeof oid, SQLT_INT);
    int32_t got = 0;
    sb2 ind = 0;
    sel.Define(1, &got, sizeof got, SQLT_INT);
    sel.Define(2, &loc, sizeof loc, SQLT_BLOB, &ind);
    ASSERT_EQ(sel.Execute(0), OCI_SUCCESS);
    ASSERT_EQ(sel.Fetch(1), OCI_SUCCESS);
    ASSERT_EQ(ind, 0);
    ub4 amount = static_cast<ub4>(value.size());
    ASSERT_EQ(OCILobWrite(c.svc, c.err, loc, &amount, 1, const_cast<char*>(value.data()), amount, OCI_ONE_PIECE, nullptr,
                          nullptr, 0, 0),
              OCI_SUCCESS);
    EXPECT_EQ(amount, value.size());
    ASSERT_EQ(OCILobTrim(c.svc, c.err, loc, static_cast<ub4>(value.size())), OCI_SUCCESS);
  };
  writeThroughLocator("0123456789");
  writeThroughLocator("abc");
  ub4 length = 0;
  ASSERT_EQ(OCILobGetLength(c.svc, c.err, loc, &length), OCI_SUCCESS);
  EXPECT_EQ(length, 3u);
  char buf[16] = {};
  ub4 amount = length;
  ASSERT_EQ(OCILobRead(c.svc, c.err, loc, &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, 0), OCI_SUCCESS);
  EXPECT_EQ(std::string(buf, amount), "abc");
  EXPECT_EQ(OCILobTrim(c.svc, c.err, loc, 10), OCI_ERROR);
  EXPECT_EQ(c.ErrorCode(), 22926);
  ASSERT_EQ(OCITransCommit(c.svc, c.err, OCI_DEFAULT), OCI_SUCCESS);
  // Read without a locator (LONG RAW style) from another session: the shorter value, no tail.
  Stmt raw(other, "SELECT DATA FROM S.T");
  struct {
    sb4 len;
    char data[16];
  } value;
  raw.Define(1, &value, sizeof value, SQLT_LVB);
  ASSERT_EQ(raw.Execute(0), OCI_SUCCESS);
  ASSERT_EQ(raw.Fetch(1), OCI_SUCCESS);
  EXPECT_EQ(std::string(value.data, static_cast<size_t>(value.len)), "abc");
  EXPECT_EQ(OCIDescriptorFree(loc, OCI_DTYPE_LOB), OCI_SUCCESS);
  EXPECT_EQ(OCIDescriptorFree(fresh, OCI_DTYPE_LOB), OCI_SUCCESS);
  c.Close();
  other.Close();
}

TEST_F(OciTest, LockProcedureThroughNamedArrayBinds) {
  Connection one, two;
  ASSERT_EQ(one.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  ASSERT_EQ(two.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  for (const auto& sql : testddl::LockObjects("S")) Exec(one, sql);
  auto acquire = [&](Connection& c, int client, std::vector<int64_t> oids, std::vector<int32_t> modes) {
    Stmt st(c, "BEGIN S.ACQUIRE_LOCK( " + std::to_string(client) + ", :1, :oid_list, :lock_list ); END;");
    int32_t count = static_cast<int32_t>(oids.size());
    ub4 oidCount = static_cast<ub4>(oids.size()), modeCount = static_cast<ub4>(modes.size());
    std::vector<OCINumber> numbers(oids.size());
    for (size_t i = 0; i < oids.size(); ++i) OCINumberFromInt(c.err, &oids[i], sizeof(int64_t), OCI_NUMBER_SIGNED, &numbers[i]);
    st.BindPos(1, &count, sizeof count, SQLT_INT);
    OCIBind* b = nullptr;
    EXPECT_EQ(OCIBindByName(st.h, &b, c.err, reinterpret_cast<const OraText*>(":oid_list"), 9, numbers.data(),
                            sizeof(OCINumber), SQLT_VNU, nullptr, nullptr, nullptr, oidCount, &oidCount, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIBindByName(st.h, &b, c.err, reinterpret_cast<const OraText*>(":lock_list"), 10, modes.data(),
                            sizeof(int32_t), SQLT_INT, nullptr, nullptr, nullptr, modeCount, &modeCount, OCI_DEFAULT),
              OCI_SUCCESS);
    sword s = st.Execute();
    if (s == OCI_SUCCESS) {
      EXPECT_EQ(st.RowCount(), 1u);
    }
    return s;
  };
  EXPECT_EQ(acquire(one, 1, {10, 20}, {1142, 8196}), OCI_SUCCESS);
  EXPECT_EQ(acquire(two, 2, {10}, {1142}), OCI_SUCCESS);
  EXPECT_EQ(acquire(two, 2, {30, 20}, {1142, 1142}), OCI_ERROR);
  std::string text;
  EXPECT_EQ(two.ErrorCode(&text), 20099);
  EXPECT_NE(text.find("Object already locked"), std::string::npos);
  EXPECT_EQ(Count(one, "SELECT COUNT(*) FROM S.LOCKS"), 3);
  Stmt holders(one, "SELECT DISTINCT LOCKMODE, L.CLIENTID, USERID FROM S.LOCKS L, S.ACTIVECLIENTS C WHERE OID = :1 AND L.CLIENTID = C.CLIENTID");
  int32_t oid = 10;
  holders.BindPos(1, &oid, sizeof oid, SQLT_INT);
  ASSERT_EQ(holders.Execute(0), OCI_SUCCESS);
  one.Close();
  two.Close();
}

TEST_F(OciTest, LockRowsCommitWhileClassRowsOfTheSameSchemaAreUncommitted) {
  Connection client, txn;
  ASSERT_EQ(client.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  ASSERT_EQ(txn.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  for (const auto& sql : testddl::LockObjects("S")) Exec(client, sql);
  Exec(client, "CREATE TABLE S.T ( OID NUMBER (38) DEFAULT 0 not null, PRIMARY KEY ( OID ) )");
  Exec(txn, "INSERT INTO S.T(OID) VALUES(1)");
  Exec(client, "INSERT INTO S.LOCKS (OID, LOCKMODE, CLIENTID) VALUES (1, 8196, 5)");
  EXPECT_EQ(OCITransCommit(client.svc, client.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(Count(txn, "SELECT COUNT(*) FROM S.LOCKS"), 1);
  EXPECT_EQ(OCITransCommit(txn.svc, txn.err, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(Count(client, "SELECT COUNT(*) FROM S.T"), 1);
  client.Close();
  txn.Close();
}

TEST_F(OciTest, DescribeOnlyGivesColumnNames) {
  Connection c;
  ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
  Exec(c, "CREATE TABLE S.T ( oid NUMBER (38), cid NUMBER (38), NAME VARCHAR2 (12) )");
  auto names = [&](const std::string& sql) {
    std::vector<std::string> out;
    Stmt st(c, sql);
    EXPECT_EQ(st.Execute(0, OCI_DESCRIBE_ONLY), OCI_SUCCESS);
    for (ub4 pos = 1;; ++pos) {
      OCIParam* p = nullptr;
      if (OCIParamGet(st.h, OCI_HTYPE_STMT, c.err, reinterpret_cast<dvoid**>(&p), pos) != OCI_SUCCESS) break;
      OraText* name = nullptr;
      ub4 len = 0;
      EXPECT_EQ(OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, c.err), OCI_SUCCESS);
      out.emplace_back(reinterpret_cast<char*>(name), len);
      ub2 type = 0;
      EXPECT_EQ(OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, c.err), OCI_SUCCESS);
      EXPECT_EQ(type, out.back() == "NAME" ? 1 : 2);
    }
    return out;
  };
  EXPECT_EQ(names("SELECT oid, cid FROM S.T"), (std::vector<std::string>{"OID", "CID"}));
  EXPECT_EQ(names("SELECT * FROM S.T"), (std::vector<std::string>{"OID", "CID", "NAME"}));
  // A statement that is not a query: no columns at position 1.
  Stmt ddl(c, "DROP TABLE S.T");
  ub2 type = 0;
  ASSERT_EQ(OCIAttrGet(ddl.h, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, c.err), OCI_SUCCESS);
  EXPECT_EQ(type, OCI_STMT_DROP);
  ASSERT_EQ(ddl.Execute(), OCI_SUCCESS);
  OCIParam* p = nullptr;
  EXPECT_EQ(OCIParamGet(ddl.h, OCI_HTYPE_STMT, c.err, reinterpret_cast<dvoid**>(&p), 1), OCI_NO_DATA);
  c.Close();
}

TEST_F(OciTest, CharacterSetChecksOfTheAdapter) {
  struct Case {
    const char* charset;
    bool converts;
    const char* query;
    ub1 first;
  };
  const Case cases[] = {
      {"AL32UTF8", false, "SELECT CHR(52905) FROM DUAL", 0xCE},
      {"AL32UTF8", true, "SELECT CHR(52905) FROM DUAL", '?'},
      {"WE8ISO8859P1", false, "SELECT CHR(252) FROM DUAL", 0xFC},
      {"WE8ISO8859P1", true, "SELECT CHR(252) FROM DUAL", 0xC3},
  };
  for (const auto& k : cases) {
    server_->SetCharacterSet(k.charset);
    server_->SetClientConverts(k.converts);
    Connection c;
    ASSERT_EQ(c.Open("LOCAL", "S", "s"), OCI_SUCCESS);
    {
      Stmt nls(c, "SELECT VALUE FROM V$NLS_PARAMETERS WHERE PARAMETER = 'NLS_CHARACTERSET'");
      char value[32];
      nls.Define(1, value, sizeof value, SQLT_STR);
      ASSERT_EQ(nls.Execute(0), OCI_SUCCESS);
      ASSERT_EQ(nls.Fetch(1), OCI_SUCCESS);
      EXPECT_STREQ(value, k.charset);
      Stmt chr(c, k.query);
      struct {
        ub2 len;
        ub1 data[4];
      } out = {};
      chr.Define(1, &out, sizeof out, SQLT_VCS);
      ASSERT_EQ(chr.Execute(0), OCI_SUCCESS);
      ASSERT_EQ(chr.Fetch(1), OCI_SUCCESS);
      ASSERT_GE(out.len, 1);
      EXPECT_EQ(out.data[0], k.first) << k.charset << " " << k.converts;
    }
    c.Close();
  }
}

}  // namespace
