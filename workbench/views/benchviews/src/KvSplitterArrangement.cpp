#include "KvSplitterArrangement.h"

#include <algorithm>

#include "KvDialog.h"
#include "KvView.h"
#include "KxWOStream.h"
#include "SplitterRow.h"
#include "svwindow.h"

using namespace kvrow;

namespace {

KxWOStream theStream;

TableKey Key(const void* p) { return reinterpret_cast<TableKey>(p); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// KvVerticalViewArrangement

void KvVerticalViewArrangement::addView(KvView* view) {
    if (view == nullptr) return;
    views_.Insert(Key(view), view);
    rearrange();
}

void KvVerticalViewArrangement::removeView(KvView* view) {
    if (view == nullptr) return;
    views_.Remove(Key(view));
    rearrange();
}

void KvVerticalViewArrangement::resize() {}

void KvVerticalViewArrangement::rearrange() {
    short maxW = 0;
    long sumH = 0;
    for (uint32_t i = 0; i < views_.Count(); ++i) {
        short x, y, w, h;
        static_cast<KvView*>(views_.GetObject(i))->getPosAndSize(x, y, w, h);
        maxW = std::max(maxW, w);
        sumH += h;
    }
    long y = 0;
    for (uint32_t i = 0; i < views_.Count(); ++i) {
        KvView* v = static_cast<KvView*>(views_.GetObject(i));
        short vx, vy, w, h;
        v->getPosAndSize(vx, vy, w, h);
        v->resize(dialog_, 0, static_cast<short>(y), maxW, h);
        y += h;
    }
    if (dialog_ && dialog_->getDialogWindow())
        dialog_->getDialogWindow()->SetOutputSizePixel(Size(maxW, sumH));
}

// ---------------------------------------------------------------------------------------------
// KvSplitter

KvSplitter::KvSplitter(Window* parent, KvSplitterArrangement* arrangement)
    : Splitter(parent, 0x1000), prev_(nullptr), next_(nullptr), arrangement_(arrangement) {}

void KvSplitter::Split() {
    if (arrangement_) arrangement_->splitIt(this);
    else theStream << "KvSplitter::Split : no arrangement set" << endl;
}

// ---------------------------------------------------------------------------------------------
// KvSplitterArrangement

int KvSplitterArrangement::splitterWidth = 5;

KvSplitterArrangement::KvSplitterArrangement() : splitters_(1024, 16, 16), views_(1024, 16, 16) {}

KvSplitterArrangement::~KvSplitterArrangement() { DeleteSplitters<KvSplitter>(splitters_); }

Window* KvSplitterArrangement::paintWindow() { return dialog_ ? dialog_->getPaintWindow() : nullptr; }

// Without a paint window there is nowhere to put a splitter: the view is not taken.
void KvSplitterArrangement::addView(KvView* view) {
    Window* paint = paintWindow();
    if (view == nullptr || paint == nullptr) return;
    if (views_.Count() > 0) {
        KvSplitter* s = new KvSplitter(paint, this);
        s->SetSizePixel(Size(splitterWidth, s->GetSizePixel().Height()));
        s->setPrevView(ViewAt(views_, views_.Count() - 1));
        s->setNextView(view);
        splitters_.Insert(s, CONTAINER_APPEND);
        s->Show();
    }
    views_.Insert(view, CONTAINER_APPEND);
    rearrange();
}

void KvSplitterArrangement::removeView(KvView* view) {
    if (paintWindow() == nullptr) return;
    RemoveFromRow<KvSplitter>(views_, splitters_, view);
    rearrange();
}

void KvSplitterArrangement::rearrange() {
    Window* paint = paintWindow();
    if (paint == nullptr || views_.Count() == 0) return;
    const Size area = paint->GetOutputSizePixel();
    long x = 0;
    for (uint32_t i = 0; i < views_.Count(); ++i) {
        KvView* v = ViewAt(views_, i);
        v->show(dialog_);
        short vx, vy, w, h;
        v->getPosAndSize(vx, vy, w, h);
        v->resize(dialog_, static_cast<short>(x), 0, w, static_cast<short>(area.Height()));
        x += w;
        if (i < splitters_.Count()) {
            Splitter* s = static_cast<KvSplitter*>(splitters_.GetObject(i));
            FitSplitter(s, area, x);
            x += s->GetSizePixel().Width();
        }
    }
    StretchToRight(ViewAt(views_, views_.Count() - 1), dialog_, area.Width());
}

void KvSplitterArrangement::resize() {
    Window* paint = paintWindow();
    if (paint == nullptr || views_.Count() == 0) return;
    const Size area = paint->GetOutputSizePixel();
    for (uint32_t i = 0; i < views_.Count(); ++i) {
        KvView* v = ViewAt(views_, i);
        short x, y, w, h;
        v->getPosAndSize(x, y, w, h);
        v->resize(dialog_, x, y, w, static_cast<short>(area.Height()));
    }
    for (uint32_t i = 0; i < splitters_.Count(); ++i) FitSplitter(static_cast<KvSplitter*>(splitters_.GetObject(i)), area);
    StretchToRight(ViewAt(views_, views_.Count() - 1), dialog_, area.Width());
}

void KvSplitterArrangement::splitIt(KvSplitter* splitter) {
    Window* paint = paintWindow();
    const uint32_t first = splitters_.GetPos(splitter);
    if (paint == nullptr || first == CONTAINER_ENTRY_NOTFOUND) return;
    const long delta = splitter->GetSplitPosPixel() - splitter->GetPosPixel().X();
    short x, y, w, h;
    if (KvView* prev = splitter->getPrevView()) {
        prev->getPosAndSize(x, y, w, h);
        prev->resize(dialog_, x, y, static_cast<short>(w + delta), h);
    }
    for (uint32_t i = first; i < splitters_.Count(); ++i) {
        KvSplitter* s = static_cast<KvSplitter*>(splitters_.GetObject(i));
        if (KvView* next = s->getNextView()) {
            next->getPosAndSize(x, y, w, h);
            if (!AllZero(x, y, w, h)) next->resize(dialog_, static_cast<short>(x + delta), y, w, h);
        }
        s->SetPosPixel(Point(s->GetPosPixel().X() + delta, s->GetPosPixel().Y()));
    }
    KvSplitter* last = static_cast<KvSplitter*>(splitters_.GetObject(splitters_.Count() - 1));
    if (last->getNextView()) StretchToRight(last->getNextView(), dialog_, paint->GetOutputSizePixel().Width());
}
