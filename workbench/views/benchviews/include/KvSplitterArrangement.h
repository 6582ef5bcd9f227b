// KvVerticalViewArrangement stacks the views of a dialog from top to bottom. KvSplitterArrangement
// puts them side by side with a splitter window between each pair of neighbours; dropping a
// splitter moves the border between its two views. Positions are pixels of the paint window.
#pragma once

#include "KvViewArrangement.h"
#include "svctrl.h"
#include "svlist.h"

class KvSplitterArrangement;

class KvVerticalViewArrangement : public KvViewArrangement {
public:
    // Each enters, respectively leaves, the views table, then the views are rearranged.
    void addView(KvView* view) override;
    void removeView(KvView* view) override;
    void resize() override;  // nothing
    // Every view at x 0 with the largest width, under the ones before it; the dialog window's
    // output size becomes the largest width by the sum of the heights.
    void rearrange() override;
};

// A splitter between two views of a splitter arrangement (window style 0x1000).
class KvSplitter : public Splitter {
public:
    KvSplitter(Window* parent, KvSplitterArrangement* arrangement);
    // The arrangement's splitIt, or a diagnostic without arrangement.
    void Split() override;

    KvView* getPrevView() const { return prev_; }
    void setPrevView(KvView* view) { prev_ = view; }
    KvView* getNextView() const { return next_; }
    void setNextView(KvView* view) { next_ = view; }
    KvSplitterArrangement* getArrangement() const { return arrangement_; }
    void setArrangement(KvSplitterArrangement* arrangement) { arrangement_ = arrangement; }

private:
    KvView* prev_;
    KvView* next_;
    KvSplitterArrangement* arrangement_;
};

class KvSplitterArrangement : public KvViewArrangement {
public:
    static int splitterWidth;  // 5

    KvSplitterArrangement();
    ~KvSplitterArrangement() override;  // deletes the splitters, never the views

    // Appends the view, with a new splitter before it when it is not the first.
    void addView(KvView* view) override;
    // Takes the view out with the splitter that goes with it.
    void removeView(KvView* view) override;
    // Every view gets the paint window's height; the last view reaches its right edge.
    void resize() override;
    // The views side by side at their own widths from x 0, each splitter after its view; the last
    // view reaches the right edge.
    void rearrange() override;
    // A splitter was dropped: the view before it grows by the distance, everything after it moves.
    virtual void splitIt(KvSplitter* splitter);

private:
    Window* paintWindow();

    Container splitters_;
    Container views_;
};
