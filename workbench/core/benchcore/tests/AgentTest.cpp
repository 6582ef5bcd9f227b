// The agent base class: the verbs' texts and the question before a document closes.
#include "CoreTestSupport.h"
#include "KxBench.h"

namespace {

using coretest::LocalAgent;
using coretest::Text;

TEST(AgentTest, VerbTexts) {
    const char* texts[] = {"open",   "close",       "gets focus", "looses focus", "copy",  "delete",
                           "saveas", "get focused", "compile",    "destroy",      "clear"};
    for (int v = 0; v <= 10; ++v) EXPECT_EQ(texts[v], Text(VERB(static_cast<E_VERB>(v)))) << v;
    for (int v : {11, -1, 1000}) {
        EXPECT_EQ("unknown verb, please modify VERB()", Text(VERB(static_cast<E_VERB>(v)))) << v;
    }
}

TEST(AgentTest, DefaultQuestionBeforeADocumentCloses) {
    KxBench bench;
    LocalAgent agent("agent", &bench);
    agent.askUser = true;
    KxDocumentManager manager;
    auto* doc = new coretest::TestDocument("Sales 2026", &agent, &manager);
    SvTakeBoxLog();
    struct Case {
        const char* answer;
        KxDocument* doc;
        int result;
        const char* text;
    } cases[] = {
        {"answer yes", doc, 1, "Close the document? Sales 2026 ?"},
        {"answer no", doc, 0, "Close the document? Sales 2026 ?"},
        {"answer yes", nullptr, 1, "Close the document?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        int result = -1;
        coretest::InMainLoop(c.answer, [&] { result = agent.queryCloseDocument(c.doc, nullptr); });
        EXPECT_EQ(c.result, result);
        const std::vector<std::string> boxes = coretest::Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find(std::string("QueryBox parent=\"\" text=\"") + c.text + "\" buttons=yes,no"))
            << boxes[0];
    }
    doc->removeAgent(&agent, 0);
}

}  // namespace
