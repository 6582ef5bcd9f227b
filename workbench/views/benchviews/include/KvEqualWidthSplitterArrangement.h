// KvEqualWidthSplitterArrangement: the views of a dialog side by side, all of one width, with a
// splitter between neighbours and a horizontal scroll bar under them. Dropping any splitter
// changes the common width, which is remembered in the settings group "KelvoxView" under
// "KvEqualWidthSplitterArrangementViewWidth" for the next arrangement. The arrangement puts a
// scrolling window between the dialog's paint window and the views.
#pragma once

#include "KvViewArrangement.h"
#include "svctrl.h"

class KvEqualWidthSplitterArrangement;

// A splitter between two views of an equal-width arrangement (window style 0x1000).
class KvEqualWidthSplitter : public Splitter {
public:
    KvEqualWidthSplitter(Window* parent, KvEqualWidthSplitterArrangement* arrangement);
    // The arrangement's splitIt, or a diagnostic without arrangement.
    void Split() override;

    KvView* getPrevView() const { return prev_; }
    void setPrevView(KvView* view) { prev_ = view; }
    KvView* getNextView() const { return next_; }
    void setNextView(KvView* view) { next_ = view; }
    KvEqualWidthSplitterArrangement* getArrangement() const { return arrangement_; }
    void setArrangement(KvEqualWidthSplitterArrangement* arrangement) { arrangement_ = arrangement; }

private:
    KvView* prev_;
    KvView* next_;
    KvEqualWidthSplitterArrangement* arrangement_;
};

class KvEqualWidthSplitterArrangement : public KvViewArrangement {
public:
    // The view width from the settings (100 when missing, not a number or 0).
    KvEqualWidthSplitterArrangement();
    // Deletes the splitters, the scroll bar and the scrolling window and gives the dialog back its
    // paint window.
    ~KvEqualWidthSplitterArrangement() override;
    KvEqualWidthSplitterArrangement(const KvEqualWidthSplitterArrangement&) = delete;
    KvEqualWidthSplitterArrangement& operator=(const KvEqualWidthSplitterArrangement&) = delete;

    // Once only: another dialog later is refused with a diagnostic.
    KvDialog* setDialog(KvDialog* dialog) override;
    void addView(KvView* view) override;
    void removeView(KvView* view) override;
    void resize() override;
    void rearrange() override;
    // A splitter was dropped: the common width changes by the distance (when it stays above 0)
    // and is written to the settings.
    virtual void splitIt(KvEqualWidthSplitter* splitter);

    short getViewWidth() const;

protected:
    static short splitterWidth;     // 5
    static short initialViewWidth;  // 100

private:
    struct Block;
    void adjust();
    void scrollTo(long pixel);
    Window* paintWindow();
    Block* block_;
};
