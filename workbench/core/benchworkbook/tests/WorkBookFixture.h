// A site of the kernel's own storage for workbook documents: the dictionary "workdict" under its
// name and in an agent's module directory (for the server "LOCAL"), the servers "NATIVE" and
// "LOCAL", workbook databases, and an agent whose module lies in that directory.
#pragma once

#include <gtest/gtest.h>
#include <sv.h>
#include <svinject.h>
#include <w32test.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchTestAgents.h"
#include "KxAgent.h"
#include "KxAgentManager.h"
#include "KxBase.h"
#include "KxBench.h"
#include "KxClassDict.h"
#include "KxDocument.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"

namespace wbtest {

using benchtest::Diagnostics;
using benchtest::LocalAgent;

// Runs the action inside an application's main loop; the script answers its boxes.
inline void InMainLoop(const char* script, std::function<void()> action) {
    benchtest::InMainLoop(script, "workbook.sv", std::move(action));
}

inline std::unique_ptr<KxClassDict> Workdict() {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Load(KxString(KX_WORKDICT_DIR), dict, &error)) << error.ToUtf8();
    return dict;
}

class WorkBookSite : public ::testing::Test {
protected:
    // The databases listed (made by the tests); the kernel started.
    void SetUp() override {
        site_.AddDictionary(*Workdict());
        for (const char* name : {"wb", "wb2", "localwb"}) site_.AddDatabase(name);
        agentDir_ = site_.Folder() + "/agents/";
        std::filesystem::create_directories(agentDir_ + "workdict");
        std::filesystem::copy_file(std::string(KX_WORKDICT_DIR) + "/classes.kxd", agentDir_ + "workdict/classes.kxd");
        std::ofstream(site_.Config(), std::ios::app) << "[servers\\LOCAL]\nname=Kelvox$local\n";
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        // The agent's record: its module lies in the agent directory.
        auto* info = new KxAgentInfo;
        info->agent = &agent_;
        info->modulePath = KxPath((agentDir_ + "VO110VW.agt").c_str());
        bench_.getAgentMgr()->getAgentsInfos()->Insert(info, CONTAINER_APPEND);
    }
    void TearDown() override {
        KxAgentInfoContainer* infos = bench_.getAgentMgr()->getAgentsInfos();
        while (infos->Count() != 0) delete static_cast<KxAgentInfo*>(infos->Remove(uint32_t(0)));
        KxHookClear();
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }

    kxntest::Site site_;
    std::string agentDir_;
    KxBench bench_;
    LocalAgent agent_{"projects", &bench_};
};

}  // namespace wbtest
