// The schema mapper run in this process on the embedded engine through the Oracle or the DB2 adapter
// (each loaded as the mapper loads it): a server and its user per test, the dictionary "evo" in a
// folder of the test, the rows read back through the gateway's catalog and reader, or through the
// kernel's own road.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxGCatalog.h"
#include "KxGClassLoader.h"
#include "KxGClassMapper.h"
#include "KxGDatabase.h"
#include "KxGMappingCompletion.h"
#include "KxGOperationEnvironment.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayClient.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxObjectReader.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace mappertest {

inline std::string Text(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string();
}

inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using Rows = std::vector<std::vector<std::string>>;

// The log-in the kernel asks for.
inline std::string gUser;
inline std::string gPassword;

inline int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(gUser.c_str());
    password = KxString(gPassword.c_str());
    return 1;
}

// What differs between the two products.
struct Product {
    const char* name;
    const char* brand;      // -S <brand>$<server>
    const char* golden;     // the versioning script's golden file
};

class MapperOnEngine : public ::testing::TestWithParam<Product> {
public:
    // An object stored through the kernel: its id, its class and the values of its integer members.
    struct Stored {
        uint32_t id;
        KxClassId classId;
        std::vector<std::pair<std::string, int32_t>> values;
    };

protected:
    void SetUp() override
    {
        const bool db2 = std::string(GetParam().brand) == "DB2";
        char pattern[] = "/tmp/versionall_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        if (db2) {
            serverName_ = "local";
            database_ = "gwdb";
            user_ = "DB2ADMIN";
            password_ = "pw";
            schema_ = "GWDB";
            engineServer_ = "GWDB";
        } else {
            serverName_ = "VA_" + std::filesystem::path(dir_).filename().string().substr(11);
            database_ = "FX";
            user_ = "FX";
            password_ = "fx";
            schema_ = "FX";
            engineServer_ = serverName_;
        }
        sqlengine::Error error;
        server_ = sqlengine::Engine::Instance().RegisterServer(engineServer_, dir_ + "/db", &error);
        ASSERT_TRUE(server_) << error.message;
        if (db2) {
            ASSERT_TRUE(server_->AddUser("GWDB", "unused", false, &error)) << error.message;
        }
        ASSERT_TRUE(server_->AddUser(user_, password_, true, &error)) << error.message;
        std::filesystem::create_directories(dir_ + "/dicts/evo");
        WriteFile(dir_ + "/kx.ini", "[servers\\LOCAL]\nDictionaryPath=" + dir_ + "/dicts\n[servers\\EVODB]\nname=" +
                                        GetParam().brand + "$" + serverName_ + "\n");
        gUser = user_;
        gPassword = password_;
    }

    void TearDown() override
    {
        sqlengine::Engine::Instance().ClearInjectedFailures();
        sqlengine::Engine::Instance().UnregisterServer(engineServer_);
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // The dictionary "evo" that the next run reads.
    void WriteDictionary(const std::string& text) { WriteFile(dir_ + "/dicts/evo/classes.kxd", text); }

    int32_t Run(std::vector<std::string> args)
    {
        std::vector<std::string> all = {"relgen",  "-D", "evo", "-B", database_, "-S",
                                        std::string(GetParam().brand) + "$" + serverName_,
                                        "-u",      user_, "-p", password_, "-config", "kx.ini", "-f", "run.sql",
                                        "-l",      "run.log"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<const char*> argv;
        for (const std::string& arg : all) {
            argv.push_back(arg.c_str());
        }
        std::remove((dir_ + "/run.sql").c_str());
        const std::filesystem::path home = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        KxGClassMapper mapper(static_cast<int>(argv.size()), argv.data());
        const int32_t result = mapper.Execute();
        std::filesystem::current_path(home);
        return result;
    }

    // The next statement whose text holds `text` is refused by the server.
    void FailStatementContaining(const std::string& text)
    {
        if (std::string(GetParam().brand) == "DB2") {
            sqlengine::Engine::Instance().InjectFailure("SQLExecute", 911, text);
        } else {
            sqlengine::Engine::Instance().InjectFailure("OCIStmtExecute", 60, text);
        }
    }

    std::string Script() { return ReadFile(dir_ + "/run.sql"); }
    std::string Log() { return ReadFile(dir_ + "/run.log"); }

    Rows Query(const std::string& sql)
    {
        sqlengine::Error err;
        auto session = sqlengine::Session::Begin(server_, user_, password_, err);
        EXPECT_TRUE(session) << err.message;
        if (!session) {
            return {};
        }
        Rows rows = oratest::RowTexts(oratest::RunOn(*session, sql));
        oratest::RunOn(*session, "COMMIT");
        session->End();
        return rows;
    }

    std::string Q(const std::string& table) const { return schema_ + "." + table; }

    // The objects of a class read through the gateway's catalog and object reader with the
    // dictionary of a revision: for each id the member texts asked for ("-" when the object has no row).
    std::vector<std::vector<std::string>> ReadObjects(const std::string& dictionaryText, uint16_t classNumber, const std::vector<uint32_t>& ids,
                                                      const std::vector<std::string>& members)
    {
        std::vector<std::vector<std::string>> out;
        std::unique_ptr<KxClassDict> dictionary;
        KxString error;
        EXPECT_EQ(KxClassDict::Parse(dictionaryText, KxString("classes.kxd"), dictionary, &error), 0)
            << Text(error);
        KxParameterList start;
        start.Append("ClientName", "version_all_reader");
        if (InitKelvox(&start) != 0) {
            ADD_FAILURE() << "kernel start";
            return out;
        }
        KxParameterList parameters;
        KxGDatabase* database = KxGatewayClient::LoadSpecificGatewayDll(
            KxString(GetParam().brand), KxString(serverName_.c_str()), KxString(database_.c_str()),
            KxString(user_.c_str()), KxString(password_.c_str()), &parameters, nullptr);
        EXPECT_NE(database, nullptr);
        if (database != nullptr && database->OpenConnection() != 0) {
            KxGInstallMappingCompletion(true);
            {
                KxGCatalog catalog(&KxGClassLoader::Instance());
                EXPECT_EQ(catalog.Load(database, dictionary.get()), 0) << Text(database->GetError()->Text());
                KxBase base{KxString("reader")};
                KxGOperationEnvironment environment(&base, &catalog, nullptr, database->GetDatabaseInfo(), 0, 0);
                environment.SetClassMapLookup(
                    [](KxGCatalog* held, const KxClassId& id) { return held->GetClassMap(id); });
                KxGTransactionContext context(&environment, nullptr, nullptr, database);
                const KxMetaClass* meta = dictionary->GetCurrentVersion(classNumber)->AsClass();
                std::vector<KxObject*> objects;
                for (uint32_t id : ids) {
                    KxObject* object = nullptr;
                    EXPECT_EQ(base.GetObjectMgr()->Create(meta, KxObjId(id), object), 0);
                    objects.push_back(object);
                }
                KxObjectReader reader(&context, base.GetObjectMgr());
                EXPECT_EQ(reader.Read(static_cast<uint32_t>(objects.size()), objects.data()), 0)
                    << Text(database->GetError()->Text());
                for (KxObject* object : objects) {
                    std::vector<std::string> values;
                    if ((object->GetState() & KX_STATE_HAS_ROW) == 0) {
                        values.push_back("-");
                    }
                    for (const std::string& name : members) {
                        const KxMember* member = meta->FindMember(KxString(name.c_str()));
                        if (member == nullptr) {
                            values.push_back("?");
                            continue;
                        }
                        void* address = object->MemberAddress(*member, 0);
                        if (member->GetTypeCode() == KX_TYPE_STRING) {
                            values.push_back(Text(*static_cast<KxString*>(address)));
                        } else {
                            values.push_back(std::to_string(*static_cast<int32_t*>(address)));
                        }
                    }
                    out.push_back(values);
                    object->Release();
                }
            }
            KxGInstallMappingCompletion(false);
            database->CloseConnection();
        }
        if (database != nullptr) {
            database->Destroy(0);
        }
        DeinitKelvox();
        return out;
    }

    // The same through the kernel's own API: a base of the database opened through the server
    // EVODB of the configuration, each object got by its reference in one transaction.
    // Objects stored through the kernel's own road (a base of the server EVODB of the configuration,
    // one transaction). 0 or the first failure.
    int32_t StoreThroughKernel(const std::vector<Stored>& objects)
    {
        KxParameterSet parameters;
        parameters.Append("ClientName", "mapper_kernel_store");
        parameters.Append("ConfigFile", (dir_ + "/kx.ini").c_str());
        if (InitKelvox(&parameters) != 0) {
            return -1;
        }
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
        int32_t status = 0;
        {
            KxBase base{KxString(database_.c_str())};
            status = base.Connect(KxString("EVODB"));
            if (status == 0) {
                status = base.Open();
            }
            if (status == 0) {
                status = base.BeginTransaction();
            }
            for (const Stored& stored : objects) {
                if (status != 0) {
                    break;
                }
                const KxMetaClass* meta = base.GetDictionary() != nullptr
                                              ? base.GetDictionary()->GetMetaClass(stored.classId)
                                              : nullptr;
                KxObject* object = nullptr;
                status = meta == nullptr ? -1 : base.GetObjectMgr()->Create(meta, KxObjId(stored.id), object);
                for (const auto& [name, value] : stored.values) {
                    const KxMember* member = status == 0 ? meta->FindMember(KxString(name.c_str())) : nullptr;
                    if (member == nullptr) {
                        status = status != 0 ? status : -1;
                        break;
                    }
                    *reinterpret_cast<int32_t*>(object->MemberAddress(*member, 0)) = value;
                }
                if (status == 0) {
                    status = base.StoreObject(object);
                }
                if (object != nullptr) {
                    object->Release();
                }
            }
            if (base.GetTransactionLevel() > 0) {
                const int32_t ended = status == 0 ? base.CommitTransaction() : base.AbortTransaction();
                status = status != 0 ? status : ended;
            }
        }
        DeinitKelvox();
        return status;
    }

    std::vector<std::vector<std::string>> ReadThroughKernel(KxClassId classId, const std::vector<uint32_t>& ids,
                                                            const std::vector<std::string>& members)
    {
        std::vector<std::vector<std::string>> out;
        KxParameterSet parameters;
        parameters.Append("ClientName", "version_all_kernel");
        parameters.Append("ConfigFile", (dir_ + "/kx.ini").c_str());
        if (InitKelvox(&parameters) != 0) {
            ADD_FAILURE() << "kernel start";
            return out;
        }
        KxBase::KELVOX()->SetUserNameFunction(&LogIn);
        {
            KxBase base{KxString(database_.c_str())};
            int32_t status = base.Connect(KxString("EVODB"));
            if (status == 0) {
                status = base.Open();
            }
            EXPECT_EQ(status, 0) << "kernel open";
            if (status == 0 && base.BeginTransaction() == 0) {
                for (uint32_t id : ids) {
                    KxObject* object = nullptr;
                    const int32_t got = base.GetObject(KxRef(KxObjId(id), classId), object);
                    std::vector<std::string> values;
                    if (got != 0 || object == nullptr) {
                        values.push_back("status " + std::to_string(got));
                        out.push_back(values);
                        continue;
                    }
                    const KxMetaClass* meta = object->GetMetaClass();
                    for (const std::string& name : members) {
                        const KxMember* member = meta->FindMember(KxString(name.c_str()));
                        void* address = member != nullptr ? object->MemberAddress(*member, 0) : nullptr;
                        if (address == nullptr) {
                            values.push_back("?");
                        } else if (member->GetTypeCode() == KX_TYPE_STRING) {
                            values.push_back(Text(*static_cast<KxString*>(address)));
                        } else if (member->GetTypeCode() == KX_TYPE_DOUBLE) {
                            std::ostringstream number;
                            number << *reinterpret_cast<double*>(address);
                            values.push_back(number.str());
                        } else {
                            values.push_back(std::to_string(*reinterpret_cast<int32_t*>(address)));
                        }
                    }
                    out.push_back(values);
                    object->Release();
                }
                EXPECT_EQ(base.CommitTransaction(), 0);
            }
        }
        DeinitKelvox();
        return out;
    }

    std::string dir_;
    std::string serverName_;
    std::string engineServer_;
    std::string database_;
    std::string user_;
    std::string password_;
    std::string schema_;
    std::shared_ptr<sqlengine::Server> server_;
};

}  // namespace mappertest
