#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kxtypes.h"

namespace {

// A value of one kernel type, with its C++ type hidden behind the type code.
struct Sample {
    uint8_t code;
    int32_t fixedLen;   // -1: variable
    std::string label;
    std::shared_ptr<void> value;
    std::function<bool(const void*, const void*)> equal;
};

template <class T>
Sample MakeSample(uint8_t code, int32_t fixedLen, const std::string& label, T v) {
    return Sample{code, fixedLen, label, std::make_shared<T>(v),
                  [](const void* a, const void* b) { return *static_cast<const T*>(a) == *static_cast<const T*>(b); }};
}

std::vector<Sample> AllTypes() {
    KxString wide(u"\u4E2D\u20AC");
    KxString lang("lang");
    lang.SetLanguage(2);
    KxString codeSet0("cs0");
    codeSet0.SetCodeSet(0);
    return {
        MakeSample<char>(0, 1, "char", 'q'),
        MakeSample<int16_t>(1, 2, "short", int16_t(-12345)),
        MakeSample<int32_t>(2, 4, "int", int32_t(-123456789)),
        MakeSample<double>(3, 8, "double", -1.25e-300),
        MakeSample<float>(4, 4, "float", 3.5e30f),
        MakeSample<uint16_t>(5, 2, "unsigned short", uint16_t(65535)),
        MakeSample<uint32_t>(6, 4, "unsigned int", uint32_t(4000000000u)),
        MakeSample<int32_t>(7, 4, "long", std::numeric_limits<int32_t>::min()),
        MakeSample<uint32_t>(8, 4, "unsigned long", std::numeric_limits<uint32_t>::max()),
        MakeSample<int32_t>(9, 4, "4-byte integer", int32_t(-7)),
        MakeSample<uint8_t>(10, 1, "byte", uint8_t(200)),
        MakeSample<KxString>(11, -1, "8-bit string", KxString("a\0b\xE9", 4)),
        MakeSample<KxString>(11, -1, "16-bit string", wide),
        MakeSample<KxString>(11, -1, "empty string", KxString("")),
        MakeSample<KxString>(11, -1, "inactive string", KxString()),
        MakeSample<KxString>(11, -1, "string with language", lang),
        MakeSample<KxString>(11, -1, "string in code set 0", codeSet0),
        MakeSample<KxDate>(12, 4, "date", KxDate(2024, 2, 29)),
        MakeSample<KxTime>(13, 3, "time", KxTime(23, 59, 58)),
        MakeSample<KxObjId>(15, 6, "object id", KxObjId(0x89ABCDEFu, 0x1234)),
        MakeSample<KxClassId>(16, 4, "class id", KxClassId(300, 7)),
        MakeSample<KxObjId>(17, 6, "object id (17)", KxObjId(1, 0xFFFF)),
        MakeSample<KxBlob>(18, -1, "blob", KxBlob("\x00\x01\xFF", 3)),
        MakeSample<KxBlob>(18, -1, "empty blob", KxBlob()),
        MakeSample<KxDateTime>(19, 7, "date-time", KxDateTime(1999, 12, 31, 23, 59, 59)),
        MakeSample<KxIString>(20, -1, "IString", KxIString("Istr")),
        MakeSample<KxCaseIString>(21, -1, "CaseIString", KxCaseIString(u"Ca\u00DF\u4E2D")),
        MakeSample<KxInt64>(26, 8, "KxInt64", KxInt64(std::numeric_limits<int64_t>::min())),
        MakeSample<KxBoolean>(27, 1, "boolean", KxBoolean(true)),
        MakeSample<int64_t>(42, 8, "int64", int64_t(-5000000000LL)),
        MakeSample<uint64_t>(43, 8, "uint64", std::numeric_limits<uint64_t>::max()),
        MakeSample<KxNull_char>(28, 2, "null char", KxNull_char('z')),
        MakeSample<KxNull_uchar>(29, 2, "null uchar", KxNull_uchar()),
        MakeSample<KxNull_short>(30, 3, "null short", KxNull_short(-2)),
        MakeSample<KxNull_ushort>(31, 3, "null ushort", KxNull_ushort(65535)),
        MakeSample<KxNull_int>(32, 5, "null int", KxNull_int()),
        MakeSample<KxNull_unsigned>(33, 5, "null unsigned", KxNull_unsigned(7u)),
        MakeSample<KxNull_long>(34, 5, "null long", KxNull_long(-70000)),
        MakeSample<KxNull_ulong>(35, 5, "null ulong", KxNull_ulong()),
        MakeSample<KxNull_float>(36, 5, "null float", KxNull_float(0.5f)),
        MakeSample<KxNull_double>(37, 9, "null double", KxNull_double(-2.25)),
        MakeSample<KxNull_KxInt64>(38, 9, "null KxInt64", KxNull_KxInt64(KxInt64(-5))),
        MakeSample<KxNull_8b>(44, 9, "null 8b", KxNull_8b()),
        MakeSample<KxNull_u8b>(45, 9, "null u8b", KxNull_u8b(uint64_t(1) << 63)),
    };
}

const uint8_t kAllCodes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 15, 16, 17, 18, 19,
                              20, 21, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 42, 43, 44, 45};

TEST(KxTypeMgr, EveryTypeCodeHasARowAndNoOtherCodeHas) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    const std::set<uint8_t> valid(std::begin(kAllCodes), std::end(kAllCodes));
    for (int code = 0; code < 256; ++code) {
        const uint8_t c = static_cast<uint8_t>(code);
        const bool expected = valid.count(c) != 0;
        EXPECT_EQ(mgr->IsValidType(c), expected) << code;
        EXPECT_EQ(std::strlen(mgr->NameGet(c)) > 0, expected) << code;
        if (!expected) {
            int32_t v = 0;
            uint8_t buf[16];
            KxString text("keep");
            EXPECT_EQ(mgr->DiskLenGet(c, &v), 0u);
            EXPECT_EQ(mgr->Store(c, &v, buf), KX_TYPES_E_TYPECODE);
            EXPECT_EQ(mgr->Load(c, &v, buf, sizeof buf), KX_TYPES_E_TYPECODE);
            EXPECT_EQ(mgr->PrintToKxString(c, text, &v), KX_TYPES_E_TYPECODE);
            EXPECT_EQ(mgr->ScanFromKxString(c, text, &v), KX_TYPES_E_TYPECODE);
            EXPECT_EQ(mgr->Create(c), nullptr);
            EXPECT_STREQ(text.StrGet(), "keep");
        }
    }
    EXPECT_STREQ(mgr->NameGet(11), "KxString");
    EXPECT_STREQ(mgr->NameGet(19), "KxDateTime");
}

TEST(KxTypeMgr, StoreWritesExactlyDiskLenAndLoadReadsItBack) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    std::set<uint8_t> covered;
    for (const Sample& s : AllTypes()) {
        SCOPED_TRACE(s.label);
        covered.insert(s.code);
        const uint32_t len = mgr->DiskLenGet(s.code, s.value.get());
        if (s.fixedLen >= 0) {
            EXPECT_EQ(len, static_cast<uint32_t>(s.fixedLen));
            EXPECT_EQ(mgr->DiskLenGet(s.code), len) << "fixed sizes need no value";
        }

        std::vector<uint8_t> buf(len + 8, 0xCC);
        ASSERT_EQ(mgr->Store(s.code, s.value.get(), buf.data()), static_cast<int32_t>(len));
        for (size_t i = len; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xCC) << "wrote past DiskLenGet at " << i;

        void* loaded = mgr->Create(s.code);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(mgr->Load(s.code, loaded, buf.data(), len), static_cast<int32_t>(len));
        EXPECT_TRUE(s.equal(loaded, s.value.get()));
        EXPECT_EQ(mgr->DiskLenGet(s.code, loaded), len);

        // One byte short: refused, the value untouched.
        if (len > 0) {
            void* fresh = mgr->Create(s.code);
            void* before = mgr->Create(s.code);
            EXPECT_EQ(mgr->Load(s.code, fresh, buf.data(), len - 1), KX_TYPES_E_RANGE);
            std::vector<uint8_t> a(mgr->DiskLenGet(s.code, fresh)), b(mgr->DiskLenGet(s.code, before));
            mgr->Store(s.code, fresh, a.data());
            mgr->Store(s.code, before, b.data());
            EXPECT_EQ(a, b);
            mgr->Delete(s.code, fresh);
            mgr->Delete(s.code, before);
        }
        mgr->Delete(s.code, loaded);
    }
    EXPECT_EQ(covered, std::set<uint8_t>(std::begin(kAllCodes), std::end(kAllCodes)));
}

TEST(KxTypeMgr, StoredFormIsLittleEndian) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    uint8_t buf[32];

    const int32_t i = 0x01020304;
    mgr->Store(2, &i, buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), (std::vector<uint8_t>{4, 3, 2, 1}));

    const int16_t s = -2;
    mgr->Store(1, &s, buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 2), (std::vector<uint8_t>{0xFE, 0xFF}));

    const KxObjId id(0x01020304u, 0x0506, 0x0708);
    ASSERT_EQ(mgr->Store(15, &id, buf), 6);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 6), (std::vector<uint8_t>{4, 3, 2, 1, 6, 5}));

    const KxDateTime dt(2024, 3, 5, 7, 8, 9);
    mgr->Store(19, &dt, buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 7), (std::vector<uint8_t>{0xE8, 0x07, 3, 5, 7, 8, 9}));

    const KxString text("ab");
    ASSERT_EQ(mgr->Store(11, &text, buf), 8);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), (std::vector<uint8_t>{1, 0, 2, 0, 0, 0, 'a', 'b'}));

    const KxString wide(u"\u4E2D");
    ASSERT_EQ(mgr->Store(11, &wide, buf), 8);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), (std::vector<uint8_t>{253, 0, 1, 0, 0, 0, 0x2D, 0x4E}));

    const KxBlob blob("xyz", 3);
    ASSERT_EQ(mgr->Store(18, &blob, buf), 7);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 7), (std::vector<uint8_t>{3, 0, 0, 0, 'x', 'y', 'z'}));
}

TEST(KxTypeMgr, LoadRefusesDamagedStoredForms) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    KxString s("keep");
    // A length far beyond the bytes at hand.
    const uint8_t longString[] = {1, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    EXPECT_EQ(mgr->Load(11, &s, longString, sizeof longString), KX_TYPES_E_RANGE);
    // A code set the stand-in does not know.
    const uint8_t badCodeSet[] = {7, 0, 1, 0, 0, 0, 'a'};
    EXPECT_EQ(mgr->Load(11, &s, badCodeSet, sizeof badCodeSet), KX_TYPES_E_CODESET);
    EXPECT_STREQ(s.StrGet(), "keep");

    KxBlob b("keep", 4);
    const uint8_t longBlob[] = {0xFF, 0xFF, 0xFF, 0xFF, 1};
    EXPECT_EQ(mgr->Load(18, &b, longBlob, sizeof longBlob), KX_TYPES_E_RANGE);
    EXPECT_EQ(b, KxBlob("keep", 4));

    uint8_t buf[8] = {};
    EXPECT_EQ(mgr->Store(2, nullptr, buf), KX_TYPES_E_INVALID);
    EXPECT_EQ(mgr->Load(2, nullptr, buf, 4), KX_TYPES_E_INVALID);
}

TEST(KxTypeMgr, EveryTypePrintsAndScansBack) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    for (const Sample& s : AllTypes()) {
        SCOPED_TRACE(s.label);
        KxString text;
        ASSERT_EQ(mgr->PrintToKxString(s.code, text, s.value.get(), nullptr, 1), 0);
        void* back = mgr->Create(s.code);
        EXPECT_EQ(mgr->ScanFromKxString(s.code, text, back), 0) << text.StrGet();
        EXPECT_TRUE(s.equal(back, s.value.get())) << text.StrGet();
        mgr->Delete(s.code, back);
    }
}

struct PrintCase {
    uint8_t code;
    int64_t value;
    const char* format;
    int32_t rc;
    const char* text;
};

TEST(KxTypeMgr, PrintsNumbersWithFormats) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    const PrintCase cases[] = {
        {2, -42, nullptr, 0, "-42"},
        {2, 42, "%05d", 0, "00042"},
        {2, 255, "%x", 0, "ff"},
        {2, 42, "n=%ld;", 0, "n=42;"},        // a length modifier is replaced by the right one
        {2, 42, "%d%%", 0, "42%"},
        {6, 4000000000, "%u", 0, "4000000000"},
        {43, -1, "%llu", 0, "18446744073709551615"},
        {10, 65, nullptr, 0, "65"},
        {10, 65, "%c", 0, "A"},
        {0, 'A', "%d", 0, "65"},
        {27, 1, nullptr, 0, "true"},
        {27, 0, nullptr, 0, "false"},
        {27, 1, "%d", 0, "1"},
        {2, 1, "%s", KX_TYPES_E_INVALID, nullptr},     // not an integer conversion
        {2, 1, "%d %d", KX_TYPES_E_INVALID, nullptr},  // two conversions
        {2, 1, "%n", KX_TYPES_E_INVALID, nullptr},
        {2, 1, "%*d", KX_TYPES_E_INVALID, nullptr},
        {2, 1, "%5000d", KX_TYPES_E_INVALID, nullptr},
        {2, 1, "no conversion", KX_TYPES_E_INVALID, nullptr},
        {2, 1, "%f", KX_TYPES_E_INVALID, nullptr},
    };
    for (const PrintCase& c : cases) {
        void* v = mgr->Create(c.code);
        uint8_t raw[8] = {};
        std::memcpy(raw, &c.value, sizeof raw);
        mgr->Load(c.code, v, raw, sizeof raw);
        KxString text("before");
        EXPECT_EQ(mgr->PrintToKxString(c.code, text, v, c.format), c.rc) << int(c.code) << " " << c.format;
        EXPECT_STREQ(text.StrGet(), c.text ? c.text : "before") << int(c.code) << " " << c.format;
        mgr->Delete(c.code, v);
    }

    const double d = 0.1;
    KxString text;
    mgr->PrintToKxString(3, text, &d);
    EXPECT_STREQ(text.StrGet(), "0.1");
    mgr->PrintToKxString(3, text, &d, "%.3f");
    EXPECT_STREQ(text.StrGet(), "0.100");
    EXPECT_EQ(mgr->PrintToKxString(3, text, &d, "%d"), KX_TYPES_E_INVALID);
}

struct ScanCase {
    uint8_t code;
    const char* text;
    const char* format;
    int32_t rc;
    int64_t value;   // compared through the stored bytes
};

TEST(KxTypeMgr, ScansNumbersStrictly) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    const ScanCase cases[] = {
        {1, " -32768 ", nullptr, 0, -32768},
        {1, "32768", nullptr, KX_TYPES_E_OVERFLOW, 0},
        {1, "12a", nullptr, KX_TYPES_E_SCAN, 0},
        {1, "", nullptr, KX_TYPES_E_SCAN, 0},
        {1, "-", nullptr, KX_TYPES_E_SCAN, 0},
        {5, "65535", nullptr, 0, 65535},
        {5, "-1", nullptr, KX_TYPES_E_SCAN, 0},
        {6, "ff", "%x", 0, 255},
        {6, "4294967296", nullptr, KX_TYPES_E_OVERFLOW, 0},
        {8, "4294967295", nullptr, 0, 4294967295LL},
        {42, "-9223372036854775808", nullptr, 0, std::numeric_limits<int64_t>::min()},
        {42, "99999999999999999999", nullptr, KX_TYPES_E_OVERFLOW, 0},
        {10, "256", nullptr, KX_TYPES_E_OVERFLOW, 0},
        {0, "x", nullptr, 0, 'x'},
        {0, "xy", nullptr, KX_TYPES_E_SCAN, 0},
        {0, "65", "%d", 0, 'A'},
        {27, "TRUE", nullptr, 0, 1},
        {27, " no ", nullptr, 0, 0},
        {27, "0", nullptr, 0, 0},
        {27, "2", nullptr, 0, 1},
        {27, "maybe", nullptr, KX_TYPES_E_SCAN, 0},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " '" + c.text + "'");
        void* v = mgr->Create(c.code);
        ASSERT_EQ(mgr->ScanFromKxString(c.code, KxString(c.text), v, c.format), c.rc);
        uint8_t raw[8] = {};
        mgr->Store(c.code, v, raw);
        int64_t got = 0;
        std::memcpy(&got, raw, mgr->DiskLenGet(c.code));
        int64_t want = 0;
        std::memcpy(&want, &c.value, mgr->DiskLenGet(c.code));
        EXPECT_EQ(got, want);
        mgr->Delete(c.code, v);
    }

    double d = 0;
    EXPECT_EQ(mgr->ScanFromKxString(3, KxString(" -2.5e3 "), &d), 0);
    EXPECT_DOUBLE_EQ(d, -2500.0);
    EXPECT_EQ(mgr->ScanFromKxString(3, KxString("2.5x"), &d), KX_TYPES_E_SCAN);
    float f = 1;
    EXPECT_EQ(mgr->ScanFromKxString(4, KxString("1e39"), &f), KX_TYPES_E_OVERFLOW);
    EXPECT_EQ(f, 1.0f);
    int32_t i = 5;
    EXPECT_EQ(mgr->ScanFromKxString(2, KxString(), &i), KX_TYPES_E_SCAN);
    EXPECT_EQ(i, 5);
}

TEST(KxTypeMgr, RootBlockDateFormatAndOtherValueTexts) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    const KxDateTime stamp(2023, 11, 7, 18, 5, 0);
    KxString text;
    ASSERT_EQ(mgr->PrintToKxString(19, text, &stamp, "%Y-%m-%d %H:%M%:%S"), 0);
    EXPECT_STREQ(text.StrGet(), "2023-11-07 18:05:00");
    KxDateTime back;
    ASSERT_EQ(mgr->ScanFromKxString(19, text, &back, "%Y-%m-%d %H:%M%:%S"), 0);
    EXPECT_EQ(back, stamp);

    const KxBlob blob("\x01\xAB", 2);
    mgr->PrintToKxString(18, text, &blob);
    EXPECT_STREQ(text.StrGet(), "01AB");
    KxBlob b;
    EXPECT_EQ(mgr->ScanFromKxString(18, KxString("0G"), &b), KX_TYPES_E_SCAN);
    EXPECT_EQ(mgr->ScanFromKxString(18, KxString("ABC"), &b), KX_TYPES_E_SCAN);

    const KxString null;
    text = "x";
    ASSERT_EQ(mgr->PrintToKxString(11, text, &null), 0);
    EXPECT_FALSE(text.IsActive()) << "an inactive string prints as an inactive text";
    EXPECT_STREQ(mgr->GetNullPrintString().StrGet(), "NULL");
}

TEST(KxTypeMgr, CreateGivesFreshValuesAndTheManagerIsOne) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    EXPECT_EQ(mgr, KxTypeMgr::GetDefault());
    EXPECT_EQ(mgr->GetVersion(), 4);
    for (uint8_t code : kAllCodes) {
        void* v = mgr->Create(code);
        ASSERT_NE(v, nullptr) << int(code);
        EXPECT_GT(mgr->MemLenGet(code), 0u);
        mgr->Delete(code, v);
    }
    int32_t* n = static_cast<int32_t*>(mgr->Create(2));
    EXPECT_EQ(*n, 0);
    mgr->Delete(2, n);
    KxString* s = static_cast<KxString*>(mgr->Create(11));
    EXPECT_FALSE(s->IsActive());
    mgr->Delete(11, s);
    mgr->Delete(11, nullptr);
}

}  // namespace

TEST(KxTypeMgr, NullableValuesPrintNullAsInactiveAndScanTheNullText) {
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    KxNull_short n;
    EXPECT_TRUE(n.isNull());
    EXPECT_EQ(n.getValue(), 0);
    KxString text("x");
    ASSERT_EQ(mgr->PrintToKxString(KX_TYPE_NULL_SHORT, text, &n), 0);
    EXPECT_FALSE(text.IsActive());

    KxNull_uchar b(uint8_t(200));
    ASSERT_EQ(mgr->PrintToKxString(KX_TYPE_NULL_UCHAR, text, &b, "%d"), 0);
    EXPECT_STREQ(text.StrGet(), "200");
    EXPECT_EQ(mgr->PrintToKxString(KX_TYPE_NULL_UCHAR, text, &b, "%s"), KX_TYPES_E_INVALID);
    KxNull_uchar nb;
    EXPECT_EQ(mgr->PrintToKxString(KX_TYPE_NULL_UCHAR, text, &nb, "%s"), KX_TYPES_E_INVALID);

    KxNull_int i(5);
    ASSERT_EQ(mgr->ScanFromKxString(KX_TYPE_NULL_INT, KxString(" null "), &i), 0);
    EXPECT_TRUE(i.isNull());
    EXPECT_EQ(i.getValue(), 0);
    ASSERT_EQ(mgr->ScanFromKxString(KX_TYPE_NULL_INT, KxString("12"), &i), 0);
    EXPECT_EQ(i, KxNull_int(12));
    EXPECT_EQ(mgr->ScanFromKxString(KX_TYPE_NULL_INT, KxString("12x"), &i), KX_TYPES_E_SCAN);
    EXPECT_EQ(i, KxNull_int(12));
    i.setNull();
    EXPECT_EQ(i, KxNull_int());
}
