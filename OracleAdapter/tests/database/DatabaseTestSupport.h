// Helpers shared by the tests of the Oracle database object.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "OraTestSupport.h"
#include "sqlengine.h"

using oratest::DatabasePtr;
using oratest::ThrowingReceiver;

// The stand-in's default server ("LOCAL") and a named server "ORCL", each in a fresh directory, with
// the users S (password "Secret") and ADMIN (password "admin", DBA).
class OracleServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        local_ = oratest::RegisterServer("LOCAL", dir_.Path("local"), oratest::SchemaAndAdmin());
        ASSERT_TRUE(local_);
        named_ = oratest::RegisterServer("ORCL", dir_.Path("orcl"), oratest::SchemaAndAdmin());
        ASSERT_TRUE(named_);
    }
    void TearDown() override
    {
        auto& engine = sqlengine::Engine::Instance();
        engine.ClearInjectedFailures();
        engine.UnregisterServer("LOCAL");
        engine.UnregisterServer("ORCL");
        local_.reset();
        named_.reset();
    }

    TempDir dir_;
    std::shared_ptr<sqlengine::Server> local_;
    std::shared_ptr<sqlengine::Server> named_;
};
