// The class hierarchy of a document's dictionary: the sorted tree, the values of an entry, the
// display toggles, find with its options, and deleting user-defined classes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BrowserFixture.h"
#include "KvSurrogate.h"
#include "KxAgent.h"
#include "KxBrowserStatics.h"
#include "KxClassHierarchySubject.h"
#include "KxDocument.h"
#include "KxKelvoxDatabaseDocument.h"
#include "KxOutlinerView.h"
#include "ViewTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

const char kDictionary[] = R"(dictionary hier
class 100.1 Zeta
member z int
member area embedded:Area
class 101.1 Beta
member label string
class 102.1 Alpha
member name string
class 103.2 Gamma bases=Beta classflags=3
member weight double
class 104.1 Delta bases=Beta
class 105.1 Both bases=Alpha,Beta
class 99.1 Sys99
class 106.1 Ledger classflags=4
class 107.1 Spot embedded form=struct
member x int
class 108.1 Corner embedded bases=Spot
class 109.1 Area embedded
class 65001.1 Internal
)";

class Agent : public KxAgent {
public:
    Agent() : KxAgent(nullptr) {}
    int canHandleDocument(KxDocument&, const KxString&) override { return 0; }
    KxDocumentTypes getDocumentTypes() override { return KxDocumentTypes(); }
    KxString getDescription() override { return KxString(""); }
    KxString getName() override { return KxString("classes"); }
};

// A database document that hands out a dictionary and a base it is given.
class Document : public KxKelvoxDatabaseDocument {
public:
    Document(KxDocumentManager* manager, KxAgent* agent, KxClassDict* dict, KxBase* base)
        : KxKelvoxDatabaseDocument(Name(), agent, manager, KxString("LOCAL"), KxString("hier"), 2),
          dict_(dict),
          base_(base) {}
    KxClassDict* getDictionary() override { return dict_; }
    KxBase* getBase() override { return base_; }

private:
    static KxString& Name() {
        static KxString name("hier");
        return name;
    }
    KxClassDict* dict_;
    KxBase* base_;
};

// Records the updates the subject sends with its set.
class RecordingView : public KvView {
public:
    explicit RecordingView(KvSubject* subject) : KvView(subject, nullptr) {}
    ~RecordingView() override { haveBeenKilled(); }
    void update(long, const KvVerb&) override {}
    void update(KvAspectSet&, long hint, const KvVerb& verb) override {
        updates.push_back(std::string(verb.getVerb() != nullptr ? verb.getVerb() : "") + " " + std::to_string(hint));
    }
    Lines updates;
};

class ClassHierarchyTest : public ::testing::Test {
protected:
    void SetUp() override {
        KxString error;
        ASSERT_EQ(0, KxClassDict::Parse(kDictionary, "hier", dict_, &error)) << error.ToUtf8();
        document_ = std::make_unique<Document>(&manager_, &agent_, dict_.get(), nullptr);
        subject_ = std::make_unique<KxClassHierarchySubject>(document_.get());
    }
    void TearDown() override {
        subject_.reset();
        document_.reset();
    }
    // The tree as texts indented two blanks a level.
    Lines Tree() {
        KvAspectSet set;
        set.add(new KvAspect(KvAspectId("text"), ""));
        set.add(new KvAspect(KvAspectId("indentLevel"), static_cast<unsigned short>(0)));
        Lines lines;
        for (long i = 0; i < subject_->getObjectsCount(); ++i) {
            subject_->getValue(set, i);
            lines.push_back(std::string(2 * set.getObject(1)->getUnsignedShort(), ' ') +
                            set.getObject(0)->getString().ToUtf8());
        }
        set.deleteAspects();
        return lines;
    }
    long Position(const char* text) {
        const Lines tree = Tree();
        for (size_t i = 0; i < tree.size(); ++i)
            if (tree[i].find_first_not_of(' ') != std::string::npos && tree[i].substr(tree[i].find_first_not_of(' ')) == text)
                return long(i);
        return -1;
    }
    KvSurrogate SurrogateOf(const char* name) {
        return KvSurrogate(KxClassHierarchySubject::classDescObjId(dict_->FindByName(KxString(name))->AsClass()));
    }
    KxErrorCode Find(KvAspect* aspect, const char* verb, long& hint, RecordingView& view) {
        KvAspectSet set;
        if (aspect != nullptr) set.add(aspect);
        view.updates.clear();
        const KxErrorCode result = subject_->update(set, hint, KvVerb(verb, nullptr, nullptr, 1));
        if (!result && !view.updates.empty()) hint = std::stol(view.updates.back().substr(7));
        if (KvAspect* text = set.getAspect(KvAspectId("text"))) found = text->getString().ToUtf8();
        set.deleteAspects();
        return result;
    }

    std::unique_ptr<KxClassDict> dict_;
    KxDocumentManager manager_;
    Agent agent_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<KxClassHierarchySubject> subject_;
    std::string found;
};

const Lines kFullTree = {"KxObject", "  Alpha(1)", "    Both(1)", "  Beta(1)", "    Both(1)", "    Delta(1)",
                         "    Gamma(2)", "  Internal(1)", "  Ledger(1)", "  Sys99(1)", "  Zeta(1)", "Area(1)",
                         "Spot(1)", "  Corner(1)"};

TEST_F(ClassHierarchyTest, TheDictionaryBecomesASortedTreeOfPersistentThenEmbeddedClasses) {
    EXPECT_EQ(Tree(), kFullTree);
    EXPECT_EQ(subject_->getObjectsCount(), 14);
    // Verbs in their order, all applyable.
    KvVerb** verbs = subject_->gimmeYourVerbs();
    Lines texts;
    for (int i = 0; verbs[i] != nullptr; ++i) texts.push_back(std::string(verbs[i]->getVerb()) + "|" + verbs[i]->getTitle());
    EXPECT_EQ(texts, (Lines{"find|~find...", "toggle_internal|hide ~internal classes", "toggle_tool|hide ~tool classes",
                            "toggle_user|hide ~user classes"}));
    // The display aspects with menu titles and column headers.
    KvAspectSet* aspects = subject_->gimmeYourAspects();
    ASSERT_EQ(aspects->count(), 6u);
    EXPECT_EQ(aspects->getObject(5)->getTitle().ToUtf8(), "no of objects\t#");
    EXPECT_STREQ(aspects->getObject(0)->aspectId().idStr(), "class_id");
}

TEST_F(ClassHierarchyTest, TheValuesOfAnEntry) {
    const char* names[] = {"text", "indentLevel", "entryType", "surrogate", "class_id", "local_class_id",
                           "mem_size", "disk_size", "no_of_objects", "class_type", "semantics", "vfkt",
                           "creatable", "has_subobjects", "is_generic", "other"};
    KvAspectSet set;
    for (const char* name : names) set.add(new KvAspect(KvAspectId(name), 0l));
    auto text = [&](const char* name) { return set.getAspect(KvAspectId(name))->getString().ToUtf8(); };
    subject_->getValue(set, Position("Gamma(2)"));
    EXPECT_EQ(text("text"), "Gamma(2)");
    EXPECT_EQ(set.getAspect(KvAspectId("indentLevel"))->getUnsignedShort(), 2);
    EXPECT_EQ(set.getAspect(KvAspectId("entryType"))->getUnsignedShort(), KxClassHierarchySubject::persistentTag);
    EXPECT_EQ(set.getAspect(KvAspectId("surrogate"))->getSurrogate().getKxObjId(), SurrogateOf("Gamma").getKxObjId());
    EXPECT_EQ(set.getAspect(KvAspectId("class_id"))->getUnsignedShort(), 103);
    EXPECT_EQ(set.getAspect(KvAspectId("local_class_id"))->getShort(), 103);
    EXPECT_GT(set.getAspect(KvAspectId("mem_size"))->getLong(), 8);
    const long gammaDisk = set.getAspect(KvAspectId("disk_size"))->getLong();
    EXPECT_TRUE(set.getAspect(KvAspectId("no_of_objects"))->isNotAvail());  // no base
    EXPECT_EQ(text("class_type") + text("semantics") + text("vfkt") + text("creatable") + text("has_subobjects") +
                  text("is_generic"),
              "CU++--");
    EXPECT_EQ(set.getAspect(KvAspectId("other"))->getLong(), 0);  // not one of the subject's names

    subject_->getValue(set, Position("Delta(1)"));
    EXPECT_EQ(gammaDisk - set.getAspect(KvAspectId("disk_size"))->getLong(), 8);  // Gamma's own double

    subject_->getValue(set, Position("Ledger(1)"));
    EXPECT_EQ(set.getAspect(KvAspectId("entryType"))->getUnsignedShort(), KxClassHierarchySubject::_persistentTag);
    subject_->getValue(set, Position("Zeta(1)"));
    EXPECT_EQ(text("has_subobjects") + text("vfkt"), "+-");
    subject_->getValue(set, Position("Spot(1)"));
    EXPECT_EQ(set.getAspect(KvAspectId("entryType"))->getUnsignedShort(), KxClassHierarchySubject::transientTag);
    EXPECT_EQ(text("class_type"), "S");
    subject_->getValue(set, Position("Internal(1)"));
    EXPECT_EQ(text("semantics"), "I");

    // A position without entry leaves the set alone and is reported.
    browsertest::DiagnosticCapture diagnostics;
    subject_->getValue(set, 99);
    EXPECT_EQ(text("text"), "Internal(1)");
    EXPECT_TRUE(diagnostics.Has("KxClassHierarchySubject::getValue : classDesc not found. "));
    set.deleteAspects();
}

TEST_F(ClassHierarchyTest, TogglesHideAndShowClassKindsAndTellTheViews) {
    RecordingView view(subject_.get());
    KvAspectSet set;
    KvVerb** verbs = subject_->gimmeYourVerbs();
    ASSERT_TRUE(!subject_->update(set, 0, KvVerb("toggle_user", nullptr, nullptr, 1)));
    EXPECT_EQ(Tree(), (Lines{"KxObject", "  Internal(1)"}));
    EXPECT_STREQ(verbs[3]->getTitle(), "show ~user classes");
    EXPECT_EQ(view.updates, (Lines{"toggle_user 0"}));
    subject_->update(set, 0, KvVerb("toggle_user", nullptr, nullptr, 1));
    EXPECT_EQ(Tree(), kFullTree);
    EXPECT_STREQ(verbs[3]->getTitle(), "hide ~user classes");

    // Hidden internal classes: the root's derived classes take its place.
    subject_->update(set, 0, KvVerb("toggle_internal", nullptr, nullptr, 1));
    EXPECT_EQ(Tree(), (Lines{"Alpha(1)", "  Both(1)", "Beta(1)", "  Both(1)", "  Delta(1)", "  Gamma(2)", "Ledger(1)",
                             "Sys99(1)", "Zeta(1)", "Area(1)", "Spot(1)", "  Corner(1)"}));
    EXPECT_STREQ(verbs[1]->getTitle(), "show ~internal classes");
    subject_->update(set, 0, KvVerb("toggle_internal", nullptr, nullptr, 1));
    subject_->update(set, 0, KvVerb("toggle_tool", nullptr, nullptr, 1));
    EXPECT_EQ(Tree(), kFullTree);  // there are no tool classes
    EXPECT_STREQ(verbs[2]->getTitle(), "show ~tool classes");
}

TEST_F(ClassHierarchyTest, FindByNameIdAndMemberWithOptions) {
    RecordingView view(subject_.get());
    long hint = 0;
    // Without options: the whole name, case ignored; the match's name goes into the aspect.
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "beta"), "find", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Beta(1)"));
    EXPECT_EQ(view.updates, (Lines{"select " + std::to_string(hint)}));
    EXPECT_EQ(found, "Beta(1)");
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "beta"), "find/c", hint, view), KxBrowserErrors::NotFound);
    EXPECT_TRUE(view.updates.empty());
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "eta"), "find", hint, view), KxBrowserErrors::NotFound);
    // Substrings, forward from the start or behind the position, backward before it.
    hint = 0;
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "ETA"), "find/s", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Beta(1)"));
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "eta"), "find/s/n", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Zeta(1)"));
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "eta"), "find/s/n", hint, view), KxBrowserErrors::NotFound);
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "eta"), "find/s/p", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Beta(1)"));
    hint = 0;
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "KxObject"), "find/p", hint, view), KxBrowserErrors::NotFound);
    hint = 13;
    EXPECT_EQ(Find(new KvAspect(KvAspectId("text"), "Corner"), "find/n", hint, view), KxBrowserErrors::NotFound);

    // By class id and by member; a "text" aspect is added for the found class.
    hint = 0;
    EXPECT_EQ(Find(new KvAspect(KvAspectId("class_id"), 104l), "find", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Delta(1)"));
    EXPECT_EQ(found, "Delta(1)");
    EXPECT_EQ(Find(new KvAspect(KvAspectId("member"), "WEIGHT"), "find", hint, view), KxBrowserErrors::Found);
    EXPECT_EQ(hint, Position("Gamma(2)"));
}

TEST_F(ClassHierarchyTest, FindWithoutUsableSearchAspect) {
    RecordingView view(subject_.get());
    browsertest::DiagnosticCapture diagnostics;
    long hint = 3;
    EXPECT_EQ(Find(nullptr, "find", hint, view), KxBrowserErrors::IllegalFindParameters);
    EXPECT_TRUE(diagnostics.Has("KxClassHierarchySubject-find has nothing to search for"));
    EXPECT_EQ(Find(new KvAspect(KvAspectId("surrogate"), SurrogateOf("Beta")), "find", hint, view),
              KxBrowserErrors::NotFound);
    EXPECT_EQ(hint, 3);
    EXPECT_TRUE(view.updates.empty());
    EXPECT_TRUE(diagnostics.Has("KxClassHierarchySubject-find is not able to search"));
    EXPECT_TRUE(diagnostics.Has("for surrogate"));
    // Several aspects: the first one counts.
    KvAspectSet set;
    set.add(new KvAspect(KvAspectId("text"), "Zeta"));
    set.add(new KvAspect(KvAspectId("class_id"), 104l));
    EXPECT_EQ(subject_->update(set, 0, KvVerb("find", nullptr, nullptr, 1)), KxBrowserErrors::Found);
    EXPECT_EQ(view.updates, (Lines{"select " + std::to_string(Position("Zeta(1)"))}));
    EXPECT_TRUE(diagnostics.Has("multiple search specifications. Looking for first one."));
    set.deleteAspects();
}

TEST_F(ClassHierarchyTest, DeletingUserDefinedClassesWithTheirDerivedClasses) {
    RecordingView view(subject_.get());
    auto request = [&](const char* name) {
        KvAspectSet set;
        set.add(new KvAspect(KvAspectId("surrogate"), SurrogateOf(name)));
        const KxErrorCode validated = subject_->validate(set, 0, KvVerb("DELETE", nullptr, nullptr, 1));
        const bool ok = set.getObject(0)->isOk();
        const KxErrorCode result = subject_->update(set, 0, KvVerb("Delete", nullptr, nullptr, 1));
        set.deleteAspects();
        EXPECT_EQ(!validated, ok) << name;
        return std::make_pair(validated, result);
    };
    // Class numbers below 100 are the system's.
    auto sys = request("Sys99");
    EXPECT_EQ(sys.first, KxBrowserErrors::NotUserDefinedClass);
    EXPECT_EQ(sys.second, KxBrowserErrors::NotUserDefinedClass);
    EXPECT_TRUE(view.updates.empty());

    // Beta goes with Both (shown under Alpha too), Delta and Gamma.
    auto beta = request("Beta");
    EXPECT_TRUE(!beta.first);
    EXPECT_TRUE(!beta.second);
    EXPECT_EQ(view.updates, (Lines{"Delete 0"}));
    EXPECT_EQ(Tree(), (Lines{"KxObject", "  Alpha(1)", "  Internal(1)", "  Ledger(1)", "  Sys99(1)", "  Zeta(1)",
                             "Area(1)", "Spot(1)", "  Corner(1)"}));
    for (const char* gone : {"Beta", "Both", "Delta", "Gamma"}) EXPECT_EQ(dict_->FindByName(KxString(gone)), nullptr);
    EXPECT_NE(dict_->FindByName(KxString("Alpha")), nullptr);

    // A class that another class uses is refused by the dictionary: nothing changes.
    auto area = request("Area");
    EXPECT_TRUE(!area.first);
    EXPECT_EQ(area.second, KxErrorCode(KxErrWarning, int(KX_KERNEL_E_STATE)));
    EXPECT_EQ(Position("Area(1)"), 6);
    // Zeta (number 100) may go; then Area too.
    EXPECT_TRUE(!request("Zeta").second);
    EXPECT_TRUE(!request("Area").second);
    EXPECT_EQ(Tree(), (Lines{"KxObject", "  Alpha(1)", "  Internal(1)", "  Ledger(1)", "  Sys99(1)", "Spot(1)",
                             "  Corner(1)"}));
    // A class the tree does not hold.
    KvAspectSet set;
    set.add(new KvAspect(KvAspectId("surrogate"), SurrogateOf("Alpha")));
    set.getObject(0)->operator=(KvSurrogate(KxObjId(5)));
    EXPECT_EQ(subject_->update(set, 0, KvVerb("delete", nullptr, nullptr, 1)), KxBrowserErrors::NoClassDescNothingDeleted);
    set.deleteAspects();
}

TEST(ClassHierarchyWithoutDocumentTest, NoDocumentNoTree) {
    browsertest::DiagnosticCapture diagnostics;
    KxClassHierarchySubject subject(nullptr);
    EXPECT_EQ(subject.getObjectsCount(), 0);
    EXPECT_TRUE(diagnostics.Has("no document available. "));
}

// Over a real database: object counts, and the outliner view finding a class.
class ClassHierarchyOverBaseTest : public browsertest::KernelFixture {};

TEST_F(ClassHierarchyOverBaseTest, ObjectCountsAndTheOutlinerFindingAClass) {
    for (int i = 0; i < 2; ++i) ASSERT_EQ(0, Make("Part")->Store());
    KxDocumentManager manager;
    Agent agent;
    Document document(&manager, &agent, base_->GetDictionary(), base_.get());
    KxClassHierarchySubject subject(&document);

    SvSetScript("", "view.sv");
    auto dialog = viewtest::MakeDialog("Classes");
    KvAspectSet extra;
    auto* count = new KvAspect(KvAspectId("no_of_objects"));
    count->setTitle("no of objects\t#");
    extra.add(count);
    KxOutlinerView view(&subject, dialog.get(), nullptr, &extra);
    extra.deleteAspects();
    const Lines items = viewtest::Items(*view.getOutliner());
    EXPECT_NE(std::find(items.begin(), items.end(), "  Part(1) #=2"), items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), "Spot(1) #=?"), items.end());  // embedded: no extent

    // The search window's request: the view asks the subject from its selection and selects the class.
    KvAspectSet search;
    search.add(new KvAspect(KvAspectId("text"), "owner"));
    view.update(search, 0, KvVerb("find", nullptr, nullptr, 1));
    search.deleteAspects();
    KxOutlinerNode* selected = view.getOutliner()->GetEntryCarelessOfVisibility(view.getOutliner()->GetSelectedEntryPos());
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(std::string(selected->textualRepresentation().GetStr()), "Owner(1) #=0");
    EXPECT_TRUE(SvTakeBoxLog().empty());
    search.add(new KvAspect(KvAspectId("text"), "nothing"));
    view.update(search, 0, KvVerb("find", nullptr, nullptr, 1));
    search.deleteAspects();
    const auto boxes = SvTakeBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Not found");
}

}  // namespace
