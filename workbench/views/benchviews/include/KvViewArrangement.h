// KvViewArrangement: lays out the views of a dialog. The dialog tells it when a view comes or goes
// and when the dialog is resized; the arrangement places the views by their resize (dialog, x, y,
// w, h). The base does nothing by itself. A dialog owns its arrangement; the arrangement holds its
// dialog without owning it.
#pragma once

#include "svlist.h"

class KvDialog;
class KvView;

class KvViewArrangement {
public:
    KvViewArrangement();
    virtual ~KvViewArrangement();

    // Stores the dialog, takes a copy of its views table (when not null), answers the previous one.
    virtual KvDialog* setDialog(KvDialog* dialog);
    virtual KvDialog* getDialog();
    virtual void addView(KvView* view);
    virtual void removeView(KvView* view);
    virtual void resize();
    virtual void rearrange();

protected:
    KvDialog* dialog_;
    Table views_;
};
