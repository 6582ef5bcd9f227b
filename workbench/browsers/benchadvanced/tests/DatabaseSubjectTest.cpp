// The facts of a database, a workspace's parent database and a class dictionary.
#include <gtest/gtest.h>

#include <string>

#include "BrowserFixture.h"
#include "KxAdmin.h"
#include "KxDatabaseSubject.h"
#include "KxRoot.h"
#include "KxTypeMgr.h"
#include "KxWorkspace.h"

namespace {

class DatabaseSubjectTest : public browsertest::KernelFixture {
protected:
    static std::vector<std::string> Ids(KvAspectSet& set) {
        std::vector<std::string> ids;
        for (unsigned long i = 0; i < set.count(); ++i) ids.push_back(set.getObject(i)->aspectId().idStr());
        return ids;
    }
    static std::string Text(KvAspectSet& set, const char* id) {
        return set.getAspect(KvAspectId(id))->getString().ToUtf8();
    }
};

TEST(DatabaseSubject, FileVersionsAreExplained) {
    struct Case {
        int version;
        const char* text;
    };
    for (const Case& c : {Case{1, " (Kelvox Rel. 4.x & Rel. 5.x with obsolete Free SpaceManagement (FSM))"},
                          Case{2, " (internally used by Kelvox)"}, Case{3, " (Kelvox Rel. 5.x with standard FSM)"},
                          Case{4, " (Kelvox Rel. 6.x with improved FSM and without checksums)"},
                          Case{5, " (Tessaform Release 8 with improved FSM and checksums)"},
                          Case{6, " (Tessaform Release 9 encryptable storage - intermediate)"},
                          Case{7, " (Tessaform Release 9 encryptable storage)"},
                          Case{0, " (String missing in KxDatabaseSubject::getFileVersionContext)"},
                          Case{9, " (String missing in KxDatabaseSubject::getFileVersionContext)"}}) {
        char buffer[128];
        KxDatabaseSubject::getFileVersionContext(buffer, c.version);
        EXPECT_STREQ(c.text, buffer) << c.version;
    }
}

TEST_F(DatabaseSubjectTest, ADictionaryAlonePublishesTheDictionaryGroup) {
    KxClassDict* dict = base_->GetDictionary();
    KxDatabaseSubject subject(nullptr, dict, nullptr);
    KvAspectSet& set = *subject.gimmeYourAspects();
    const std::vector<std::string> expected = {"dict_host", "dict_physical_host", "dict", "dict_log", "dict_phys",
                                               "client_name_dict", "dict_master", "db_version_dict",
                                               "typemgr_version_dict", "version_date_dict", "blk_vers_dict", "fsm_vers_dict"};
    EXPECT_EQ(expected, Ids(set));
    EXPECT_EQ("Dictionary Client Name", set.getAspect(KvAspectId("client_name_dict"))->getTitle().ToUtf8());
    EXPECT_EQ(&set, subject.gimmeYourAspects());   // built once
    subject.getValue(set, 0);
    EXPECT_EQ("LOCAL", Text(set, "dict_host"));
    EXPECT_EQ("browse", Text(set, "dict"));
    EXPECT_EQ("browse", Text(set, "dict_log"));
    EXPECT_EQ("NO", Text(set, "dict_master"));
    EXPECT_EQ("1 (0x1)", Text(set, "db_version_dict"));
    EXPECT_EQ(unsigned(KxTypeMgr::kVersion), set.getAspect(KvAspectId("typemgr_version_dict"))->getUnsignedInt());
    EXPECT_EQ(dict->GetCreationStamp(), set.getAspect(KvAspectId("version_date_dict"))->getDaTime());
    EXPECT_EQ("5 (0x5) (Tessaform Release 8 with improved FSM and checksums)", Text(set, "blk_vers_dict"));
    EXPECT_EQ(1, set.getAspect(KvAspectId("dict"))->tag());
    EXPECT_EQ(2, set.getAspect(KvAspectId("blk_vers_dict"))->tag());
    EXPECT_EQ(2, set.getAspect(KvAspectId("fsm_vers_dict"))->tag());
    EXPECT_TRUE(set.isReadOnly());
}

TEST_F(DatabaseSubjectTest, AMasterDictionaryListsItsSubSchemataWithTheirStatus) {
    KxClassDict* dict = base_->GetDictionary();
    dict->SetMasterDictionary(true);
    dict->AddSubSchema(4, KxString("browse"));
    dict->AddSubSchema(5, KxString("gone"));
    dict->AddSubSchema(6, KxString("gone too"));
    KxDatabaseSubject subject(nullptr, dict, nullptr);
    KvAspectSet& set = *subject.gimmeYourAspects();
    const std::vector<std::string> ids = Ids(set);
    ASSERT_EQ(15u, ids.size());
    EXPECT_EQ("dict_master", ids[6]);
    EXPECT_EQ("dict_sub_schemaA", ids[7]);
    EXPECT_EQ("dict_sub_schemaC", ids[9]);
    EXPECT_EQ("db_version_dict", ids[10]);
    EXPECT_EQ("Sub Schema", set.getAspect(KvAspectId("dict_sub_schemaB"))->getTitle().ToUtf8());
    subject.getValue(set, 0);
    EXPECT_EQ("YES (containing 3 sub schema)", Text(set, "dict_master"));
    EXPECT_EQ("id=4, name=browse", Text(set, "dict_sub_schemaA"));
    const std::string missing = Text(set, "dict_sub_schemaB");
    EXPECT_EQ(0u, missing.find("id=5, name=gone, status=")) << missing;
    EXPECT_NE(std::string::npos, missing.find(" ( -2841 )")) << missing;


    // No sub-schema, one; a dictionary that is no master shows no sub-schema aspects.
    std::unique_ptr<KxClassDict> own = browsertest::ParseDictionary();
    own->SetMasterDictionary(true);
    KvAspectSet master;
    master.add(new KvAspect(KvAspectId("dict_master")));
    KxDatabaseSubject(nullptr, own.get(), nullptr).getValue(master, 0);
    EXPECT_EQ("YES (containing no sub schemata)", Text(master, "dict_master"));
    own->AddSubSchema(1, KxString("browse"));
    KxDatabaseSubject(nullptr, own.get(), nullptr).getValue(master, 0);
    EXPECT_EQ("YES (containing 1 sub schema)", Text(master, "dict_master"));
    own->SetMasterDictionary(false);
    EXPECT_EQ(12u, KxDatabaseSubject(nullptr, own.get(), nullptr).gimmeYourAspects()->count());
}

TEST_F(DatabaseSubjectTest, ABaseAndAWorkspaceWithoutParentPublishTheirGroups) {
    base_->GetAdmin()->SetFileInfo({9, 3});
    base_->SetExternalBackupRunning(1);
    KxWorkspace workspace(nullptr);
    KxDatabaseSubject subject(base_.get(), nullptr, &workspace);
    KvAspectSet& set = *subject.gimmeYourAspects();
    ASSERT_EQ(19u, set.count());
    EXPECT_EQ("Physical Host", set.getAspect(KvAspectId("physical_host"))->getTitle().ToUtf8());
    subject.getValue(set, 0);
    EXPECT_EQ("NATIVE", Text(set, "host"));
    EXPECT_EQ("browse", Text(set, "base"));
    EXPECT_EQ("browse", Text(set, "base_log"));
    EXPECT_EQ("browse", Text(set, "base_phys"));
    EXPECT_EQ(base_->GetClientName().ToUtf8(), Text(set, "client_name"));
    EXPECT_EQ("9 (0x9) (String missing in KxDatabaseSubject::getFileVersionContext)", Text(set, "blk_vers"));
    EXPECT_EQ("3 (0x3)", Text(set, "fsm_vers"));
    EXPECT_EQ("YES", Text(set, "onlinebackup_enabled"));
    EXPECT_EQ("NO", Text(set, "auth_enabled"));
    EXPECT_NE("not_available", Text(set, "version_date"));
    EXPECT_EQ(base_->GetDictionary()->GetModifyStamp(), set.getAspect(KvAspectId("modify_dict_date"))->getDaTime());
    EXPECT_EQ(2, set.getAspect(KvAspectId("host"))->tag());
    for (const char* id : {"parent_host", "parent_physical_host", "parent", "parent_log", "parent_phys"}) {
        EXPECT_EQ("not_available", Text(set, id)) << id;
        EXPECT_TRUE(set.getAspect(KvAspectId(id))->isNotAvail()) << id;
    }
}

TEST_F(DatabaseSubjectTest, AWorkspaceShowsItsParentAndAViewsOwnSetIsFilledAsItStands) {
    KxWorkspace workspace(base_.get());
    KxDatabaseSubject subject(nullptr, nullptr, &workspace);
    KvAspectSet set;
    set.add(new KvAspect(KvAspectId("parent")));
    set.add(new KvAspect(KvAspectId("extra")));   // no aspect of the subject
    subject.getValue(set, 0);
    EXPECT_EQ("browse", Text(set, "parent"));
    EXPECT_EQ(2, set.getAspect(KvAspectId("parent"))->tag());
    EXPECT_EQ("not_available", Text(set, "extra"));
    EXPECT_TRUE(set.getAspect(KvAspectId("extra"))->isReadOnly());
}

}  // namespace
