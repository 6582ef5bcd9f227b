// KxOutlinerView: shows any subject as an indented tree. Each object of the subject is one node,
// described by the aspects "text", "indentLevel", "entryType", "surrogate" and "class_id"; a type
// mapper gives the nodes of an entry type their icons. A popup menu offers the subject's verbs and
// its titled aspects, which the user adds to or removes from the node texts.
#pragma once

#include "KvAspectSet.h"
#include "KvSurrogate.h"
#include "KvView.h"
#include "KxInteractorOutliner.h"
#include "sv.h"

class KvDialog;
class KvSubject;
class KxOutlinerView;

// One entry type's icons; an entry type of -1 ends an array of them.
struct KxOutlinerViewTypeMapper {
    long entryType = -1;
    Bitmap* iconic = nullptr;
    Bitmap* negativIconic = nullptr;
    Bitmap* collapsedIconic = nullptr;
    Bitmap* negativCollapsedIconic = nullptr;
};

// A node that knows its entry type, its object's surrogate, its next sibling and its parent.
class KxOutlinerViewNode : public KxOutlinerNode {
public:
    explicit KxOutlinerViewNode(KxOutliner* outliner);

    virtual unsigned short getEntryType() const;
    virtual KvSurrogate getSurrogate() const;
    virtual void setEntryType(unsigned short type);
    virtual void setSurrogate(const KvSurrogate& surrogate);
    virtual KxOutlinerViewNode* getNextSibling() const;
    virtual void setNextSibling(KxOutlinerViewNode* node);
    virtual KxOutlinerViewNode* getParent() const;
    virtual void setParent(KxOutlinerViewNode* node);

    // Up the parent links (own level - level) times: that ancestor's next sibling when the ancestor
    // is visible and on the level, else null.
    KxOutlinerNode* getNextVisibleNodeOnSameIndentLevel(unsigned short level) const override;

private:
    unsigned short entryType_ = 0;
    KvSurrogate surrogate_;
    KxOutlinerViewNode* nextSibling_ = nullptr;
    KxOutlinerViewNode* parent_ = nullptr;
};

// The control of an outliner view: passes its input to the view's interactor and tells the view
// when it gains or loses the focus.
class KxViewOutliner : public KxInteractorOutliner {
public:
    KxViewOutliner(KxOutlinerView* view, Window* parent, WinBits style);
    KxViewOutliner(KxOutlinerView* view, Window* parent, const ResId& id);

    void GetFocus() override;
    void LoseFocus() override;

protected:
    void popup(const MouseEvent& event) override;

private:
    KxOutlinerView* view_;
};

class KxOutlinerView : public KvView {
public:
    static const char* const textAspectId;         // "text"
    static const char* const indentLevelAspectId;  // "indentLevel"
    static const char* const entryTypeAspectId;    // "entryType"
    static const char* const surrogateAspectId;    // "surrogate"
    static const char* const classidAspectId;      // "class_id"

    // The dialog must be given. The mapper (ended by entry type -1) and the extra aspects (copied:
    // the display aspects chosen at first) stay the caller's.
    KxOutlinerView(KvSubject* subject, KvDialog* dialog, KxOutlinerViewTypeMapper* mapper = nullptr,
                   KvAspectSet* extraAspects = nullptr);
    ~KxOutlinerView() override;

    virtual long getContainerCount(int state);
    virtual KvAspectSet* getContainerItem(int index, int state);
    virtual void executePopup(Window* window, const MouseEvent& event);
    // Appends the display aspects to the node text.
    virtual void CheckNodeText(KxString& text);

    using KvView::update;
    void update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    // Builds the tree anew from the subject.
    void update(long hint, const KvVerb& verb) override;
    void resize(KvDialog* dialog, short x, short y, short width, short height) override;
    void resize(KvDialog* dialog) override;
    void show(KvDialog* dialog) override;
    void getPosAndSize(short& x, short& y, short& width, short& height) override;
    int getSearchWindowType() const override;

    void selectItem(unsigned short pos);
    void setSearchWindowType(int type);

    KxViewOutliner* getOutliner() const { return outliner_; }
    KvAspectSet* getAspectSet() const { return aspSet_; }

private:
    friend class KxViewOutliner;
    static long SelectionChangedStub(void* cell, void* caller);
    static long MenuSelectStub(void* cell, void* caller);
    static long MenuNothingStub(void* cell, void* caller);
    long SelectionChanged();
    long menuSelectHdl(Menu* menu);
    Link makeLink(long (*stub)(void*, void*));

    KxViewOutliner* outliner_ = nullptr;
    KvAspectSet* aspSet_ = nullptr;
    KxOutlinerViewTypeMapper* typeMapper_;
    KxOutlinerView** selfCell_;
    int searchWindowType_ = 0;
};
