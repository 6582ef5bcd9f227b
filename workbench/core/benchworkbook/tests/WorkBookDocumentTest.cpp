// The workbook document over real workbook databases: the dictionary's full name, creating,
// opening and closing workbooks, and what each gives back.
#include <svmsgbox.h>

#include "KxProjectSchema.h"
#include "KxWorkBookDocument.h"
#include "WorkBookFixture.h"

namespace {

using wbtest::Diagnostics;
using wbtest::InMainLoop;
using wbtest::LocalAgent;

class WorkBookDocument : public wbtest::WorkBookSite {
protected:
    KxWorkBookDocument* NewDocument(const char* title = "wb") {
        KxString name(title);
        return new KxWorkBookDocument(name, &agent_, &manager_);
    }
    // Stores a project titled so in the open workbook.
    static void StoreProject(KxWorkBookDocument* doc, const char* title) {
        KxProjectObj* project = KxProjectObj::make(doc->getBase());
        ASSERT_NE(nullptr, project);
        project->setTitle(title);
        EXPECT_EQ(0, project->Store(0));
        project->Forget();
    }
    static int32_t Projects(KxWorkBookDocument* doc) { return KxProjectObjAllSet(doc->getBase()).GetCount(); }

    KxDocumentManager manager_;
};

TEST_F(WorkBookDocument, FullDictionaryNameFollowsTheServerAndTheAgentsModule) {
    KxWorkBookDocument* doc = NewDocument();
    LocalAgent homeless("homeless");   // no bench
    struct Case {
        const char* server;
        KxAgent* agent;
        std::string name;
        bool reported;
    } cases[] = {
        {"LOCAL", &agent_, agentDir_ + "workdict", false},
        {"NATIVE", &agent_, "workdict", false},
        {"local", &agent_, "workdict", false},
        {nullptr, &agent_, "workdict", false},
        {"LOCAL", nullptr, "workdict", true},
        {"LOCAL", &homeless, "workdict", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.server != nullptr ? c.server : "(null)") + " " + c.name);
        Diagnostics diagnostics;
        EXPECT_EQ(c.name, doc->getFullDictionaryName(c.server, c.agent).ToUtf8());
        EXPECT_EQ(c.reported, diagnostics.Text().find("cannot obtain workbook dictionary full name, using short "
                                                      "name. ") != std::string::npos);
    }
    EXPECT_STREQ("workdict", KxWorkBookDocument::getShortDictionaryName());
    EXPECT_EQ("Tessaform Workbook Document", doc->getType().getDocumentDesc().ToUtf8());
    KxDocumentType own("Tessaform Workbook Document");
    EXPECT_EQ(doc, doc->castTo(own));
    doc->removeAgent(&agent_, 0);
}

TEST_F(WorkBookDocument, CreatesOpensAndClosesAWorkbook) {
    KxWorkBookDocument* doc = NewDocument();
    EXPECT_EQ(0, doc->createWorkBook("wb", "NATIVE", &agent_));
    // Made, not opened: the document holds the dictionary only.
    EXPECT_EQ(nullptr, doc->getBase());
    ASSERT_NE(nullptr, doc->getDictionary());
    EXPECT_EQ("workdict", doc->getDictionary()->GetName().ToUtf8());
    // A second workbook: the dictionary is held once still.
    EXPECT_EQ(0, doc->createWorkBook("wb2", "NATIVE", &agent_));
    KxClassDict* dict = doc->getDictionary();
    EXPECT_EQ(0, doc->closeWorkBook());
    EXPECT_EQ(nullptr, doc->getDictionary());
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, KxBase::KELVOX()->HoldDictionary(dict));
    // A database that is there already is refused.
    EXPECT_EQ(-2035, doc->createWorkBook("wb", "NATIVE", &agent_));

    EXPECT_EQ(0, doc->openWorkBook("wb", "NATIVE", &agent_));
    ASSERT_NE(nullptr, doc->getBase());
    EXPECT_TRUE(doc->getBase()->IsOpen());
    StoreProject(doc, "first");
    // Opening again closes the first base before the second opens.
    EXPECT_EQ(0, doc->openWorkBook("wb2", "NATIVE", &agent_));
    EXPECT_EQ(0, Projects(doc));
    StoreProject(doc, "second");
    EXPECT_EQ(0, doc->openWorkBook("wb", "NATIVE", &agent_));
    EXPECT_EQ(1, Projects(doc));
    doc->removeAgent(&agent_, 0);   // the destructor closes the workbook
    EXPECT_EQ(0u, manager_.getDocumentCount());
}

TEST_F(WorkBookDocument, FailuresAndBadTexts) {
    KxWorkBookDocument* doc = NewDocument();
    // Not made yet: connected, not open; the next close frees the base.
    EXPECT_EQ(-2031, doc->openWorkBook("wb", "NATIVE", &agent_));
    EXPECT_NE(nullptr, doc->getBase());
    EXPECT_EQ(-2031, doc->getStatus());
    // Null texts: creating keeps the status, opening is refused; neither changes anything.
    EXPECT_EQ(-2031, doc->createWorkBook(nullptr, "NATIVE", &agent_));
    EXPECT_EQ(-2031, doc->createWorkBook("wb", nullptr, &agent_));
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->openWorkBook(nullptr, "NATIVE", &agent_));
    EXPECT_NE(nullptr, doc->getBase());
    // A server that names no storage: the base never connects; the close frees it all the same.
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->openWorkBook("wb", "NOSERVER", &agent_));
    EXPECT_NE(nullptr, doc->getBase());
    doc->closeWorkBook();
    EXPECT_EQ(nullptr, doc->getBase());
    EXPECT_EQ(0, doc->getStatus());
    doc->removeAgent(&agent_, 0);
}

TEST_F(WorkBookDocument, ADictionaryThatCannotBeHadIsShown) {
    InMainLoop("answer ok\n", [&] {
        KxWorkBookDocument* doc = NewDocument();
        KxHookFailNext("GetDictionary", -2842);
        EXPECT_EQ(-2842, doc->createWorkBook("wb", "NATIVE", &agent_));
        std::vector<SvBoxRecord> boxes = SvTakeBoxLog();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Failed to open workbook wb on NATIVE, -2842.", boxes[0].text);
        EXPECT_EQ(nullptr, doc->getDictionary());
        doc->removeAgent(&agent_, 0);
    });
}

TEST_F(WorkBookDocument, LocalWorkbookUsesTheDictionaryBesideTheAgent) {
    KxWorkBookDocument* doc = NewDocument("localwb");
    ASSERT_EQ(0, doc->createWorkBook("localwb", "LOCAL", &agent_));
    EXPECT_EQ(0, doc->openWorkBook("localwb", "LOCAL", &agent_));
    ASSERT_NE(nullptr, doc->getBase());
    StoreProject(doc, "local");
    EXPECT_EQ(1, Projects(doc));
    // The dictionary beside the agent, not the one listed under its name.
    KxClassDict* listed = nullptr;
    ASSERT_EQ(0, KxBase::KELVOX()->GetDictionary(KxString("NATIVE"), KxString("workdict"), listed));
    EXPECT_NE(listed, doc->getDictionary());
    KxBase::KELVOX()->ReleaseDictionary(listed);
    doc->removeAgent(&agent_, 0);
}

}  // namespace
