// Helpers shared by the tests of the Oracle database object.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "KxGDatabase.h"
#include "KxGOraDatabaseErrorCallback.h"
#include "KxString.h"
#include "sqlengine.h"

// A directory of its own for one test, removed with its contents afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "relgate-ora-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return name.empty() ? path_ : path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

// Deletes a database object the way the gateway does.
struct DestroyDatabase {
    void operator()(KxGDatabase* database) const
    {
        if (database != nullptr) {
            database->Destroy(0);
        }
    }
};
using DatabasePtr = std::unique_ptr<KxGDatabase, DestroyDatabase>;

// An error listener that throws from every message it receives.
class ThrowingReceiver : public KxGOraDatabaseErrorCallback {
public:
    void Receive(int32_t code, const char* /*message*/, const char* /*context*/) override
    {
        ++calls;
        throw std::runtime_error("receiver refused error " + std::to_string(code));
    }
    int calls = 0;
};

// The stand-in's default server ("LOCAL") and a named server "ORCL", each in a fresh directory, with
// the users S (password "Secret") and ADMIN (password "admin", DBA).
class OracleServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sqlengine::Error error;
        auto& engine = sqlengine::Engine::Instance();
        local_ = engine.RegisterServer("LOCAL", dir_.Path("local"), &error);
        ASSERT_TRUE(local_) << error.message;
        named_ = engine.RegisterServer("ORCL", dir_.Path("orcl"), &error);
        ASSERT_TRUE(named_) << error.message;
        for (auto* server : {local_.get(), named_.get()}) {
            ASSERT_TRUE(server->AddUser("S", "Secret", false, &error)) << error.message;
            ASSERT_TRUE(server->AddUser("ADMIN", "admin", true, &error)) << error.message;
        }
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
