// KxToolBar: a tool box that spans the top of its parent.
#pragma once

#include <sv.h>

class KxToolBar : public ToolBox {
public:
    KxToolBar(Window* parent, unsigned short style);
    KxToolBar(Window* parent, const ResId& id);
    ~KxToolBar() override;

    void Paint(const Rectangle& rect) override;
    // At the parent's top left, as wide as the parent; nothing without a parent.
    void ResizeToParent();
};
