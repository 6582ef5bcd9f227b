// What the side-by-side arrangements share: views in a row with a splitter between neighbours
// (splitter i between view i and view i+1), in two containers kept in step.
#pragma once

#include "KvDialog.h"
#include "KvView.h"
#include "svctrl.h"
#include "svlist.h"

namespace kvrow {

inline KvView* ViewAt(const Container& views, uint32_t i) { return static_cast<KvView*>(views.GetObject(i)); }

inline Rectangle DragRect(const Size& area) {
    const long w = area.Width(), h = area.Height();
    return Rectangle(0, 0, w ? w - 1 : RECT_EMPTY, h ? h - 1 : RECT_EMPTY);
}

// The splitter gets the height and the drag rectangle of the area, keeping its width; placed at x
// when x is given.
inline void FitSplitter(Splitter* s, const Size& area, long x = -1) {
    const Point pos = x < 0 ? s->GetPosPixel() : Point(x, 0);
    s->SetPosSizePixel(pos, Size(s->GetSizePixel().Width(), area.Height()));
    s->SetDragRectPixel(DragRect(area));
}

inline bool AllZero(short x, short y, short w, short h) { return x == 0 && y == 0 && w == 0 && h == 0; }

// The view keeps its x, y and height and reaches the right edge of the area (a hidden view, all
// four 0, stays as it is).
inline void StretchToRight(KvView* v, KvDialog* dialog, long width) {
    short x, y, w, h;
    v->getPosAndSize(x, y, w, h);
    if (!AllZero(x, y, w, h)) v->resize(dialog, x, y, static_cast<short>(width - x), h);
}

// Takes the view out of the row with the splitter that goes with it: the splitter before it takes
// over the next view of the splitter after it, which is deleted (or, at either end of the row, the
// one splitter beside it). No splitter keeps the view as its previous or next view.
template <class S>
void RemoveFromRow(Container& views, Container& splitters, KvView* v) {
    const uint32_t i = views.GetPos(v);
    if (i == CONTAINER_ENTRY_NOTFOUND) return;
    S* removed = nullptr;
    if (i > 0 && i - 1 < splitters.Count()) {
        S* before = static_cast<S*>(splitters.GetObject(i - 1));
        if (i < splitters.Count()) {
            removed = static_cast<S*>(splitters.Remove(i));
            before->setNextView(removed->getNextView());
        } else {
            removed = static_cast<S*>(splitters.Remove(i - 1));
        }
    } else if (i == 0 && splitters.Count() > 0) {
        removed = static_cast<S*>(splitters.Remove(uint32_t(0)));
    }
    delete removed;
    views.Remove(i);
}

template <class S>
void DeleteSplitters(Container& splitters) {
    while (splitters.Count() > 0) delete static_cast<S*>(splitters.Remove(uint32_t(0)));
}

}  // namespace kvrow
