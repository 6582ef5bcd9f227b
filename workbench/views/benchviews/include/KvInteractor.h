// KvInteractor: the handler of raw mouse, key, help and drop input that a view may carry. The base
// handlers do nothing and answer 0 (not handled).
#pragma once

#include "svevent.h"

class KvView;
class Window;

class KvInteractor {
public:
    virtual ~KvInteractor();
    virtual long MouseMove(KvView* view, Window* window, const MouseEvent& event);
    virtual long MouseButtonDown(KvView* view, Window* window, const MouseEvent& event);
    virtual long MouseButtonUp(KvView* view, Window* window, const MouseEvent& event);
    virtual long DoubleClick(KvView* view, Window* window);
    virtual long KeyInput(KvView* view, Window* window, const KeyEvent& event);
    virtual long RequestHelp(KvView* view, Window* window, const HelpEvent& event);
    virtual unsigned char Drop(KvView* view, Window* window, const DropEvent& event);
    virtual unsigned char QueryDrop(KvView* view, Window* window, const DropEvent& event);
};
