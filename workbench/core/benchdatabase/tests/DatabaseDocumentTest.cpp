// The database document over real databases of the kernel's own storage: opening as a base, as a
// dictionary, or as a base and then a dictionary; closing with open transactions; what a close
// gives back.
#include <gtest/gtest.h>
#include <sv.h>
#include <svinject.h>
#include <svmsgbox.h>
#include <w32test.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxKelvoxDatabaseDocument.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"
#include "TestAgents.h"

namespace {

using doctest::Diagnostics;
using doctest::InMainLoop;
using doctest::LocalAgent;

// The kernel started on a site with the sample dictionary and the database "shop" made with it.
class DatabaseDocument : public ::testing::Test {
protected:
    void SetUp() override {
        std::unique_ptr<KxClassDict> sample;
        KxString error;
        ASSERT_EQ(0, KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), sample, &error)) << error.ToUtf8();
        site_.AddDictionary(*sample);
        site_.AddDatabase("shop");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("shop", "sample"));
    }
    void TearDown() override {
        KxHookClear();
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }
    KxKelvoxDatabaseDocument* NewDocument(const char* title = "shop", unsigned short flags = 2) {
        KxString name(title);
        return new KxKelvoxDatabaseDocument(name, &agent_, &manager_, KxString("NATIVE"), KxString("shop"), flags);
    }
    // The number of stored companies of the database "shop".
    int32_t Companies() {
        KxBase* base = nullptr;
        EXPECT_EQ(0, KxBase::KELVOX()->GetBase(KxString("NATIVE"), KxString("shop"), base, 2));
        if (base == nullptr) return -1;
        int32_t count = -1;
        EXPECT_EQ(0, base->GetExtentCount(CompanyClass(base)->GetClassId(), count));
        KxBase::KELVOX()->UngetBase(base);
        return count;
    }
    static const KxMetaClass* CompanyClass(KxBase* base) {
        return base->GetDictionary()->FindByName(KxString("Company"))->AsClass();
    }
    // Stores a company inside two open transaction levels of the document's base.
    static void StoreCompanyInTwoLevels(KxKelvoxDatabaseDocument* doc) {
        KxBase* base = doc->getBase();
        ASSERT_NE(nullptr, base);
        ASSERT_EQ(0, base->BeginTransaction());
        ASSERT_EQ(0, base->BeginTransaction());
        KxObject* company = nullptr;
        ASSERT_EQ(0, base->GetObjectMgr()->Create(CompanyClass(base), company));
        ASSERT_EQ(0, base->StoreObject(company));
        company->Release();
        ASSERT_EQ(2, base->GetTransactionLevel());
    }

    kxntest::Site site_;
    KxDocumentManager manager_;
    LocalAgent agent_{"browser"};
};

TEST_F(DatabaseDocument, OpensAsBaseAndClosesWhatItOpened) {
    KxKelvoxDatabaseDocument* doc = NewDocument();
    EXPECT_EQ(nullptr, doc->getBase());
    EXPECT_EQ(nullptr, doc->getDictionary());
    EXPECT_EQ("NATIVE", doc->getHostName().ToUtf8());
    EXPECT_EQ("shop", doc->getBaseName().ToUtf8());
    doc->beginExternalBackup(1);
    EXPECT_EQ(0, doc->genericOpen("NATIVE", "shop", GENERIC_OPEN_OBJECT_BASE));
    ASSERT_NE(nullptr, doc->getBase());
    EXPECT_TRUE(doc->getBase()->IsOpen());
    // The dictionary is the open base's; opening cleared the backup flag.
    ASSERT_NE(nullptr, doc->getDictionary());
    EXPECT_EQ(doc->getBase()->GetDictionary(), doc->getDictionary());
    EXPECT_EQ(0, doc->withinExternalBackup());
    EXPECT_EQ(0, doc->isExternalBackupRunning());

    // Opening again closes the first base first; the base may be used as any other.
    EXPECT_EQ(0, doc->genericOpen("NATIVE", "shop", GENERIC_OPEN_OBJECT_BASE));
    EXPECT_EQ(0, Companies());
    EXPECT_EQ(0, doc->genericClose());
    EXPECT_EQ(nullptr, doc->getBase());
    EXPECT_EQ(nullptr, doc->getDictionary());
    EXPECT_TRUE(SvTakeBoxLog().empty());
    doc->removeAgent(&agent_, 0);
    EXPECT_EQ(0u, manager_.getDocumentCount());
}

TEST_F(DatabaseDocument, FailedOpensLeaveNothingBehind) {
    // A server that names no storage: the base never gets connected. Closing (here the destructor)
    // must free it all the same; the leak checker watches.
    KxKelvoxDatabaseDocument* doc = NewDocument();
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->genericOpen("nobrand", "shop", GENERIC_OPEN_OBJECT_BASE));
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->getStatus());
    EXPECT_EQ(0, doc->isExternalBackupRunning());
    // A database that is not there: connected, not open.
    EXPECT_EQ(-2031, doc->genericOpen("NATIVE", "nowhere", GENERIC_OPEN_OBJECT_BASE));
    // Null texts are refused.
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->genericOpen(nullptr, "shop", GENERIC_OPEN_OBJECT_BASE));
    EXPECT_EQ(KX_KERNEL_E_INVALID, doc->genericOpen("NATIVE", nullptr, GENERIC_OPEN_DICTIONARY));
    EXPECT_EQ(KX_KERNEL_E_INVALID,
              doc->genericOpen(nullptr, nullptr, GENERIC_OPEN_OBJECT_BASE_OR_DICTIONARY));
    EXPECT_EQ(nullptr, doc->getDictionary());
    EXPECT_EQ(-2031, doc->genericOpen("NATIVE", "nowhere", GENERIC_OPEN_OBJECT_BASE));
    doc->removeAgent(&agent_, 0);
    EXPECT_EQ(0, KxBase::KELVOX()->GetBaseCount());
}

TEST_F(DatabaseDocument, OpensADictionaryAndHandsItBack) {
    KxKelvoxDatabaseDocument* doc = NewDocument("sample");
    EXPECT_EQ(0, doc->genericOpen("NATIVE", "sample", GENERIC_OPEN_DICTIONARY));
    EXPECT_EQ(nullptr, doc->getBase());
    KxClassDict* dict = doc->getDictionary();
    ASSERT_NE(nullptr, dict);
    EXPECT_EQ("sample", dict->GetName().ToUtf8());
    // The root holds it for the document: one more hold and release leaves it alive.
    ASSERT_EQ(0, KxBase::KELVOX()->HoldDictionary(dict));
    doc->genericClose();
    EXPECT_EQ(nullptr, doc->getDictionary());
    EXPECT_EQ(0, KxBase::KELVOX()->ReleaseDictionary(dict));
    // The document's hold went with the close: the dictionary is gone.
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, KxBase::KELVOX()->HoldDictionary(dict));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, doc->genericOpen("NATIVE", "nodict", GENERIC_OPEN_DICTIONARY));
    EXPECT_EQ(nullptr, doc->getDictionary());
    doc->removeAgent(&agent_, 0);
}

TEST_F(DatabaseDocument, BaseThenDictionaryOnlyForItsThreeErrors) {
    struct Case {
        int baseError;          // the base open's failure
        int dictionaryError;    // the dictionary open's (0 success)
        int status;             // the document's
        bool dictionaryTried;
    } cases[] = {
        {-2075, 0, 0, true},          {-2095, 0, 0, true},           {-2031, 0, 0, true},
        {-2075, -2031, -2075, true},  {-2031, -2031, -2031, true},   {-2095, -2841, -2841, true},
        {-2041, 0, -2041, false},     {-2099, 0, -2099, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.baseError) + "/" + std::to_string(c.dictionaryError));
        KxKelvoxDatabaseDocument* doc = NewDocument("sample");
        KxHookFailNext("Open", c.baseError);
        if (c.dictionaryError != 0) KxHookFailNext("GetDictionary", c.dictionaryError);
        EXPECT_EQ(c.status, doc->genericOpen("NATIVE", "sample", GENERIC_OPEN_OBJECT_BASE_OR_DICTIONARY));
        EXPECT_EQ(c.status, doc->getStatus());
        // A base that failed to open stays until the next close; the dictionary open closes it.
        EXPECT_EQ(!c.dictionaryTried, doc->getBase() != nullptr);
        EXPECT_EQ(c.dictionaryTried && c.dictionaryError == 0, doc->getDictionary() != nullptr);
        KxHookClear();
        doc->removeAgent(&agent_, 0);
    }
    // Without an error the base opens and no dictionary is taken.
    KxKelvoxDatabaseDocument* doc = NewDocument();
    EXPECT_EQ(0, doc->genericOpen("NATIVE", "shop", GENERIC_OPEN_OBJECT_BASE_OR_DICTIONARY));
    EXPECT_NE(nullptr, doc->getBase());
    doc->removeAgent(&agent_, 0);
}

TEST_F(DatabaseDocument, UnknownOpenModeOnlyWritesALine) {
    KxKelvoxDatabaseDocument* doc = NewDocument();
    Diagnostics diagnostics;
    EXPECT_EQ(0, doc->genericOpen("NATIVE", "shop", static_cast<GenericOpenMode>(7)));
    EXPECT_NE(std::string::npos, diagnostics.Text().find("KxKelvoxDatabaseDocument::genericOpen : unknown openmode "));
    EXPECT_EQ(nullptr, doc->getBase());
    doc->removeAgent(&agent_, 0);
}

TEST_F(DatabaseDocument, OpenTransactionsAreCommittedOrAbortedAsTheUserChooses) {
    struct Case {
        const char* answer;
        int32_t added;
    } cases[] = {{"Commit", 1}, {"Abort", 0}, {"Commit", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const int32_t before = Companies();
        const std::string script = std::string("answer \"") + c.answer + "\"\n";
        InMainLoop(script.c_str(), [&] {
            KxKelvoxDatabaseDocument* doc = NewDocument();
            ASSERT_EQ(0, doc->genericOpen("NATIVE", "shop", GENERIC_OPEN_OBJECT_BASE));
            StoreCompanyInTwoLevels(doc);
            doc->genericClose();
            std::vector<SvBoxRecord> boxes = SvTakeBoxLog();
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ("QueryBox", boxes[0].kind);
            EXPECT_EQ("There are opened Transactions.", boxes[0].text);
            EXPECT_NE(std::string::npos, boxes[0].buttons.find("yes=\"Commit\""));
            EXPECT_NE(std::string::npos, boxes[0].buttons.find("no=\"Abort\""));
            EXPECT_EQ(0, doc->getStatus());
            doc->removeAgent(&agent_, 0);
        });
        // Both levels ended as chosen: the company is stored only after "Commit".
        EXPECT_EQ(before + c.added, Companies());
    }
}

TEST_F(DatabaseDocument, PendingTransactionsOfADictionaryAreReported) {
    KxKelvoxDatabaseDocument* doc = NewDocument("sample");
    ASSERT_EQ(0, doc->genericOpen("NATIVE", "sample", GENERIC_OPEN_DICTIONARY));
    KxClassDict* dict = doc->getDictionary();
    ASSERT_EQ(0, dict->BeginTransaction());
    ASSERT_EQ(0, KxBase::KELVOX()->HoldDictionary(dict));
    {
        Diagnostics diagnostics;
        doc->genericClose();
        EXPECT_NE(std::string::npos, diagnostics.Text().find("database document: the opened dictionary has pending "
                                                             "transactions, not handled. "));
    }
    EXPECT_TRUE(SvTakeBoxLog().empty());
    EXPECT_EQ(0, dict->CommitTransaction());
    // Without open levels nothing is written.
    ASSERT_EQ(0, doc->genericOpen("NATIVE", "sample", GENERIC_OPEN_DICTIONARY));
    {
        Diagnostics diagnostics;
        doc->genericClose();
        EXPECT_EQ("", diagnostics.Text());
    }
    KxBase::KELVOX()->ReleaseDictionary(dict);
    doc->removeAgent(&agent_, 0);
}

TEST_F(DatabaseDocument, LocalDictionaryNamesADirectory) {
    // For the server "LOCAL" the working directory becomes the one above the dictionary's folder;
    // a name that is no folder leaves it where it is.
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path site = std::filesystem::canonical(site_.Folder());
    KxKelvoxDatabaseDocument* doc = NewDocument("sample");
    struct Case {
        std::string name;
        std::filesystem::path after;
    } cases[] = {
        {(site / "dicts" / "sample").string(), site / "dicts"},
        {(site / "nofolder").string(), site},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::current_path(site);
        doc->genericOpen("LOCAL", c.name.c_str(), GENERIC_OPEN_DICTIONARY);
        EXPECT_EQ(c.after, std::filesystem::current_path());
    }
    std::filesystem::current_path(before);
    doc->removeAgent(&agent_, 0);
}

TEST_F(DatabaseDocument, TypeAndCasts) {
    KxKelvoxDatabaseDocument* doc = NewDocument();
    KxDocumentType own("KxKelvoxDatabaseDocument"), other("KxWorkspaceDocument");
    EXPECT_EQ("KxKelvoxDatabaseDocument", doc->getType().getDocumentDesc().ToUtf8());
    EXPECT_EQ(1, doc->isA(own));
    EXPECT_EQ(doc, doc->castTo(own));
    EXPECT_EQ(nullptr, doc->castTo(other));
    doc->removeAgent(&agent_, 0);
}

}  // namespace
