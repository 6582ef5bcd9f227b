// The demo's workbench step end to end: tessaform_demo makes the shop database in a fresh folder, then
// tessaform_workbench_demo runs the workbench on it headless, from its script: the agent module is
// loaded from the configured agent path, the database opens after the log-in dialog, and the
// browsers' paint logs and pictures land in <folder>/workbench.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "DemoShell.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;
using w32test_support::ReadAll;

struct Run {
    int status;
    std::string output;
    std::string errors;
};

Run RunProgram(const std::string& program, const std::string& folder, const std::string& name) {
    const std::string out = folder + "/" + name + ".out";
    const std::string err = folder + "/" + name + ".err";
    const std::string command = demo::ShellQuote(program) + " " + demo::ShellQuote(folder) + " >" +
                                demo::ShellQuote(out) + " 2>" + demo::ShellQuote(err);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

// The paint log of the window with the title (the files "<title>-<n>.log"); the last one written.
std::string PaintLog(const fs::path& folder, const std::string& title) {
    std::vector<std::string> logs;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(title + "-", 0) == 0 && entry.path().extension() == ".log" &&
            std::isdigit(static_cast<unsigned char>(name[title.size() + 1])))
            logs.push_back(name);
    }
    if (logs.empty()) return std::string();
    std::sort(logs.begin(), logs.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return ReadAll((folder / logs.back()).string());
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(WorkbenchDemoTest, TheWorkbenchBrowsesTheShopDatabaseOfTheFirstStep) {
    w32test_support::TempDir dir;
    w32test_support::EnvVar timeout("SV_TIMEOUT", std::string("60"));
    w32test_support::EnvVar script("SV_SCRIPT", std::nullopt);  // the step's own script
    const Run shop = RunProgram(DEMO_SHOP_PROGRAM, dir.Path(), "shop");
    ASSERT_EQ(0, shop.status) << shop.output << shop.errors;

    const Run bench = RunProgram(DEMO_WORKBENCH_PROGRAM, dir.Path(), "workbench");
    ASSERT_EQ(0, bench.status) << bench.output << bench.errors;
    EXPECT_TRUE(Has(bench.output, "agent \"Shop browser\" active")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "opened the shop database: base SHOP on Oracle$SHOPSRV")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "35 customers")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "closed the shop database")) << bench.output;

    const fs::path pictures = fs::path(dir.Path()) / "workbench";
    const std::string main = PaintLog(pictures, "Tessaform_Workbench");
    EXPECT_TRUE(Has(main, "\"Shop\"")) << main;  // the agent's button
    // The log-in dialog took the user and password the script typed.
    const std::string boxes = ReadAll((pictures / "boxes.log").string());
    EXPECT_FALSE(Has(boxes, "ErrorBox")) << boxes;
    EXPECT_FALSE(Has(boxes, "WarningBox")) << boxes;
}

TEST(WorkbenchDemoTest, AFolderWithoutShopDatabaseIsRefused) {
    w32test_support::TempDir dir;
    const Run bench = RunProgram(DEMO_WORKBENCH_PROGRAM, dir.Path(), "workbench");
    EXPECT_EQ(1, bench.status);
    EXPECT_TRUE(Has(bench.errors, "holds no shop database: run tessaform_demo")) << bench.errors;
    EXPECT_FALSE(fs::exists(fs::path(dir.Path()) / "workbench"));
}

}  // namespace
