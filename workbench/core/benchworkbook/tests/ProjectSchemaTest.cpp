// The persistent project schema in a real workbook database of the kernel's own storage.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxFileSystem.h"
#include "KxProjectSchema.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"

namespace {

std::unique_ptr<KxClassDict> Workdict() {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Load(KxString(KX_WORKDICT_DIR), dict, &error)) << error.ToUtf8();
    return dict;
}

// The kernel started on a site with the dictionary "workdict" and the workbook database "wb".
class ProjectSchema : public ::testing::Test {
protected:
    void SetUp() override {
        site_.AddDictionary(*Workdict());
        site_.AddDatabase("wb");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("wb", "workdict"));
        Open();
    }
    void TearDown() override {
        Close();
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }
    void Open() { ASSERT_EQ(0, KxBase::KELVOX()->GetBase("NATIVE", "wb", base_, 2)); }
    void Close() {
        if (base_ != nullptr) KxBase::KELVOX()->UngetBase(base_);
        base_ = nullptr;
    }
    void Reopen() {
        Close();
        Open();
    }
    KxProjectItem* NewItem(const char* name, const char* path) {
        KxProjectItem* item = KxProjectItem::make(base_);
        item->setName(name);
        item->setPath(path);
        return item;
    }
    // The one project of the workbook, held for the caller.
    KxProjectObj* OnlyProject() {
        KxProjectObjAllSet projects(base_);
        EXPECT_EQ(1, projects.GetCount());
        KxProjectObj* project = nullptr;
        EXPECT_EQ(0, projects.Get(project, 0, 0));
        return project;
    }

    kxntest::Site site_;
    KxBase* base_ = nullptr;
};

TEST_F(ProjectSchema, NewObjectsHaveTheirDefaults) {
    KxProjectOptions* options = KxProjectOptions::make(base_);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->getVerboseSwitch(), 1);
    EXPECT_EQ(options->getCompileOnlySwitch() + options->getOmitCreationOfFactoryFilesSwitch() +
                  options->getLooseModeSwitch() + options->getCorrectExternCSwitch() + options->getNestedTypesSwitch() +
                  options->getUseTemplateSetsSwitch() + options->getUseCodeSetSwitch() +
                  options->getOneFileDatabaseSwitch() + options->getCreateNewDictionarySwitch(),
              0);
    EXPECT_TRUE(options->getHostName().IsEmpty());
    KxProjectODLOptions* odl = KxProjectODLOptions::make(base_);
    EXPECT_EQ(odl->getFullCompileSwitch(), 1);
    EXPECT_EQ(odl->getAsOndemandMembersSwitch(), 1);
    EXPECT_EQ(odl->getVerboseSwitch() + odl->getWarningLevelSwitch() + odl->getAsPointerMembersSwitch() +
                  odl->getOneFileDictionarySwitch(),
              0);
    KxProjectDirectories* dirs = KxProjectDirectories::make(base_);
    EXPECT_TRUE(dirs->getIncludeDir().IsEmpty());
    KxFileSystem files;
    EXPECT_EQ(dirs->getTempDir().ToUtf8(), files.getTempDir());
    KxProjectItem* item = KxProjectItem::make(base_);
    EXPECT_EQ(item->getState(), 0u);
    EXPECT_EQ(item->getOptions(), nullptr);
    // The kernel's own Make gives the bound class too.
    KxObject* made = KxObject::Make(base_, "KxProjectObj");
    KxProjectObj* project = dynamic_cast<KxProjectObj*>(made);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->getItemsCount(), 0);
    EXPECT_EQ(project->getItem(0), nullptr);
    for (KxObject* o : std::vector<KxObject*>{options, odl, dirs, item, made}) o->Forget();
}

TEST_F(ProjectSchema, HooksAnswerForTheirClassOnly) {
    KxProjectOptions* options = KxProjectOptions::make(base_);
    KxProjectODLOptions* odl = KxProjectODLOptions::make(base_);
    KxClassIdentifier optionsId = KxProjectOptions::ClassIdentifier();
    KxClassIdentifier odlId = KxProjectODLOptions::ClassIdentifier();
    EXPECT_EQ(optionsId, KxClassIdentifier(105, 2));
    EXPECT_EQ(KxProjectObj::ClassIdentifier(), KxClassIdentifier(101, 1));
    EXPECT_EQ(KxProjectItemIndirectCSet::ClassIdentifier(), KxClassIdentifier(102, 0));
    struct Case { KxClassIdentifier* id; int32_t level; int32_t member; void* object; bool found; };
    KxClassIdentifier otherVersion(105, 1);
    const Case cases[] = {
        {&optionsId, 0, 0, options, true},   {&optionsId, 1, 18, options, true},
        {&optionsId, 0, 19, options, false}, {&optionsId, 2, 0, options, false},
        {&optionsId, 0, -1, options, false}, {&odlId, 0, 0, options, false},
        {&otherVersion, 0, 0, options, false},
    };
    for (const Case& c : cases) {
        const int32_t at = KxProjectOptions::KxOffsets(c.id, c.level, c.member, c.object);
        EXPECT_EQ(at >= 0, c.found) << c.member << " level " << c.level;
    }
    EXPECT_GE(KxProjectODLOptions::KxOffsets(&odlId, 0, 20, odl), 0);
    EXPECT_EQ(KxProjectODLOptions::KxOffsets(&odlId, 0, 21, odl), -1);
    // The offset locates the member in the instance.
    options->setBaseName("shop");
    const int32_t baseAt = KxProjectOptions::KxOffsets(&optionsId, 0, 10, options);
    EXPECT_EQ(reinterpret_cast<KxString*>(options->GetAddress() + baseAt)->ToUtf8(), "shop");

    EXPECT_EQ(options->GetAddressPoint(KxClassIdentifier(105, 7)), options);
    EXPECT_EQ(options->GetAddressPoint(KxClassIdentifier(0, 3)), options);
    EXPECT_EQ(options->GetAddressPoint(odlId), nullptr);
    EXPECT_EQ(KxProjectOptions::Cast2KxBaseClass(options), options);
    EXPECT_EQ(KxProjectOptions::DestroyObject(nullptr), nullptr);
    EXPECT_EQ(KxProjectOptions::DestroyObject(options), nullptr);   // gives the hold back
    odl->Forget();

    const KxClassBinding* row = KxClassAssociation::Find("WORKDICT", 104);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->factory, &KxProjectItem::Factory);
    row = KxClassAssociation::Find("workdict", 102);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->offsets, nullptr);
}

TEST_F(ProjectSchema, ProjectsAreStoredAndReadBack) {
    {
        KxProjectObj* project = KxProjectObj::make(base_);
        project->setTitle("Shop");
        project->setAuthor("ann");
        KxDateTime when;
        ASSERT_EQ(0, when.ScanFromKxString("2001-02-03 04:05:06"));
        project->setLastTimeModified(when);
        KxProjectOptions* options = KxProjectOptions::make(base_);
        options->setHostName("LOCAL");
        options->setLooseModeSwitch(1);
        options->setCreateNewDictionarySwitch(1);   // transient: not stored
        project->setOptions(options);
        KxProjectDirectories* dirs = KxProjectDirectories::make(base_);
        dirs->setOutputDir("out");
        project->setDirectories(dirs);
        KxProjectODLOptions* odl = KxProjectODLOptions::make(base_);
        odl->setWarningLevelSwitch(3);
        project->setODLOptions(odl);
        KxProjectItem* first = NewItem("a.hcd", "src/");
        KxProjectItem* second = NewItem("b.odl", "odl/");
        second->setOptions(options);
        first->setState(4);
        ASSERT_EQ(0, project->addItem(first));
        ASSERT_EQ(0, project->addItem(second));
        EXPECT_EQ(project->getItemsCount(), 2);
        ASSERT_EQ(0, project->Store(3));
        EXPECT_FALSE(project->getSurr().IsNull());
        for (KxObject* o : std::vector<KxObject*>{options, dirs, odl, first, second, project}) o->Forget();
    }
    Reopen();
    KxProjectObj* project = OnlyProject();
    ASSERT_NE(project, nullptr);
    EXPECT_STREQ(project->getTitle(), "Shop");
    EXPECT_STREQ(project->getAuthor(), "ann");
    EXPECT_STREQ(project->getSubject(), "");
    KxString when;
    project->getLastTimeModified().PrintToKxString(when);
    EXPECT_EQ(when.ToUtf8(), "2001-02-03 04:05:06");
    ASSERT_NE(project->getOptions(), nullptr);
    EXPECT_EQ(project->getOptions()->getHostName().ToUtf8(), "LOCAL");
    EXPECT_EQ(project->getOptions()->getLooseModeSwitch(), 1);
    EXPECT_EQ(project->getOptions()->getVerboseSwitch(), 1);
    EXPECT_EQ(project->getOptions()->getCreateNewDictionarySwitch(), 0);
    EXPECT_EQ(project->getDirectories()->getOutputDir().ToUtf8(), "out");
    EXPECT_EQ(project->getODLOptions()->getWarningLevelSwitch(), 3);
    ASSERT_EQ(project->getItemsCount(), 2);
    KxProjectItem* first = project->getItem(0);
    KxProjectItem* second = project->getItem(1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->getName().ToUtf8(), "a.hcd");
    EXPECT_EQ(first->getState(), 0u);   // transient
    EXPECT_EQ(second->getPath().ToUtf8(), "odl/");
    EXPECT_EQ(second->getOptions(), project->getOptions());   // one object for both references
    EXPECT_EQ(project->getItem(2), nullptr);
    KxOnDemand ref;
    EXPECT_EQ(0, project->getItems().Get(ref, 1, 0));
    EXPECT_EQ(ref.GetRef().GetObjId(), second->GetObjId());
    EXPECT_EQ(0, project->ungetItem(first));
    EXPECT_EQ(0, project->ungetItem(second));
    EXPECT_EQ(1, project->ungetItem(nullptr));

    // Taking an item out of the project keeps it in the database.
    ASSERT_EQ(0, project->removeItem(short{0}));
    EXPECT_EQ(project->getItemsCount(), 1);
    EXPECT_NE(0, project->removeItem(short{5}));
    ASSERT_EQ(0, project->Store(3));
    project->Forget();
    Reopen();
    project = OnlyProject();
    ASSERT_EQ(project->getItemsCount(), 1);
    KxProjectItem* left = project->getItem(0);
    EXPECT_EQ(left->getName().ToUtf8(), "b.odl");
    project->ungetItem(left);
    project->Forget();
    KxProjectItemAllSet items(base_);
    EXPECT_EQ(items.GetCount(), 2);
}

TEST_F(ProjectSchema, QueriesFindByMemberValues) {
    const char* titles[] = {"beta", "alpha", "gamma"};
    ASSERT_EQ(0, base_->BeginTransaction());
    for (int i = 0; i < 3; ++i) {
        KxProjectObj* project = KxProjectObj::make(base_);
        project->setTitle(titles[i]);
        KxProjectOptions* options = KxProjectOptions::make(base_);
        options->setLooseModeSwitch(i);
        project->setOptions(options);
        ASSERT_EQ(0, project->Store(3));
        options->Forget();
        project->Forget();
    }
    ASSERT_EQ(0, base_->CommitTransaction());

    auto titlesFound = [&](KxProjectObjQuery* query) {
        KxProjectObjAllSet projects(base_);
        KxOnDemandSet results(2, base_, 0);
        EXPECT_EQ(0, projects.Query(query, &results));
        std::vector<std::string> found;
        for (uint32_t i = 0; i < results.Count(); ++i) {
            KxObject* object = nullptr;
            EXPECT_EQ(0, results.Get(i)->Get(object));
            found.push_back(dynamic_cast<KxProjectObj*>(object)->getTitle());
            results.Get(i)->Unget(object);
        }
        return found;
    };
    KxProjectObjQuery byTitle(base_);
    ASSERT_EQ(0, byTitle.Settitle(KxString("gamma"), 6));
    ASSERT_EQ(0, byTitle.SortBytitle(KX_SORT_ASCENDING));
    EXPECT_EQ(titlesFound(&byTitle), (std::vector<std::string>{"alpha", "beta"}));

    KxProjectOptionsQuery loose(base_);
    ASSERT_EQ(0, loose.SetlooseMode(1, 5));
    KxProjectOptionsAllSet options(base_);
    KxOnDemandSet found(2, base_, 0);
    ASSERT_EQ(0, options.Query(&loose, &found));
    ASSERT_EQ(found.Count(), 2u);
    // Projects by a referenced object.
    KxProjectObjQuery byOptions(base_);
    ASSERT_EQ(0, byOptions.Setoptions(*found.Get(0)));
    EXPECT_EQ(titlesFound(&byOptions).size(), 1u);
    // A sub-query is needed for the sub-query form.
    KxProjectObjQuery none(base_);
    EXPECT_EQ(KX_KERNEL_E_INVALID, none.Setoptions(static_cast<KxProjectOptionsQuery*>(nullptr)));
}

TEST_F(ProjectSchema, StateBitsAreSetAndCleared) {
    KxProjectItem* item = KxProjectItem::make(base_);
    struct Case { uint32_t before; uint32_t reset; uint32_t after; };
    const Case cases[] = {{1, 3, 0}, {3, 1, 2}, {2, 1, 2}, {0, 0, 0}, {7, 5, 2}};
    for (const Case& c : cases) {
        item->resetState(0xFFFFFFFFu);
        item->setState(c.before);
        item->resetState(c.reset);
        EXPECT_EQ(item->getState(), c.after) << c.before << " reset " << c.reset;
    }
    item->resetState(0xFFFFFFFFu);
    item->setState(1);
    item->setState(8);
    EXPECT_EQ(item->getState(), 9u);
    item->Forget();
}

TEST_F(ProjectSchema, CompileStateLockNeedsATransaction) {
    KxProjectObj* project = KxProjectObj::make(base_);
    ASSERT_EQ(0, project->Store());
    EXPECT_NE(0, project->lockCompileStateObject());   // no transaction
    ASSERT_EQ(0, base_->BeginTransaction());
    EXPECT_EQ(0, project->lockCompileStateObject());
    EXPECT_EQ(0, project->unlockCompileStateObject());
    ASSERT_EQ(0, base_->CommitTransaction());
    project->Forget();
}

TEST_F(ProjectSchema, TouchSetsTheTimeOfTheLastChange) {
    KxProjectObj* project = KxProjectObj::make(base_);
    KxDateTime before;
    before.SetNow();
    const KxDateTime& touched = project->touch();
    EXPECT_FALSE(touched < before);
    EXPECT_EQ(&touched, &project->getLastTimeModified());
    project->Forget();
}

// ---- the compile-need test of an item -------------------------------------------------------------
class MustBeCompiled : public ProjectSchema {
protected:
    void SetUp() override {
        ProjectSchema::SetUp();
        dir_ = site_.Folder() + "/src/";
        std::filesystem::create_directories(dir_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(site_.Folder());
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        ProjectSchema::TearDown();
    }
    // A file written with its modification time at the given second.
    void File(const std::string& path, long second, const std::string& text = "") {
        static const auto start = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
        std::ofstream(path) << text;
        std::filesystem::last_write_time(path, start + std::chrono::seconds(second));
    }
    int32_t Need(const char* name, int32_t deep) {
        KxProjectItem* item = KxProjectItem::make(base_);
        item->setName(name);
        item->setPath(dir_.c_str());
        const int32_t need = item->mustBeCompiled(deep);
        item->Forget();
        return need;
    }
    std::string dir_;
    std::filesystem::path previous_;
};

TEST_F(MustBeCompiled, ComparesSourceGeneratedAndDependencyFiles) {
    EXPECT_EQ(Need("made.ocd", 1), 0);   // never compiled, whatever exists
    EXPECT_EQ(Need("MADE.OCD", 0), 0);
    File(dir_ + "a.odl", 100);
    EXPECT_EQ(Need("a.odl", 0), 1);       // no dependency file
    File(dir_ + "a.dep", 50);
    EXPECT_EQ(Need("a.odl", 0), 1);       // dependency file older than the source
    File(dir_ + "a.dep", 200);
    EXPECT_EQ(Need("a.odl", 0), 0);
    // A header: the generated file in the working directory counts too.
    File(dir_ + "h.hcd", 100);
    File(dir_ + "h.dep", 200);
    EXPECT_EQ(Need("h.hcd", 0), 1);       // nothing generated
    File(site_.Folder() + "/h.ocd", 50);
    EXPECT_EQ(Need("h.hcd", 0), 1);       // generated before the last change
    File(site_.Folder() + "/h.ocd", 150);
    EXPECT_EQ(Need("h.hcd", 0), 0);
}

TEST_F(MustBeCompiled, DeepLooksAtTheNamedFilesUpToAnEmptyLine) {
    File(dir_ + "x.odl", 100);
    File(dir_ + "old.h", 100);
    File(dir_ + "new.h", 300);
    File(dir_ + "x.dep", 200, dir_ + "old.h\n" + dir_ + "missing.h\n\n" + dir_ + "new.h\n");
    EXPECT_EQ(Need("x.odl", 1), 0);   // new.h stands after the empty line
    File(dir_ + "x.dep", 200, dir_ + "old.h\n" + dir_ + "new.h\n");
    EXPECT_EQ(Need("x.odl", 0), 0);   // not deep: the list is not read
    EXPECT_EQ(Need("x.odl", 1), 1);
}

}  // namespace
