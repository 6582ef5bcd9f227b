#include "KvView.h"

#include "KvDialog.h"
#include "KvSubject.h"

namespace {

TableKey Key(const void* p) { return reinterpret_cast<TableKey>(p); }

}  // namespace

KvView* KvView::_focused = nullptr;
KvView* KvView::_lastFocused = nullptr;

KvView::KvView(KvSubject* subject, KvDialog* dialog)
    : subject_(subject), dialog_(dialog), attached_(16, 16), interactor_(nullptr) {
    if (subject_) subject_->addDependent(this);
    if (dialog_) dialog_->addView(this);
}

// A destroyed view is no longer the focused or last focused one, so that whoIsFocused and
// whoWasFocused never answer a destroyed view.
KvView::~KvView() {
    if (subject_) subject_->removeDependent(this);
    if (dialog_) dialog_->removeView(this);
    interactor_ = nullptr;
    if (_focused == this) _focused = nullptr;
    if (_lastFocused == this) _lastFocused = nullptr;
}

void KvView::update(KvAspectSet&, long hint, const KvVerb& verb) { update(hint, verb); }

void KvView::resize(KvDialog*, short, short, short, short) {}

void KvView::resize(KvDialog*) {}

void KvView::show(KvDialog*) {}

void KvView::hide(KvDialog* dialog) { resize(dialog, 0, 0, 0, 0); }

void KvView::getPosAndSize(short& x, short& y, short& width, short& height) {
    x = y = width = height = -1;
}

void KvView::attachView(KvView* view) { attached_.Insert(Key(view), view); }

void KvView::detachView(KvView* view) { attached_.Remove(Key(view)); }

void KvView::postEvent(KvAspectSet& set, const KvVerb& verb) {
    for (uint32_t i = 0; i < attached_.Count(); ++i)
        static_cast<KvView*>(attached_.GetObject(i))->handleEvent(set, this, verb);
}

void KvView::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    if (subject_) subject_->handleEvent(set, from, verb);
}

void KvView::getValue(KvAspectSet&) {}

KvDialog* KvView::getDialog() { return dialog_; }

KvDialog* KvView::changeDialog(KvDialog* dialog) {
    KvDialog* old = dialog_;
    if (old) old->removeView(this);
    dialog_ = dialog;
    if (dialog_) dialog_->addView(this);
    return old;
}

KvSubject* KvView::getSubject() { return subject_; }

KvSubject* KvView::changeSubject(KvSubject* subject) {
    KvSubject* old = subject_;
    if (old) old->removeDependent(this);
    subject_ = subject;
    if (subject_) subject_->addDependent(this);
    update(0, KvVerb(nullptr, nullptr, nullptr, 1));
    return old;
}

KvInteractor* KvView::attachInteractor(KvInteractor* interactor) {
    KvInteractor* old = interactor_;
    interactor_ = interactor;
    return old;
}

KvInteractor* KvView::getAttachedInteractor() const { return interactor_; }

void KvView::dettachInteractor() { interactor_ = nullptr; }

int KvView::getSearchWindowType() const { return 0; }

void KvView::gotFocus() {
    broadcastFocus(*this);
    _focused = this;
    _lastFocused = this;
}

void KvView::lostFocus() {
    if (_focused == this) _focused = nullptr;
    broadcastDefocus(*this);
}

void KvView::haveBeenKilled() {
    if (_lastFocused == this) _lastFocused = nullptr;
}
