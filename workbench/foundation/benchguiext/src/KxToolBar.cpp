// KxToolBar: a tool box along the top of its parent.
#include "KxToolBar.h"

KxToolBar::KxToolBar(Window* parent, unsigned short style) : ToolBox(parent, style) { ResizeToParent(); }

KxToolBar::KxToolBar(Window* parent, const ResId& id) : ToolBox(parent, id) { ResizeToParent(); }

KxToolBar::~KxToolBar() = default;

void KxToolBar::Paint(const Rectangle& rect) { ToolBox::Paint(rect); }

void KxToolBar::ResizeToParent() {
    Window* parent = GetParent();
    if (parent == nullptr) return;
    SetPosSizePixel(Point(0, 0), Size(parent->GetOutputSizePixel().Width(), GetOutputSizePixel().Height()));
}
