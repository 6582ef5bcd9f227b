#include "KvDialog.h"

#include "KvView.h"
#include "KvViewArrangement.h"

namespace {

TableKey Key(const void* p) { return reinterpret_cast<TableKey>(p); }

}  // namespace

KvDialog::KvDialog() : views_(16, 16), arrangement_(nullptr), paintWindow_(nullptr) {}

// By the time this runs the window kind's own operations are gone, so the arrangement is put
// aside before the remaining views are deleted (it would ask for the paint window); the window
// kinds delete their views earlier, in endDialog.
KvDialog::~KvDialog() {
    KvViewArrangement* arrangement = arrangement_;
    arrangement_ = nullptr;
    deleteDependentViews();
    delete arrangement;
}

void KvDialog::endDialog() { deleteDependentViews(); }

void KvDialog::addView(KvView* view) {
    views_.Insert(Key(view), view);
    if (arrangement_) arrangement_->addView(view);
}

void KvDialog::removeView(KvView* view) {
    views_.Remove(Key(view));
    if (arrangement_) arrangement_->removeView(view);
}

Window* KvDialog::setPaintWindow(Window* window) {
    Window* old = paintWindow_;
    paintWindow_ = window;
    return old;
}

void KvDialog::resize() {
    if (arrangement_) {
        arrangement_->resize();
        return;
    }
    for (uint32_t i = 0; i < views_.Count(); ++i) static_cast<KvView*>(views_.GetObject(i))->resize(this);
}

KvViewArrangement* KvDialog::setArrangement(KvViewArrangement* arrangement) {
    KvViewArrangement* old = arrangement_;
    arrangement_ = arrangement;
    if (arrangement_) arrangement_->setDialog(this);
    return old;
}

// Each view's destructor takes it out of the table.
void KvDialog::deleteDependentViews() {
    while (views_.Count() > 0) {
        KvView* view = static_cast<KvView*>(views_.GetObject(0));
        const uint32_t before = views_.Count();
        delete view;
        if (views_.Count() == before) views_.Remove(Key(view));  // a view that named another dialog
    }
}
