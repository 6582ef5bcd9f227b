#include "KvDualViewSplitterArrangement.h"

#include "KvDialog.h"
#include "KvView.h"
#include "KxWOStream.h"
#include "SplitterRow.h"
#include "svwindow.h"

namespace {

KxWOStream theStream;

}  // namespace

struct KvDualViewSplitterArrangement::Block {
    KvDualViewSplitter* splitter = nullptr;
    KvView* first = nullptr;
    KvView* second = nullptr;
    KvDualViewSplitterArrangement* owner = nullptr;
    Window* paintWindow = nullptr;
};

KvDualViewSplitter::KvDualViewSplitter(Window* parent, KvDualViewSplitterArrangement* arrangement)
    : Splitter(parent, 0x1000), arrangement_(arrangement) {}

void KvDualViewSplitter::Split() {
    if (arrangement_) arrangement_->splitIt(this);
    else theStream << "KvDualViewSplitter::Split : no arrangement set" << endl;
}

short KvDualViewSplitterArrangement::splitterWidth = 5;

KvDualViewSplitterArrangement::KvDualViewSplitterArrangement() : block_(new Block) { block_->owner = this; }

KvDualViewSplitterArrangement::~KvDualViewSplitterArrangement() {
    delete block_->splitter;
    delete block_;
}

KvDialog* KvDualViewSplitterArrangement::setDialog(KvDialog* dialog) {
    if (dialog_ && dialog != dialog_) {
        theStream << "<<< KvDualViewSplitterArrangement >>> "
                  << "setDialog() : cannot change to another dialog, ignored."
                  << " " << __FILE_NAME__ << ":" << __LINE__ << endl;
        return dialog_;
    }
    if (dialog != dialog_ && dialog != nullptr) {
        KvViewArrangement::setDialog(dialog);
        Block& b = *block_;
        b.paintWindow = dialog->getPaintWindow();
        if (b.paintWindow) {  // no window, no splitter
            const Size area = b.paintWindow->GetOutputSizePixel();
            b.splitter = new KvDualViewSplitter(b.paintWindow, this);
            b.splitter->SetPosSizePixel(Point(area.Width() / 2, 0), Size(splitterWidth, area.Height()));
            b.splitter->Show();
        }
    }
    rearrange();
    return dialog_;
}

void KvDualViewSplitterArrangement::addView(KvView* view) {
    if (block_->first == nullptr) block_->first = view;
    else if (block_->second == nullptr) block_->second = view;
    rearrange();
}

void KvDualViewSplitterArrangement::removeView(KvView* view) {
    if (block_->first == view) block_->first = nullptr;
    if (block_->second == view) block_->second = nullptr;
    rearrange();
}

void KvDualViewSplitterArrangement::resize() { rearrange(); }

void KvDualViewSplitterArrangement::rearrange() {
    Block& b = *block_;
    if (b.paintWindow == nullptr) return;
    const Size area = b.paintWindow->GetOutputSizePixel();
    const short height = static_cast<short>(area.Height());
    if (b.splitter == nullptr) return;
    kvrow::FitSplitter(b.splitter, area);
    const long splitX = b.splitter->GetPosPixel().X();
    if (b.first) b.first->resize(dialog_, 0, 0, static_cast<short>(splitX), height);
    if (b.second) {
        const long border = splitX + b.splitter->GetSizePixel().Width();
        b.second->resize(dialog_, static_cast<short>(border), 0, static_cast<short>(area.Width() - border), height);
    }
}

void KvDualViewSplitterArrangement::splitIt(KvDualViewSplitter* splitter) {
    splitter->SetPosPixel(Point(splitter->GetSplitPosPixel(), splitter->GetPosPixel().Y()));
    rearrange();
}
