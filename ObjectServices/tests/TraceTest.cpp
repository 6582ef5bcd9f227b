// The tagged trace: writer, tags, attributes, timer and the error texts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "KxGDatabaseTrace.h"
#include "KxGErrorText.h"
#include "KxGFakeAdapter.h"
#include "TestSupport.h"
#include "kxthreads.h"
#include "kxtypes.h"

namespace {

// The test clock: ticks (nanoseconds) since the timer's origin.
std::atomic<int64_t> g_ticks{0};
std::atomic<int64_t> g_origin{0};

int64_t TestClock()
{
    return g_origin.load() + g_ticks.load();
}

void SetSeconds(double seconds)
{
    g_ticks.store(static_cast<int64_t>(seconds * 1e9 + 0.5));
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_origin = KxGTimer::Origin();   // fixed by the real clock before the test clock takes over
        KxGTimer::SetClock(&TestClock);
        SetSeconds(0);
        KxGFakeScript::Reset();
    }
    void TearDown() override { KxGTimer::SetClock(nullptr); }

    std::string Path(const char* name) const { return dir_.Path(name); }

    TempDir dir_;
};

// A fake connection with a writer of the given module mask.
struct Connection {
    Connection(const std::string& file, uint16_t modules)
        : trace(KxString(file), modules, nullptr),
          database(KxString("SRV"), KxString("db"), KxString(), KxString(), nullptr, nullptr)
    {
        database.SetTrace(&trace);
    }
    ~Connection() { database.SetTrace(nullptr); }

    KxGDatabaseTrace trace;
    KxGFakeDatabase database;
};

struct TraceCase {
    const char* name;
    // Runs the case in a fresh directory and answers the text to compare.
    std::function<std::string(TraceTest&, const std::string& dir)> run;
    std::string expected;
};

const char kRootOpen[] = "\n<file start=0>";
const char kRootClose[] = "\n</file stop=0 duration=0>";

std::string WriteRecord(const std::string& file, int16_t escape, const char* text)
{
    {
        KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr);
        KxTraceTag tag(&trace, "t");
        if (KxGDatabaseTrace* t = tag.GetTrace()) {
            t->BeginCriticalSection();
            t->SetEscape(escape);
            *t << text;
            t->SetEscape(0);
            t->EndCriticalSection();
        }
    }
    return ReadFile(file);
}

const std::vector<TraceCase>& Cases()
{
    static const std::vector<TraceCase> cases = {
        {"EscapedRecord",
         [](TraceTest&, const std::string& dir) { return WriteRecord(dir + "/e.trc", 1, "a<b & c>d"); },
         std::string(kRootOpen) + "\n<t start=0>a&lt;b &amp; c&gt;d\n</t stop=0 duration=0>" + kRootClose},
        {"UnescapedRecord",
         [](TraceTest&, const std::string& dir) { return WriteRecord(dir + "/u.trc", 0, "a<b & c>d"); },
         std::string(kRootOpen) + "\n<t start=0>a<b & c>d\n</t stop=0 duration=0>" + kRootClose},
        {"TagOutsideMaskWritesNothing",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/m.trc";
             {
                 Connection c(file, KXG_TRACE_SM);
                 KxGTraceTag tag(c.database, KXG_TRACE_CA, "OpenClient");
                 EXPECT_FALSE(tag.IsActive());
                 tag.Append(new KxGTraceAttribute("a", "x"));
             }
             return ReadFile(file);
         },
         std::string(kRootOpen) + kRootClose},
        {"TagSharingABitIsWritten",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/s.trc";
             {
                 Connection c(file, KXG_TRACE_SM | KXG_TRACE_STM);
                 KxGTraceTag tag(c.database, KXG_TRACE_STM | KXG_TRACE_CA, "RemoveFromCache");
             }
             return ReadFile(file);
         },
         std::string(kRootOpen) + "\n<RemoveFromCache start=0>\n</RemoveFromCache stop=0 duration=0>" + kRootClose},
        {"MaskZeroAlwaysGetsTheWriter",
         [](TraceTest&, const std::string& dir) {
             Connection c(dir + "/z.trc", KXG_TRACE_DBA);
             std::string r;
             r += c.database.GetTrace(0) == &c.trace ? "0:writer " : "0:null ";
             r += c.database.GetTrace(KXG_TRACE_TXN) == nullptr ? "TXN:null" : "TXN:writer";
             return r;
         },
         "0:writer TXN:null"},
        {"AppendKeepsTheFile",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/gw.trc";
             WriteFile(file, "old");
             { KxGDatabaseTrace trace(KxString(">>" + file), KXG_TRACE_CA, nullptr); }
             return ReadFile(file);
         },
         std::string("old") + kRootOpen + kRootClose},
        {"PlainNameEmptiesTheFile",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/gw.trc";
             WriteFile(file, "old");
             { KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr); }
             return ReadFile(file);
         },
         std::string(kRootOpen) + kRootClose},
        {"ClosingTagWithTextAndNumberAttributes",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/c.trc";
             {
                 KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr);
                 SetSeconds(1.5);
                 {
                     KxTraceTag tag(&trace, "Op");
                     tag.Append(new KxGTraceAttribute("a", "x"));
                     tag.Append(new KxGTraceAttribute("b", 2));
                     SetSeconds(2.25);
                 }
                 SetSeconds(0);
             }
             return ReadFile(file);
         },
         std::string(kRootOpen) + "\n<Op start=1.5>\n</Op a=\"x\" b=2 stop=2.25 duration=0.75>" + kRootClose},
        {"OpeningAttributesAndNesting",
         [](TraceTest&, const std::string& dir) {
             const std::string file = dir + "/o.trc";
             {
                 KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr);
                 KxGTraceAttributeList opening;
                 opening.Append(new KxGTraceAttribute("rows", 3, 1));
                 opening.Append(new KxGTraceAttribute("f", 0.5));
                 KxTraceTag outer(&trace, "outer", &opening);
                 KxTraceTag inner(&trace, "inner");
                 inner.Append(new KxGTraceAttribute("t", std::unique_ptr<char[]>(new char[3]{'h', 'i', '\0'})));
             }
             return ReadFile(file);
         },
         std::string(kRootOpen) +
             "\n<outer start=0 rows=\"3\" f=0.5>\n<inner start=0>\n</inner t=\"hi\" stop=0 duration=0>"
             "\n</outer stop=0 duration=0>" +
             kRootClose},
        {"ErrorTextNegativeAndPositive6093Match",
         [](TraceTest&, const std::string&) {
             return std::string(KxGGetErrorText(-6093)) + "|" + KxGGetErrorText(6093);
         },
         "[ROGW][SM]size of blob container to small|[ROGW][SM]size of blob container to small"},
        {"ErrorTextUnknownCode",
         [](TraceTest&, const std::string&) { return std::string(KxGGetErrorText(-6099)); },
         "[ROGW]unknwown error"},
    };
    return cases;
}

TEST_F(TraceTest, EdgeCases)
{
    for (const TraceCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        TempDir caseDir;
        SetSeconds(0);
        EXPECT_EQ(c.run(*this, caseDir.Path("")), c.expected);
    }
}

TEST_F(TraceTest, ValuesAreWrittenInTheirKernelForms)
{
    const std::string file = Path("v.trc");
    {
        KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr);
        const KxObjId id(7, 2);
        const KxRef ref(id, KxClassId(17, 3));
        trace << "|" << int16_t(-2) << "|" << uint16_t(65535) << "|" << int32_t(-70000) << "|" << uint32_t(4000000000u)
              << "|" << int64_t(-5000000000) << "|" << uint64_t(9000000000u) << "|" << 1.0 / 3.0 << "|"
              << static_cast<unsigned char>('x') << '\n'
              << id << "|" << KxClassId(17, 3) << "|" << ref << "|" << KxString("k<s") << "|"
              << static_cast<const char*>(nullptr) << "|";
    }
    EXPECT_EQ(ReadFile(file), std::string(kRootOpen) +
                                  "|-2|65535|-70000|4000000000|-5000000000|9000000000|0.333333|x\n"
                                  "2-7|17v3|2-7/17v3|k<s||" +
                                  kRootClose);
}

TEST_F(TraceTest, TagMarkupIsNeverEscaped)
{
    // A tag opened while a record is being written keeps its markup intact.
    const std::string file = Path("n.trc");
    {
        KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, nullptr);
        trace.SetEscape(1);
        { KxTraceTag tag(&trace, "x"); }
        trace << "<";
        trace.SetEscape(0);
    }
    EXPECT_EQ(ReadFile(file), std::string(kRootOpen) + "\n<x start=0>\n</x stop=0 duration=0>&lt;" + kRootClose);
}

TEST_F(TraceTest, ElapsedText)
{
    struct Row {
        double seconds;
        const char* text;
    };
    const Row rows[] = {
        {5.25, " 5:250000"},                 // under a minute: seconds and microseconds only
        {0.000001, " 0:     1"},
        {65.5, " 1: 5:500000"},              // minutes appear
        {3600.0, " 1: 0: 0:     0"},         // hours bring the minutes along
        {3723.000004, " 1: 2: 3:     4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        SetSeconds(row.seconds);
        const KxGTimer timer;
        EXPECT_EQ(timer.ElapsedText(), row.text);
        const KxGTraceAttribute attribute("elapsed", timer);
        EXPECT_EQ(std::string(attribute.Text().StrGet()), std::string("elapsed=\"") + row.text + "\"");
    }
}

TEST_F(TraceTest, RecordsOfThreadsDoNotInterleave)
{
    const std::string file = Path("mt.trc");
    KxCritSect* section = KxCritSect::MakeLight("KxGTrace");
    {
        KxGDatabaseTrace trace(KxString(file), KXG_TRACE_CA, section);
        auto writer = [&trace](char c) {
            for (int i = 0; i < 200; ++i) {
                KxTraceTag tag(&trace, "r");
                trace.BeginCriticalSection();
                trace.SetEscape(1);
                trace << '{';
                for (int j = 0; j < 20; ++j) {
                    trace << c;
                }
                trace << '}';
                trace.SetEscape(0);
                trace.EndCriticalSection();
            }
        };
        std::thread a(writer, 'a');
        std::thread b(writer, 'b');
        a.join();
        b.join();
    }
    delete section;
    const std::string text = ReadFile(file);
    // Every record is whole: "{" twenty times the same letter "}".
    size_t records = 0;
    for (size_t pos = text.find('{'); pos != std::string::npos; pos = text.find('{', pos + 1)) {
        ASSERT_LT(pos + 21, text.size());
        EXPECT_EQ(text.substr(pos + 1, 20), std::string(20, text[pos + 1]));
        EXPECT_EQ(text[pos + 21], '}');
        ++records;
    }
    EXPECT_EQ(records, 400u);
    // Every tag is whole.
    std::istringstream lines(text);
    std::string line;
    size_t opened = 0;
    size_t closed = 0;
    while (std::getline(lines, line)) {
        opened += line.rfind("<r start=0>", 0) == 0 ? 1 : 0;
        // Another thread's record may follow a closing tag on the same line.
        closed += line.rfind("</r stop=0 duration=0>", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(opened, 400u);
    EXPECT_EQ(closed, 400u);
}

}  // namespace
