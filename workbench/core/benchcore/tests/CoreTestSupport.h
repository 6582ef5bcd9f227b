// Helpers of the core's tests: agents made in the test, documents of a test type, the diagnostic
// output, and folders of agent modules with the settings that name them.
#pragma once

#include <gtest/gtest.h>
#include <sv.h>
#include <w32test.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "AgentRecorder.h"
#include "BenchTestAgents.h"
#include "KxAgent.h"
#include "KxDocument.h"
#include "TestSupport.h"

namespace coretest {

inline std::string Text(const KxString& s) { return s.IsEmpty() ? std::string() : std::string(s.StrGet(), s.Len()); }

// An agent made in the test: it records the questions it is asked and answers as told.
class LocalAgent : public benchtest::LocalAgent {
public:
    LocalAgent(const char* name, KxBench* bench = nullptr) : benchtest::LocalAgent(name, bench) {}

    int queryCloseDocument(KxDocument* doc, KxAgent* requester) override {
        asked.push_back(doc != nullptr ? Text(doc->getTitle()) : std::string("(none)"));
        if (askUser) return KxAgent::queryCloseDocument(doc, requester);
        return allowClose;
    }

    int allowClose = 1;
    bool askUser = false;
    std::vector<std::string> asked;
};

// A document of the type "workbook" (or another) that counts its destructions.
class TestDocument : public KxDocument {
public:
    TestDocument(const char* title, KxAgent* agent, KxDocumentManager* manager, int* destroyed = nullptr,
                 const char* type = "workbook")
        : KxDocument(Title(title), agent, manager), destroyed_(destroyed), type_(type) {}
    ~TestDocument() override {
        if (destroyed_ != nullptr) ++*destroyed_;
    }
    KxDocumentType getType() override { return KxDocumentType(type_); }

private:
    static KxString& Title(const char* title) {
        static KxString text;
        text = title;
        return text;
    }
    int* destroyed_;
    const char* type_;
};

using benchtest::Diagnostics;

// The box log so far, one line a box.
inline std::vector<std::string> Boxes() {
    std::vector<std::string> lines;
    for (const SvBoxRecord& box : SvTakeBoxLog()) lines.push_back(box.Line());
    return lines;
}

// Folders of agent modules (copies of the built test agents) and the settings file that names them.
class AgentFolders {
public:
    AgentFolders() : config_("SV_CONFIG", dir_ / "settings.ini") {}

    // Copies the modules of the letters into the folder (made when missing); answers the folder
    // with a trailing separator.
    std::string Folder(const std::string& name, const std::string& letters) const {
        const std::string folder = dir_ / name;
        std::filesystem::create_directories(folder);
        for (char letter : letters) {
            const std::string file = std::string("VO110V") + letter + ".agt";
            std::filesystem::copy_file(std::string(BENCHCORE_AGENT_DIR) + "/" + file, folder + "/" + file,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        return folder + "/";
    }

    // The group "kxagentmanager" of the settings file.
    void Settings(const std::string& agentPath, const std::string& agents = "") const {
        std::string text = "[kxagentmanager]\nagentpath=" + agentPath + "\n";
        if (!agents.empty()) text += "agents=" + agents + "\n";
        dir_.Write("settings.ini", text);
    }

    const w32test_support::TempDir& Dir() const { return dir_; }

private:
    w32test_support::TempDir dir_;
    w32test_support::EnvVar config_;
};

// Runs the action inside an application's main loop; the script answers its boxes.
inline void InMainLoop(const char* script, std::function<void()> action) {
    benchtest::InMainLoop(script, "core.sv", std::move(action));
}

}  // namespace coretest
