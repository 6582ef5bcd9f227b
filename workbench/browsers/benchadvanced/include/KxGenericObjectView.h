// KxGenericObjectView: one object of a subject as a tree of its members, one node per aspect with
// its type tag, title and value; an aspect holding an array subject has one child per element. A
// double click opens a further view on the subject behind a node, or posts the node to the
// attached views; the "edit" verb edits the selected member with the aspect editor through the
// subject's edit protocol ("pre edit", "post edit" or "set back", then "edit").
#pragma once

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvView.h"
#include "KxInteractorOutliner.h"
#include "KxOutlinerTagMapper.h"
#include "sv.h"

class KvDialog;
class KvSubject;
class KxGenericObjectView;

// A node with a copy of its aspect and, for an array element, the array subject and the index.
class OutlinerNodeWithAspect : public KxOutlinerNode {
public:
    OutlinerNodeWithAspect(KxOutliner* outliner, const KvAspect& aspect, KvSubject* array = nullptr, long index = 0);
    ~OutlinerNodeWithAspect() override;
    KvAspect* getAspect() const { return aspect_; }
    KvSubject* getArraySubject() const { return array_; }
    long getIndex() const { return index_; }

private:
    KvAspect* aspect_;
    KvSubject* array_;
    long index_;
};

class KxGenericObjectView : public KvView {
public:
    KxGenericObjectView(KvSubject* subject, KvDialog* dialog, int allowNavigate = 1, KxOutlinerTagMapper* mapper = nullptr);
    ~KxGenericObjectView() override;

    // Builds the tree anew from the subject's object 0.
    virtual void synchronizeViewWithSubject();
    // Opens a view on the subject behind the selected node, or posts the node ("navigate").
    virtual void navigate();
    virtual String nodeValueAsString(KvAspect* aspect);
    virtual void editCurrentEntry();
    virtual void executePopup(Window* window, const MouseEvent& event);
    virtual void mouseButtonDown(Window* window, const MouseEvent& event);
    virtual void startDrag(Window* window);
    virtual unsigned char drop(Window* window, const DropEvent& event);
    virtual unsigned char queryDrop(Window* window, const DropEvent& event);
    virtual void createNode(KvAspect* aspect, int level);
    virtual KvVerb** getContextVerbs();
    // The subject held by the selected node's aspect, else the view's subject.
    virtual KvSubject* getContextSubject();

    void update(long hint, const KvVerb& verb) override;
    // Leaves the array subjects of the subject shown before.
    KvSubject* changeSubject(KvSubject* subject) override;
    void resize(KvDialog* dialog, short x, short y, short width, short height) override;
    void resize(KvDialog* dialog) override;
    void show(KvDialog* dialog) override;
    void hide(KvDialog* dialog) override;
    void getPosAndSize(short& x, short& y, short& width, short& height) override;

    KxOutliner* getOutliner() const;
    KvView* getNavigationView() const;
    OutlinerNodeWithAspect* getSelectedNode() const;

private:
    struct Record;
    class Outliner;
    void dropArrayDependencies();

    unsigned allowNavigate_ : 1;
    KxOutlinerTagMapper* tagMapper_;
    Record* record_;
};
