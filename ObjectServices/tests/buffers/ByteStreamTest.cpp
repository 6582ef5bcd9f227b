// The byte-stream form of kernel values: for every type code the stored size equals the bytes that
// StoreValue writes and LoadValue reads back, and the value comes back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxObjId.h"
#include "KxTypeMgr.h"
#include "TestTypeHdl.h"

namespace {

// Stores values with the handle of the code, checks the sizes, loads into fresh values and compares
// them with expected; a load with one byte too few is refused without moving the position.
template <typename T>
void RoundTrip(uint8_t code, const std::vector<T>& values, uint16_t flag, int32_t size, const std::vector<T>& expected)
{
    TestTypeHdl hdl(code);
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    const int32_t count = static_cast<int32_t>(values.size());
    ASSERT_EQ(hdl.StoredSize(values.data(), count, flag), size);

    std::vector<uint8_t> stream(size_t(size) + 4, 0xEE);
    uint8_t* out = stream.data();
    ASSERT_EQ(hdl.StoreValue(mgr, out, values.data(), count, flag), size);
    EXPECT_EQ(out - stream.data(), size);
    EXPECT_EQ(stream[size_t(size)], 0xEE);   // nothing written past the stored size

    std::vector<T> loaded(values.size());
    const uint8_t* in = stream.data();
    ASSERT_EQ(hdl.LoadValue(mgr, in, loaded.data(), count, flag, uint32_t(size)), size);
    EXPECT_EQ(in - stream.data(), size);
    EXPECT_EQ(loaded, expected);

    if (size > 0) {
        std::vector<T> again(values.size());
        in = stream.data();
        EXPECT_EQ(hdl.LoadValue(mgr, in, again.data(), count, flag, uint32_t(size - 1)), -6093);
        EXPECT_EQ(in, stream.data());
    }
}

template <typename T>
void RoundTrip(uint8_t code, const std::vector<T>& values, uint16_t flag, int32_t size)
{
    RoundTrip(code, values, flag, size, values);
}

// Codes without a stream form: nothing written, nothing read, the target unchanged.
void Nothing(uint8_t code)
{
    RoundTrip<int32_t>(code, {7, 8}, 1, 0, {0, 0});
}

struct Case {
    std::string name;
    std::function<void()> run;
};

class ByteStream : public ::testing::TestWithParam<Case> {};

TEST_P(ByteStream, StoredSizeEqualsBytesWrittenAndRead)
{
    GetParam().run();
}

const Case kCases[] = {
    {"char_0", [] { RoundTrip<char>(0, {'a', 'Z', '\0'}, 0, 3); }},
    {"short_1", [] { RoundTrip<int16_t>(1, {-2, 300}, 0, 4); }},
    {"int_2", [] { RoundTrip<int32_t>(2, {-70000, 5}, 0, 8); }},
    {"double_3", [] { RoundTrip<double>(3, {1.5, -0.25}, 0, 16); }},
    {"float_4", [] { RoundTrip<float>(4, {3.25f}, 0, 4); }},
    {"ushort_5", [] { RoundTrip<uint16_t>(5, {65535}, 0, 2); }},
    {"uint_6", [] { RoundTrip<uint32_t>(6, {4000000000u, 1}, 0, 8); }},
    {"long_7", [] { RoundTrip<int32_t>(7, {-1}, 0, 4); }},
    {"ulong_8", [] { RoundTrip<uint32_t>(8, {123}, 0, 4); }},
    {"int4_9", [] { Nothing(9); }},
    {"byte_10", [] { RoundTrip<uint8_t>(10, {0, 255, 7}, 0, 3); }},
    {"string_11", [] { RoundTrip<KxString>(11, {KxString("abc")}, 0, 5); }},
    {"string_11_empty", [] { RoundTrip<KxString>(11, {KxString("")}, 0, 2); }},
    {"string_11_16bit", [] { RoundTrip<KxString>(11, {KxString(u"\u03A9x\u4E2D")}, 0, 1 + 6 + 2); }},
    {"string_11_16bit_empty", [] { RoundTrip<KxString>(11, {KxString(u"")}, 0, 3); }},
    {"string_11_count_ignored", [] { RoundTrip<KxString>(11, {KxString("xy")}, 1, 4); }},
    {"date_12", [] { RoundTrip<KxDate>(12, {KxDate(2024, 2, 29), KxDate()}, 0, 8); }},
    {"time_13", [] { RoundTrip<KxTime>(13, {KxTime(23, 59, 1)}, 0, 3); }},
    {"code_14", [] { Nothing(14); }},
    {"objid_15_flag", [] { RoundTrip<KxObjId>(15, {KxObjId(1, 2), KxObjId(0xFFFFFFFFu, 0xFFFF), KxObjId(7)}, 1, 18); }},
    {"objid_15_noflag",
     [] { RoundTrip<KxObjId>(15, {KxObjId(1, 2), KxObjId(9), KxObjId(7)}, 0, 12, {KxObjId(1), KxObjId(9), KxObjId(7)}); }},
    {"classid_16", [] { RoundTrip<KxClassId>(16, {KxClassId(12, 3), KxClassId(65535, 1)}, 0, 4, {KxClassId(12, 0), KxClassId(65535, 0)}); }},
    {"objid_17", [] { Nothing(17); }},
    {"blob_18", [] { RoundTrip<KxBlob>(18, {KxBlob("\0\1\2\3\4", 5)}, 0, 9); }},
    {"blob_18_empty", [] { RoundTrip<KxBlob>(18, {KxBlob()}, 0, 4); }},
    {"datetime_19", [] { RoundTrip<KxDateTime>(19, {KxDateTime(1999, 12, 31, 23, 59, 58)}, 0, 7); }},
    {"istring_20", [] { RoundTrip<KxIString>(20, {KxIString("Hello")}, 0, 7); }},
    {"istring_20_empty", [] { RoundTrip<KxIString>(20, {KxIString("")}, 0, 2); }},
    {"caseistring_21", [] { RoundTrip<KxCaseIString>(21, {KxCaseIString(u"\u00C4\u0416")}, 0, 1 + 4 + 2); }},
    {"code_22", [] { Nothing(22); }},
    {"code_25", [] { Nothing(25); }},
    {"kxint64_26", [] { RoundTrip<KxInt64>(26, {KxInt64(-5), KxInt64(INT64_MIN)}, 0, 16); }},
    {"boolean_27", [] { RoundTrip<KxBoolean>(27, {KxBoolean(true), KxBoolean(false)}, 0, 2); }},
    {"code_28", [] { Nothing(28); }},
    {"int64_42", [] { RoundTrip<int64_t>(42, {INT64_MIN, 1}, 0, 16); }},
    {"uint64_43", [] { RoundTrip<uint64_t>(43, {UINT64_MAX}, 0, 8); }},
    {"code_44", [] { Nothing(44); }},
    {"code_60", [] { Nothing(60); }},
};

INSTANTIATE_TEST_SUITE_P(EveryTypeCode, ByteStream, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(ByteStreamForm, StringBytesAndTerminators)
{
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    TestTypeHdl hdl(11);
    uint8_t stream[16] = {};

    KxString narrow("hi");
    uint8_t* out = stream;
    ASSERT_EQ(hdl.StoreValue(mgr, out, &narrow, 1, 0), 4);
    EXPECT_EQ(std::vector<uint8_t>(stream, stream + 4), (std::vector<uint8_t>{1, 'h', 'i', 0}));

    KxString wide(u"\u03A9");
    out = stream;
    ASSERT_EQ(hdl.StoreValue(mgr, out, &wide, 1, 0), 5);
    EXPECT_EQ(std::vector<uint8_t>(stream, stream + 5), (std::vector<uint8_t>{253, 0xA9, 0x03, 0, 0}));

    // The code set travels: a 16-bit text comes back 16-bit, an 8-bit one 8-bit.
    KxString back("x");
    const uint8_t* in = stream;
    ASSERT_EQ(hdl.LoadValue(mgr, in, &back, 1, 0, 5), 5);
    EXPECT_EQ(back.CodeSet(), 253);
    EXPECT_EQ(back, wide);

    // A text ends at its first 0 character, so that store, size and load agree.
    KxString withZero("ab\0cd", 5);
    EXPECT_EQ(hdl.StoredSize(&withZero, 1, 0), 4);
    out = stream;
    EXPECT_EQ(hdl.StoreValue(mgr, out, &withZero, 1, 0), 4);
    in = stream;
    EXPECT_EQ(hdl.LoadValue(mgr, in, &back, 1, 0, 4), 4);
    EXPECT_EQ(back, KxString("ab"));

    // An inactive text is stored as an empty one.
    KxString inactive;
    EXPECT_EQ(hdl.StoredSize(&inactive, 1, 0), 2);
    out = stream;
    EXPECT_EQ(hdl.StoreValue(mgr, out, &inactive, 1, 0), 2);
    in = stream;
    EXPECT_EQ(hdl.LoadValue(mgr, in, &back, 1, 0, 2), 2);
    EXPECT_TRUE(back.IsActive());
    EXPECT_TRUE(back.IsEmpty());
}

TEST(ByteStreamForm, ValuesFollowEachOther)
{
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    TestTypeHdl strings(11);
    TestTypeHdl ints(2);
    TestTypeHdl blobs(18);
    KxString text("one");
    int32_t numbers[2] = {1, 2};
    KxBlob blob("xyz", 3);
    const int32_t total = strings.StoredSize(&text, 1, 0) + ints.StoredSize(numbers, 2, 0) + blobs.StoredSize(&blob, 1, 0);

    std::vector<uint8_t> stream(static_cast<size_t>(total));
    uint8_t* out = stream.data();
    strings.StoreValue(mgr, out, &text, 1, 0);
    ints.StoreValue(mgr, out, numbers, 2, 0);
    blobs.StoreValue(mgr, out, &blob, 1, 0);
    EXPECT_EQ(out - stream.data(), total);

    KxString text2;
    int32_t numbers2[2] = {};
    KxBlob blob2;
    const uint8_t* in = stream.data();
    const uint8_t* end = stream.data() + stream.size();
    ASSERT_GT(strings.LoadValue(mgr, in, &text2, 1, 0, uint32_t(end - in)), 0);
    ASSERT_GT(ints.LoadValue(mgr, in, numbers2, 2, 0, uint32_t(end - in)), 0);
    ASSERT_GT(blobs.LoadValue(mgr, in, &blob2, 1, 0, uint32_t(end - in)), 0);
    EXPECT_EQ(in, end);
    EXPECT_EQ(text2, text);
    EXPECT_EQ(numbers2[1], 2);
    EXPECT_EQ(blob2, blob);
}

TEST(ByteStreamForm, UnsafeInputIsRefused)
{
    KxTypeMgr* mgr = KxTypeMgr::GetDefault();
    TestTypeHdl strings(11);
    TestTypeHdl blobs(18);
    KxString text("keep");
    KxBlob blob("keep", 4);

    // A text without terminator inside the bytes at hand, a 16-bit text cut in the middle of a unit,
    // a blob whose length claims more than is there.
    const uint8_t noTerminator[] = {1, 'a', 'b'};
    const uint8_t cutWide[] = {253, 'a', 0, 'b'};
    const uint8_t longBlob[] = {200, 0, 0, 0, 1, 2};
    const uint8_t* in = noTerminator;
    EXPECT_EQ(strings.LoadValue(mgr, in, &text, 1, 0, sizeof noTerminator), -6093);
    in = cutWide;
    EXPECT_EQ(strings.LoadValue(mgr, in, &text, 1, 0, sizeof cutWide), -6093);
    in = longBlob;
    EXPECT_EQ(blobs.LoadValue(mgr, in, &blob, 1, 0, sizeof longBlob), -6093);
    EXPECT_EQ(in, longBlob);
    EXPECT_EQ(text, KxString("keep"));
    EXPECT_EQ(blob, KxBlob("keep", 4));

    // A code set the kernel does not know.
    const uint8_t unknownCodeSet[] = {7, 'a', 0};
    in = unknownCodeSet;
    EXPECT_LT(strings.LoadValue(mgr, in, &text, 1, 0, sizeof unknownCodeSet), 0);
    EXPECT_EQ(text, KxString("keep"));

    uint8_t stream[8];
    uint8_t* out = stream;
    EXPECT_EQ(strings.StoreValue(nullptr, out, &text, 1, 0), -6033);
    EXPECT_EQ(strings.StoreValue(mgr, out, nullptr, 1, 0), -6033);
    EXPECT_EQ(out, stream);
    EXPECT_EQ(strings.StoredSize(nullptr, 1, 0), 0);
    TestTypeHdl ints(2);
    int32_t v = 1;
    EXPECT_EQ(ints.StoredSize(&v, -3, 0), 0);
    EXPECT_EQ(ints.StoreValue(mgr, out, &v, -3, 0), 0);
}

TEST(TypeHdl, BaseDefaultsAndContext)
{
    TestTypeHdl hdl(18);
    uint16_t kind = 9;
    EXPECT_EQ(hdl.IsHandle(), 0);
    EXPECT_EQ(hdl.CreateHandle(&kind, &kind, KxGContext()), 0u);
    EXPECT_EQ(hdl.GetContext().GetDatabase(), nullptr);
    EXPECT_EQ(hdl.GetContext().GetWord(), 0);
}

}  // namespace
