#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "w32test.h"
#include "windows.h"

namespace {

TEST(GuidTest, NewGuidsAndTheirText) {
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        GUID g;
        ASSERT_EQ(S_OK, CoCreateGuid(&g));
        RPC_CSTR text = nullptr;
        ASSERT_EQ(RPC_S_OK, UuidToStringA(&g, &text));
        const std::string s(reinterpret_cast<char*>(text));
        EXPECT_TRUE(std::regex_match(s, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
            << s;
        seen.insert(s);
        EXPECT_EQ(RPC_S_OK, RpcStringFreeA(&text));
        EXPECT_EQ(nullptr, text);
    }
    EXPECT_EQ(50u, seen.size());

    const GUID known = {0x376f6e2b, 0x18ed, 0x41fa, {0x9d, 0x24, 0xcd, 0xb5, 0xec, 0xdb, 0x83, 0xf5}};
    RPC_WSTR wide = nullptr;
    ASSERT_EQ(RPC_S_OK, UuidToStringW(&known, &wide));
    EXPECT_EQ(u"376f6e2b-18ed-41fa-9d24-cdb5ecdb83f5", std::u16string(reinterpret_cast<char16_t*>(wide)));
    EXPECT_EQ(RPC_S_OK, RpcStringFreeW(&wide));
    EXPECT_EQ(E_INVALIDARG, CoCreateGuid(nullptr));
    EXPECT_EQ(RPC_S_INVALID_ARG, UuidToStringA(nullptr, nullptr));
}

TEST(GuidTest, HooksFailTheNextCallOnly) {
    GUID g;
    w32test::FailNext(w32test::Call::CreateGuid, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, CoCreateGuid(&g));
    EXPECT_EQ(S_OK, CoCreateGuid(&g));

    RPC_CSTR text = nullptr;
    w32test::FailNext(w32test::Call::GuidToText, RPC_S_OUT_OF_MEMORY);
    EXPECT_EQ(RPC_S_OUT_OF_MEMORY, UuidToStringA(&g, &text));
    EXPECT_EQ(nullptr, text);
    ASSERT_EQ(RPC_S_OK, UuidToStringA(&g, &text));
    w32test::FailNext(w32test::Call::FreeRpcString, RPC_S_INVALID_ARG);
    EXPECT_EQ(RPC_S_INVALID_ARG, RpcStringFreeA(&text));
    EXPECT_EQ(nullptr, text);   // released all the same
}

}  // namespace
