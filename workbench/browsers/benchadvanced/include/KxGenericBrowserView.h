// KxGenericBrowserView: a subject with many objects (a set, a container, an array, a class extent)
// as a table, one row per object and one column per aspect, with the number of objects in a status
// bar under it. Selecting a row can open a second view on the row's "object"; the popup offers the
// subject's verbs, and "edit" edits the row's first aspect with the aspect editor. Column widths are
// kept in the settings group "KELVOXGenericBrowserView", key "browserwidths".
#pragma once

#include "KvAspectId.h"
#include "KvView.h"
#include "sv.h"

class KvAspect;
class KvAspectSet;
class KvDialog;
class KvSubject;
class KxGenericBrowserView;
class KxStatusBar;

// The table control of the view: its rows, fields and selection come from the view, its mouse
// input goes to the view's interactor first.
class _KxGenericBrowser : public BrowseBox {
public:
    _KxGenericBrowser(KxGenericBrowserView* view, Window* parent);
    // Saves the column widths.
    ~_KxGenericBrowser() override;

    long GetRowCount() const override;
    bool SeekRow(long row) override;
    void PaintField(OutputDevice& device, const Rectangle& rect, uint16_t columnId) const override;
    void Select() override;
    void DoubleClick() override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;
    void MouseMove(const MouseEvent& event) override;
    void RequestHelp(const HelpEvent& event) override;
    bool Drop(const DropEvent& event) override;
    bool QueryDrop(DropEvent& event) override;
    void ColumnResized(uint16_t id) override;

    // The width hook: the stored width of the column id (token number id of "browserwidths"), 100
    // when none is stored.
    uint32_t GetDefaultColumnWidth(uint16_t id) const;
    // Writes the widths: token k is the width of column id k, empty for an id without column.
    void storeColumnWidths();
    // A data column, counted.
    void insertColumn(uint16_t id, const String& title, uint32_t width);
    void removeAllColumns();
    uint16_t insertedColumns() const { return inserted_; }

private:
    KxGenericBrowserView* view_;
    uint16_t inserted_ = 0;
};

class KxGenericBrowserView : public KvView {
public:
    static constexpr const char* kConfigGroup = "KELVOXGenericBrowserView";
    static constexpr const char* kWidthsKey = "browserwidths";

    // With allowInspect, selecting a row opens a view on the row's "object".
    KxGenericBrowserView(KvSubject* subject, KvDialog* dialog, int allowInspect = 1);
    ~KxGenericBrowserView() override;

    // Columns anew from the subject's aspects.
    virtual void synchronizeBrowserWithSubject();
    virtual void userWantsToInspectRows();
    // The surrogate aspect of the first (next) selected row; null when there is none.
    virtual KvAspect* firstSelectedSurrogate();
    virtual KvAspect* nextSelectedSurrogate();
    virtual long getSelectRowCount();
    virtual long GetRowCount();
    virtual bool SeekRow(long row);
    virtual void PaintField(OutputDevice& device, const Rectangle& rect, unsigned short columnId);
    virtual void editCurrentEntry();
    virtual void executePopup(Window* window, const MouseEvent& event);

    void update(long hint, const KvVerb& verb) override;
    using KvView::update;
    void resize(KvDialog* dialog, short x, short y, short width, short height) override;
    void resize(KvDialog* dialog) override;
    void show(KvDialog* dialog) override;
    void hide(KvDialog* dialog) override;
    void getPosAndSize(short& x, short& y, short& width, short& height) override;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    // The first selected row, read by the subject.
    void getValue(KvAspectSet& set) override;

    // Posts "Selection changed" with the row when the first selected row changed.
    void selectionChanged();

    _KxGenericBrowser* getBrowser() const;
    KxStatusBar* getStatusBar() const;
    KvView* getInspectView() const;
    KvAspectSet* getRowAspects() const;

private:
    struct Record;
    void dropInspectView();
    void runVerb(const KvVerb& verb);

    unsigned allowInspect_ : 1;
    Record* record_;
};
