#include "KvCompoundView.h"

#include <vector>

#include "svwindow.h"

KvCompoundView::KvCompoundView(KvSubject* subject, KvDialog* outer)
    : KvDialog(), KvView(subject, outer), x_(0), y_(0), width_(0), height_(0) {}

KvCompoundView::~KvCompoundView() = default;

Window* KvCompoundView::getPaintWindow() {
    KvDialog* outer = KvView::getDialog();
    return outer ? outer->getPaintWindow() : nullptr;
}

SysWin* KvCompoundView::getDialogWindow() {
    KvDialog* outer = KvView::getDialog();
    return outer ? outer->getDialogWindow() : nullptr;
}

void KvCompoundView::Resize() { KvDialog::resize(); }

// Over a snapshot of the inner views, so that one leaving meanwhile does not upset the walk.
template <class F>
void KvCompoundView::forEachInner(F f) {
    std::vector<KvView*> inner;
    const Table& views = getViews();
    for (uint32_t i = 0; i < views.Count(); ++i) inner.push_back(static_cast<KvView*>(views.GetObject(i)));
    for (KvView* v : inner)
        if (views.IsKeyValid(reinterpret_cast<TableKey>(v))) f(v);
}

void KvCompoundView::update(long hint, const KvVerb& verb) {
    forEachInner([&](KvView* v) { v->update(hint, verb); });
}

void KvCompoundView::resize(KvDialog* dialog, short x, short y, short width, short height) {
    x_ = x, y_ = y, width_ = width, height_ = height;
    forEachInner([&](KvView* v) { v->resize(dialog, x, y, width, height); });
}

void KvCompoundView::resize(KvDialog* dialog) {
    if (dialog) {
        if (Window* paint = dialog->getPaintWindow()) {
            const Point pos = paint->GetPosPixel();
            const Size size = paint->GetOutputSizePixel();
            x_ = static_cast<short>(pos.X());
            y_ = static_cast<short>(pos.Y());
            width_ = static_cast<short>(size.Width());
            height_ = static_cast<short>(size.Height());
        }
    }
    forEachInner([&](KvView* v) { v->resize(dialog); });
}

void KvCompoundView::show(KvDialog* dialog) {
    forEachInner([&](KvView* v) { v->show(dialog); });
}

void KvCompoundView::getPosAndSize(short& x, short& y, short& width, short& height) {
    x = x_, y = y_, width = width_, height = height_;
}

void KvCompoundView::postEvent(KvAspectSet& set, const KvVerb& verb) {
    forEachInner([&](KvView* v) { v->postEvent(set, verb); });
}

void KvCompoundView::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) {
    forEachInner([&](KvView* v) { v->handleEvent(set, from, verb); });
}

void KvCompoundView::getValue(KvAspectSet&) {}

KvCompoundControlView::KvCompoundControlView(KvSubject* subject, KvDialog* outer, Control* control)
    : KvCompoundView(subject, outer), control_(control) {}

KvCompoundControlView::~KvCompoundControlView() { control_ = nullptr; }

Window* KvCompoundControlView::getPaintWindow() { return control_; }
