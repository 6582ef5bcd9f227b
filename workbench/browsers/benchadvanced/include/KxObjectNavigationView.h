// KxObjectNavigationView: the object graph reachable from one object as a tree that grows on
// demand. The root is the object; its children are its references, containers and compound
// members; opening a node reads the subject behind it and adds that subject's own such members.
// Selecting a node posts its subject ("Object to Inspect") to the attached views; other views
// steer it with "Double Click", "Double Clicked", "Select" and "Navigate". Editing goes through the
// subject's edit protocol when the subject names the aspect to edit ("EditAspect").
#pragma once

#include <vector>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvView.h"
#include "KxInteractorOutliner.h"
#include "KxOutlinerTagMapper.h"
#include "sv.h"

class KvDialog;
class KvSubject;
class KxObjectNavigationView;

class NavigationOutlinerNode : public KxOutlinerNode {
public:
    // A subject read from a container's row is the node's own (the container reads the next row
    // into the same aspect); others belong to the subject whose aspect held them.
    NavigationOutlinerNode(KxOutliner* outliner, KxObjectNavigationView* view, KvSubject* subject, const KvAspect& aspect,
                           KxOutlinerTagMapper* mapper, bool ownsSubject = false);
    ~NavigationOutlinerNode() override;

    // Opening a node not yet opened adds its children behind it; closing removes and deletes them.
    void expand(int open, int recurse) override;

    KvSubject* getSubject() const { return subject_; }
    void setSubject(KvSubject* subject);
    KvAspect* getAspect() const { return aspect_; }
    const std::vector<NavigationOutlinerNode*>& getChildren() const { return children_; }
    void addChild(NavigationOutlinerNode* child) { children_.push_back(child); }
    // Takes every child (and theirs) out of the outliner and deletes it.
    void removeChildren();

private:
    void makeChildren();

    KxObjectNavigationView* view_;
    KvSubject* subject_;
    KvAspect* aspect_;
    KxOutlinerTagMapper* mapper_;
    std::vector<NavigationOutlinerNode*> children_;
    bool ownsSubject_;
};

class KxObjectNavigationView : public KvView {
public:
    KxObjectNavigationView(KvSubject* subject, KvDialog* dialog, KxOutlinerTagMapper* mapper = nullptr);
    ~KxObjectNavigationView() override;

    virtual void synchronizeViewWithSubject();
    // Posts the subject as "Object to Inspect" unless it was the last one posted.
    virtual void navigate(unsigned short position, KvSubject* subject);
    // The selected node's subject, while navigation is enabled.
    virtual void navigate();
    virtual void editCurrentEntry();
    virtual void executePopup(Window* window, const MouseEvent& event);
    // A node for an aspect holding a null subject or a container, reference or compound subject, at
    // the node-list position; null for any other aspect.
    virtual NavigationOutlinerNode* createNode(KvAspect* aspect, unsigned long position, int level);
    virtual KvVerb** getContextVerbs();
    virtual KvSubject* getContextSubject();

    // Rebuilds and selects the node at the same position again.
    void update(long hint, const KvVerb& verb) override;
    void resize(KvDialog* dialog, short x, short y, short width, short height) override;
    void resize(KvDialog* dialog) override;
    void show(KvDialog* dialog) override;
    void getPosAndSize(short& x, short& y, short& width, short& height) override;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    void getValue(KvAspectSet& set) override;

    KxOutliner* getOutliner() const;
    NavigationOutlinerNode* getSelectedNode() const;
    void setNavigationEnabled(bool enabled);
    // The node-list position of a node; KX_OUTLINER_NOPOS when it is not in the outliner.
    unsigned short nodeListPos(const KxOutlinerNode* node) const;

private:
    friend class NavigationOutlinerNode;
    struct Record;
    class Outliner;
    static long NavigateStub(void* view, void* caller);
    // A subject about to go is no longer the one last posted.
    void forgetSubject(KvSubject* subject);

    KxOutlinerTagMapper* tagMapper_;
    Record* record_;
};
