// The generic browser view: a subject's objects as the rows of a table, its aspects as columns.
#include "KxGenericBrowserView.h"

#include <algorithm>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvDialog.h"
#include "KvInteractor.h"
#include "KvSubject.h"
#include "KvViewArrangement.h"
#include "KxBrowserStatics.h"
#include "KxErrorCode.h"
#include "KxGenericObjectView.h"
#include "KxStatusBar.h"
#include "KxViewSupport.h"

namespace {

constexpr uint32_t kDefaultWidth = 100;
constexpr uint16_t kNoRow = 0xFFFF;

}  // namespace

// ---- the table

_KxGenericBrowser::_KxGenericBrowser(KxGenericBrowserView* view, Window* parent)
    : BrowseBox(parent, 4, 138), view_(view) {
    if (parent != nullptr) {
        const Font font = parent->GetFont();
        Font title = font;
        title.ChangeWeight(WEIGHT_LIGHT);
        ChangeFont(font);
        SetTitleFont(title);
        const Brush background = parent->GetBackgroundBrush();
        ChangeBackgroundBrush(background);
        ChangeFillInBrush(background);
        GetDataWindow().ChangeBackgroundBrush(background);
        GetDataWindow().ChangeFillInBrush(background);
        SetPosSizePixel(Point(0, 0), parent->GetOutputSizePixel());
    }
    Show();
}

_KxGenericBrowser::~_KxGenericBrowser() { storeColumnWidths(); }

long _KxGenericBrowser::GetRowCount() const { return view_->GetRowCount(); }
bool _KxGenericBrowser::SeekRow(long row) { return view_->SeekRow(row); }

void _KxGenericBrowser::PaintField(OutputDevice& device, const Rectangle& rect, uint16_t columnId) const {
    view_->PaintField(device, rect, columnId);
}

void _KxGenericBrowser::Select() {
    if (view_->getAttachedInteractor() == nullptr) view_->userWantsToInspectRows();
    view_->selectionChanged();
}

void _KxGenericBrowser::DoubleClick() {
    if (KvInteractor* interactor = view_->getAttachedInteractor()) interactor->DoubleClick(view_, &GetDataWindow());
}

void _KxGenericBrowser::MouseButtonDown(const MouseEvent& event) {
    KvInteractor* interactor = view_->getAttachedInteractor();
    if (interactor == nullptr || interactor->MouseButtonDown(view_, this, event) == 0) {
        if (event.GetButtons() == MOUSE_RIGHT) view_->executePopup(this, event);
    }
    BrowseBox::MouseButtonDown(event);
}

void _KxGenericBrowser::MouseButtonUp(const MouseEvent& event) {
    KvInteractor* interactor = view_->getAttachedInteractor();
    if (interactor == nullptr || interactor->MouseButtonUp(view_, this, event) == 0) BrowseBox::MouseButtonUp(event);
}

void _KxGenericBrowser::MouseMove(const MouseEvent& event) {
    KvInteractor* interactor = view_->getAttachedInteractor();
    if (interactor == nullptr || interactor->MouseMove(view_, this, event) == 0) BrowseBox::MouseMove(event);
}

void _KxGenericBrowser::RequestHelp(const HelpEvent& event) {
    KvInteractor* interactor = view_->getAttachedInteractor();
    if (interactor == nullptr || interactor->RequestHelp(view_, this, event) == 0) BrowseBox::RequestHelp(event);
}

bool _KxGenericBrowser::Drop(const DropEvent& event) {
    if (KvInteractor* interactor = view_->getAttachedInteractor()) return interactor->Drop(view_, this, event) != 0;
    return BrowseBox::Drop(event);
}

bool _KxGenericBrowser::QueryDrop(DropEvent& event) {
    if (KvInteractor* interactor = view_->getAttachedInteractor()) return interactor->QueryDrop(view_, this, event) != 0;
    return BrowseBox::QueryDrop(event);
}

void _KxGenericBrowser::ColumnResized(uint16_t) { storeColumnWidths(); }

uint32_t _KxGenericBrowser::GetDefaultColumnWidth(uint16_t id) const {
    Config config;
    config.SetGroup(KxGenericBrowserView::kConfigGroup);
    const String token = config.ReadKey(KxGenericBrowserView::kWidthsKey, String("100")).GetToken(id, ',');
    if (!token) return kDefaultWidth;
    const long width = static_cast<long>(token);
    return width > 0 ? static_cast<uint32_t>(width) : kDefaultWidth;
}

// The widths are stored by column id, so that the columns behind left-out aspects and the last
// column keep theirs.
void _KxGenericBrowser::storeColumnWidths() {
    if (inserted_ == 0) return;
    uint16_t last = 0;
    for (uint16_t pos = 0; pos < GetColumnCount(); ++pos) last = std::max(last, GetColumnId(pos));
    String widths;
    for (uint16_t id = 0; id <= last; ++id) {
        if (id != HANDLE_ID && GetColumnPos(id) != BROWSER_INVALIDID) widths += String(static_cast<long>(GetColumnWidth(id)));
        widths += ",";
    }
    Config config;
    config.SetGroup(KxGenericBrowserView::kConfigGroup);
    config.WriteKey(KxGenericBrowserView::kWidthsKey, widths);
}

void _KxGenericBrowser::insertColumn(uint16_t id, const String& title, uint32_t width) {
    const bool present = GetColumnPos(id) != BROWSER_INVALIDID;
    InsertDataColumn(id, title, width);
    if (!present && GetColumnPos(id) != BROWSER_INVALIDID) ++inserted_;
}

void _KxGenericBrowser::removeAllColumns() {
    RemoveColumns();
    inserted_ = 0;
}

// ---- the view

struct KxGenericBrowserView::Record {
    _KxGenericBrowser* box = nullptr;
    KxStatusBar* statusBar = nullptr;
    Window* window = nullptr;
    KvAspectSet* rowAspects = nullptr;
    KvAspectId surrogateId;
    KvView* inspectView = nullptr;
    // The subject the inspect view shows, taken out of the row it was read with.
    KvSubject* inspectSubject = nullptr;
    bool rowsReadable = true;
    long lastSelectedRow = kNoRow;
};

KxGenericBrowserView::KxGenericBrowserView(KvSubject* subject, KvDialog* dialog, int allowInspect)
    : KvView(subject, dialog), allowInspect_(allowInspect != 0), record_(new Record) {
    record_->window = dialog != nullptr ? dialog->getPaintWindow() : nullptr;
    // Without a window to draw in there is no table; the view then shows nothing.
    if (record_->window != nullptr) {
        record_->box = new _KxGenericBrowser(this, record_->window);
        record_->statusBar = new KxStatusBar(record_->window, 5);
        ResMgr* kept = Resource::GetResManager();
        {
            ResMgr own("benchadvanced");
            Resource::SetResManager(&own);
            record_->statusBar->ChangeFont(Font(ResId(KX_FONT_STATUS_BAR)));
            Resource::SetResManager(kept);
        }
        const Size size = record_->statusBar->CalcWindowSizePixel();
        record_->statusBar->SetSizePixel(Size(record_->statusBar->GetSizePixel().Width(), size.Height()));
        record_->statusBar->ResizeToParent();
        record_->statusBar->Show();
    }
    update(0, KvVerb(nullptr, nullptr, nullptr, 1));
}

KxGenericBrowserView::~KxGenericBrowserView() {
    haveBeenKilled();
    dropInspectView();
    delete record_->box;
    record_->box = nullptr;
    delete record_->statusBar;
    delete record_;
}

_KxGenericBrowser* KxGenericBrowserView::getBrowser() const { return record_->box; }
KxStatusBar* KxGenericBrowserView::getStatusBar() const { return record_->statusBar; }
KvView* KxGenericBrowserView::getInspectView() const { return record_->inspectView; }
KvAspectSet* KxGenericBrowserView::getRowAspects() const { return record_->rowAspects; }

void KxGenericBrowserView::dropInspectView() {
    delete record_->inspectView;
    record_->inspectView = nullptr;
    delete record_->inspectSubject;
    record_->inspectSubject = nullptr;
}

void KxGenericBrowserView::update(long, const KvVerb& verb) {
    const long remembered = record_->box != nullptr ? record_->box->FirstSelectedRow() : BROWSER_ENDOFSELECTION;
    synchronizeBrowserWithSubject();
    if (record_->box != nullptr && remembered >= 0 && verb == "new object") record_->box->GoToRow(remembered);
    if (record_->statusBar != nullptr) {
        String text("Objects: ");
        text += String(GetRowCount());
        record_->statusBar->DisplayNormalMessage(text);
    }
}

void KxGenericBrowserView::synchronizeBrowserWithSubject() {
    KvSubject* subject = getSubject();
    if (subject == nullptr) {
        // The rows of a subject that is gone are not read again.
        record_->rowAspects = nullptr;
        if (record_->box != nullptr) {
            record_->box->Clear();
            record_->box->removeAllColumns();
        }
        return;
    }
    record_->rowAspects = subject->gimmeYourAspects();
    record_->surrogateId = subject->getSurrogateAspectId();
    _KxGenericBrowser* box = record_->box;
    if (box == nullptr) return;
    record_->rowsReadable = false;
    box->Clear();
    box->removeAllColumns();
    record_->rowsReadable = true;
    record_->lastSelectedRow = kNoRow;
    box->Hide();
    if (KvAspectSet* aspects = record_->rowAspects) {
        for (unsigned long i = 0; KvAspect* aspect = aspects->getObject(i); ++i) {
            if (!aspect->isAvail() || aspect->aspectType() == 9) continue;
            const auto id = static_cast<uint16_t>(i + 1);
            box->insertColumn(id, String(aspect->getTitle().StrGet()), box->GetDefaultColumnWidth(id));
            if (aspect->isReadOnly()) box->FreezeColumn(id);
        }
    }
    box->Show();
    const Point pos = box->GetPosPixel();
    const Size size = box->GetSizePixel();
    box->SetPosSizePixel(pos, Size(0, 0));
    box->SetPosSizePixel(pos, size);
}

long KxGenericBrowserView::GetRowCount() {
    KvSubject* subject = getSubject();
    return subject != nullptr ? subject->getObjectsCount() : 0;
}

bool KxGenericBrowserView::SeekRow(long row) {
    KvSubject* subject = getSubject();
    if (record_->rowsReadable && record_->rowAspects != nullptr && subject != nullptr) subject->getValue(*record_->rowAspects, row);
    return true;
}

void KxGenericBrowserView::PaintField(OutputDevice& device, const Rectangle& rect, unsigned short columnId) {
    if (!record_->rowsReadable) return;
    String text;
    if (record_->rowAspects != nullptr && columnId >= 1) {
        if (KvAspect* aspect = record_->rowAspects->getObject(columnId - 1u)) text = aspect->getSvString();
    }
    device.SetClipRegion(rect);
    device.DrawText(rect.TopLeft(), text);
}

long KxGenericBrowserView::getSelectRowCount() { return record_->box != nullptr ? record_->box->GetSelectRowCount() : 0; }

KvAspect* KxGenericBrowserView::firstSelectedSurrogate() {
    if (record_->box == nullptr) return nullptr;
    const long row = record_->box->FirstSelectedRow();
    if (row < 0 || getSubject() == nullptr || record_->rowAspects == nullptr) return nullptr;
    getSubject()->getValue(*record_->rowAspects, row);
    return record_->rowAspects->getAspect(record_->surrogateId);
}

KvAspect* KxGenericBrowserView::nextSelectedSurrogate() {
    if (record_->box == nullptr) return nullptr;
    const long row = record_->box->NextSelectedRow();
    if (row < 0 || getSubject() == nullptr || record_->rowAspects == nullptr) return nullptr;
    getSubject()->getValue(*record_->rowAspects, row);
    return record_->rowAspects->getAspect(record_->surrogateId);
}

void KxGenericBrowserView::selectionChanged() {
    if (getAttachedViews().Count() == 0 || record_->rowAspects == nullptr || record_->box == nullptr) return;
    const long row = record_->box->FirstSelectedRow();
    if (row == record_->lastSelectedRow) return;
    if (row != kNoRow && row != BROWSER_ENDOFSELECTION) {
        SeekRow(row);
        postEvent(*record_->rowAspects, KvVerb("Selection changed", nullptr, nullptr, 1));
    }
    record_->lastSelectedRow = row;
}

void KxGenericBrowserView::userWantsToInspectRows() {
    if (!allowInspect_) return;
    dropInspectView();
    if (record_->box == nullptr || record_->rowAspects == nullptr) return;
    const long row = record_->box->FirstSelectedRow();
    if (row < 0) return;
    SeekRow(row);
    KvAspect* object = record_->rowAspects->getAspect(KvAspectId("object"));
    KvSubject* subject = object != nullptr && object->aspectType() == 9 ? object->getSubjectPtr() : nullptr;
    KvDialog* dialog = getDialog();
    if (subject == nullptr || dialog == nullptr) return;
    // The row's subject would go when the next row is read: the inspect view keeps it.
    *object = static_cast<KvSubject*>(nullptr);
    record_->inspectSubject = subject;
    if (subject->getObjectsCount() < 2) {
        record_->inspectView = new KxGenericObjectView(subject, dialog, 1, nullptr);
    } else {
        record_->inspectView = new KxGenericBrowserView(subject, dialog, 1);
    }
    record_->inspectView->show(dialog);
    if (KvViewArrangement* arrangement = dialog->getArrangement()) arrangement->rearrange();
}

void KxGenericBrowserView::editCurrentEntry() {
    KvSubject* subject = getSubject();
    KvAspectSet* aspects = record_->rowAspects;
    KvDialog* dialog = getDialog();
    if (record_->box == nullptr || aspects == nullptr || dialog == nullptr || dialog->getPaintWindow() == nullptr ||
        subject == nullptr)
        return;
    const long row = record_->box->FirstSelectedRow();
    if (row < 0) return;
    subject->getValue(*aspects, row);
    KvAspect* aspect = aspects->getObject(0);
    if (aspect == nullptr) return;
    if (aspect->isReadOnly()) {
        InfoBox(record_->window, "Member is read only.").Execute();
        return;
    }
    if (KxRunAspectEdit(dialog->getPaintWindow(), aspect) != 1) return;
    const KvVerb edit("edit", nullptr, nullptr, 1);
    KxErrorCode result = subject->validate(*aspects, row, edit);
    if (!result) result = subject->update(*aspects, row, edit);
    if (result) result.display();
}

void KxGenericBrowserView::executePopup(Window* window, const MouseEvent& event) {
    KvSubject* subject = getSubject();
    KvVerb** verbs = subject != nullptr ? subject->gimmeYourVerbs() : nullptr;
    if (verbs == nullptr) return;
    bool editDisabled = true;
    const long row = record_->box != nullptr ? record_->box->FirstSelectedRow() : BROWSER_ENDOFSELECTION;
    if (row >= 0 && record_->rowAspects != nullptr) {
        subject->getValue(*record_->rowAspects, row);
        KvAspect* first = record_->rowAspects->getObject(0);
        editDisabled = first != nullptr && first->isReadOnly();
    }
    if (KvVerb* verb = KxChooseVerb(window, event.GetPosPixel(), verbs, editDisabled)) runVerb(*verb);
}

void KxGenericBrowserView::runVerb(const KvVerb& verb) {
    KvSubject* subject = getSubject();
    if (subject == nullptr) return;
    if (KxVerbNamed(verb, "edit")) return editCurrentEntry();
    const long row = record_->box != nullptr ? record_->box->FirstSelectedRow() : 0;
    // The verb acts on the selected row: its values go with it. Without a selected row an empty set
    // goes, so that no row read for painting is taken for the selected one.
    KvAspectSet none;
    KvAspectSet* set = &none;
    if (row >= 0 && record_->rowAspects != nullptr) {
        subject->getValue(*record_->rowAspects, row);
        set = record_->rowAspects;
    }
    const KxErrorCode result = subject->update(*set, row, verb);
    if (result) result.display();
}

void KxGenericBrowserView::getValue(KvAspectSet& set) {
    KvSubject* subject = getSubject();
    if (record_->box == nullptr || subject == nullptr) return;
    const long row = record_->box->FirstSelectedRow();
    if (row >= 0) subject->getValue(set, row);
}

void KxGenericBrowserView::handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) { KvView::handleEvent(set, from, verb); }

void KxGenericBrowserView::resize(KvDialog* dialog) {
    Window* paint = dialog != nullptr ? dialog->getPaintWindow() : nullptr;
    if (paint == nullptr) return;
    long statusHeight = 0;
    if (record_->statusBar != nullptr) {
        record_->statusBar->ResizeToParent();
        statusHeight = record_->statusBar->GetSizePixel().Height();
    }
    if (record_->box != nullptr) {
        const Size size = paint->GetOutputSizePixel();
        record_->box->SetPosSizePixel(Point(0, 0), Size(size.Width(), size.Height() - statusHeight));
    }
}

void KxGenericBrowserView::resize(KvDialog*, short x, short y, short width, short height) {
    long statusHeight = 0;
    if (KxStatusBar* bar = record_->statusBar) {
        const Point pos = bar->GetPosPixel();
        statusHeight = bar->GetSizePixel().Height();
        bar->resize(x, static_cast<short>(pos.Y()), width, static_cast<short>(statusHeight));
    }
    if (record_->box != nullptr)
        record_->box->SetPosSizePixel(Point(x, y), Size(width, std::max(0L, static_cast<long>(height) - statusHeight)));
}

// The status bar comes and goes with the table, so that a hidden view leaves no count behind.
void KxGenericBrowserView::show(KvDialog*) {
    if (record_->box != nullptr) record_->box->Show();
    if (record_->statusBar != nullptr) record_->statusBar->Show();
}

void KxGenericBrowserView::hide(KvDialog*) {
    if (record_->box != nullptr) record_->box->Hide();
    if (record_->statusBar != nullptr) record_->statusBar->Hide();
}

void KxGenericBrowserView::getPosAndSize(short& x, short& y, short& width, short& height) {
    if (record_->box == nullptr) return KvView::getPosAndSize(x, y, width, height);
    const Point pos = record_->box->GetPosPixel();
    const Size size = record_->box->GetSizePixel();
    x = static_cast<short>(pos.X());
    y = static_cast<short>(pos.Y());
    width = static_cast<short>(size.Width());
    height = static_cast<short>(size.Height());
}
