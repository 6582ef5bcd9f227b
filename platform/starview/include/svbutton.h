// Buttons: a left click (button down and up inside) calls Click, which calls the click handler
// with the button. An OK button without handler ends its dialog with 1, a cancel button with 0.
#pragma once

#include "svlink.h"
#include "svwindow.h"

class Button : public Control {
public:
    virtual void Click();
    Link ChangeClickHdl(const Link& link);
    const Link& GetClickHdl() const;

    void Paint(const Rectangle& rect) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;

protected:
    Button(RESOURCE_TYPE type, Window* parent, WinBits style);
    Button(RESOURCE_TYPE type, Window* parent, const ResId& id);
    // The dialog the button belongs to: the nearest dialog among its parents.
    Dialog* SvGetDialog() const;

private:
    Link click_;
    bool pressed_ = false;
};

class PushButton : public Button {
public:
    PushButton(Window* parent, WinBits style = 0);
    PushButton(Window* parent, const ResId& id);

protected:
    PushButton(RESOURCE_TYPE type, Window* parent, WinBits style);
    PushButton(RESOURCE_TYPE type, Window* parent, const ResId& id);
    // The click handler when one is set; otherwise ends the modal dialog with the result (closes
    // any other dialog).
    void SvClickOrEnd(short result);
};

class OKButton : public PushButton {
public:
    OKButton(Window* parent, WinBits style = 0);
    OKButton(Window* parent, const ResId& id);
    // The handler when one is set; otherwise ends the modal dialog with 1 (closes any other).
    void Click() override;
};

class CancelButton : public PushButton {
public:
    CancelButton(Window* parent, WinBits style = 0);
    CancelButton(Window* parent, const ResId& id);
    // The handler when one is set; otherwise ends the modal dialog with 0 (closes any other).
    void Click() override;
};
