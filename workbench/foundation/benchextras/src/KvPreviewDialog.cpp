// The print preview dialog: zoom steps, whole and facing pages, paging, scrolling, printing and the
// layout that follows the dialog's size.
#include "KvPreviewDialog.h"

#include <utility>

#include "benchextras_res.h"

namespace {

// The library's own resources.
ResMgr* Resources() {
    static ResMgr own(kResourceFile);
    return &own;
}

ResId Res(uint32_t id) { return ResId(id, Resources()); }

const Fraction kWholePage(0, 1);
const Fraction kQuarter(1, 4);
const Fraction kLargest(16, 1);
const Fraction kSmallest(1, 16);

bool IsWholePage(const Fraction& zoom) { return zoom.GetNumerator() == 0; }

}  // namespace

KvPreviewBox::KvPreviewBox(Window* parent, const ResId& id) : Control(parent, id) {
    ChangeBackgroundBrush(Brush(Color(COL_GRAY), BRUSH_SOLID));
}

KvPreviewDialog::KvPreviewDialog(Window* parent, KvPrintServer* server, JobSetup* setup)
    : ModalDialog(parent, Res(kPreviewDialogRes)),
      vScroll_(this, Res(2)),
      hScroll_(this, Res(3)),
      zoomIn_(this, Res(4)),
      zoomOut_(this, Res(5)),
      normalPage_(this, Res(6)),
      fullPage_(this, Res(7)),
      doublePage_(this, Res(8)),
      prevPage_(this, Res(9)),
      nextPage_(this, Res(10)),
      print_(this, Res(1)),
      cancel_(this, Res(11)),
      box_(this, Res(1)),
      zoom_(kWholePage),
      setup_(setup != nullptr ? *setup : JobSetup()),
      server_(server) {
    FreeResource();
    zoomIn_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, ZoomInHdl));
    zoomOut_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, ZoomOutHdl));
    normalPage_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, NormalPageHdl));
    fullPage_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, FullPageHdl));
    doublePage_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, DoublePageHdl));
    prevPage_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, PrevPageHdl));
    nextPage_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, NextPageHdl));
    print_.ChangeClickHdl(SV_LINK(this, KvPreviewDialog, printHdl));
    vScroll_.ChangeEndScrollHdl(SV_LINK(this, KvPreviewDialog, VScrollEndHdl));
    hScroll_.ChangeEndScrollHdl(SV_LINK(this, KvPreviewDialog, HScrollEndHdl));

    preview_ = new Preview(&box_, setup_);
    preview_->SetPageBackground(Brush(Color(COL_WHITE), BRUSH_SOLID));
    preview_->ChangePrintPageHdl(Link(this, &KvPreviewDialog::LinkStubprintPage));
    preview_->SetZoom(zoom_);
    preview_->SetCurPage(curPage_);
    CalcPreviewSize();
    CheckScrollRange();
    if (server_ != nullptr && server_->getPrintClient() != nullptr) {
        Rectangle area = server_->getDrawArea(preview_, 1);
        pageCount_ = server_->getPrintClient()->getMaxPage(preview_, area);
    }
    print_.Disable();
    preview_->Show();

    const Size dialog = GetOutputSizePixel();
    boxRightDistance_ = dialog.Width() - (box_.GetPosPixel().X() + box_.GetSizePixel().Width());
    boxBottomDistance_ = dialog.Height() - (box_.GetPosPixel().Y() + box_.GetSizePixel().Height());
    cancelRightDistance_ = dialog.Width() - cancel_.GetPosPixel().X();
}

KvPreviewDialog::~KvPreviewDialog() {
    delete facing_;
    delete preview_;
}

Printer* KvPreviewDialog::changePrinter(Printer* printer) {
    if (printer != nullptr) print_.Enable();
    else print_.Disable();
    return std::exchange(printer_, printer);
}

void KvPreviewDialog::setZoom(const Fraction& zoom) {
    if (facing_ != nullptr) facing_->Hide();
    zoom_ = zoom;
    preview_->SetZoom(zoom_);
    CalcPreviewSize();
    CheckScrollRange();
}

SV_IMPL_LINK(KvPreviewDialog, ZoomInHdl, Button*, ) {
    Fraction zoom = IsWholePage(zoom_) ? kQuarter : zoom_ * Fraction(3, 2);
    if (zoom > kLargest) zoom = kLargest;
    setZoom(zoom);
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, ZoomOutHdl, Button*, ) {
    Fraction zoom = IsWholePage(zoom_) ? kQuarter : zoom_ * Fraction(2, 3);
    if (zoom < kSmallest) zoom = kSmallest;
    setZoom(zoom);
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, NormalPageHdl, Button*, ) {
    setZoom(Fraction(1, 1));
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, FullPageHdl, Button*, ) {
    setZoom(kWholePage);
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, DoublePageHdl, Button*, ) {
    zoom_ = kWholePage;
    preview_->SetZoom(zoom_);
    CheckScrollRange();
    if (facing_ == nullptr) {
        facing_ = new Preview(&box_, setup_);
        facing_->SetPageBackground(Brush(Color(COL_WHITE), BRUSH_SOLID));
        facing_->ChangePrintPageHdl(Link(this, &KvPreviewDialog::LinkStubprintPage));
        facing_->SetCurPage(curPage_ + 1);
    }
    facing_->SetZoom(kWholePage);
    facing_->SetPageOffset(Point(0, 0));
    facing_->Show();
    layoutFacingPages();
    return 1;
}

void KvPreviewDialog::layoutFacingPages() {
    const Size box = box_.GetOutputSizePixel();
    const Size half(box.Width() / 2 - 7, box.Height() - 10);
    const Size size = preview_->CalcWindowSizePixel(half);
    const long middle = box.Width() / 2;
    const long y = (box.Height() - size.Height()) / 2;
    preview_->SetPosSizePixel(Point(middle - 2 - size.Width(), y), size);
    facing_->SetPosSizePixel(Point(middle + 2, y), facing_->CalcWindowSizePixel(half));
}

SV_IMPL_LINK(KvPreviewDialog, PrevPageHdl, Button*, ) {
    if (curPage_ <= 1) return 1;
    --curPage_;
    preview_->SetCurPage(curPage_);
    if (facing_ != nullptr) facing_->SetCurPage(curPage_ + 1);
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, NextPageHdl, Button*, ) {
    if (curPage_ >= pageCount_) return 1;
    ++curPage_;
    preview_->SetCurPage(curPage_);
    if (facing_ != nullptr) facing_->SetCurPage(curPage_ + 1);
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, printHdl, Button*, ) {
    if (printer_ == nullptr) return 1;
    KvPrintDialog dialog(this, 4, server_);
    dialog.ChangePrinter(printer_);
    dialog.Execute();
    return 1;
}

void KvPreviewDialog::followScrollBars() {
    offset_ = Point(hScroll_.GetThumbPos(), vScroll_.GetThumbPos());
    preview_->SetPageOffset(offset_);
}

SV_IMPL_LINK(KvPreviewDialog, VScrollEndHdl, ScrollBar*, ) {
    followScrollBars();
    return 1;
}

SV_IMPL_LINK(KvPreviewDialog, HScrollEndHdl, ScrollBar*, ) {
    followScrollBars();
    return 1;
}

// The preview calls its print-page handler as a printer.
long KvPreviewDialog::LinkStubprintPage(void* object, void* caller) {
    auto* preview = dynamic_cast<Preview*>(static_cast<Printer*>(caller));
    return preview != nullptr ? static_cast<KvPreviewDialog*>(object)->printPage(preview) : 0;
}

long KvPreviewDialog::printPage(Preview* preview) {
    if (server_ != nullptr) server_->printPage(preview, preview->GetCurPage());
    return 1;
}

void KvPreviewDialog::CalcPreviewSize() {
    boxSize_ = box_.GetOutputSizePixel();
    const Size size = preview_->CalcWindowSizePixel(boxSize_);
    Point pos(0, 0);
    if (size.Width() < boxSize_.Width()) pos.X() = boxSize_.Width() / 2 - size.Width() / 2;
    if (size.Height() < boxSize_.Height()) pos.Y() = boxSize_.Height() / 2 - size.Height() / 2;
    preview_->SetPosSizePixel(pos, size);
}

void KvPreviewDialog::CheckScrollRange() {
    if (IsWholePage(zoom_)) {
        hScroll_.Hide();
        vScroll_.Hide();
        hScroll_.ChangeThumbPos(0);
        vScroll_.ChangeThumbPos(0);
        offset_ = Point(0, 0);
        preview_->SetPageOffset(offset_);
        return;
    }
    const Size page = preview_->GetPageSize();
    const Size visible = preview_->GetVisibleSize();
    const Size shown = preview_->GetSizePixel();
    const Size box = box_.GetOutputSizePixel();
    const auto place = [](ScrollBar& bar, bool fills, long pageLength, long visibleLength) {
        if (fills) {
            bar.ChangeRange(Range(0, pageLength - visibleLength));
            bar.ChangeLineSize(visibleLength / 10);
            bar.ChangePageSize(visibleLength / 3);
            bar.ChangeThumbPos(bar.GetThumbPos());
            bar.Show();
        } else {
            bar.Hide();
            bar.ChangeThumbPos(0);
        }
    };
    place(hScroll_, shown.Width() >= box.Width(), page.Width(), visible.Width());
    place(vScroll_, shown.Height() >= box.Height(), page.Height(), visible.Height());
    followScrollBars();
}

void KvPreviewDialog::Resize() {
    ModalDialog::Resize();
    if (preview_ == nullptr) return;  // still being built
    const Size dialog = GetOutputSizePixel();
    const Point at = box_.GetPosPixel();
    const Size box(dialog.Width() - boxRightDistance_ - at.X(), dialog.Height() - boxBottomDistance_ - at.Y());
    box_.SetSizePixel(box);
    hScroll_.SetPosSizePixel(Point(at.X(), at.Y() + box.Height()), Size(box.Width(), hScroll_.GetSizePixel().Height()));
    vScroll_.SetPosSizePixel(Point(at.X() + box.Width(), at.Y()), Size(vScroll_.GetSizePixel().Width(), box.Height()));
    for (Window* button : {static_cast<Window*>(&cancel_), static_cast<Window*>(&zoomIn_), static_cast<Window*>(&zoomOut_),
                           static_cast<Window*>(&normalPage_), static_cast<Window*>(&fullPage_),
                           static_cast<Window*>(&doublePage_), static_cast<Window*>(&prevPage_),
                           static_cast<Window*>(&nextPage_), static_cast<Window*>(&print_)})
        button->SetPosPixel(Point(dialog.Width() - cancelRightDistance_, button->GetPosPixel().Y()));
    if (facing_ != nullptr && facing_->IsVisible()) {
        layoutFacingPages();
    } else {
        CalcPreviewSize();
        CheckScrollRange();
    }
}
