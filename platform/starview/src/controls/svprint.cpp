// JobSetup, Printer, PrintDialog and Preview.
#include "svprint.h"

#include <algorithm>
#include <utility>

#include "svcore.h"
#include "svmsgbox.h"

namespace {

// A4 in tenths of a millimetre.
constexpr int32_t kPaperWidth = 2100;
constexpr int32_t kPaperHeight = 2970;
// A printer's pixels per tenths of a millimetre: 4 pixels a millimetre.
constexpr int32_t kPrinterPixels = 2;
constexpr int32_t kPrinterTenths = 5;

// Half away from zero.
int32_t Scaled(int32_t v, int32_t num, int32_t den) {
    const int64_t n = int64_t(v) * num;
    return static_cast<int32_t>(n >= 0 ? (n * 2 + den) / (2 * int64_t(den)) : -((-n * 2 + den) / (2 * int64_t(den))));
}

}  // namespace

// ---- JobSetup ----

JobSetup::JobSetup() : printerName_("Default Printer"), orientation_(ORIENTATION_PORTRAIT) {}
JobSetup::JobSetup(const JobSetup& other) = default;
JobSetup& JobSetup::operator=(const JobSetup& other) = default;
const String& JobSetup::GetPrinterName() const { return printerName_; }
void JobSetup::SetPrinterName(const String& name) { printerName_ = name; }
Orientation JobSetup::GetOrientation() const { return orientation_; }
void JobSetup::SetOrientation(Orientation orientation) { orientation_ = orientation; }

bool JobSetup::operator==(const JobSetup& other) const {
    return printerName_ == other.printerName_ && orientation_ == other.orientation_;
}

bool JobSetup::operator!=(const JobSetup& other) const { return !(*this == other); }

// ---- Printer ----

Printer::Printer() : Printer(JobSetup()) {}

Printer::Printer(const JobSetup& setup) : setup_(setup) { SvSetPrinterScale(kPrinterPixels, kPrinterTenths); }

Printer::~Printer() = default;

const String& Printer::GetName() const { return setup_.GetPrinterName(); }
JobSetup Printer::GetJobSetup() const { return setup_; }
void Printer::SetJobSetup(const JobSetup& setup) { setup_ = setup; }
Orientation Printer::GetOrientation() const { return setup_.GetOrientation(); }
void Printer::SetOrientation(Orientation orientation) { setup_.SetOrientation(orientation); }

void Printer::SvSetPrinterScale(int32_t pixels, int32_t tenthsMm) {
    if (pixels <= 0 || tenthsMm <= 0) return;
    scalePixels_ = pixels;
    scaleTenths_ = tenthsMm;
    SvSetResolution(pixels, tenthsMm);
}

Size Printer::SvPaperTenths() const {
    return GetOrientation() == ORIENTATION_LANDSCAPE ? Size(kPaperHeight, kPaperWidth) : Size(kPaperWidth, kPaperHeight);
}

Size Printer::GetPaperSizePixel() const {
    const Size paper = SvPaperTenths();
    return Size(Scaled(paper.Width(), scalePixels_, scaleTenths_), Scaled(paper.Height(), scalePixels_, scaleTenths_));
}

Size Printer::GetPaperSize() const {
    return GetMapMode().GetMapUnit() == MAP_10TH_MM ? SvPaperTenths() : GetPaperSizePixel();
}

Size Printer::GetOutputSizePixel() const {
    const Size paper = GetPaperSizePixel();
    return Size(std::max(0, paper.Width() - 2 * pageOffsetPixel_.X()),
                std::max(0, paper.Height() - 2 * pageOffsetPixel_.Y()));
}

Size Printer::GetOutputSize() const {
    const Size paper = GetPaperSize();
    const Size offset = PixelToLogic(Size(pageOffsetPixel_.X(), pageOffsetPixel_.Y()));
    return Size(std::max(0, paper.Width() - 2 * offset.Width()), std::max(0, paper.Height() - 2 * offset.Height()));
}

Point Printer::GetPageOffset() const {
    const Size offset = PixelToLogic(Size(pageOffsetPixel_.X(), pageOffsetPixel_.Y()));
    return Point(offset.Width(), offset.Height());
}

void Printer::SvSetPageOffset(const Point& offset) {
    const Size pixels = LogicToPixel(Size(offset.X(), offset.Y()));
    pageOffsetPixel_ = Point(std::max(0, pixels.Width()), std::max(0, pixels.Height()));
}

bool Printer::StartJob(const String& jobName) {
    if (preview_ || active_) return false;
    jobName_ = jobName;
    active_ = true;
    inPage_ = false;
    curPage_ = 0;
    StartPrint();
    return active_;
}

bool Printer::StartPage() {
    if (!active_ || inPage_) return false;
    ++curPage_;
    SvClearPaintLog();
    inPage_ = true;
    return true;
}

bool Printer::EndPage() {
    if (!active_ || !inPage_) return false;
    PrintPage();
    if (!active_ || !inPage_) return false;  // the handler aborted the job
    inPage_ = false;
    const Size size = GetPaperSizePixel();
    std::string text = "page " + std::to_string(curPage_) + " " + svcore::Quote(jobName_) + " size " +
                       std::to_string(size.Width()) + " " + std::to_string(size.Height()) + "\n";
    for (const SvPaintOp& op : GetPaintLog()) text += "  " + op.Line() + "\n";
    svcore::WriteDevicePaintFiles(jobName_ + String("-page") + String(curPage_), text, GetPaintLog(), size);
    return true;
}

bool Printer::EndJob() {
    if (!active_) return false;
    if (inPage_ && !EndPage()) return false;
    active_ = false;
    EndPrint();
    return true;
}

bool Printer::AbortJob() {
    if (!active_) return false;
    active_ = false;
    inPage_ = false;
    SvClearPaintLog();
    EndPrint();
    return true;
}

bool Printer::IsJobActive() const { return active_; }
const String& Printer::GetJobName() const { return jobName_; }
long Printer::GetCurPage() const { return curPage_; }

void Printer::StartPrint() { startPrint_.Call(static_cast<Printer*>(this)); }
void Printer::PrintPage() { printPage_.Call(static_cast<Printer*>(this)); }
void Printer::EndPrint() { endPrint_.Call(static_cast<Printer*>(this)); }
Link Printer::ChangeStartPrintHdl(const Link& link) { return std::exchange(startPrint_, link); }
const Link& Printer::GetStartPrintHdl() const { return startPrint_; }
Link Printer::ChangePrintPageHdl(const Link& link) { return std::exchange(printPage_, link); }
const Link& Printer::GetPrintPageHdl() const { return printPage_; }
Link Printer::ChangeEndPrintHdl(const Link& link) { return std::exchange(endPrint_, link); }
const Link& Printer::GetEndPrintHdl() const { return endPrint_; }
void Printer::SvSetPreview() { preview_ = true; }

// ---- PrintDialog ----

PrintDialog::PrintDialog(Window* parent, WinBits style) : ModalDialog(parent, style) {}

Printer* PrintDialog::ChangePrinter(Printer* printer) { return std::exchange(printer_, printer); }
Printer* PrintDialog::GetPrinter() const { return printer_; }
void PrintDialog::SetFirstPage(long page) { first_ = page; }
long PrintDialog::GetFirstPage() const { return first_; }
void PrintDialog::SetLastPage(long page) { last_ = page; }
long PrintDialog::GetLastPage() const { return last_; }
void PrintDialog::SetMinPage(long page) { min_ = page; }
long PrintDialog::GetMinPage() const { return min_; }
void PrintDialog::SetMaxPage(long page) { max_ = page; }
long PrintDialog::GetMaxPage() const { return max_; }
void PrintDialog::EnableRange(bool enable) { range_ = enable; }
bool PrintDialog::IsRangeEnabled() const { return range_; }

short PrintDialog::Execute() {
    svcore::CheckGuiThread("PrintDialog::Execute");
    svcore::DialogAnswer answer;
    const bool scripted = svcore::ScriptTakeDialogAnswer("print", answer);
    short result = 0;
    if (scripted && !answer.cancel) {
        if (answer.all) {
            first_ = min_;
            last_ = max_;
        } else {
            if (!range_) svcore::ScriptFail(answer.line, "the print dialog has no page range to choose");
            if (answer.first < min_ || answer.last > max_)
                svcore::ScriptFail(answer.line, "the print dialog offers the pages " + std::to_string(min_) + " to " +
                                                    std::to_string(max_));
            first_ = answer.first;
            last_ = answer.last;
        }
        result = 1;
    }
    SvBoxRecord record = svcore::DialogRecord("PrintDialog", *this);
    record.details = "printer=" + svcore::Quote(printer_ != nullptr ? printer_->GetName() : String()) +
                     " pages=" + std::to_string(first_) + "-" + std::to_string(last_) + " of " +
                     std::to_string(min_) + "-" + std::to_string(max_) + (range_ ? "" : " norange");
    record.answer = result;
    record.scripted = scripted;
    svcore::LogBox(record);
    return result;
}

// ---- PrinterSetupDialog ----

PrinterSetupDialog::PrinterSetupDialog(Window* parent, WinBits style) : ModalDialog(parent, style) {}

Printer* PrinterSetupDialog::ChangePrinter(Printer* printer) {
    Printer* old = printer_;
    printer_ = printer;
    return old;
}

Printer* PrinterSetupDialog::GetPrinter() const { return printer_; }

short PrinterSetupDialog::Execute() {
    svcore::CheckGuiThread("PrinterSetupDialog::Execute");
    svcore::DialogAnswer answer;
    const bool scripted = svcore::ScriptTakeDialogAnswer("print", answer);
    short result = 0;
    if (scripted && !answer.cancel) {
        if (!answer.all) svcore::ScriptFail(answer.line, "the printer set-up dialog has no page range to choose");
        result = 1;
    }
    SvBoxRecord record = svcore::DialogRecord("PrinterSetupDialog", *this);
    record.details = "printer=" + svcore::Quote(printer_ != nullptr ? printer_->GetName() : String());
    record.answer = result;
    record.scripted = scripted;
    svcore::LogBox(record);
    return result;
}

// ---- Preview ----

Preview::Preview(Window* parent, const JobSetup& setup)
    : Window(parent, 0), Printer(setup), background_(Color(COL_WHITE)) {
    SvSetPreview();
    SetMapMode(MapMode(MAP_10TH_MM));
    ApplyScale();
}

void Preview::Scale(const Size& window, int32_t& pixels, int32_t& tenthsMm) const {
    if (zoom_.IsValid() && zoom_.GetNumerator() > 0) {
        pixels = kPrinterPixels * zoom_.GetNumerator();
        tenthsMm = kPrinterTenths * zoom_.GetDenominator();
        return;
    }
    const Size paper = SvPaperTenths();
    // The page fitted into the window: by its width when the window is relatively lower.
    if (int64_t(window.Width()) * paper.Height() <= int64_t(window.Height()) * paper.Width()) {
        pixels = window.Width();
        tenthsMm = paper.Width();
    } else {
        pixels = window.Height();
        tenthsMm = paper.Height();
    }
    if (pixels <= 0) {
        pixels = kPrinterPixels;
        tenthsMm = kPrinterTenths;
    }
}

void Preview::ApplyScale() {
    int32_t pixels = 0, tenths = 0;
    Scale(GetSizePixel(), pixels, tenths);
    SvSetPrinterScale(pixels, tenths);
}

void Preview::SetZoom(const Fraction& zoom) {
    zoom_ = zoom;
    ApplyScale();
    Invalidate();
}

const Fraction& Preview::GetZoom() const { return zoom_; }

void Preview::SetCurPage(long page) {
    curPage_ = page;
    Invalidate();
}

void Preview::SetPageOffset(const Point& offset) {
    offset_ = offset;
    SvSetOrigin(offset_);
    Invalidate();
}

const Point& Preview::GetPageOffset() const { return offset_; }

void Preview::SetPageBackground(const Brush& brush) {
    background_ = brush;
    Invalidate();
}

const Brush& Preview::GetPageBackground() const { return background_; }

Size Preview::CalcWindowSizePixel(const Size& box) const {
    int32_t pixels = 0, tenths = 0;
    Scale(box, pixels, tenths);
    const Size paper = SvPaperTenths();
    return Size(std::min(box.Width(), Scaled(paper.Width(), pixels, tenths)),
                std::min(box.Height(), Scaled(paper.Height(), pixels, tenths)));
}

Size Preview::GetPageSize() const { return GetOutputSize(); }

Size Preview::GetVisibleSize() const {
    const Size window = GetSizePixel(), page = GetOutputSizePixel();
    return PixelToLogic(Size(std::min(window.Width(), page.Width()), std::min(window.Height(), page.Height())));
}

Size Preview::GetOutputSizePixel() const { return Printer::GetOutputSizePixel(); }

void Preview::Resize() { ApplyScale(); }

void Preview::Paint(const Rectangle&) {
    ApplyScale();
    Push();
    SvPaintOp page;
    page.kind = SvPaintOp::FILL;
    page.area = Rectangle(LogicToPixel(Point(0, 0)), Printer::GetOutputSizePixel());
    page.brush = background_;
    svcore::WindowData::Record(*this, std::move(page));
    PrintPage();
    Pop();
}
