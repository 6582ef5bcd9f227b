// The bench made without application: no agents, no print manager, one printer, the double-agent
// callback.
#include "CoreTestSupport.h"
#include "KxAgentManager.h"
#include "KxBench.h"
#include "svprint.h"

namespace {

TEST(BenchTest, WithoutApplication) {
    KxBench bench;
    EXPECT_EQ(nullptr, bench.getApplication());
    EXPECT_EQ(nullptr, bench.getAppWindow());
    ASSERT_NE(nullptr, bench.getAgentMgr());
    EXPECT_EQ(0u, bench.getAgentMgr()->getAgentsInfos()->Count());
    EXPECT_EQ(&bench, bench.getAgentMgr()->getBench());
    ASSERT_NE(nullptr, bench.getDocumentMgr());
    EXPECT_EQ(nullptr, bench.getPrintMgr());
    // Status texts go nowhere without a main window.
    bench.statusMessage("%s", std::string(400, 'x').c_str());
    bench.statusHelpText(nullptr);
}

TEST(BenchTest, PrinterMadeOnFirstUseForTheSetUpDialog) {
    KxBench bench;
    SvTakeBoxLog();
    coretest::InMainLoop("print all", [&] { bench.doPrintSetupDialog(); });
    EXPECT_EQ(std::vector<std::string>{"PrinterSetupDialog parent=\"\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" answer=ok"},
              coretest::Boxes());
    Printer* printer = bench.getPrinter();
    ASSERT_NE(nullptr, printer);
    EXPECT_EQ(printer, bench.getPrinter());
}

struct Listener : KxBenchCallback {
    void heard(unsigned long code, const char* text) { lines.push_back(std::to_string(code) + " " + text); }
    void other(unsigned long, const char*) { lines.push_back("other"); }
    std::vector<std::string> lines;
};

TEST(BenchTest, DoubleAgentCallbackKept) {
    KxBench bench;
    Listener listener;
    bench.getDoubleAgentCallback().callCallback(1, "before");
    bench.registerDoubleAgent(&listener, static_cast<KxDoubleAgentCallbackRef::Function>(&Listener::other));
    bench.registerDoubleAgent(&listener, static_cast<KxDoubleAgentCallbackRef::Function>(&Listener::heard));
    bench.getDoubleAgentCallback().callCallback(7, "seven");
    EXPECT_EQ(std::vector<std::string>{"7 seven"}, listener.lines);
}

TEST(BenchTest, CopiesShareOneBench) {
    auto* bench = new KxBench;
    KxDocumentManager* documents = bench->getDocumentMgr();
    KxBench copy(*bench);
    delete bench;
    EXPECT_EQ(documents, copy.getDocumentMgr());
    EXPECT_EQ(0u, copy.getAgentMgr()->getAgentsInfos()->Count());
}

}  // namespace
