#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BrowserFixture.h"
#include "KxTypeFunctors.h"

using browsertest::DiagnosticCapture;

namespace {

class TypeFunctorsTest : public ::testing::Test {
protected:
    std::unique_ptr<KxClassDict> dict_ = browsertest::ParseDictionary();
    KxTypeMgr* typeMgr_ = KxTypeMgr::GetDefault();

    const KxMetaType* Type(const char* name) { return dict_->FindByName(KxString(name)); }
    std::string TypeText(const char* name, int withKeywords) {
        KxString text("");
        CreateTypeText functor(&text, typeMgr_, withKeywords);
        Type(name)->Apply(functor);
        return text.ToUtf8();
    }
    std::string MemberText(const char* className, const char* member, int withName, int withKeywords,
                           KxTypeMgr* typeMgr) {
        KxString text("");
        CreateTypeTextForMember functor(&text, typeMgr, withName, withKeywords);
        Type(className)->AsClass()->FindMember(KxString(member))->Apply(functor);
        return text.ToUtf8();
    }
};

TEST_F(TypeFunctorsTest, ClassAndSetTexts) {
    struct Case {
        const char* type;
        int withKeywords;
        const char* text;
    };
    const Case cases[] = {
        {"Ledger", 1, "_persistent   class   Ledger(3)"},
        {"Ledger", 0, "Ledger(3)"},
        {"Item", 1, "persistent   class   Item(1)"},
        {"Spot", 1, "struct   Spot(1)"},
        {"Spot", 0, "Spot(1)"},
        // A cset whose elements are held by pointer: four blanks follow the closing bracket.
        {"PartCSet", 0, "cset   <Part(1)*>    "},
        {"PartSet", 1, "set   <persistent   class   Part(1)>    "},
        {"TagSet", 0, "set   <KxString>    "},
        {"SpotSet", 0, "set   <Spot(1)>    "},
        {"ItemRefs", 0, "set   <ondemand<Item(1)>>    "},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, TypeText(c.type, c.withKeywords)) << c.type;
}

TEST_F(TypeFunctorsTest, UnknownSetKindAndMissingTypeManagerAreReported) {
    DiagnosticCapture capture;
    EXPECT_EQ("set   <int>    ", TypeText("OddSet", 0));
    EXPECT_TRUE(capture.Has("unknown set type 9 in src\\typfunct(")) << capture.Text();

    KxString text("");
    CreateTypeText functor(&text, nullptr, 0);
    Type("TagSet")->Apply(functor);
    EXPECT_EQ("set   <not available>    ", text.ToUtf8());
    EXPECT_TRUE(capture.Has("no type mgr available.src\\typfunct(")) << capture.Text();

    // A null target writes nothing.
    CreateTypeText nowhere(nullptr, typeMgr_, 1);
    EXPECT_EQ(0, Type("Item")->Apply(nowhere));
}

TEST_F(TypeFunctorsTest, MemberTexts) {
    struct Case {
        const char* member;
        int withName;
        const char* text;
    };
    const Case cases[] = {
        {"count", 1, "int   count"},
        {"count", 0, "int   "},
        {"scores", 1, "short   scores[3]"},
        {"spot", 1, "Spot(1)   spot"},
        {"owner", 1, "Owner(1)   *owner"},
        {"next", 1, "ondemand<Item(1)>   next"},
        {"parts", 1, "set   <Part(1)>    parts"},
        {"tags", 0, "set   <KxString>    "},
        {"note", 1, "transient   KxString   note"},
        {"cache", 1, "static   int   cache"},
        {"name", 1, "KxString   name"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, MemberText("Item", c.member, c.withName, 0, typeMgr_)) << c.member;
    EXPECT_EQ("persistent   class   Owner(1)   *owner", MemberText("Item", "owner", 1, 1, typeMgr_));

    DiagnosticCapture capture;
    EXPECT_EQ("not available   count", MemberText("Item", "count", 1, 0, nullptr));
    EXPECT_TRUE(capture.Has("no type manager available.src\\memfunct(")) << capture.Text();

    KxString text("");
    CreateTypeTextForMember functor(&text, typeMgr_, 0, 0);
    functor.HandleKxTypeMember(nullptr);
    functor.HandleKxAccessSpecifier(3);
    functor.HandleLinkError(7);
    EXPECT_EQ("not availablepublic:   (linkerr=7)", text.ToUtf8());
}

TEST_F(TypeFunctorsTest, IndexEntriesJoinTheirPathsAndSignificance) {
    const KxMetaClass* item = Type("Item")->AsClass();
    KxString text("");
    CreateTypeTextForIndexDefinition functor(&text);
    ASSERT_EQ(1u, item->GetIndexCount());
    item->ApplyToIndexes(functor);
    EXPECT_EQ("spot.x[[0]] , name[[1]] ", text.ToUtf8());

    // Lexical and descending: two blanks before "lexical", none between the two words.
    KxString entry("");
    CreateTypeTextForIndexDefinition(&entry).HandleKxIdxEntry(2, true, true);
    EXPECT_EQ("[[2]]  lexicaldescending", entry.ToUtf8());

    KxString fulltext("");
    CreateTypeTextForIndexDefinition(&fulltext)
        .HandleKxIdxFulltextEntry("body", 0, {{"lang", "de"}, {"", "x"}, {"stem", "on"}});
    EXPECT_EQ("body[[0]] {lang=de, stem=on}", fulltext.ToUtf8());
}

// Records the names of the members it is given.
class MemberNames : public KxMemberFunctor {
public:
    std::vector<std::string> names;
    int32_t OnValue(const KxMember& m) override { return Add(m); }
    int32_t OnEmbedded(const KxMember& m) override { return Add(m); }
    int32_t OnPointer(const KxMember& m) override { return Add(m); }
    int32_t OnOnDemand(const KxMember& m) override { return Add(m); }
    int32_t OnObjectSet(const KxMember& m) override { return Add(m); }
    int32_t OnOnDemandSet(const KxMember& m) override { return Add(m); }
    int32_t OnTypeSet(const KxMember& m) override { return Add(m); }
    int32_t OnClassSet(const KxMember& m) override { return Add(m); }

private:
    int32_t Add(const KxMember& m) {
        names.push_back(m.GetDeclaringClass()->GetName().ToUtf8() + "::" + m.GetName().ToUtf8());
        return 0;
    }
};

TEST_F(TypeFunctorsTest, MemberWalkVisitsBasesFirstAndEachBaseOnce) {
    MemberNames names;
    TraverseClassDescAndCallGivenHandler walk(&names);
    // Both derives from Named directly and through Item: Named's member comes once, first.
    Type("Both")->Apply(walk);
    ASSERT_EQ(14u, names.names.size());
    EXPECT_EQ("Named::name", names.names[0]);
    EXPECT_EQ("Item::count", names.names[1]);
    EXPECT_EQ("Both::extra", names.names.back());
    EXPECT_EQ(1, std::count(names.names.begin(), names.names.end(), "Named::name"));
    EXPECT_EQ(dict_.get(), walk.GetDictionary());
}

}  // namespace
