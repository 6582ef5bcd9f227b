// The class dictionary: the sample declaration file, canonical member order, versions, indexes,
// descriptors, saving and loading, declaration errors, the root's dictionaries and the admin.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "kxkernel.h"

namespace {

std::unique_ptr<KxClassDict> LoadSample() {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    const int32_t rc = KxClassDict::Load(KxString(KX_SAMPLE_DICT_DIR), dict, &error);
    EXPECT_EQ(0, rc) << error.ToUtf8();
    return dict;
}

const KxMetaClass* ClassNamed(const KxClassDict& dict, const char* name) {
    const KxMetaType* t = dict.FindByName(KxString(name));
    return t != nullptr ? t->AsClass() : nullptr;
}

std::vector<std::string> Names(const std::vector<const KxMember*>& members) {
    std::vector<std::string> out;
    for (const KxMember* m : members) out.push_back(m->GetName().ToUtf8());
    return out;
}

std::vector<std::string> Names(const std::vector<const KxMetaClass*>& classes) {
    std::vector<std::string> out;
    for (const KxMetaClass* c : classes) out.push_back(c->GetName().ToUtf8());
    return out;
}

const std::vector<std::string> kPersonMembers = {
    "name", "created", "revision", "home", "previous", "scores", "manager", "employer",
    "friends", "contacts", "tags", "addresses", "cache", "note"};

TEST(DictionaryTest, SampleClassWithTwoBasesHasCanonicalMembersAndLayout) {
    auto dict = LoadSample();
    ASSERT_TRUE(dict);
    EXPECT_EQ("sample", dict->GetName().ToUtf8());
    EXPECT_EQ("LOCAL", dict->GetServer().ToUtf8());
    EXPECT_EQ("Sample dictionary", dict->GetLogicalName().ToUtf8());
    EXPECT_EQ(3, dict->GetRevision());
    EXPECT_EQ(KxDateTime(2024, 1, 15, 9, 30, 0), dict->GetCreationStamp());
    EXPECT_EQ(KxDateTime(2024, 2, 1, 17, 5, 0), dict->GetModifyStamp());

    const KxMetaClass* person = ClassNamed(*dict, "Person");
    ASSERT_NE(nullptr, person);
    EXPECT_EQ(KxClassId(13, 1), person->GetClassId());
    ASSERT_EQ(2u, person->GetBaseCount());
    EXPECT_EQ("Named", person->GetBase(0)->GetName().ToUtf8());
    EXPECT_EQ("Dated", person->GetBase(1)->GetName().ToUtf8());
    EXPECT_EQ(nullptr, person->GetBase(2));
    EXPECT_EQ(kPersonMembers, Names(person->GetAllMembers()));
    EXPECT_EQ(11u, person->GetMemberCount());   // own members only

    // Offsets follow the canonical order inside the instance; the first base is a prefix.
    uint32_t end = 0;
    for (const KxMember* m : person->GetAllMembers()) {
        EXPECT_GE(m->GetOffset(), end) << m->GetName().ToUtf8();
        end = m->GetOffset() + m->GetElementCount() * m->GetElementSize();
    }
    EXPECT_LE(end, person->GetSize());
    const KxMetaClass* named = ClassNamed(*dict, "Named");
    const KxMetaClass* dated = ClassNamed(*dict, "Dated");
    EXPECT_EQ(named->FindMember("name")->GetOffset(), person->FindMember("name")->GetOffset());
    EXPECT_EQ(0, person->GetBaseOffset(named));
    EXPECT_EQ(person->FindMember("created")->GetOffset(), person->GetBaseOffset(dated));
    EXPECT_GT(person->GetBaseOffset(dated), 0);
    EXPECT_EQ(dated, person->FindMember("created")->GetDeclaringClass());
    EXPECT_EQ(dated->FindMember("created")->GetOffset(), 0u);

    // A class's own members keep their distances from the start of its block in every subclass,
    // whatever its bases leave unaligned before it.
    {
        std::unique_ptr<KxClassDict> blocks;
        KxString error;
        ASSERT_EQ(0, KxClassDict::Parse("dictionary blocks\nclass 1.1 R\nmember r char count=5\n"
                                        "class 2.1 Q bases=R\nmember c char\nmember i int\n"
                                        "class 3.1 Z bases=Q\nmember z int\n",
                                        KxString("blocks.kxd"), blocks, &error))
            << error.ToUtf8();
        const KxMetaClass* q = blocks->GetCurrentVersion(2)->AsClass();
        const KxMetaClass* z = blocks->GetCurrentVersion(3)->AsClass();
        const int64_t start = q->GetMember(0)->GetOffset();
        for (const char* name : {"c", "i"}) {
            EXPECT_EQ(int64_t(z->FindMember(name)->GetOffset()) - z->GetBaseOffset(q),
                      int64_t(q->FindMember(name)->GetOffset()) - start)
                << name;
        }
    }

    // What each member says about itself.
    const KxMember* home = person->FindMember("home");
    EXPECT_EQ(KX_MEMBER_EMBEDDED, home->GetMemberType());
    EXPECT_EQ(KxClassId(10, 2), home->GetClass()->GetClassId());
    EXPECT_EQ(home->GetClass()->GetSize(), home->GetElementSize());
    const KxMember* previous = person->FindMember("previous");
    EXPECT_EQ(2u, previous->GetElementCount());
    const KxMember* scores = person->FindMember("scores");
    EXPECT_EQ(KX_MEMBER_VALUE, scores->GetMemberType());
    EXPECT_EQ(KX_TYPE_DOUBLE, scores->GetTypeCode());
    EXPECT_EQ(3u, scores->GetElementCount());
    EXPECT_EQ(sizeof(double), scores->GetElementSize());
    const KxMember* manager = person->FindMember("manager");
    EXPECT_EQ(KX_MEMBER_POINTER, manager->GetMemberType());
    EXPECT_EQ(person, manager->GetClass());
    EXPECT_TRUE(manager->HasQualifier(KX_QUAL_STORE_WITH));
    const KxMember* employer = person->FindMember("employer");
    EXPECT_EQ(KX_MEMBER_ONDEMAND, employer->GetMemberType());
    EXPECT_EQ("Company", employer->GetClass()->GetName().ToUtf8());
    EXPECT_EQ(KX_MEMBER_OBJECT_SET, person->FindMember("friends")->GetMemberType());
    EXPECT_EQ(KX_MEMBER_ONDEMAND_SET, person->FindMember("contacts")->GetMemberType());
    EXPECT_EQ(KX_MEMBER_TYPE_SET, person->FindMember("tags")->GetMemberType());
    EXPECT_EQ(KX_TYPE_STRING, person->FindMember("tags")->GetSetType()->GetElementTypeCode());
    const KxMember* addresses = person->FindMember("addresses");
    EXPECT_EQ(KX_MEMBER_CLASS_SET, addresses->GetMemberType());
    EXPECT_EQ(KxClassId(903, 1), addresses->GetSetType()->GetClassId());
    EXPECT_EQ(home->GetClass(), addresses->GetClass());
    EXPECT_EQ(home->GetClass()->GetSize(), addresses->GetSetType()->GetElementSize());
    EXPECT_EQ(KX_MEMBER_KIND_NOT_STORED, person->FindMember("cache")->GetKind());
    EXPECT_TRUE(person->FindMember("note")->IsTransient());
    EXPECT_FALSE(person->FindMember("name")->IsTransient());

    // Marks: automatic values follow from the member; forgiven index errors are declared.
    const KxMetaClass* company = ClassNamed(*dict, "Company");
    EXPECT_TRUE(company->HasMark(KX_MARK_AUTO_VALUES));
    EXPECT_TRUE(company->HasMark(KX_MARK_FORGIVE_INDEX_ERRORS));
    EXPECT_TRUE(company->FindMember("serial")->HasQualifier(KX_QUAL_AUTO_VALUE));
    EXPECT_FALSE(person->HasMark(KX_MARK_AUTO_VALUES));
    EXPECT_TRUE(home->GetClass()->HasMark(KX_MARK_EMBEDDED));
    EXPECT_FALSE(home->GetClass()->IsPersistent());
}

TEST(DictionaryTest, BaseReachedAlongTwoPathsComesOnce) {
    auto dict = LoadSample();
    const KxMetaClass* mgr = ClassNamed(*dict, "Manager");
    ASSERT_NE(nullptr, mgr);
    EXPECT_EQ((std::vector<std::string>{"KxObject", "Named", "Dated", "Person", "Employee"}),
              Names(mgr->GetAllBases()));
    std::vector<std::string> expected = kPersonMembers;
    expected.push_back("badge");
    expected.push_back("reports");
    EXPECT_EQ(expected, Names(mgr->GetAllMembers()));
    EXPECT_TRUE(mgr->IsKindOf(ClassNamed(*dict, "Named")));
    EXPECT_FALSE(ClassNamed(*dict, "Named")->IsKindOf(mgr));

    // The member functor over all members sees the same order, one call per member type.
    struct Recorder : KxMemberFunctor {
        std::vector<std::string> seen;
        int32_t Note(const char* kind, const KxMember& m) {
            seen.push_back(std::string(kind) + ":" + m.GetName().ToUtf8());
            return 0;
        }
        int32_t OnValue(const KxMember& m) override { return Note("value", m); }
        int32_t OnEmbedded(const KxMember& m) override { return Note("embedded", m); }
        int32_t OnPointer(const KxMember& m) override { return Note("pointer", m); }
        int32_t OnOnDemand(const KxMember& m) override { return Note("ondemand", m); }
        int32_t OnObjectSet(const KxMember& m) override { return Note("objectset", m); }
        int32_t OnOnDemandSet(const KxMember& m) override { return Note("ondemandset", m); }
        int32_t OnTypeSet(const KxMember& m) override { return Note("typeset", m); }
        int32_t OnClassSet(const KxMember& m) override { return Note("classset", m); }
    } recorder;
    const KxMetaClass* person = ClassNamed(*dict, "Person");
    EXPECT_EQ(0, person->ApplyToMembers(recorder, false));
    EXPECT_EQ((std::vector<std::string>{
                  "embedded:home", "embedded:previous", "value:scores", "pointer:manager",
                  "ondemand:employer", "objectset:friends", "ondemandset:contacts", "typeset:tags",
                  "classset:addresses", "value:cache", "value:note"}),
              recorder.seen);
    recorder.seen.clear();
    EXPECT_EQ(0, mgr->ApplyToMembers(recorder, true));
    EXPECT_EQ(expected.size(), recorder.seen.size());
    EXPECT_EQ("value:name", recorder.seen.front());
    EXPECT_EQ("objectset:reports", recorder.seen.back());
}

TEST(DictionaryTest, VersionsChainAndMetaTypeVersionGivesTheCurrentOne) {
    auto dict = LoadSample();
    const KxMetaType* current = dict->GetCurrentVersion(10);
    ASSERT_NE(nullptr, current);
    EXPECT_EQ(2, current->GetVersion());
    const KxMetaType* first = current->GetPreviousVersion();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(KxClassId(10, 1), first->GetClassId());
    EXPECT_EQ(nullptr, first->GetPreviousVersion());
    EXPECT_EQ(first, dict->GetMetaType(KxClassId(10, 1)));
    EXPECT_EQ(nullptr, dict->GetMetaType(KxClassId(10, 3)));
    EXPECT_EQ(2u, first->AsClass()->GetMemberCount());
    EXPECT_EQ(3u, current->AsClass()->GetMemberCount());

    const KxMetaType* type = first;
    EXPECT_EQ(0, dict->GetKxMetaTypeVersion(type));
    EXPECT_EQ(current, type);
    EXPECT_EQ(0, dict->GetKxMetaTypeVersion(type));   // already current
    EXPECT_EQ(current, type);
    EXPECT_TRUE(dict->IsCurrentVersion(KxClassId(10, 2)));
    EXPECT_FALSE(dict->IsCurrentVersion(KxClassId(10, 1)));
    EXPECT_FALSE(dict->IsCurrentVersion(KxClassId(77, 1)));
    const KxMetaType* none = nullptr;
    EXPECT_EQ(KX_KERNEL_E_INVALID, dict->GetKxMetaTypeVersion(none));

    // A type of another dictionary whose class number this one lacks.
    std::unique_ptr<KxClassDict> other;
    ASSERT_EQ(0, KxDictBuilder("other").Class(77, 1, "Lonely").Build(other));
    const KxMetaType* foreign = other->GetCurrentVersion(77);
    EXPECT_EQ(KX_DICT_E_NOT_FOUND, dict->GetKxMetaTypeVersion(foreign));
    EXPECT_EQ(other->GetCurrentVersion(77), foreign);
}

TEST(DictionaryTest, IndexDefinitionsComeWithTheirKeyPaths) {
    auto dict = LoadSample();
    struct Recorder : KxIndexEntryFunctor {
        std::vector<const KxIndexDef*> simple, compound, all;
        int32_t stopAt = -1;
        int32_t OnSimpleIndex(const KxIndexDef& i) override {
            simple.push_back(&i);
            all.push_back(&i);
            return int32_t(all.size()) == stopAt ? 5 : 0;
        }
        int32_t OnCompoundIndex(const KxIndexDef& i) override {
            compound.push_back(&i);
            all.push_back(&i);
            return int32_t(all.size()) == stopAt ? 5 : 0;
        }
    } r;
    const KxMetaClass* person = ClassNamed(*dict, "Person");
    ASSERT_EQ(0, person->ApplyToIndexes(r));
    ASSERT_EQ(3u, r.all.size());
    // The base class's index comes first; callers pass over it by its class number.
    EXPECT_EQ("NamedByName", r.all[0]->GetName().ToUtf8());
    EXPECT_EQ(11, r.all[0]->GetClassNumber());
    EXPECT_EQ(1, r.all[0]->GetNumber());

    const KxIndexDef* byCity = r.all[1];
    EXPECT_EQ("PersonByCity", byCity->GetName().ToUtf8());
    EXPECT_EQ(13, byCity->GetClassNumber());
    EXPECT_FALSE(byCity->IsUnique());
    EXPECT_FALSE(byCity->IsCompound());
    ASSERT_EQ(1u, byCity->GetKeyCount());
    EXPECT_EQ("home.city", byCity->GetKey(0).path.ToUtf8());
    EXPECT_EQ((std::vector<std::string>{"home", "city"}), Names(byCity->GetKey(0).members));

    const KxIndexDef* byNameZip = r.all[2];
    EXPECT_TRUE(byNameZip->IsUnique());
    EXPECT_TRUE(byNameZip->IsCompound());
    ASSERT_EQ(2u, byNameZip->GetKeyCount());
    EXPECT_EQ("name", byNameZip->GetKey(0).path.ToUtf8());
    EXPECT_EQ("home.zip", byNameZip->GetKey(1).path.ToUtf8());
    EXPECT_EQ(std::vector<const KxIndexDef*>({r.all[0], r.all[1]}), r.simple);
    EXPECT_EQ(std::vector<const KxIndexDef*>({r.all[2]}), r.compound);
    EXPECT_EQ(2u, person->GetIndexCount());

    uint32_t offset = 0;
    const KxMember* zip = person->FindMemberPath("home.zip", &offset);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ(person->FindMember("home")->GetOffset() + zip->GetOffset(), offset);
    EXPECT_EQ(nullptr, person->FindMemberPath("home.nothing"));
    EXPECT_EQ(nullptr, person->FindMemberPath("scores.x"));

    Recorder stop;
    stop.stopAt = 2;
    EXPECT_EQ(5, person->ApplyToIndexes(stop));
    EXPECT_EQ(2u, stop.all.size());
}

TEST(DictionaryTest, DescriptorsSubclassesAndMetaTypeFunctor) {
    auto dict = LoadSample();
    const KxClassDescriptor* root = nullptr;
    ASSERT_EQ(0, dict->GetRootDescriptor(root));
    EXPECT_EQ("KxObject", root->GetName().ToUtf8());
    EXPECT_FALSE(root->IsUserClass());
    EXPECT_EQ((std::vector<uint16_t>{11, 12, 14}), root->GetMetaClass()->GetSubclasses());
    EXPECT_EQ((std::vector<uint16_t>{15}), dict->GetCurrentVersion(13)->AsClass()->GetSubclasses());
    EXPECT_EQ((std::vector<uint16_t>{13, 16}), dict->GetCurrentVersion(11)->AsClass()->GetSubclasses());

    struct Kinds : KxMetaTypeFunctor {
        std::string seen;
        int32_t OnClass(const KxMetaClass&) override { seen += "C"; return 0; }
        int32_t OnObjectSet(const KxMetaSet&) override { seen += "O"; return 0; }
        int32_t OnOnDemandSet(const KxMetaSet&) override { seen += "D"; return 0; }
        int32_t OnClassSet(const KxMetaSet&) override { seen += "E"; return 0; }
        int32_t OnTypeSet(const KxMetaSet&) override { seen += "T"; return 0; }
    } kinds;
    std::vector<uint16_t> numbers;
    const KxClassDescriptor* d = nullptr;
    uint32_t i = 0;
    int32_t rc;
    while ((rc = dict->GetDescriptor(i++, d)) == 0) {
        numbers.push_back(d->GetClassNumber());
        EXPECT_EQ(0, d->GetMetaType()->Apply(kinds));
    }
    EXPECT_EQ(KX_DICT_E_NO_ENTRY, rc);
    EXPECT_EQ((std::vector<uint16_t>{0, 10, 11, 12, 13, 14, 15, 16, 900, 901, 902, 903}), numbers);
    EXPECT_EQ("CCCCCCCCODTE", kinds.seen);
    EXPECT_TRUE(dict->FindDescriptor(13)->IsUserClass());
    EXPECT_EQ(nullptr, dict->FindDescriptor(902)->GetMetaClass());
}

TEST(DictionaryTest, SavedDictionaryReadsBackTheSame) {
    auto dict = LoadSample();
    TempDir dir;
    const std::string target = dir.Path() + "/copy";
    ASSERT_EQ(0, dict->Save(KxString(target)));
    std::unique_ptr<KxClassDict> again;
    KxString error;
    ASSERT_EQ(0, KxClassDict::Load(KxString(target), again, &error)) << error.ToUtf8();
    EXPECT_EQ(dict->ToText(), again->ToText());
    EXPECT_EQ(KxDateTime(2024, 1, 15, 9, 30, 0), again->GetCreationStamp());
    EXPECT_EQ(kPersonMembers, Names(ClassNamed(*again, "Person")->GetAllMembers()));
    // The old version's embedded member keeps naming the old version.
    std::unique_ptr<KxClassDict> versioned;
    ASSERT_EQ(0, KxDictBuilder("v")
                     .Class(1, 1, "Part", true).Value("a", KX_TYPE_INT)
                     .Class(1, 2, "Part", true).Value("a", KX_TYPE_INT).Value("b", KX_TYPE_INT)
                     .Class(2, 1, "Holder").Embedded("old", "Part@1").Embedded("now", "Part")
                     .Class(3, 1, "Rooted", true).Base("KxObject")
                     .Build(versioned));
    std::unique_ptr<KxClassDict> parsed;
    ASSERT_EQ(0, KxClassDict::Parse(versioned->ToText(), "text", parsed, &error)) << error.ToUtf8();
    const KxMetaClass* holder = parsed->GetCurrentVersion(2)->AsClass();
    EXPECT_EQ(KxClassId(1, 1), holder->FindMember("old")->GetClass()->GetClassId());
    EXPECT_EQ(KxClassId(1, 2), holder->FindMember("now")->GetClass()->GetClassId());
    EXPECT_EQ(1u, parsed->GetCurrentVersion(3)->AsClass()->GetBaseCount());
    EXPECT_EQ(versioned->ToText(), parsed->ToText());

    EXPECT_EQ(KX_DICT_E_NOT_FOUND, KxClassDict::Load(KxString(dir.Path() + "/none"), again));
}

// Save makes the folder and the missing folders above it, in either form; a file in the way of the
// folder is refused.
TEST(DictionaryTest, ClassFormsAndSetKindsSurviveTheDeclarationText) {
    const std::string text = "dictionary forms\nclass 1.1 A form=struct classflags=5\nmember x int\n"
                             "class 2.1 U embedded form=union\nmember y int\n"
                             "objectset 900.1 S A setkind=1 byptr\ntypeset 901.1 T int setkind=3\n";
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    ASSERT_EQ(0, KxClassDict::Parse(text, "f", dict, &error)) << error.ToUtf8();
    for (int round = 0; round < 2; ++round) {
        const KxMetaType* a = dict->GetCurrentVersion(1);
        EXPECT_EQ(0, a->GetForm());
        EXPECT_EQ(5u, a->GetClassFlags());
        EXPECT_EQ(2, dict->GetCurrentVersion(2)->GetForm());
        EXPECT_EQ(1, dict->GetCurrentVersion(900)->GetSetKind());
        EXPECT_EQ(2, dict->GetCurrentVersion(900)->GetElementMode());
        EXPECT_EQ(3, dict->GetCurrentVersion(901)->GetSetKind());
        EXPECT_EQ(0, dict->GetCurrentVersion(901)->GetElementMode());
        std::unique_ptr<KxClassDict> again;
        ASSERT_EQ(0, KxClassDict::Parse(dict->ToText(), "again", again, &error)) << error.ToUtf8();
        dict = std::move(again);
    }
}

TEST(DictionaryTest, SaveMakesMissingFolders) {
    auto dict = LoadSample();
    TempDir dir;
    for (const KxDictionaryForm form : {KX_DICT_FORM_DECLARATION, KX_DICT_FORM_PAIR}) {
        const std::string target = dir.Path() + "/missing" + std::to_string(form) + "/parent/dict";
        ASSERT_EQ(0, dict->Save(KxString(target), form));
        std::unique_ptr<KxClassDict> again;
        KxString error;
        ASSERT_EQ(0, KxClassDict::Load(KxString(target), again, &error)) << error.ToUtf8();
        EXPECT_EQ(dict->ToText(), again->ToText());
    }
    std::ofstream(dir.Path() + "/file") << "x";
    EXPECT_EQ(KX_KERNEL_E_CONFIG_FILE, dict->Save(KxString(dir.Path() + "/file/dict")));
}

// The pair of dictionary files: read before a declaration file beside it; a pair that does not
// belong together (the state a copy cut off half-way leaves) is refused with the reason.
TEST(DictionaryTest, ThePairOfDictionaryFilesIsReadOnlyWhenItsChecksumMatches) {
    auto dict = LoadSample();
    TempDir dir;
    const std::string target = dir.Path() + "/pair";
    ASSERT_EQ(0, dict->Save(KxString(target), KX_DICT_FORM_PAIR));
    std::ifstream index(target + "/_objects.idx");
    std::stringstream indexText;
    indexText << index.rdbuf();
    EXPECT_NE(std::string::npos, indexText.str().find("name sample\nrevision 3\nchecksum "));
    // A declaration file of another dictionary beside the pair is not read.
    ASSERT_EQ(0, KxDictBuilder("other").Class(1, 1, "A").Build(dict));
    ASSERT_EQ(0, dict->Save(KxString(target)));
    std::unique_ptr<KxClassDict> read;
    KxString error;
    ASSERT_EQ(0, KxClassDict::Load(KxString(target), read, &error)) << error.ToUtf8();
    EXPECT_EQ("sample", read->GetName().ToUtf8());
    EXPECT_EQ(kPersonMembers, Names(ClassNamed(*read, "Person")->GetAllMembers()));
    const std::string data = read->ToText();

    struct Case {
        const char* what;
        std::string dat;    // "-": removed
        std::string idx;    // "-": removed; "": as saved
        const char* reason;
    };
    const std::string idx = indexText.str();
    const Case cases[] = {
        {"the declarations changed after the index was written", data + "\n# edited\n", "", "does not match"},
        {"a new declaration file with the old index (copy cut off)", dict->ToText(), "", "do not belong together"},
        {"the index missing", data, "-", "_objects.idx: cannot be read"},
        {"the declarations missing", "-", "", "_objects.dat: cannot be read"},
        {"an index naming another revision",
         data, "name sample\nrevision 4\nchecksum " + idx.substr(idx.find("checksum ") + 9), "revision 4"},
        {"an index without checksum", data, "name sample\nrevision 3\n", "needs name, revision and checksum"},
        {"an index with an unknown line", data, idx + "size 12\n", "_objects.idx:5: unexpected line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = dir.Path() + "/case";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto write = [&](const char* name, const std::string& text) {
            if (text != "-") std::ofstream(folder + "/" + name, std::ios::binary) << text;
        };
        write("_objects.dat", c.dat);
        write("_objects.idx", c.idx.empty() ? idx : c.idx);
        write("classes.kxd", data);   // never a fallback for a broken pair
        std::unique_ptr<KxClassDict> refused;
        KxString why;
        EXPECT_EQ(KX_DICT_E_SYNTAX, KxClassDict::Load(KxString(folder), refused, &why));
        EXPECT_FALSE(refused);
        EXPECT_NE(std::string::npos, why.ToUtf8().find(c.reason)) << why.ToUtf8();
    }
}

// [schemata\<name>] name names the dictionary's directory (in Windows form too); the root reads it
// before it looks under a server's dictionary path, and refuses a broken pair there.
TEST(DictionaryTest, TheRootReadsADictionaryFromItsSchemataDirectory) {
    TempDir dir;
    auto dict = LoadSample();
    std::filesystem::create_directories(dir.Path() + "/Dicts");
    ASSERT_EQ(0, dict->Save(KxString(dir.Path() + "/Dicts/Sample_3"), KX_DICT_FORM_PAIR));
    ASSERT_EQ(0, setenv("W32_DRIVE_K", dir.Path().c_str(), 1));
    const std::string file = dir.Write("kx.ini", "[schemata\\sample]\nname=K:\\dicts\\sample_3\n"
                                                 "[schemata\\broken]\nname=" + dir.Path() + "/broken\n");
    std::filesystem::create_directories(dir.Path() + "/broken");
    std::ofstream(dir.Path() + "/broken/_objects.dat") << dict->ToText();
    KxParameterList params;
    ASSERT_EQ(0, params.Append("ConfigFile", file));
    ASSERT_EQ(0, InitKelvox(&params));
    KxRoot* root = KxBase::KELVOX();
    KxClassDict* found = nullptr;
    KxString error;
    ASSERT_EQ(0, root->GetDictionary("", "sample", found, &error)) << error.ToUtf8();
    EXPECT_EQ(3, found->GetRevision());
    EXPECT_EQ(0, root->UngetDictionary(found));
    KxClassDict* broken = nullptr;
    EXPECT_EQ(KX_KERNEL_E_VALUE, root->GetDictionary("", "broken", broken, &error));
    EXPECT_EQ(nullptr, broken);
    EXPECT_NE(std::string::npos, error.ToUtf8().find("_objects.idx")) << error.ToUtf8();
    EXPECT_EQ(0, DeinitKelvox());
    unsetenv("W32_DRIVE_K");
}

TEST(DictionaryTest, BadDeclarationsAreRefusedWithTheirLine) {
    struct Case {
        const char* text;
        const char* says;
    };
    const std::string head = "dictionary d\n";
    const Case cases[] = {
        {"class 1.1 A\nmember x ptr:Nobody\n", ":3: unknown class Nobody"},
        {"class 1.1 A bases=B\nclass 2.1 B bases=A\n", "contains itself"},
        {"class 1.1 A embedded\nmember b embedded:B\nclass 2.1 B embedded\nmember a embedded:A\n",
         "contains itself"},
        {"class 1.1 A\nclass 1.1 B\n", ":3: class id 1.1 declared twice"},
        {"member x int\n", ":2: member x outside a class"},
        {"class 1.1 A\nmember x int\nindex I y\n", ":4: index I: no member path y"},
        {"class 1.1 A\nmember x int\nindex I x.y\n", "no member path x.y"},
        {"class 1.1 A\nmember x integer\n", ":3: unknown type integer"},
        {"class 1.x A\n", ":2: class needs"},
        {"class 1.1 A\nmember x int count=0\n", ":3: bad word count=0"},
        {"class 1.1 A\nmember x int\nmember x short\n", "member x declared twice"},
        {"class 1.1 A\nmember s set:A\n", "A is not a set type"},
        {"class 1.1 A embedded\nclass 2.1 B\nmember p ptr:A\n", "A is not persistent"},
        {"typeset 5.1 S embedded:A\n", "unknown type"},
        {"class 1.1 A\nclass 1.2 A\nclass 2.1 B bases=A@3\n", "unknown class version A@3"},
        {"class 1.1 A marks=shiny\n", "unknown mark shiny"},
        {"bogus\n", "unknown declaration bogus"},
        {"class 1.1 \"A B\"\n", "invalid name"},
        {"class 1.1 A\nmember a.b int\n", "invalid member name"},
        // Names that are no identifiers, with the file and line.
        {"class 1.1 \"K'eeper\"\n", "f:2: invalid name"},
        {"class 1.1 A;B\n", "f:2: invalid name"},
        {"class 1.1 A\nmember \"na'me\" int\n", "f:3: invalid member name"},
        {"class 1.1 A\nmember x(y) int\n", "f:3: invalid member name"},
        {"class 1.1 A\nmember x--y int\n", "f:3: invalid member name"},
        {"class 1.1 A\nmember 1x int\n", "f:3: invalid member name"},
        {"class 1.1 A\nmember v int\nindex I/**/ON/**/LOCKS(OID)-- v\n", "f:4: invalid index name"},
        {"class 1.1 A\nmember v int\nindex I;DROP v\n", "f:4: invalid index name"},
        {"objectset 2.1 S'et A\nclass 1.1 A\n", "f:2: invalid name"},
        // The root's name belongs to the root.
        {"class 1.1 KxObject\nmember x int\n", "class name KxObject is reserved"},
        {"update x 1 I\n", "update needs"},
        {"update 2 1 I flags=z\n", "bad update flags"},
        {"class 1.1 A classflags=x\n", "bad class flags"},
        {"class 1.1 A\nobjectset 2.1 S A setkind=256\n", "unknown word setkind=256"},
        {"class 1.1 A\nobjectset 2.1 S A shiny\n", "unknown word shiny"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<KxClassDict> dict;
        KxString error;
        EXPECT_EQ(KX_DICT_E_SYNTAX, KxClassDict::Parse(head + c.text, "f", dict, &error)) << c.text;
        EXPECT_FALSE(dict);
        EXPECT_NE(std::string::npos, error.ToUtf8().find(c.says)) << c.text << " -> " << error.ToUtf8();
    }
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(KX_DICT_E_SYNTAX, KxClassDict::Parse("class 1.1 A\n", "f", dict, &error));
    EXPECT_EQ(KX_DICT_E_SYNTAX, KxClassDict::Parse("# nothing\n", "f", dict, &error));
}

TEST(DictionaryTest, UpdateLogByRevisionSurvivesTheDeclarationText) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    ASSERT_EQ(0, KxClassDict::Parse("dictionary d revision=3\nclass 1.1 A\nmember x int\nindex I x\n"
                                    "update 3 1 I\nupdate 2 1 J flags=4\nupdate 3 1 K flags=0x2\n",
                                    "f", dict, &error))
        << error.ToUtf8();
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<KxUpdateLogEntry> log = dict->GetUpdateLog(3);
        ASSERT_EQ(2u, log.size());
        EXPECT_EQ("I", log[0].indexName.ToUtf8());
        EXPECT_EQ(1u, log[0].flags);
        EXPECT_EQ(1, log[0].classNumber);
        EXPECT_EQ("K", log[1].indexName.ToUtf8());
        EXPECT_EQ(2u, log[1].flags);
        EXPECT_EQ(1u, dict->GetUpdateLog(2).size());
        EXPECT_TRUE(dict->GetUpdateLog(4).empty());
        std::unique_ptr<KxClassDict> again;
        ASSERT_EQ(0, KxClassDict::Parse(dict->ToText(), "text", again, &error)) << error.ToUtf8();
        dict = std::move(again);
    }
}

TEST(DictionaryTest, RootHoldsDictionariesByServerAndName) {
    KxRoot* root = KxBase::KELVOX();
    root->SetDictionaryPath("LOCAL", KxString(KX_SAMPLE_DICT_DIR "/.."));
    KxClassDict* a = nullptr;
    KxClassDict* b = nullptr;
    ASSERT_EQ(0, root->GetDictionary(KxString(), "sample", a));
    ASSERT_EQ(0, root->GetDictionary("local", "sample", b));
    EXPECT_EQ(a, b);
    EXPECT_EQ("sample", a->GetName().ToUtf8());
    // The logical name finds the held dictionary, and the folder once nothing is held.
    KxClassDict* logical = nullptr;
    ASSERT_EQ(0, root->GetDictionary("LOCAL", "Sample dictionary", logical));
    EXPECT_EQ(a, logical);
    EXPECT_EQ(0, root->ReleaseDictionary(logical));
    EXPECT_EQ(0, root->ReleaseDictionary(a));
    EXPECT_EQ(0, root->ReleaseDictionary(b));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->ReleaseDictionary(b));
    ASSERT_EQ(0, root->GetDictionary("LOCAL", "Sample dictionary", logical));
    EXPECT_EQ("sample", logical->GetName().ToUtf8());
    ASSERT_EQ(0, root->GetDictionary("LOCAL", "sample", a));
    EXPECT_EQ(a, logical);
    EXPECT_EQ(0, root->ReleaseDictionary(a));
    EXPECT_EQ(0, root->ReleaseDictionary(logical));
    KxClassDict* none = nullptr;
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->GetDictionary("LOCAL", "missing", none));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->GetDictionary("OTHER", "sample", none));
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->GetDictionary("LOCAL", "../sample", none));
    root->SetDictionaryPath("LOCAL", KxString());

    // The configuration names a server's dictionary directory.
    TempDir dir;
    const std::string file = dir.Write("kx.ini", std::string("[servers\\CFG]\nDictionaryPath=") +
                                                     KX_SAMPLE_DICT_DIR "/..\n");
    KxParameterList params;
    ASSERT_EQ(0, params.Append("ConfigFile", file));
    ASSERT_EQ(0, InitKelvox(&params));
    KxClassDict* configured = nullptr;
    EXPECT_EQ(0, root->GetDictionary("cfg", "sample", configured));
    EXPECT_EQ(0, root->ReleaseDictionary(configured));
    EXPECT_EQ(0, DeinitKelvox());

    // A built dictionary handed to the root; a second one of that name is refused.
    std::unique_ptr<KxClassDict> built;
    ASSERT_EQ(0, KxDictBuilder("mem", "S2").Class(1, 1, "A").Build(built));
    KxClassDict* held = nullptr;
    ASSERT_EQ(0, root->AddDictionary(built, held));
    EXPECT_FALSE(built);
    std::unique_ptr<KxClassDict> twin;
    ASSERT_EQ(0, KxDictBuilder("mem", "s2").Build(twin));
    KxClassDict* dummy = nullptr;
    EXPECT_EQ(KX_KERNEL_E_DUPLICATE, root->AddDictionary(twin, dummy));
    EXPECT_TRUE(twin);

    // The admin takes the dictionary named by its GetDictionaryInfo from the root.
    struct Admin : KxAdmin {
        using KxAdmin::KxAdmin;
        int32_t GetDictionaryInfo(KxString& name, KxString& server, KxDateTime&) override {
            name = "mem";
            server = "S2";
            return 0;
        }
    };
    KxBase base("db");
    {
        Admin admin(&base, 0);
        ASSERT_EQ(0, admin.OpenDictionary());
        EXPECT_EQ(held, admin.GetDictionary());
        admin.CloseDatabase();
        EXPECT_EQ(nullptr, admin.GetDictionary());
    }
    EXPECT_EQ(0, root->ReleaseDictionary(held));   // the last hold
    Admin missing(&base, 0);
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, missing.OpenDictionary());
    EXPECT_FALSE(missing.IsDictionaryOpen());
}

}  // namespace
