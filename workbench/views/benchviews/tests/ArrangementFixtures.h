// A headless dialog whose paint window has a given size, views with widths of their own, and
// the splitters that an arrangement put on the paint window.
#pragma once

#include <vector>

#include "KvDialogs.h"
#include "StreamCapture.h"
#include "ViewFixtures.h"
#include "sv.h"

struct Rect4 {
    short x, y, w, h;
    bool operator==(const Rect4& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

inline std::ostream& operator<<(std::ostream& os, const Rect4& r) {
    return os << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

inline Rect4 Place(KvView& v) {
    Rect4 r;
    v.getPosAndSize(r.x, r.y, r.w, r.h);
    return r;
}

// The splitters of the window of type S, left to right.
template <class S>
std::vector<S*> SplittersOf(Window* window) {
    std::vector<S*> found;
    for (uint16_t i = 0; i < window->GetChildCount(); ++i)
        if (S* s = dynamic_cast<S*>(window->GetChild(i))) found.push_back(s);
    std::sort(found.begin(), found.end(),
              [](S* a, S* b) { return a->GetPosPixel().X() < b->GetPosPixel().X(); });
    return found;
}

// Drags the splitter by dx pixels with the mouse and runs the event loop.
inline void Drag(Splitter* s, long dx) {
    SvPostMouseButtonDown(s, MouseEvent(Point(2, 10)));
    SvPostMouseMove(s, MouseEvent(Point(2 + dx, 10), 0, 0));
    SvPostMouseButtonUp(s, MouseEvent(Point(2 + dx, 10)));
    GetpApp()->Execute();
}

// What a splitter of type S without arrangement writes when it is dropped (it stays in place).
template <class S>
std::string DropWithoutArrangement() {
    StreamCapture capture;
    KvModelessDialog dialog(nullptr);
    S lonely(&dialog, nullptr);
    lonely.SetPosSizePixel(Point(10, 0), Size(5, 100));
    lonely.Show();
    capture.Take();
    Drag(&lonely, 10);
    EXPECT_EQ(lonely.GetPosPixel(), Point(10, 0));
    return capture.Take();
}
