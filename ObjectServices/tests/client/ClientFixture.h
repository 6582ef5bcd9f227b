// The kernel started with a temporary configuration that names the fake adapter's library, and one
// gateway client made by the gateway's factory for product "Fake".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxDateTime.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGFakeAdapter.h"
#include "KxGatewayClient.h"
#include "KxGatewayClientFactory.h"
#include "KxRoot.h"
#include "TestSupport.h"

// A settable clock for KxDateTime.
inline KxDateTime& TestNow()
{
    static KxDateTime now(2024, 5, 17, 12, 0, 0);
    return now;
}

inline KxClockReading ReadTestClock()
{
    const KxDateTime& now = TestNow();
    return KxClockReading{now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), now.GetMinute(),
                          now.GetSecond()};
}

class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KxGFakeScript::Reset();
        TestNow() = KxDateTime(2024, 5, 17, 12, 0, 0);
        KxDateTime::SetClock(&ReadTestClock);
    }

    void TearDown() override
    {
        client_.reset();
        base_.reset();
        if (started_) {
            DeinitKelvox();
        }
        KxBase::KELVOX()->SetUserNameFunction(nullptr);
        KxDateTime::SetClock(nullptr);
        EXPECT_EQ(KxGFakeDatabase::LiveCount(), 0) << "fake connections leaked";
        KxGFakeScript::Reset();
    }

    // Starts the kernel with the [modules] entry of the fake adapter and the given sections, e.g.
    // Section("shop") + "TraceModules=CA\n".
    void Start(const std::string& sections = "")
    {
        const std::string config = dir_.Path("kelvox.ini");
        WriteFile(config, std::string("[modules]\nGf=") + RELGATE_FAKE_FILE + "\nGn=" + RELGATE_FILE + "\n" + sections);
        KxParameterList params;
        params.Append("ClientName", "client_tests");
        params.Append("ConfigFile", KxString(config));
        ASSERT_EQ(InitKelvox(&params), 0);
        started_ = true;
    }

    static std::string Section(const std::string& database)
    {
        return "[databases\\" + database + "\\RelationalObjectGateway]\n";
    }

    // A client of the factory for a base with that logical name, server "SRV".
    void MakeClient(const std::string& logicalName = "shop", const char* product = "Fake")
    {
        base_ = std::make_unique<KxBase>(KxString(logicalName));
        KxGatewayClientFactory factory{KxString(product)};
        client_.reset(static_cast<KxGatewayClient*>(factory.CreateConnection(base_.get())));
        ASSERT_NE(client_, nullptr);
        EXPECT_EQ(client_->SetServer(base_.get(), KxString(logicalName), KxString("SRV")), 0);
    }

    int32_t Open(const std::string& database = "shop", int32_t mode = 0)
    {
        KxString out;
        const int32_t status = client_->OpenClient(KxString(database), out, mode);
        EXPECT_EQ(out, KxString(database));
        return status;
    }

    // Starts, makes and opens a client of database shop.
    void OpenShop(const std::string& settings = "")
    {
        Start(settings.empty() ? std::string() : Section("shop") + settings);
        MakeClient();
        ASSERT_EQ(Open(), 0);
    }

    static KxGFakeDatabase* Fake(KxGDatabase* database) { return static_cast<KxGFakeDatabase*>(database); }

    // The operations called on one object, in order, up to its "Destroy": an object made later may
    // get the address of a destroyed one, and its calls are not the destroyed object's.
    static std::vector<std::string> OpsOf(const void* object)
    {
        std::vector<std::string> ops;
        for (const KxGFakeCall& call : KxGFakeScript::Calls()) {
            if (call.object == object) {
                ops.push_back(call.operation);
                if (call.operation == "Destroy") {
                    break;
                }
            }
        }
        return ops;
    }

    // The arguments of the last call of an operation.
    static std::string LastArgs(const std::string& operation)
    {
        std::string args = "(not called)";
        for (const KxGFakeCall& call : KxGFakeScript::Calls()) {
            if (call.operation == operation) {
                args = call.arguments;
            }
        }
        return args;
    }

    std::string TraceFile(const std::string& name) const { return dir_.Path(name); }

    TempDir dir_;
    bool started_ = false;
    std::unique_ptr<KxBase> base_;
    std::unique_ptr<KxGatewayClient> client_;
};

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Position of part in text (npos when absent), for order checks.
inline size_t At(const std::string& text, const std::string& part)
{
    return text.find(part);
}
