// The dictionary the browser tests describe: embedded, persistent and "_persistent" classes, members
// of every kind (values, arrays, embedded objects, pointers, on-demand references, object, on-demand,
// type and class sets, members kept in memory only, transient members) and index definitions; and
// a capture of the library's diagnostic lines.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvView.h"
#include "KxBase.h"
#include "KxClassDict.h"
#include "KxClient.h"
#include "KxObject.h"
#include "KxRoot.h"
#include "KxTestHooks.h"
#include "NativeSupport.h"
#include "w32test.h"

namespace browsertest {

inline const char kDictionary[] = R"(dictionary browse server=LOCAL logical=browse revision=1
class 1.1 Spot embedded form=struct
member x int
member y int
class 2.1 Named
member name string
class 3.1 Item bases=Named
member count int
member weight double
member scores short count=3
member spot embedded:Spot
member owner ptr:Owner
member next ondemand:Item
member parts set:PartSet
member tags set:TagSet
member spots set:SpotSet
member refs set:ItemRefs
member cache int kind=2
member note string transient
index ItemBySpot spot.x,name
class 4.1 Owner
member name string
class 5.1 Part
member name string
member size int
class 6.1 Other
member label string
class 7.3 Ledger classflags=4
member total int
class 8.1 Both bases=Named,Item
member extra int
objectset 900.1 PartSet Part
typeset 901.1 TagSet string
classset 902.1 SpotSet Spot
ondemandset 903.1 ItemRefs Item
objectset 904.1 PartCSet Part setkind=1 byptr
objectset 906.1 AnySet KxObject
typeset 905.1 OddSet int setkind=9
)";

inline std::unique_ptr<KxClassDict> ParseDictionary(const char* text = kDictionary) {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Parse(text, "browse", dict, &error)) << error.ToUtf8();
    return dict;
}

// Collects the debugger output (the library's diagnostic lines) while it lives.
class DiagnosticCapture {
public:
    DiagnosticCapture() {
        w32test::SetDebugOutputHook([this](const std::string& text) { text_ += text; });
    }
    ~DiagnosticCapture() { w32test::SetDebugOutputHook(nullptr); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
    const std::string& Text() const { return text_; }
    bool Has(const std::string& part) const { return text_.find(part) != std::string::npos; }

private:
    std::string text_;
};

// A database "browse" of the kernel's own storage on the dictionary above (or the one a fixture
// names), open while the fixture lives, with helpers that make and fill objects.
class KernelFixture : public ::testing::Test {
protected:
    virtual const char* dictionaryText() const { return kDictionary; }
    void SetUp() override {
        dict_ = ParseDictionary(dictionaryText());
        ASSERT_NE(nullptr, dict_);
        site_.AddDictionary(*dict_);
        site_.AddDatabase("browse");
        ASSERT_EQ(0, kxntest::Start(site_.Config()));
        ASSERT_EQ(0, kxntest::CreateDatabase("browse", dict_->GetName().ToUtf8()));
        base_ = std::make_unique<KxBase>(KxString("browse"));
        ASSERT_EQ(0, base_->Connect(KxString("NATIVE")));
        ASSERT_EQ(0, base_->Open(0));
    }
    void TearDown() override {
        KxHookClear();
        for (KxObject* object : made_) object->Forget();
        made_.clear();
        if (base_) base_->Close();
        base_.reset();
        while (KxBase::KELVOX()->GetInitCount() > 0) DeinitKelvox();
    }

    const KxMetaClass* Class(const char* name) {
        return base_->GetDictionary()->FindByName(KxString(name))->AsClass();
    }
    // A new object of the class, held by the fixture until the test ends.
    KxObject* Make(const char* className) {
        KxObject* object = KxObject::Make(base_.get(), KxString(className));
        EXPECT_NE(nullptr, object) << className;
        if (object != nullptr) made_.push_back(object);
        return object;
    }
    template <class T>
    void Set(KxObject* object, const char* member, int32_t typeId, T value) {
        KxMemberAccessor accessor(object->GetMetaClass(), member);
        ASSERT_EQ(0, accessor.Of(object));
        ASSERT_EQ(0, accessor.SetValue(typeId, &value)) << member;
    }
    template <class T>
    T Get(KxObject* object, const char* member, int32_t typeId) {
        KxMemberAccessor accessor(object->GetMetaClass(), member);
        T value{};
        EXPECT_EQ(0, accessor.Of(object));
        EXPECT_EQ(0, accessor.GetValue(typeId, &value)) << member;
        return value;
    }
    uint8_t* Address(KxObject* object, const char* member) {
        return object->MemberAddress(*object->GetMetaClass()->FindMember(KxString(member)));
    }

    kxntest::Site site_;
    std::unique_ptr<KxClassDict> dict_;
    std::unique_ptr<KxBase> base_;
    std::vector<KxObject*> made_;
};

// A view that counts the updates its subject sends.
class CountingView : public KvView {
public:
    explicit CountingView(KvSubject* subject) : KvView(subject, nullptr) {}
    using KvView::update;
    void update(long hint, const KvVerb& verb) override {
        ++updates;
        lastHint = hint;
        lastVerb = verb.getVerb() != nullptr ? verb.getVerb() : "";
    }
    int updates = 0;
    long lastHint = -1;
    std::string lastVerb;
};

}  // namespace browsertest
