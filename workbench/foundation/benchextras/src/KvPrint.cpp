// The print server's page frame, the print client, the print dialog and the progress dialog.
#include "KvPrint.h"

#include <KxDateTime.h>
#include <KxTypeMgr.h>

#include <utility>

#include "benchextras_res.h"

namespace {

// Margins in tenths of a millimetre: 375 at the long sides' ends, 300 at the others (portrait:
// left and right 375, top and bottom 300).
constexpr long kSideMargin = 375;
constexpr long kEndMargin = 300;
constexpr long kFontHeight = 30;

String Text(const KxString& text) { return String(text.StrGet()); }

}  // namespace

KvPageSetup::~KvPageSetup() = default;

// ---- KvPrintClient ----

KvPrintClient::~KvPrintClient() = default;
long KvPrintClient::getMaxPage(OutputDevice*, Rectangle&) { return 0; }
void KvPrintClient::printContent(OutputDevice*, Rectangle&, long) {}

// ---- KvPrintServer ----

KvPrintServer::KvPrintServer() : font_(String("Helvetica"), Size(0, kFontHeight)) {
    font_.ChangeFamily(FAMILY_SWISS);
    font_.ChangePitch(PITCH_VARIABLE);
}

KvPrintServer::KvPrintServer(const KvPrintServer& other) = default;
KvPrintServer& KvPrintServer::operator=(const KvPrintServer& other) = default;
KvPrintServer::~KvPrintServer() = default;

KvPrintClient* KvPrintServer::changePrintClient(KvPrintClient* client) { return std::exchange(client_, client); }
KvPrintClient* KvPrintServer::getPrintClient() const { return client_; }
const KvPageSetup& KvPrintServer::getPageSetup() const { return pageSetup_; }

KvPageSetup KvPrintServer::changePageSetup(KvPageSetup& setup) {
    pageSetup_ = setup;
    return KvPageSetup();
}

Font KvPrintServer::changeFont(Font& font) {
    font.ChangeSize(Size(0, kFontHeight));
    return std::exchange(font_, font);
}

void KvPrintServer::setPrintJobName(KxString& name) { jobName_ = name; }
const KxString& KvPrintServer::getPrintJobName() const { return jobName_; }

Rectangle KvPrintServer::getDrawArea(Printer* printer, long) {
    if (printer == nullptr) return Rectangle();
    printer->Push();
    printer->SetMapMode(MapMode(MAP_10TH_MM));
    const Point offset = printer->GetPageOffset();
    const Size size = printer->GetOutputSize();
    printer->Pop();
    const bool landscape = printer->GetOrientation() == ORIENTATION_LANDSCAPE;
    const long horizontal = landscape ? kEndMargin : kSideMargin;
    const long vertical = landscape ? kSideMargin : kEndMargin;
    return Rectangle(horizontal - offset.X(), vertical - offset.Y(), offset.X() + size.Width() - horizontal,
                     offset.Y() + size.Height() - vertical);
}

void KvPrintServer::printPage(Printer* printer, long page) {
    if (printer == nullptr) return;
    printer->Push();
    printer->SetMapMode(MapMode(MAP_10TH_MM));
    printFrame(printer, drawRect_, page);
    printContent(printer, drawRect_, page);
    printer->Pop();
}

void KvPrintServer::printFrame(Printer* printer, Rectangle& rect, long page) {
    if (printer == nullptr) return;
    rect = getDrawArea(printer, page);
    const Size size = printer->GetOutputSize();
    const long width = size.Width(), height = size.Height();
    const long bottomMargin = height - rect.Bottom();
    const long rightMargin = width - rect.Right();
    const Font kept = printer->ChangeFont(font_);

    const String number(page);
    const Size numberSize = printer->GetTextSize(number);
    const long y = height - numberSize.Height() / 2 - bottomMargin / 2;
    printer->DrawText(Point(width / 2 - numberSize.Width() / 2, y), number);
    printer->DrawText(Point(rect.Left(), y), Text(jobName_));

    // The date of the print, ending at the right margin.
    const KxDate today = KxDate::Today();
    KxString dateText;
    KxTypeMgr().PrintToKxString(KX_TYPE_DATE, dateText, &today);
    const String date = Text(dateText);
    printer->DrawText(Point(width - rightMargin - printer->GetTextSize(date).Width(), y), date);

    printer->ChangeFont(kept);
}

void KvPrintServer::printContent(Printer* printer, Rectangle& rect, long page) {
    if (client_ != nullptr) client_->printContent(printer, rect, page);
}

// ---- KvPrintDialog ----

KvPrintDialog::KvPrintDialog(Window* parent, unsigned short style, KvPrintServer* server)
    : PrintDialog(parent, style), server_(server) {}

KvPrintDialog::~KvPrintDialog() = default;

short KvPrintDialog::Execute() {
    Printer* printer = GetPrinter();
    lastPage_ = 1;
    if (server_ != nullptr && server_->getPrintClient() != nullptr && printer != nullptr) {
        Rectangle area = server_->getDrawArea(printer, 1);
        lastPage_ = server_->getPrintClient()->getMaxPage(printer, area);
    }
    SetMinPage(1);
    SetMaxPage(lastPage_);
    SetFirstPage(1);
    SetLastPage(lastPage_);
    EnableRange(true);
    if (PrintDialog::Execute() == 0) return 0;
    if (GetPrinter() != nullptr) doPrint();
    return 1;
}

void KvPrintDialog::doPrint() {
    Printer* printer = GetPrinter();
    if (printer == nullptr || server_ == nullptr) return;
    firstPage_ = GetFirstPage();
    lastPage_ = GetLastPage();
    if (KvPrintClient* client = server_->getPrintClient()) {
        Rectangle area = server_->getDrawArea(printer, firstPage_);
        lastPage_ = std::min(lastPage_, client->getMaxPage(printer, area));
    }
    printer->StartJob(String("PRINT_JOB"));
    Disable();
    // A job aborted meanwhile (from the progress dialog) prints no further pages.
    for (long page = firstPage_; page <= lastPage_ && printer->IsJobActive(); ++page) {
        printer->StartPage();
        server_->printPage(printer, page);
        printer->EndPage();
    }
    printer->EndJob();
    Enable();
}

KvView* KvPrintDialog::getDocPrintSetupView() const { return docPrintSetupView_; }
KvView* KvPrintDialog::changeDocPrintSetupView(KvView* view) { return std::exchange(docPrintSetupView_, view); }
void KvPrintDialog::doPageSetupDialog() {}
SV_IMPL_LINK(KvPrintDialog, docSetupHdl, Button*, ) { return 0; }

// ---- KvPrintHandler ----

KvPrintHandler::KvPrintHandler() = default;
KvPrintHandler::~KvPrintHandler() { delete dialog_; }

SV_IMPL_LINK(KvPrintHandler, startPrintHdl, Printer*, printer) {
    ResMgr* kept = Resource::GetResManager();
    auto* own = new ResMgr(kResourceFile);
    Resource::SetResManager(own);
    delete dialog_;
    dialog_ = new KvPrintProcessDialog(GetpApp()->GetAppWindow(), printer);
    Resource::SetResManager(kept);
    delete own;
    dialog_->Show();
    return 1;
}

SV_IMPL_LINK(KvPrintHandler, printPageHdl, Printer*, printer) {
    if (dialog_ != nullptr && dialog_->IsVisible()) dialog_->setPageNumber(printer->GetCurPage());
    return 1;
}

// The job may end from the dialog's own cancel button, so the hidden dialog is deleted by the next
// job's start or with the handler, not here.
SV_IMPL_LINK(KvPrintHandler, endPrintHdl, Printer*, ) {
    if (dialog_ != nullptr) dialog_->Hide();
    return 1;
}

// ---- KvPrintProcessDialog ----

KvPrintProcessDialog::KvPrintProcessDialog(Window* parent, Printer* printer)
    : ModelessDialog(parent, ResId(kPrintProcessDialogRes)),
      cancel_(this, ResId(1)),
      title_(this, ResId(2)),
      jobName_(this, ResId(1)),
      pageTitle_(this, ResId(3)),
      pageNumber_(this, ResId(4)),
      printer_(printer) {
    FreeResource();
    cancel_.ChangeClickHdl(SV_LINK(this, KvPrintProcessDialog, abortHdl));
}

KvPrintProcessDialog::~KvPrintProcessDialog() = default;

void KvPrintProcessDialog::setJobName(KxString& name) { jobName_.SetText(Text(name)); }
void KvPrintProcessDialog::setPageNumber(long page) { pageNumber_.SetText(String(page)); }

SV_IMPL_LINK(KvPrintProcessDialog, abortHdl, CancelButton*, ) {
    if (printer_ != nullptr) printer_->AbortJob();
    return 1;
}
