#include "KvEqualWidthSplitterArrangement.h"

#include <algorithm>

#include "KvDialog.h"
#include "KvView.h"
#include "KxWOStream.h"
#include "SplitterRow.h"
#include "svconfig.h"
#include "svlink.h"
#include "svwindow.h"

using namespace kvrow;

namespace {

KxWOStream theStream;

const char kGroup[] = "KelvoxView";
const char kKey[] = "KvEqualWidthSplitterArrangementViewWidth";

// One scroll-bar unit is 3 pixels.
constexpr long kPixelsPerUnit = 3;

#define REPORT(message) \
    theStream << "<<< KvEqualWidthSplitterArrangement >>> " << message << " " << __FILE_NAME__ << ":" << __LINE__ << endl

}  // namespace

struct KvEqualWidthSplitterArrangement::Block {
    Container splitters{1024, 16, 16};
    Container views{1024, 16, 16};
    short viewWidth = 0;
    ScrollBar* scrollBar = nullptr;
    Window* scrollWindow = nullptr;
    Window* outer = nullptr;
    Window* savedPaintWindow = nullptr;
    KvEqualWidthSplitterArrangement* owner = nullptr;

    SV_DECL_LINK(ScrollHdl, ScrollBar*);
};

// Only a drag scrolls: to the thumb's position.
SV_IMPL_LINK(KvEqualWidthSplitterArrangement::Block, ScrollHdl, ScrollBar*, bar) {
    if (bar->GetScrollType() == SCROLL_DRAG) owner->scrollTo(bar->GetThumbPos() * kPixelsPerUnit);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// KvEqualWidthSplitter

KvEqualWidthSplitter::KvEqualWidthSplitter(Window* parent, KvEqualWidthSplitterArrangement* arrangement)
    : Splitter(parent, 0x1000), prev_(nullptr), next_(nullptr), arrangement_(arrangement) {}

void KvEqualWidthSplitter::Split() {
    if (arrangement_) arrangement_->splitIt(this);
    else theStream << "KvEqualWidthSplitter::Split : no arrangement set" << endl;
}

// ---------------------------------------------------------------------------------------------
// KvEqualWidthSplitterArrangement

short KvEqualWidthSplitterArrangement::splitterWidth = 5;
short KvEqualWidthSplitterArrangement::initialViewWidth = 100;

KvEqualWidthSplitterArrangement::KvEqualWidthSplitterArrangement() : block_(new Block) {
    block_->owner = this;
    Config config;
    config.SetGroup(kGroup);
    block_->viewWidth = static_cast<short>(config.ReadKey(kKey));
    if (block_->viewWidth == 0) block_->viewWidth = initialViewWidth;
}

KvEqualWidthSplitterArrangement::~KvEqualWidthSplitterArrangement() {
    DeleteSplitters<KvEqualWidthSplitter>(block_->splitters);
    delete block_->scrollBar;
    delete block_->scrollWindow;
    if (dialog_) dialog_->setPaintWindow(block_->savedPaintWindow);
    delete block_;
}

short KvEqualWidthSplitterArrangement::getViewWidth() const { return block_->viewWidth; }

Window* KvEqualWidthSplitterArrangement::paintWindow() { return dialog_ ? dialog_->getPaintWindow() : nullptr; }

KvDialog* KvEqualWidthSplitterArrangement::setDialog(KvDialog* dialog) {
    if (dialog_ && dialog != dialog_) {
        REPORT("setDialog() : cannot change to another dialog, ignored.");
        return dialog_;
    }
    if (dialog == dialog_) return dialog_;
    Block& b = *block_;
    b.outer = dialog->getPaintWindow();
    KvViewArrangement::setDialog(dialog);
    if (b.outer) {
        b.scrollWindow = new Window(b.outer, 0);
        b.scrollBar = new ScrollBar(b.outer, 0x5000);
        b.savedPaintWindow = dialog->setPaintWindow(b.scrollWindow);
        b.scrollWindow->SetPosSizePixel(Point(0, 0), Size(10, 10));
        b.scrollWindow->Show();
        b.scrollWindow->ChangeBackgroundBrush(b.outer->GetBackgroundBrush());
        b.scrollWindow->ChangeFont(b.outer->GetFont());
        b.scrollWindow->ChangeFillInBrush(b.outer->GetFillInBrush());
        b.scrollWindow->ChangeMapMode(b.outer->GetMapMode());
        b.scrollBar->Show();
        b.scrollBar->ChangeRange(Range(0, 0));
        b.scrollBar->ChangeScrollHdl(SV_LINK(block_, Block, ScrollHdl));
    }
    adjust();
    return dialog_;
}

void KvEqualWidthSplitterArrangement::adjust() {
    Block& b = *block_;
    if (b.outer == nullptr) {
        REPORT("cannot adjust, no dialog paint window.");
        return;
    }
    const Size area = b.outer->GetOutputSizePixel();
    long barHeight = 0;
    if (b.scrollBar) {
        barHeight = b.scrollBar->GetSizePixel().Height();
        b.scrollBar->SetPosSizePixel(Point(0, area.Height() - barHeight), Size(area.Width(), barHeight));
    } else {
        REPORT("cannot adjust srollbar.");
    }
    if (b.scrollWindow && b.scrollBar) {
        const long width = std::max<long>(b.scrollWindow->GetSizePixel().Width(), area.Width());
        b.scrollWindow->SetPosSizePixel(Point(0, 0), Size(width, area.Height() - barHeight));
    } else {
        REPORT("cannot adjust paint window.");
    }
}

void KvEqualWidthSplitterArrangement::scrollTo(long pixel) {
    Block& b = *block_;
    if (b.scrollWindow) b.scrollWindow->SetPosPixel(Point(-pixel, 0));
    if (b.scrollBar) b.scrollBar->ChangeThumbPos(pixel / kPixelsPerUnit);
}

void KvEqualWidthSplitterArrangement::addView(KvView* view) {
    Window* paint = paintWindow();
    if (paint == nullptr || view == nullptr) return;
    Block& b = *block_;
    if (b.views.Count() > 0) {
        KvView* prev = ViewAt(b.views, b.views.Count() - 1);
        auto* s = new KvEqualWidthSplitter(paint, this);
        s->setNextView(view);
        s->setPrevView(prev);
        short x, y, w, h;
        prev->getPosAndSize(x, y, w, h);
        prev->resize(dialog_, x, y, b.viewWidth, h);
        const Size area = paint->GetOutputSizePixel();
        s->SetPosSizePixel(Point(x + b.viewWidth, 0), Size(splitterWidth, area.Height()));
        s->SetDragRectPixel(DragRect(area));
        s->Show();
        b.splitters.Insert(s, CONTAINER_APPEND);
        scrollTo(x);
    }
    b.views.Insert(view, CONTAINER_APPEND);
    rearrange();
}

void KvEqualWidthSplitterArrangement::removeView(KvView* view) {
    if (paintWindow() == nullptr) return;
    RemoveFromRow<KvEqualWidthSplitter>(block_->views, block_->splitters, view);
    rearrange();
}

void KvEqualWidthSplitterArrangement::rearrange() {
    Window* paint = paintWindow();
    if (paint == nullptr) return;
    Block& b = *block_;
    const Size area = paint->GetOutputSizePixel();
    long x = 0;
    for (uint32_t i = 0; i < b.views.Count(); ++i) {
        ViewAt(b.views, i)->resize(dialog_, static_cast<short>(x), 0, b.viewWidth, static_cast<short>(area.Height()));
        x += b.viewWidth;
        if (i < b.splitters.Count()) {
            Splitter* s = static_cast<KvEqualWidthSplitter*>(b.splitters.GetObject(i));
            FitSplitter(s, area, x);
            x += s->GetSizePixel().Width();
        }
    }
    if (b.views.Count() == 0) return;
    KvView* last = ViewAt(b.views, b.views.Count() - 1);
    short lx, ly, lw, lh;
    last->getPosAndSize(lx, ly, lw, lh);
    const long right = lx + lw;
    if (right > area.Width()) {
        paint->SetOutputSizePixel(Size(right, area.Height()));
        if (b.scrollBar) b.scrollBar->ChangeRange(Range(0, static_cast<int32_t>(right / kPixelsPerUnit)));
    } else {
        paint->SetOutputSizePixel(area);
        if (b.scrollBar) b.scrollBar->ChangeRange(Range(0, static_cast<int32_t>(area.Width() / kPixelsPerUnit)));
    }
    if (right < area.Width()) last->resize(dialog_, lx, ly, static_cast<short>(area.Width() - lx), lh);
}

void KvEqualWidthSplitterArrangement::resize() {
    Window* paint = paintWindow();
    if (paint == nullptr) return;
    adjust();
    Block& b = *block_;
    const Size area = paint->GetOutputSizePixel();
    for (uint32_t i = 0; i < b.views.Count(); ++i) {
        KvView* v = ViewAt(b.views, i);
        short x, y, w, h;
        v->getPosAndSize(x, y, w, h);
        v->resize(dialog_, x, y, w, static_cast<short>(area.Height()));
    }
    for (uint32_t i = 0; i < b.splitters.Count(); ++i)
        FitSplitter(static_cast<KvEqualWidthSplitter*>(b.splitters.GetObject(i)), area);
}

void KvEqualWidthSplitterArrangement::splitIt(KvEqualWidthSplitter* splitter) {
    const long delta = splitter->GetSplitPosPixel() - splitter->GetPosPixel().X();
    if (block_->viewWidth + delta <= 0) return;
    block_->viewWidth = static_cast<short>(block_->viewWidth + delta);
    rearrange();
    Config config;
    config.SetGroup(kGroup);
    config.WriteKey(kKey, String(static_cast<int>(block_->viewWidth)));
}
