// The demo's workbench step end to end: tessaform_demo makes the shop database in a fresh folder, then
// tessaform_workbench_demo runs the workbench on it headless, from its script: the agent module is
// loaded from the configured agent path, the database opens after the log-in dialog, and the
// browsers' paint logs and pictures land in <folder>/workbench.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "DemoShell.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;
using w32test_support::ReadAll;

struct ProgramRun {
    int status;
    std::string output;
    std::string errors;
};

ProgramRun RunProgram(const std::string& program, const std::string& folder, const std::string& name) {
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

// The log-in of the step's script: the user SHOP with the password shop, or a cancel.
const char kLogIn[] = "click \"Tessaform Workbench\" \"Shop\"\ntext \"Log-in\" Edit 3 \"SHOP\"\n"
                      "text \"Log-in\" Edit 4 \"shop\"\npress \"Log-in\" OKButton 1\n";

// The shop database of the first step, made once for the tests that run the workbench on it (they
// only read it).
class WorkbenchDemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shop_ = new w32test_support::TempDir;
        const ProgramRun run = RunProgram(DEMO_SHOP_PROGRAM, shop_->Path(), "shop");
        ASSERT_EQ(0, run.status) << run.output << run.errors;
    }
    static void TearDownTestSuite() {
        delete shop_;
        shop_ = nullptr;
    }
    // The workbench step on the shop database, with its own script or the one given.
    static ProgramRun RunWorkbench(const std::string& script = std::string()) {
        w32test_support::EnvVar timeout("SV_TIMEOUT", std::string("60"));
        std::optional<std::string> file;
        if (!script.empty()) file = shop_->Write("test.sv", script);
        w32test_support::EnvVar scriptVar("SV_SCRIPT", file);
        return RunProgram(DEMO_WORKBENCH_PROGRAM, shop_->Path(), "workbench");
    }
    static fs::path Pictures() { return fs::path(shop_->Path()) / "workbench"; }

    static w32test_support::TempDir* shop_;
};

w32test_support::TempDir* WorkbenchDemoTest::shop_ = nullptr;

TEST_F(WorkbenchDemoTest, TheWorkbenchBrowsesTheShopDatabaseOfTheFirstStep) {
    const ProgramRun bench = RunWorkbench();
    ASSERT_EQ(0, bench.status) << bench.output << bench.errors;
    EXPECT_TRUE(Has(bench.output, "agent \"Shop browser\" active")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "opened the shop database: base SHOP on Oracle$SHOPSRV")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "35 customers")) << bench.output;
    EXPECT_TRUE(Has(bench.output, "closed the shop database")) << bench.output;

    // The object view after each choice, in the order of the script.
    std::vector<std::string> shown;
    for (size_t at = bench.output.find("the generic object view shows "); at != std::string::npos;
         at = bench.output.find("the generic object view shows ", at + 1)) {
        const size_t begin = at + std::string("the generic object view shows ").size();
        shown.push_back(bench.output.substr(begin, bench.output.find(' ', begin) - begin));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Customer", "Customer", "Product", "Supplier", "Customer"})) << bench.output;

    // The windows' paint logs: the main window with the agent's button and the browsers as the
    // script left them.
    const fs::path pictures = Pictures();
    const std::string main = PaintLog(pictures, "Tessaform_Workbench");
    EXPECT_TRUE(Has(main, "\"Shop\" font=")) << main;
    EXPECT_TRUE(Has(main, "Shop database open")) << main;
    const std::string customers = PaintLog(pictures, "Customers");
    EXPECT_TRUE(Has(customers, "\" name=customer 6 email=c6@shop.example\"")) << customers;
    EXPECT_FALSE(Has(customers, "name=customer 5 ")) << customers;  // deleted by the first step
    const std::string object = PaintLog(pictures, "Object");
    EXPECT_TRUE(Has(object, "name : customer 12\"")) << object;
    EXPECT_TRUE(Has(object, "email : c12@shop.example\"")) << object;
    // Opened along the references: the customer's orders, the product's supplier.
    const std::string navigation = PaintLog(pictures, "Order_navigation");
    EXPECT_TRUE(Has(navigation, "\"Order(1) #0, ")) << navigation;
    EXPECT_TRUE(Has(navigation, "\"ondemand<Supplier(1)>    supplier\"")) << navigation;
    // The pictures beside the logs, and the object view after the product was chosen.
    for (const char* file : {"Tessaform_Workbench-", "Customers-", "Object-", "Order_navigation-", "object-3-Product_"}) {
        bool png = false;
        for (const fs::directory_entry& entry : fs::directory_iterator(pictures)) {
            const std::string name = entry.path().filename().string();
            png = png || (name.rfind(file, 0) == 0 && entry.path().extension() == ".png" &&
                          ReadAll(entry.path().string()).substr(1, 3) == "PNG");
        }
        EXPECT_TRUE(png) << file;
    }
    // The log-in dialog took what the script typed: no box complained.
    const std::string boxes = ReadAll((pictures / "boxes.log").string());
    EXPECT_FALSE(Has(boxes, "ErrorBox")) << boxes;
    EXPECT_FALSE(Has(boxes, "WarningBox")) << boxes;
}

// The agent closes the database with its last browser window, opens it again from its button, and
// opens nothing when the log-in is cancelled.
TEST_F(WorkbenchDemoTest, TheDatabaseClosesWithTheBrowsersAndStaysClosedAfterACancelledLogIn) {
    const ProgramRun again = RunWorkbench(std::string(kLogIn) + "menu 317\n" + kLogIn);  // Window - Close All
    ASSERT_EQ(0, again.status) << again.output << again.errors;
    const std::string opened = "opened the shop database";
    const std::string closed = "closed the shop database";
    const size_t first = again.output.find(opened);
    ASSERT_NE(std::string::npos, first) << again.output;
    const size_t firstClose = again.output.find(closed, first);
    ASSERT_NE(std::string::npos, firstClose) << again.output;
    const size_t second = again.output.find(opened, firstClose);
    ASSERT_NE(std::string::npos, second) << again.output;
    EXPECT_NE(std::string::npos, again.output.find(closed, second)) << again.output;

    const ProgramRun cancelled = RunWorkbench("click \"Tessaform Workbench\" \"Shop\"\npress \"Log-in\" CancelButton 2\n");
    EXPECT_EQ(1, cancelled.status) << cancelled.output << cancelled.errors;
    EXPECT_TRUE(Has(cancelled.errors, "shop browser: the shop database did not open (status ")) << cancelled.errors;
    EXPECT_TRUE(Has(cancelled.errors, "no picture of the window \"Customers\"")) << cancelled.errors;
    EXPECT_FALSE(Has(cancelled.output, opened)) << cancelled.output;
    EXPECT_FALSE(Has(cancelled.output, closed)) << cancelled.output;
    EXPECT_TRUE(Has(PaintLog(Pictures(), "Tessaform_Workbench"), "the shop database did not open"));
}

TEST(WorkbenchDemoFolderTest, AFolderWithoutShopDatabaseIsRefused) {
    w32test_support::TempDir dir;
    const ProgramRun bench = RunProgram(DEMO_WORKBENCH_PROGRAM, dir.Path(), "workbench");
    EXPECT_EQ(1, bench.status);
    EXPECT_TRUE(Has(bench.errors, "holds no shop database: run tessaform_demo")) << bench.errors;
    EXPECT_FALSE(fs::exists(fs::path(dir.Path()) / "workbench"));
}

}  // namespace
