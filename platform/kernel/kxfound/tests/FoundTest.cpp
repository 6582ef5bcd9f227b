#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <thread>

#include "kxfound.h"

namespace {

// ---- Version check ------------------------------------------------------------------------

TEST(VersionCheckTest, AcceptsOnlyTheKernelsMajorAndMinor) {
    struct Case {
        int32_t major, minor, release, build, flags, result;
    } cases[] = {
        {11, 0, 3, 50, 3, 0}, {11, 0, 0, 0, 7, 0}, {11, 0, 99, 999, 0, 0},
        {11, 1, 3, 50, 3, -5004}, {10, 0, 3, 50, 3, -5004}, {12, 0, 0, 0, 3, -5004}, {0, 0, 0, 0, 0, -5004},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckKxVersionNumber(c.major, c.minor, c.release, c.build, 0, c.flags), c.result)
            << c.major << "." << c.minor;
        const KxVersionCheckArgs last = KxLastVersionCheck();
        EXPECT_EQ(last.major, c.major);
        EXPECT_EQ(last.minor, c.minor);
        EXPECT_EQ(last.release, c.release);
        EXPECT_EQ(last.build, c.build);
        EXPECT_EQ(last.reserved, 0);
        EXPECT_EQ(last.flags, c.flags);
    }
}

// ---- Module error texts -------------------------------------------------------------------

const char* GatewayText(int32_t code) { return code == -6031 ? "gateway -6031" : "gateway other"; }
const char* OverrideText(int32_t code) { return "override"; }
const char* SilentText(int32_t) { return nullptr; }
const char* KernelCodeText(int32_t code) { return code == -2999 ? "module says not supported" : nullptr; }

class ErrorCallbackTest : public ::testing::Test {
protected:
    void SetUp() override { ClearAll(); }
    void TearDown() override { ClearAll(); }
    static void ClearAll() {
        ASSERT_EQ(KxModuleErrorCallbackList::GetInstance()->SetModuleErrorCallback(nullptr, INT32_MIN, INT32_MAX), 0);
    }
    static KxModuleErrorCallbackList* List() { return KxModuleErrorCallbackList::GetInstance(); }
    static std::string Text(int32_t code) {
        const char* t = KxError(code);
        return t ? t : "<null>";
    }
};

TEST_F(ErrorCallbackTest, RangeGivenHighFirstCoversBothEnds) {
    EXPECT_EQ(List(), KxModuleErrorCallbackList::GetInstance());
    ASSERT_EQ(List()->SetModuleErrorCallback(GatewayText, -6000, -6999), 0);   // bounds as callers pass them
    EXPECT_EQ(Text(-6031), "gateway -6031");
    EXPECT_EQ(Text(-6000), "gateway other");
    EXPECT_EQ(Text(-6999), "gateway other");
    EXPECT_EQ(Text(-7000), "<null>");
    EXPECT_EQ(Text(-5999), "<null>");
    EXPECT_EQ(std::string(List()->GetText(-6031)), "gateway -6031");
    EXPECT_EQ(KxError(nullptr, nullptr, -6031, 0), KxError(-6031));
}

TEST_F(ErrorCallbackTest, OverrideAndRemoval) {
    ASSERT_EQ(List()->SetModuleErrorCallback(GatewayText, -6999, -6000), 0);
    ASSERT_EQ(List()->SetModuleErrorCallback(OverrideText, -6100, -6000), 0);   // later one wins where they overlap
    EXPECT_EQ(Text(-6031), "override");
    EXPECT_EQ(Text(-6500), "gateway other");

    // A callback without a text for a code lets the earlier one answer.
    ASSERT_EQ(List()->SetModuleErrorCallback(SilentText, -6600, -6000), 0);
    EXPECT_EQ(Text(-6031), "override");
    EXPECT_EQ(Text(-6500), "gateway other");

    // Re-registering the same range replaces the registration there.
    ASSERT_EQ(List()->SetModuleErrorCallback(GatewayText, -6100, -6000), 0);
    EXPECT_EQ(Text(-6031), "gateway -6031");

    // Removing a part of the ranges keeps the rest.
    ASSERT_EQ(List()->SetModuleErrorCallback(nullptr, -6050, -6000), 0);
    EXPECT_EQ(Text(-6031), "<null>");
    EXPECT_EQ(Text(-6051), "gateway other");

    // Removing the whole range as the module does when it is switched off.
    ASSERT_EQ(List()->SetModuleErrorCallback(nullptr, -6000, -6999), 0);
    EXPECT_EQ(Text(-6051), "<null>");
    EXPECT_EQ(Text(-6999), "<null>");
}

TEST_F(ErrorCallbackTest, KernelTableIsTheFallback) {
    const int32_t kernelCodes[] = {-2999, -502, -5004, -2030};
    for (int32_t code : kernelCodes) {
        ASSERT_NE(KxError(code), nullptr) << code;
        EXPECT_GT(std::strlen(KxError(code)), 0u) << code;
    }
    EXPECT_EQ(KxError(424242), nullptr);
    EXPECT_EQ(KxError(nullptr, nullptr, 424242, 0), nullptr);

    const std::string kernelText = Text(-2999);
    const std::string outOfMemory = Text(-2030);
    ASSERT_EQ(List()->SetModuleErrorCallback(KernelCodeText, -3000, -2000), 0);
    EXPECT_EQ(Text(-2999), "module says not supported");
    EXPECT_EQ(Text(-2030), outOfMemory);   // the module has no text for it: the kernel's stands
    ASSERT_EQ(List()->SetModuleErrorCallback(nullptr, -3000, -2000), 0);
    EXPECT_EQ(Text(-2999), kernelText);
}

TEST_F(ErrorCallbackTest, RegistrationAndLookupFromSeveralThreads) {
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            List()->SetModuleErrorCallback(GatewayText, -6000 - i % 7, -6999);
            List()->SetModuleErrorCallback(nullptr, -6000 - i % 7, -6999);
        }
        stop = true;
    });
    std::thread reader([&] {
        while (!stop) {
            const char* t = KxError(-6031);
            if (t && std::strcmp(t, "gateway -6031") != 0) ++wrong;
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(KxError(-6031), nullptr);
}

// ---- Version information and entry points -------------------------------------------------

TEST(VersionInfoTest, GivesFourTextsAndSkipsNullOutputs) {
    const char *version = nullptr, *build = nullptr, *name = nullptr, *cver = nullptr;
    GetKxVersionInfo(&version, &build, &name, &cver);
    for (const char* t : {version, build, name, cver}) {
        ASSERT_NE(t, nullptr);
        EXPECT_GT(std::strlen(t), 0u);
    }
    EXPECT_EQ(std::string(version).rfind("11.0", 0), 0u);
    const char* only = nullptr;
    GetKxVersionInfo(nullptr, nullptr, &only, nullptr);
    EXPECT_EQ(only, name);
}

TEST(DynamicLoaderTest, FindsExportedFunctionAndReportsMissingOnes) {
    void* libc = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(libc, nullptr);
    void* entry = nullptr;
    ASSERT_EQ(KxDynamicLoader::GetEntryPoint("getpid", libc, &entry), 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(reinterpret_cast<pid_t (*)()>(entry)(), getpid());

    entry = &entry;
    EXPECT_EQ(KxDynamicLoader::GetEntryPoint("NoSuchEntryPoint_kx", libc, &entry), KX_FOUND_E_NO_ENTRY);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(KxDynamicLoader::GetEntryPoint(nullptr, libc, &entry), KX_FOUND_E_INVALID);
    EXPECT_EQ(KxDynamicLoader::GetEntryPoint("getpid", nullptr, &entry), KX_FOUND_E_INVALID);
    EXPECT_EQ(KxDynamicLoader::GetEntryPoint("getpid", libc, nullptr), KX_FOUND_E_INVALID);
    dlclose(libc);
}

// ---- Memory file --------------------------------------------------------------------------

TEST(MemFileTest, WriteSeekReadRoundTrip) {
    MemFile f;
    const char text[] = "frame-body";
    uint8_t header[8];
    LongStore(header, 0x4B58u);
    LongStore(header + 4, sizeof text);
    ASSERT_EQ(f.Write(header, sizeof header), 0);
    ASSERT_EQ(f.Write(text, sizeof text), 0);
    EXPECT_EQ(f.Length(), sizeof header + sizeof text);
    EXPECT_EQ(f.Tell(), f.Length());

    ASSERT_EQ(f.Seek(4), 0);   // overwrite in the middle does not change the length
    uint8_t len[4];
    LongStore(len, 3);
    ASSERT_EQ(f.Write(len, 4), 0);
    EXPECT_EQ(f.Length(), sizeof header + sizeof text);

    ASSERT_EQ(f.Seek(0), 0);
    uint8_t back[8];
    ASSERT_EQ(f.Read(back, 8), 0);
    EXPECT_EQ(LongLoad(back), 0x4B58u);
    EXPECT_EQ(LongLoad(back + 4), 3u);
    char body[sizeof text];
    ASSERT_EQ(f.Read(body, sizeof body), 0);
    EXPECT_STREQ(body, text);
    EXPECT_EQ(std::memcmp(f.Data(), back, 8), 0);

    // Reading past the end reads nothing and keeps the position.
    ASSERT_EQ(f.Seek(f.Length() - 2), 0);
    EXPECT_EQ(f.Read(body, 3), -502);
    EXPECT_EQ(f.Tell(), f.Length() - 2);
    EXPECT_EQ(f.Seek(f.Length() + 1), -502);
    EXPECT_EQ(f.Seek(f.Length()), 0);

    f.Clear();
    EXPECT_EQ(f.Length(), 0u);
    EXPECT_EQ(f.Tell(), 0u);
}

TEST(MemFileTest, FixedCapacityRefusesWhatDoesNotFit) {
    MemFile f(10);
    const uint8_t bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_EQ(f.Write(bytes, 6), 0);
    EXPECT_EQ(f.Write(bytes, 5), -2030);   // nothing of it is written
    EXPECT_EQ(f.Length(), 6u);
    EXPECT_EQ(f.Tell(), 6u);
    EXPECT_EQ(f.Write(bytes, 4), 0);        // exactly fills it
    EXPECT_EQ(f.Length(), 10u);
    EXPECT_EQ(f.Capacity(), 10u);
}

// ---- Storage byte order -------------------------------------------------------------------

TEST(StoreTest, LittleEndianBytesAndBack) {
    struct {
        uint32_t value;
        uint8_t bytes[4];
    } longs[] = {{0x12345678u, {0x78, 0x56, 0x34, 0x12}}, {0u, {0, 0, 0, 0}},
                 {0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}}, {0x80000001u, {0x01, 0x00, 0x00, 0x80}}};
    uint8_t buf[7] = {};
    for (const auto& c : longs) {
        LongStore(buf + 1, c.value);   // unaligned
        EXPECT_EQ(std::memcmp(buf + 1, c.bytes, 4), 0) << std::hex << c.value;
        EXPECT_EQ(LongLoad(buf + 1), c.value);
    }
    struct {
        uint16_t value;
        uint8_t bytes[2];
    } shorts[] = {{0x1234, {0x34, 0x12}}, {0xFFFF, {0xFF, 0xFF}}, {0x8000, {0x00, 0x80}}};
    for (const auto& c : shorts) {
        ShortStore(buf + 3, c.value);
        EXPECT_EQ(std::memcmp(buf + 3, c.bytes, 2), 0) << std::hex << c.value;
        EXPECT_EQ(ShortLoad(buf + 3), c.value);
    }
    ShortStore(buf, static_cast<uint16_t>(int16_t{-2}));   // signed values keep their bits
    EXPECT_EQ(static_cast<int16_t>(ShortLoad(buf)), -2);
    LongStore(buf, static_cast<uint32_t>(int32_t{-6093}));
    EXPECT_EQ(static_cast<int32_t>(LongLoad(buf)), -6093);
}

// ---- Assertions ---------------------------------------------------------------------------

TEST(AssertTest, TrueConditionPassesAndIsEvaluatedOnce) {
    int calls = 0;
    KELVOX_assert(++calls == 1);
    EXPECT_EQ(calls, 1);
}

#ifndef NDEBUG
TEST(AssertDeathTest, FalseConditionReportsAndAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    int err = 1;
    EXPECT_DEATH(KELVOX_assert(err == 0), "err == 0.*FoundTest");
}
#endif

}  // namespace
