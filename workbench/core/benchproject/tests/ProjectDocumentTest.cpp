// The project document over a real workbook database: creating projects from the settings beside
// the agent, storing, refreshing, copying and deleting them, and mirroring the document's texts.
#include <svmsgbox.h>

#include "KxProjectDocument.h"
#include "KxProjectSchema.h"
#include "KxWorkBookDocument.h"
#include "WorkBookFixture.h"

namespace {

using wbtest::InMainLoop;
using wbtest::LocalAgent;

std::string Text(const KxString& s) { return s.IsEmpty() ? std::string() : s.ToUtf8(); }

// An open workbook "wb" and the settings file beside the agent's module.
class ProjectDocument : public wbtest::WorkBookSite {
protected:
    void SetUp() override {
        WorkBookSite::SetUp();
        ASSERT_EQ(0, kxntest::CreateDatabase("wb", "workdict"));
        KxString title("wb");
        workbook_ = new KxWorkBookDocument(title, &agent_, &manager_);
        ASSERT_EQ(0, workbook_->openWorkBook("wb", "NATIVE", &agent_));
        std::ofstream(agentDir_ + "kxxxopts.ini") << "[SYSTEMS]\n"
                                                     "linux=gcc -O2\n"
                                                     "other=ignored\n"
                                                     "[Tessaform Workbench]\n"
                                                     "DEFINES=DEBUG,TRACE\n"
                                                     "UNDEFINES=NDEBUG\n"
                                                     "HOST=dbhost\n"
                                                     "BASE=shop\n"
                                                     "DICTIONARY=shopdict\n"
                                                     "OUTPUTPATH=out\n"
                                                     "FACTORYHEADERPATH=fh\n"
                                                     "FACTORYSOURCEPATH=fs\n"
                                                     "INCLUDESPATH=inc1,inc2\n"
                                                     "TMPPATH=never\n"
                                                     "ODLTEMPFILENAME=odl.tmp\n";
    }
    void TearDown() override {
        if (workbook_ != nullptr) workbook_->removeAgent(&agent_, 0);
        WorkBookSite::TearDown();
    }
    KxProjectDocument* NewDocument(KxAgent* agent) {
        KxString title("project");
        return new KxProjectDocument(title, agent, &manager_);
    }
    // A document with a new project in the workbook.
    KxProjectDocument* NewProject() {
        KxProjectDocument* doc = NewDocument(&agent_);
        doc->assignToWorkBook(workbook_);
        EXPECT_FALSE(doc->createProject());
        return doc;
    }
    // The projects stored in the workbook, by title.
    std::vector<std::string> StoredTitles() {
        std::vector<std::string> titles;
        KxProjectObjAllSet projects(workbook_->getBase());
        for (long i = 0; i < projects.GetCount(); ++i) {
            KxProjectObj* project = nullptr;
            if (projects.Get(project, i, 0) != 0) break;
            titles.push_back(project->getTitle() != nullptr ? project->getTitle() : "");
            project->Forget();
        }
        return titles;
    }
    void AddItem(KxProjectDocument* doc, const char* name, uint32_t state = 0) {
        KxProjectItem* item = doc->createItem(doc->getProject());
        ASSERT_NE(nullptr, item);
        item->setName(KxString(name));
        item->setPath(KxString("src/"));
        item->setState(state);
    }

    KxDocumentManager manager_;
    KxWorkBookDocument* workbook_ = nullptr;
};

TEST_F(ProjectDocument, NewProjectsAreFilledFromTheSettingsBesideTheAgent) {
    KxProjectDocument* doc = NewProject();
    KxProjectObj* project = doc->getProject();
    ASSERT_NE(nullptr, project);
    EXPECT_STREQ("Untitled", project->getTitle());
    EXPECT_EQ("Untitled", Text(doc->getTitle()));
    KxProjectOptions* options = project->getOptions();
    ASSERT_NE(nullptr, options);
    // The first key of "SYSTEMS"; the first entry of each list.
    EXPECT_EQ("linux", Text(options->getSystem()));
    EXPECT_EQ("gcc -O2", Text(options->getSettings()));
    EXPECT_EQ("DEBUG", Text(options->getDefines()));
    EXPECT_EQ("NDEBUG", Text(options->getUnDefines()));
    EXPECT_EQ("dbhost", Text(options->getHostName()));
    EXPECT_EQ("shop", Text(options->getBaseName()));
    EXPECT_EQ("shopdict", Text(options->getDictionaryName()));
    EXPECT_EQ(1, options->getVerboseSwitch());
    KxProjectDirectories* dirs = project->getDirectories();
    ASSERT_NE(nullptr, dirs);
    EXPECT_EQ("out", Text(dirs->getOutputDir()));
    EXPECT_EQ("fh", Text(dirs->getFactoryHeaderDir()));
    EXPECT_EQ("fs", Text(dirs->getFactorySourceDir()));
    EXPECT_EQ("inc1", Text(dirs->getIncludeDir()));
    // The environment has a temporary directory: "TMPPATH" is not read.
    EXPECT_NE("never", Text(dirs->getTempDir()));
    KxProjectODLOptions* odl = project->getODLOptions();
    ASSERT_NE(nullptr, odl);
    EXPECT_EQ("inc1", Text(odl->getIncludes()));
    EXPECT_EQ("odl.tmp", Text(odl->getTempFilename()));
    EXPECT_EQ("shopdict", Text(odl->getDictionaryName()));
    EXPECT_EQ(1, odl->getFullCompileSwitch());
    doc->removeAgent(&agent_, 0);

    // Without the agent's module there are no settings: everything keeps its default.
    LocalAgent homeless("homeless");
    KxProjectDocument* bare = NewDocument(&homeless);
    EXPECT_EQ(nullptr, bare->getSettings());
    bare->assignToWorkBook(workbook_);
    ASSERT_FALSE(bare->createProject());
    EXPECT_TRUE(bare->getProject()->getOptions()->getHostName().IsEmpty());
    EXPECT_TRUE(bare->getProject()->getDirectories()->getOutputDir().IsEmpty());
    EXPECT_EQ(1, bare->getProject()->getODLOptions()->getAsOndemandMembersSwitch());
    bare->removeAgent(&homeless, 0);
}

TEST_F(ProjectDocument, StoresProjectsWithEverythingTheyReach) {
    KxProjectDocument* doc = NewProject();
    doc->setTitle(KxString("Billing"));
    doc->setTopic(KxString("invoices"));
    doc->setAuthor(KxString("ann"));
    AddItem(doc, "a.hcd");
    AddItem(doc, "b.hcd");
    doc->getProject()->getOptions()->setDefines(KxString("STORED"));
    EXPECT_EQ(0, doc->store(0));
    EXPECT_EQ(std::vector<std::string>{"Billing"}, StoredTitles());
    doc->removeAgent(&agent_, 0);

    // Read back in a new session of the workbook.
    ASSERT_EQ(0, workbook_->openWorkBook("wb", "NATIVE", &agent_));
    KxProjectObjAllSet projects(workbook_->getBase());
    KxProjectObj* stored = nullptr;
    ASSERT_EQ(0, projects.Get(stored, 0, 0));
    KxString title("stored");
    auto* again = new KxProjectDocument(title, stored, workbook_, &agent_, &manager_);
    stored->Forget();
    EXPECT_EQ("Billing", Text(again->getTitle()));
    EXPECT_EQ("invoices", Text(again->getTopic()));
    EXPECT_EQ("ann", Text(again->getAuthor()));
    EXPECT_EQ(2, again->getProject()->getItemsCount());
    EXPECT_EQ("STORED", Text(again->getProject()->getOptions()->getDefines()));
    EXPECT_EQ("inc1", Text(again->getProject()->getODLOptions()->getIncludes()));

    // Deleted from the database with what it reaches.
    EXPECT_EQ(0, again->deleteProjectFromDatabase());
    EXPECT_TRUE(StoredTitles().empty());
    EXPECT_EQ(0, KxProjectOptionsAllSet(workbook_->getBase()).GetCount());
    EXPECT_EQ(0, KxProjectItemAllSet(workbook_->getBase()).GetCount());
    again->removeAgent(&agent_, 0);
}

TEST_F(ProjectDocument, CopiesSkipItemsMarkedWithBitOne) {
    KxProjectDocument* doc = NewProject();
    doc->setTitle(KxString("Original"));
    AddItem(doc, "kept.hcd", 1);
    AddItem(doc, "skipped.hcd", 2);
    AddItem(doc, "also.hcd", 4);
    KxProjectOptions* options = doc->getProject()->getOptions();
    options->setCompileOnlySwitch(1);
    options->setVerboseSwitch(0);
    options->setAdvancedRegOptions(KxString("reg"));
    KxProjectODLOptions* odl = doc->getProject()->getODLOptions();
    odl->setWarningLevelSwitch(3);
    odl->setVerboseSwitch(1);   // not copied
    odl->setAsPointerMembersSwitch(1);
    doc->getProject()->getDirectories()->setTempDir(KxString("/scratch"));

    KxProjectObj* copy = doc->copyProject();
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ("Original", copy->getTitle());
    ASSERT_EQ(2, copy->getItemsCount());
    std::vector<std::string> names;
    for (long i = 0; i < 2; ++i) {
        KxProjectItem* item = copy->getItem(i);
        names.push_back(Text(item->getName()));
        copy->ungetItem(item);
    }
    EXPECT_EQ((std::vector<std::string>{"kept.hcd", "also.hcd"}), names);
    EXPECT_EQ(1, copy->getOptions()->getCompileOnlySwitch());
    EXPECT_EQ(0, copy->getOptions()->getVerboseSwitch());
    EXPECT_EQ("reg", Text(copy->getOptions()->getAdvancedRegOptions()));
    EXPECT_EQ(3, copy->getODLOptions()->getWarningLevelSwitch());
    EXPECT_EQ(1, copy->getODLOptions()->getAsPointerMembersSwitch());
    EXPECT_EQ(0, copy->getODLOptions()->getVerboseSwitch());
    EXPECT_EQ("/scratch", Text(copy->getDirectories()->getTempDir()));
    copy->Forget();

    // Missing sides fail.
    EXPECT_EQ(1, doc->copyProjectItems(nullptr));
    EXPECT_EQ(1, doc->copyProjectOptions(nullptr));
    KxProjectDocument* empty = NewDocument(&agent_);
    EXPECT_EQ(nullptr, empty->copyProject());
    EXPECT_EQ(1, empty->copyProjectDirectories(doc->getProject()));
    EXPECT_EQ(-1, empty->assignToWorkBook(workbook_));
    EXPECT_EQ(0, empty->refresh());
    EXPECT_EQ(0, empty->deleteProjectFromDatabase());
    EXPECT_EQ("", Text(empty->getTitle()));
    empty->removeAgent(&agent_, 0);
    doc->removeAgent(&agent_, 0);
}

TEST_F(ProjectDocument, RefreshReportsTheFirstFailure) {
    KxProjectDocument* doc = NewProject();
    ASSERT_EQ(0, doc->store(0));
    doc->getProject()->getOptions()->setDefines(KxString("unsaved"));
    EXPECT_EQ(0, doc->refresh());
    EXPECT_EQ("DEBUG", Text(doc->getProject()->getOptions()->getDefines()));
    // The options refresh fails, the others would succeed.
    KxHookFailNext("KxObject::Refresh", -2041);
    EXPECT_EQ(-2041, doc->refresh());
    doc->removeAgent(&agent_, 0);
}

TEST_F(ProjectDocument, NothingCanBeMadeWithoutAnOpenWorkbook) {
    InMainLoop("answer ok\n", [&] {
        KxProjectDocument* doc = NewDocument(&agent_);
        KxErrorCode result = doc->createProject();
        EXPECT_TRUE(result.isFatal());
        EXPECT_STREQ("Can't create project.", result.errorString());
        EXPECT_EQ(nullptr, doc->getProject());
        EXPECT_EQ(nullptr, doc->createItem(nullptr));
        std::vector<SvBoxRecord> boxes = SvTakeBoxLog();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("No opened Workbook available.\nCan't create project item.", boxes[0].text);
        doc->removeAgent(&agent_, 0);
    });
}

TEST_F(ProjectDocument, AssigningMovesANewProjectToAnotherWorkbook) {
    ASSERT_EQ(0, kxntest::CreateDatabase("wb2", "workdict"));
    KxString title("wb2");
    auto* other = new KxWorkBookDocument(title, &agent_, &manager_);
    ASSERT_EQ(0, other->openWorkBook("wb2", "NATIVE", &agent_));
    KxProjectDocument* doc = NewProject();
    EXPECT_EQ(workbook_, doc->getAssignedWorkBook());
    EXPECT_EQ(0, doc->assignToWorkBook(other));
    EXPECT_EQ(other->getBase(), doc->getProject()->GetBase());
    doc->getProject()->setTitle("moved");
    EXPECT_EQ(0, doc->store(0));
    EXPECT_EQ(1, KxProjectObjAllSet(other->getBase()).GetCount());
    EXPECT_TRUE(StoredTitles().empty());
    // A stored project stays with its workbook.
    EXPECT_EQ(0, doc->assignToWorkBook(workbook_));
    EXPECT_EQ(other->getBase(), doc->getProject()->GetBase());
    doc->removeAgent(&agent_, 0);
    other->removeAgent(&agent_, 0);
}

}  // namespace
