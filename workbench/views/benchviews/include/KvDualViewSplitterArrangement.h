// KvDualViewSplitterArrangement: exactly two views of a dialog side by side with one splitter
// between them; the first fills the space left of the splitter, the second the space right of
// it. The splitter starts in the middle of the paint window; dropping it moves the border.
#pragma once

#include "KvViewArrangement.h"
#include "svctrl.h"

class KvDualViewSplitterArrangement;

// The splitter of a dual-view arrangement (window style 0x1000).
class KvDualViewSplitter : public Splitter {
public:
    KvDualViewSplitter(Window* parent, KvDualViewSplitterArrangement* arrangement);
    // The arrangement's splitIt, or a diagnostic without arrangement.
    void Split() override;
    KvDualViewSplitterArrangement* getArrangement() const { return arrangement_; }
    void setArrangement(KvDualViewSplitterArrangement* arrangement) { arrangement_ = arrangement; }

private:
    KvDualViewSplitterArrangement* arrangement_;
};

class KvDualViewSplitterArrangement : public KvViewArrangement {
public:
    static short splitterWidth;  // 5

    KvDualViewSplitterArrangement();
    ~KvDualViewSplitterArrangement() override;  // deletes the splitter, not the views
    KvDualViewSplitterArrangement(const KvDualViewSplitterArrangement&) = delete;
    KvDualViewSplitterArrangement& operator=(const KvDualViewSplitterArrangement&) = delete;

    // Once only: another dialog later is refused with a diagnostic; the same one rearranges.
    KvDialog* setDialog(KvDialog* dialog) override;
    // The first free place (first, then second); a third view is not taken.
    void addView(KvView* view) override;
    void removeView(KvView* view) override;
    void resize() override;  // as rearrange
    void rearrange() override;
    // The splitter moves to where it was dropped.
    virtual void splitIt(KvDualViewSplitter* splitter);

private:
    struct Block;
    Block* block_;
};
