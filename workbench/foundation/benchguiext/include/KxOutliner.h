// KxOutliner: the tree-list control of the workbench. A flat, ordered list of KxOutlinerNode
// objects, each with an indent level, icons and a text; a node's children are the nodes that follow
// it with a deeper level. Collapsing a node hides its descendants; the control shows the visible
// nodes in an owner-drawn list box (its platform part, _KxOutliner), draws tree lines and icons, and
// reports selection and double click through its Link handlers.
//
// Positions are unsigned 16-bit. A list position counts visible nodes only (the items of the list
// box); a node-list position counts all nodes, hidden ones included. 0xFFFF means the end of the
// list for insertion and no position as a result.
#pragma once

#include <sv.h>

#include <cstdint>

class KxOutliner;
class _KxOutliner;

constexpr unsigned short KX_OUTLINER_NOPOS = 0xFFFF;

class KxOutlinerNode {
public:
    // Level 0, no icons, empty text, visible, not expanded. The outliner must be given.
    explicit KxOutlinerNode(KxOutliner* outliner);
    // Takes the outliner and the four icons; level 0, empty text, visible, not expanded.
    KxOutlinerNode(const KxOutlinerNode& other);
    // Copies level, icons, text, outliner and the flags.
    KxOutlinerNode& operator=(const KxOutlinerNode& other);
    virtual ~KxOutlinerNode();

    virtual unsigned short indentLevel() const;
    // The collapsed icon (mask) while one is set and the node shows it, else the icon (mask).
    virtual Bitmap* iconicRepresentation();
    virtual Bitmap* negativIconicRepresentation();
    virtual Bitmap* collapsedIconicRepresentation() const;
    virtual Bitmap* negativCollapsedIconicRepresentation() const;
    virtual const String& textualRepresentation() const;
    // Each setter stores the value and repaints the node's item. Icons are not owned.
    virtual void setIndentLevel(unsigned short level);
    virtual void setIconicRepresentation(Bitmap* icon);
    virtual void setNegativIconicRepresentation(Bitmap* mask);
    virtual void setCollapsedIconicRepresentation(Bitmap* icon);
    virtual void setNegativCollapsedIconicRepresentation(Bitmap* mask);
    virtual void setTextualRepresentation(const String& text);
    // 1 when the next visible node after this one has a deeper level.
    virtual int isExpanded() const;
    virtual int isVisible() const;
    // 1 when the node directly after this one is hidden (the node hides followers); remembered in
    // the flags.
    virtual int showsCollapsedIcon();
    virtual void refreshPresentation();
    virtual KxOutlinerNode* getNextVisibleNode() const;
    // The next visible node on the level before any node of a lower level; null when none.
    virtual KxOutlinerNode* getNextVisibleNodeOnSameIndentLevel(unsigned short level) const;
    virtual KxOutliner* getOutliner() const;
    // Shows (show != 0) or hides the children of the node; recurse takes all descendants. Hiding
    // hides the whole subtree.
    virtual void expand(int show, int recurse);

protected:
    // Shows or hides the node's list item.
    virtual void visible(int show);

private:
    friend class KxOutliner;
    enum : unsigned { kExpanded = 1, kVisible = 2, kShowsCollapsedIcon = 4 };

    // The node's position in its outliner's node list.
    unsigned long nodeListPos() const;

    unsigned short level_ = 0;
    Bitmap* icon_ = nullptr;
    Bitmap* negativIcon_ = nullptr;
    Bitmap* collapsedIcon_ = nullptr;
    Bitmap* negativCollapsedIcon_ = nullptr;
    String text_;
    KxOutliner* outliner_;
    unsigned flags_ = kVisible;
};

class KxOutliner : public Control {
public:
    KxOutliner(Window* parent, WinBits style = 0);
    KxOutliner(Window* parent, const ResId& id);
    // Deletes every node, then the platform part.
    ~KxOutliner() override;

    // Hooks for derived classes: they do nothing here.
    void MouseMove(const MouseEvent& event) override;
    void MouseButtonDown(const MouseEvent& event) override;
    void MouseButtonUp(const MouseEvent& event) override;
    // Line feed and carriage return toggle the selected node; any other character selects the next
    // node whose text begins with it.
    void KeyInput(const KeyEvent& event) override;
    void GetFocus() override;
    void LoseFocus() override;
    void RequestHelp(const HelpEvent& event) override;
    bool Drop(const DropEvent& event) override;
    bool QueryDrop(DropEvent& event) override;
    // Calls the select handler, when one is set, and gives the list box the focus.
    virtual void Select();
    // Calls the double-click handler; unless it answers non-zero, toggles the selected node.
    virtual void DoubleClick();
    void Show() override;
    void Hide() override;
    void Enable() override;
    void Disable() override;
    virtual void ShowFocus();
    virtual void HideFocus();

    // Inserts the node at the node-list position (KX_OUTLINER_NOPOS appends) and shows it. A node
    // more than one level deeper than the node before it is refused and stays the caller's. Answers
    // the node's list position, KX_OUTLINER_NOPOS when refused.
    virtual unsigned short InsertEntry(KxOutlinerNode* node, unsigned short pos = KX_OUTLINER_NOPOS);
    // Takes the node (at a list position) out of the control without deleting it; answers it.
    virtual KxOutlinerNode* RemoveEntry(unsigned short pos);
    virtual KxOutlinerNode* RemoveEntry(const KxOutlinerNode* node);
    // Deletes every node.
    virtual void Clear();
    virtual unsigned short GetEntryPos(const KxOutlinerNode* node) const;
    virtual KxOutlinerNode* GetEntry(unsigned short pos) const;
    // Every node, hidden ones included.
    virtual unsigned short GetEntryCount() const;
    // The node-list position of the selected node.
    virtual unsigned short GetSelectedEntryPos() const;
    virtual KxOutlinerNode* GetSelectedEntry() const;
    virtual KxOutlinerNode* GetEntryCarelessOfVisibility(unsigned short pos) const;
    virtual KxOutlinerNode* GetParentEntry(unsigned short pos) const;
    virtual KxOutlinerNode* GetParentEntry(KxOutlinerNode* node) const;
    virtual void SetSelectedEntryPos(unsigned short pos);
    virtual void SetSelectedEntry(KxOutlinerNode* node);
    virtual void SetSelectedEntryBeginningWithChar(char key);
    // Selects the node at the node-list position, expanding its hidden ancestors first.
    virtual void SetSelectedEntryCarelessOfVisibility(unsigned short pos);
    virtual void ChangeSizePixel(const Size& size);
    void SetPosSizePixel(const Point& pos, const Size& size) override;
    virtual Point GetPosPixel() const;
    virtual Size GetSizePixel() const;
    virtual Link ChangeSelectHdl(const Link& link);
    virtual Link GetSelectHdl() const;
    virtual Link ChangeDoubleClickHdl(const Link& link);
    virtual Link GetDoubleClickHdl() const;

    // An expanded node is collapsed (its subtree hidden); a collapsed one is expanded (all
    // descendants with recurse, else its children).
    void ToggleExpandBranch(KxOutlinerNode* node, int recurse);
    // By node-list position.
    void ToggleExpandBranch(unsigned short pos, int recurse);
    void SetTextColorForIndentLevel(const Color& color, unsigned short level);
    // The list item's rectangle; the empty rectangle when there is none.
    Rectangle GetNodeRectangle(unsigned short pos) const;
    Rectangle GetNodeRectangle(const KxOutlinerNode* node) const;
    _KxOutliner* GetImplDependentStuff() const;
    // Repaints the node's item (the whole list for null).
    void refreshPresentation(const KxOutlinerNode* node);

private:
    friend class KxOutlinerNode;
    void Init();
    // Toggles the selected node one level (Enter and double click).
    void Activate();

    Link selectHdl_;
    Link doubleClickHdl_;
    Container nodes_;
    _KxOutliner* impl_ = nullptr;
};

// The platform part behind a KxOutliner: the list items of the visible nodes.
class _KxOutliner {
public:
    virtual ~_KxOutliner();
    // Removes the node's list item.
    virtual void removeNode(const KxOutlinerNode* node) = 0;
    // Inserts the node's item right after the other node's item (appended without one).
    virtual void insertNodeAfter(const KxOutlinerNode* node, const KxOutlinerNode* after) = 0;
};
