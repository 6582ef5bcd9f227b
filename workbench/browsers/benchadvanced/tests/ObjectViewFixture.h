// The database of the browser tests with a dialog for the object views and an item to show: "pen",
// count 7, scores 1 2 3, an owner "ann" and two parts of sizes 10 and 11, stored.
#pragma once

#include <memory>
#include <string>

#include "BrowserFixture.h"
#include "KxGenericObjectSubjects.h"
#include "KxObject.h"
#include "ViewTestSupport.h"

namespace viewtest {

template <class View>
class ObjectViewFixture : public browsertest::KernelFixture {
protected:
    explicit ObjectViewFixture(const char* title) : title_(title) {}
    void SetUp() override {
        KernelFixture::SetUp();
        SvSetScript("", "view.sv");
        dialog_ = MakeDialog(title_);
    }
    void TearDown() override {
        view_.reset();
        subject_.reset();
        dialog_.reset();
        SvTakeBoxLog();
        KernelFixture::TearDown();
    }
    KxObject* MakeItem() {
        KxObject* item = Make("Item");
        Set(item, "name", 11, KxString("pen"));
        Set(item, "count", 2, int32_t(7));
        int16_t* scores = reinterpret_cast<int16_t*>(Address(item, "scores"));
        scores[0] = 1, scores[1] = 2, scores[2] = 3;
        owner_ = Make("Owner");
        Set(owner_, "name", 11, KxString("ann"));
        EXPECT_EQ(0, owner_->Store());
        item->SetPointer(*item->GetMetaClass()->FindMember("owner"), owner_);
        KxObjectSet* parts = nullptr;
        KxMemberAccessor accessor(item->GetMetaClass(), "parts");
        EXPECT_EQ(0, accessor.Of(item));
        EXPECT_EQ(0, accessor.Get(parts));
        for (int i = 0; i < 2; ++i) {
            KxObject* part = Make("Part");
            Set(part, "size", 2, int32_t(10 + i));
            EXPECT_EQ(0, parts->Add(part));
        }
        EXPECT_EQ(0, item->Store(3));
        return item;
    }
    // A view with the further arguments on a subject of the object, shown in the dialog.
    template <class... Args>
    View& Show(KxObject* object, Args... args) {
        subject_ = std::make_unique<KxGenericObjectSubject>(object, nullptr);
        view_ = std::make_unique<View>(subject_.get(), dialog_.get(), args...);
        view_->show(dialog_.get());
        dialog_->Update();
        return *view_;
    }
    Lines Items() { return viewtest::Items(*view_->getOutliner()); }
    // The object id's text, as the aspect editor reads it.
    static std::string IdText(KxObject* object) {
        KxString text;
        object->GetObjId().PrintToKxString(text);
        return text.ToUtf8();
    }

    const char* title_;
    std::unique_ptr<KvAppWindowDialog> dialog_;
    std::unique_ptr<KxGenericObjectSubject> subject_;
    std::unique_ptr<View> view_;
    KxObject* owner_ = nullptr;
};

}  // namespace viewtest
