// Documents: the used-by table with its reference counts, the document deleting itself when the last
// agent leaves, external usages, the questions before closing, and the document manager.
#include "CoreTestSupport.h"

namespace {

using coretest::LocalAgent;
using coretest::TestDocument;
using coretest::Text;

TEST(DocumentTest, LivesWhileAgentsUseItAndDeletesItself) {
    KxDocumentManager manager;
    LocalAgent creator("creator"), reader("reader");
    int destroyed = 0;
    auto* doc = new TestDocument("book", &creator, &manager, &destroyed);
    EXPECT_EQ(1u, manager.getDocumentCount());
    ASSERT_NE(nullptr, doc->getAgentInfo(&creator));
    EXPECT_EQ(1, doc->getAgentInfo(&creator)->count);

    // Two uses and one release by the same agent keep the document; the second release ends it.
    doc->addAgent(&reader, 0);
    doc->addAgent(&reader, 0);
    EXPECT_EQ(2, doc->getAgentInfo(&reader)->count);
    EXPECT_EQ(&reader, doc->removeAgent(&reader, 0));
    EXPECT_EQ(1, doc->getAgentInfo(&reader)->count);
    doc->removeAgent(&reader, 0);
    EXPECT_EQ(nullptr, doc->getAgentInfo(&reader));
    EXPECT_EQ(0, destroyed);

    // The last user leaves: the document deletes itself and leaves the manager.
    doc->removeAgent(&creator, 0);
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(0u, manager.getDocumentCount());
}

TEST(DocumentTest, ExternalUsagesCountedBesideTheAgents) {
    KxDocumentManager manager;
    LocalAgent creator("creator"), tool("tool");
    auto* doc = new TestDocument("book", &creator, &manager);
    EXPECT_EQ(0, doc->maybeInconsistent());
    doc->addAgent(&tool, 1);
    doc->addAgent(&tool, 1);
    EXPECT_EQ(2, doc->maybeInconsistent());
    // Lowered even while other agents still use the document.
    doc->removeAgent(&tool, 1);
    EXPECT_EQ(1, doc->maybeInconsistent());
    doc->removeAgent(&creator, 0);
    EXPECT_EQ(1, doc->maybeInconsistent());
    doc->removeAgent(&tool, 1);
}

TEST(DocumentTest, RemovingAnAgentThatDoesNotUseItOnlyWritesALine) {
    KxDocumentManager manager;
    LocalAgent creator("creator"), stranger("stranger");
    int destroyed = 0;
    auto* doc = new TestDocument("book", &creator, &manager, &destroyed);
    coretest::Diagnostics diagnostics;
    EXPECT_EQ(&stranger, doc->removeAgent(&stranger, 1));
    EXPECT_NE(std::string::npos,
              diagnostics.Text().find("You cannot remove the agent from the usedBy list of this document.The document is "
                                      "not used by the agent <stranger>. There must be a misunderstanding. "));
    EXPECT_EQ(0, doc->maybeInconsistent());
    EXPECT_EQ(1, doc->getAgentInfo(&creator)->count);
    EXPECT_EQ(0, destroyed);
    doc->removeAgent(&creator, 0);
}

TEST(DocumentTest, OtherAgentsAreAskedBeforeClosingInTableOrder) {
    KxDocumentManager manager;
    LocalAgent requester("requester"), first("first"), second("second");
    auto* doc = new TestDocument("book", &requester, &manager);
    doc->addAgent(&first, 0);
    doc->addAgent(&second, 0);
    EXPECT_EQ(1, doc->queryCloseUsingAgents(&requester));
    EXPECT_EQ(std::vector<std::string>{"book"}, first.asked);
    EXPECT_EQ(std::vector<std::string>{"book"}, second.asked);
    EXPECT_TRUE(requester.asked.empty());

    // A refusal ends the questions: the agents after the refusing one (in the table's order) are not asked.
    first.asked.clear();
    second.asked.clear();
    first.allowClose = 0;
    EXPECT_EQ(0, doc->queryCloseUsingAgents(&requester));
    EXPECT_EQ(std::vector<std::string>{"book"}, first.asked);
    const bool secondAfterFirst = reinterpret_cast<uintptr_t>(&second) > reinterpret_cast<uintptr_t>(&first);
    EXPECT_EQ(secondAfterFirst, second.asked.empty());
    for (KxAgent* agent : {&first, &second, &requester}) doc->removeAgent(agent, 0);
}

TEST(DocumentTest, TypesTitlesAndCasts) {
    static const char workbook[] = "workbook";
    const std::string sameText = "workbook";
    struct Case {
        KxDocumentType a, b;
        int equal;
    } cases[] = {
        {KxDocumentType(workbook), KxDocumentType(workbook), 1},
        {KxDocumentType(workbook), KxDocumentType(sameText.c_str()), 1},   // other pointer, equal text
        {KxDocumentType(), KxDocumentType(), 1},
        {KxDocumentType(), KxDocumentType(""), 1},
        {KxDocumentType(workbook), KxDocumentType("project"), 0},
        {KxDocumentType(workbook), KxDocumentType("Workbook"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.a.getDocumentDesc()) + "/" + Text(c.b.getDocumentDesc()));
        EXPECT_EQ(c.equal, c.a == c.b);
        EXPECT_EQ(!c.equal, c.a != c.b);
    }
    EXPECT_EQ("", Text(KxDocumentType().getDocumentDesc()));

    KxDocumentManager manager;
    LocalAgent agent("agent");
    auto* doc = new TestDocument("Sales 2026", &agent, &manager);
    KxDocumentType wanted("workbook"), other("project");
    EXPECT_EQ(doc, doc->castTo(wanted));
    EXPECT_EQ(nullptr, doc->castTo(other));

    // Titles match exactly.
    for (const char* title : {"sales 2026", "Sales 2026 ", "Sales"}) {
        KxString text(title);
        EXPECT_EQ(nullptr, manager.getDocument(text)) << title;
        EXPECT_EQ(0, manager.documentExists(text)) << title;
    }
    KxString exact("Sales 2026");
    EXPECT_EQ(doc, manager.getDocument(exact));
    doc->setTitle("Sales 2027");
    EXPECT_EQ(0, manager.documentExists(exact));

    doc->setLastTimeModified(KxDateTime(2020, 1, 2));
    KxDateTime::SetClock([] { return KxClockReading{2026, 12, 11, 14, 30, 0}; });
    EXPECT_EQ(2026, doc->touchDocument().GetYear());
    EXPECT_EQ(30, doc->getLastTimeModified().GetMinute());
    KxDateTime::SetClock(nullptr);
    doc->removeAgent(&agent, 0);
}

TEST(DocumentTest, ManagerGoneBeforeItsDocuments) {
    LocalAgent agent("agent");
    int destroyed = 0;
    TestDocument* first;
    TestDocument* second;
    {
        coretest::Diagnostics diagnostics;
        auto* manager = new KxDocumentManager;
        first = new TestDocument("one", &agent, manager, &destroyed);
        second = new TestDocument("two", &agent, manager, &destroyed);
        // A copy shares the table: the line comes when the last of them goes.
        auto* copy = new KxDocumentManager(*manager);
        delete manager;
        EXPECT_EQ("", diagnostics.Text());
        EXPECT_EQ(2u, copy->getDocumentCount());
        delete copy;
        EXPECT_EQ("there are 2 unclosed documents. \n", diagnostics.Text());
    }
    // The documents are alive, and can still end without their manager.
    EXPECT_EQ(0, destroyed);
    first->removeAgent(&agent, 0);
    second->removeAgent(&agent, 0);
    EXPECT_EQ(2, destroyed);
}

}  // namespace
