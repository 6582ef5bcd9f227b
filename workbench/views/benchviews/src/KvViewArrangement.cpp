#include "KvViewArrangement.h"

#include "KvDialog.h"

KvViewArrangement::KvViewArrangement() : dialog_(nullptr), views_(16, 16) {}

KvViewArrangement::~KvViewArrangement() = default;

KvDialog* KvViewArrangement::setDialog(KvDialog* dialog) {
    KvDialog* old = dialog_;
    dialog_ = dialog;
    if (dialog_) views_ = dialog_->getViews();
    return old;
}

KvDialog* KvViewArrangement::getDialog() { return dialog_; }
void KvViewArrangement::addView(KvView*) {}
void KvViewArrangement::removeView(KvView*) {}
void KvViewArrangement::resize() {}
void KvViewArrangement::rearrange() {}
