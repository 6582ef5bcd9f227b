// KxOutliner and KxOutlinerNode: the node list, expanding and collapsing, selection, type-ahead and
// the control's window operations. The list items are the platform part's (_KxOutlinerForWindows).
#include "KxOutliner.h"

#include <KxWOStream.h>

#include <cassert>
#include <cctype>
#include <vector>

#include "KxOutlinerWhere.h"
#include "_KxOutlinerForWindows.h"
#include <svnative.h>

namespace {

KxWOStream theStream;

}  // namespace

// ---- KxOutlinerNode ----

KxOutlinerNode::KxOutlinerNode(KxOutliner* outliner) : outliner_(outliner) { assert(outliner != nullptr); }

KxOutlinerNode::KxOutlinerNode(const KxOutlinerNode& other)
    : icon_(other.icon_),
      negativIcon_(other.negativIcon_),
      collapsedIcon_(other.collapsedIcon_),
      negativCollapsedIcon_(other.negativCollapsedIcon_),
      outliner_(other.outliner_) {}

KxOutlinerNode& KxOutlinerNode::operator=(const KxOutlinerNode& other) {
    level_ = other.level_;
    icon_ = other.icon_;
    negativIcon_ = other.negativIcon_;
    collapsedIcon_ = other.collapsedIcon_;
    negativCollapsedIcon_ = other.negativCollapsedIcon_;
    text_ = other.text_;
    outliner_ = other.outliner_;
    flags_ = other.flags_;
    return *this;
}

KxOutlinerNode::~KxOutlinerNode() = default;

unsigned short KxOutlinerNode::indentLevel() const { return level_; }

Bitmap* KxOutlinerNode::iconicRepresentation() {
    return collapsedIcon_ != nullptr && showsCollapsedIcon() ? collapsedIcon_ : icon_;
}

Bitmap* KxOutlinerNode::negativIconicRepresentation() {
    return negativCollapsedIcon_ != nullptr && showsCollapsedIcon() ? negativCollapsedIcon_ : negativIcon_;
}

Bitmap* KxOutlinerNode::collapsedIconicRepresentation() const { return collapsedIcon_; }
Bitmap* KxOutlinerNode::negativCollapsedIconicRepresentation() const { return negativCollapsedIcon_; }
const String& KxOutlinerNode::textualRepresentation() const { return text_; }

void KxOutlinerNode::setIndentLevel(unsigned short level) {
    level_ = level;
    refreshPresentation();
}

void KxOutlinerNode::setIconicRepresentation(Bitmap* icon) {
    icon_ = icon;
    refreshPresentation();
}

void KxOutlinerNode::setNegativIconicRepresentation(Bitmap* mask) {
    negativIcon_ = mask;
    refreshPresentation();
}

void KxOutlinerNode::setCollapsedIconicRepresentation(Bitmap* icon) {
    collapsedIcon_ = icon;
    refreshPresentation();
}

void KxOutlinerNode::setNegativCollapsedIconicRepresentation(Bitmap* mask) {
    negativCollapsedIcon_ = mask;
    refreshPresentation();
}

void KxOutlinerNode::setTextualRepresentation(const String& text) {
    text_ = text;
    refreshPresentation();
}

unsigned long KxOutlinerNode::nodeListPos() const { return outliner_->nodes_.GetPos(this); }

int KxOutlinerNode::isExpanded() const {
    const KxOutlinerNode* next = getNextVisibleNode();
    return next != nullptr && next->indentLevel() > indentLevel() ? 1 : 0;
}

int KxOutlinerNode::isVisible() const { return (flags_ & kVisible) != 0 ? 1 : 0; }

int KxOutlinerNode::showsCollapsedIcon() {
    const unsigned long pos = nodeListPos();
    const Container& nodes = outliner_->nodes_;
    const void* after = pos != CONTAINER_ENTRY_NOTFOUND ? nodes.GetObject(pos + 1) : nullptr;
    if (after != nullptr && after != getNextVisibleNode()) flags_ |= kShowsCollapsedIcon;
    else flags_ &= ~kShowsCollapsedIcon;
    return (flags_ & kShowsCollapsedIcon) != 0 ? 1 : 0;
}

void KxOutlinerNode::refreshPresentation() { outliner_->refreshPresentation(this); }

KxOutlinerNode* KxOutlinerNode::getNextVisibleNode() const {
    const unsigned long pos = nodeListPos();
    if (pos == CONTAINER_ENTRY_NOTFOUND) return nullptr;
    const Container& nodes = outliner_->nodes_;
    for (unsigned long i = pos + 1; i < nodes.Count(); ++i) {
        auto* node = static_cast<KxOutlinerNode*>(nodes.GetObject(i));
        if (node != nullptr && node->isVisible()) return node;
    }
    return nullptr;
}

KxOutlinerNode* KxOutlinerNode::getNextVisibleNodeOnSameIndentLevel(unsigned short level) const {
    const unsigned long pos = nodeListPos();
    if (pos == CONTAINER_ENTRY_NOTFOUND) return nullptr;
    const Container& nodes = outliner_->nodes_;
    for (unsigned long i = pos + 1; i < nodes.Count(); ++i) {
        auto* node = static_cast<KxOutlinerNode*>(nodes.GetObject(i));
        if (node == nullptr || !node->isVisible()) continue;
        if (node->indentLevel() <= level) return node->indentLevel() == level ? node : nullptr;
    }
    return nullptr;
}

KxOutliner* KxOutlinerNode::getOutliner() const { return outliner_; }

void KxOutlinerNode::expand(int show, int recurse) {
    const unsigned long pos = nodeListPos();
    bool shown = false;
    if (pos != CONTAINER_ENTRY_NOTFOUND) {
        const Container& nodes = outliner_->nodes_;
        for (unsigned long i = pos + 1; i < nodes.Count(); ++i) {
            auto* node = static_cast<KxOutlinerNode*>(nodes.GetObject(i));
            if (node == nullptr) continue;
            if (node->indentLevel() <= indentLevel()) break;
            const bool target = node->indentLevel() == indentLevel() + 1 || recurse != 0;
            if (!target) continue;
            if (show) {
                node->visible(1);
                if (recurse) node->expand(1, recurse);
                shown = true;
            } else {
                node->visible(0);
                node->expand(0, 1);
            }
        }
    }
    if (shown) flags_ |= kExpanded;
    else flags_ &= ~kExpanded;
}

void KxOutlinerNode::visible(int show) {
    if ((show != 0) == (isVisible() != 0)) return;
    _KxOutliner* impl = outliner_->impl_;
    if (!show) {
        if (impl != nullptr) impl->removeNode(this);
        flags_ &= ~kVisible;
        return;
    }
    const KxOutlinerNode* before = nullptr;
    const Container& nodes = outliner_->nodes_;
    for (unsigned long i = nodeListPos(); i != CONTAINER_ENTRY_NOTFOUND && i > 0; --i) {
        auto* node = static_cast<const KxOutlinerNode*>(nodes.GetObject(i - 1));
        if (node != nullptr && node->isVisible()) {
            before = node;
            break;
        }
    }
    if (impl != nullptr) impl->insertNodeAfter(this, before);
    flags_ |= kVisible;
}

// ---- KxOutliner ----

KxOutliner::KxOutliner(Window* parent, WinBits style) : Control(parent, style), nodes_(1024, 16, 16) { Init(); }

KxOutliner::KxOutliner(Window* parent, const ResId& id) : Control(parent, id), nodes_(1024, 16, 16) { Init(); }

void KxOutliner::Init() {
    assert(GetParent() != nullptr);
    impl_ = new _KxOutlinerForWindows(this);
}

KxOutliner::~KxOutliner() {
    Clear();
    delete impl_;
    impl_ = nullptr;
}

static _KxOutlinerForWindows* Windows(_KxOutliner* impl) { return static_cast<_KxOutlinerForWindows*>(impl); }

void KxOutliner::MouseMove(const MouseEvent&) {}
void KxOutliner::MouseButtonDown(const MouseEvent&) {}
void KxOutliner::MouseButtonUp(const MouseEvent&) {}
void KxOutliner::GetFocus() {}
void KxOutliner::LoseFocus() {}
void KxOutliner::RequestHelp(const HelpEvent&) {}
bool KxOutliner::Drop(const DropEvent&) { return false; }
bool KxOutliner::QueryDrop(DropEvent&) { return false; }
void KxOutliner::HideFocus() {}

void KxOutliner::KeyInput(const KeyEvent& event) {
    const char c = event.GetCharCode();
    if (c == '\n' || c == '\r') Activate();
    else SetSelectedEntryBeginningWithChar(c);
}

void KxOutliner::Select() {
    if (!selectHdl_.IsSet()) return;
    selectHdl_.Call(this);
    ShowFocus();
}

void KxOutliner::DoubleClick() {
    if (doubleClickHdl_.IsSet() && doubleClickHdl_.Call(this) != 0) return;
    Activate();
}

void KxOutliner::Activate() {
    // Enter or a double click without a selected node (an empty list, a click below the items)
    // has nothing to toggle.
    KxOutlinerNode* node = GetSelectedEntry();
    if (node == nullptr) return;
    if (node->isExpanded()) node->expand(0, 1);
    else node->expand(1, 0);
}

void KxOutliner::ShowFocus() {
    if (impl_ != nullptr) SetFocus(Windows(impl_)->listBox());
}

void KxOutliner::Show() {
    Window::Show();
    if (impl_ == nullptr) return;
    SetLastError(0);
    ShowWindow(Windows(impl_)->notifyWindow(), SW_SHOW);
    if (GetLastError() != 0) OutputDebugStringA("KxOutliner: unable to show notify window\n");
    SetLastError(0);
    ShowWindow(Windows(impl_)->listBox(), SW_SHOW);
    if (GetLastError() != 0) OutputDebugStringA("KxOutliner: unable to show listbox window\n");
}

void KxOutliner::Hide() { Window::Hide(); }

void KxOutliner::Enable() {
    Window::Enable();
    if (impl_ != nullptr) EnableWindow(Windows(impl_)->listBox(), TRUE);
}

void KxOutliner::Disable() {
    Window::Disable();
    if (impl_ != nullptr) EnableWindow(Windows(impl_)->listBox(), FALSE);
}

unsigned short KxOutliner::InsertEntry(KxOutlinerNode* node, unsigned short pos) {
    assert(node != nullptr);
    // The node-list position, and the list position: the visible nodes before it.
    if (pos == KX_OUTLINER_NOPOS || pos > nodes_.Count()) pos = static_cast<unsigned short>(nodes_.Count());
    if (pos > 0) {
        auto* previous = static_cast<const KxOutlinerNode*>(nodes_.GetObject(pos - 1U));
        if (previous != nullptr && node->indentLevel() > previous->indentLevel() + 1) {
            theStream << "inserted node indentLevel > previousNode indentLeve+1, ignored." << endl;
            theStream << "error inserting item " << node->textualRepresentation().GetStr() << " at pos " << pos
                      << ". " << KX_OUTLINER_WHERE << endl;
            return KX_OUTLINER_NOPOS;
        }
    }
    unsigned short item = 0;
    for (unsigned long i = 0; i < pos; ++i) {
        auto* n = static_cast<const KxOutlinerNode*>(nodes_.GetObject(i));
        if (n != nullptr && n->isVisible()) ++item;
    }
    nodes_.Insert(node, pos);
    node->flags_ |= KxOutlinerNode::kVisible;
    if (impl_ == nullptr) return item;
    HWND list = Windows(impl_)->listBox();
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    const LPARAM data = reinterpret_cast<LPARAM>(node);
    const LRESULT result = item == count ? SendMessageA(list, LB_ADDSTRING, 0, data)
                                         : SendMessageA(list, LB_INSERTSTRING, item, data);
    if (result != item) {
        theStream << "error inserting item " << node->textualRepresentation().GetStr() << " at pos " << pos
                  << " because " << static_cast<long>(result) << ". " << KX_OUTLINER_WHERE << endl;
    }
    return item;
}

KxOutlinerNode* KxOutliner::RemoveEntry(unsigned short pos) {
    KxOutlinerNode* node = GetEntry(pos);
    if (node == nullptr) {
        theStream << "node not found, not removed. " << KX_OUTLINER_WHERE << endl;
        return nullptr;
    }
    return RemoveEntry(static_cast<const KxOutlinerNode*>(node));
}

KxOutlinerNode* KxOutliner::RemoveEntry(const KxOutlinerNode* node) {
    if (node == nullptr) return nullptr;
    if (impl_ != nullptr && node->isVisible()) impl_->removeNode(node);
    return static_cast<KxOutlinerNode*>(nodes_.Remove(node));
}

void KxOutliner::Clear() {
    if (impl_ != nullptr) SendMessageA(Windows(impl_)->listBox(), LB_RESETCONTENT, 0, 0);
    for (unsigned long i = 0; i < nodes_.Count(); ++i) delete static_cast<KxOutlinerNode*>(nodes_.GetObject(i));
    nodes_.Clear();
}

unsigned short KxOutliner::GetEntryPos(const KxOutlinerNode* node) const {
    if (impl_ == nullptr || node == nullptr) return KX_OUTLINER_NOPOS;
    const LRESULT pos = SendMessageA(Windows(impl_)->listBox(), LB_FINDSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(node));
    return pos < 0 ? KX_OUTLINER_NOPOS : static_cast<unsigned short>(pos);
}

KxOutlinerNode* KxOutliner::GetEntry(unsigned short pos) const {
    if (impl_ == nullptr) return nullptr;
    HWND list = Windows(impl_)->listBox();
    if (pos >= SendMessageA(list, LB_GETCOUNT, 0, 0)) return nullptr;
    const LRESULT data = SendMessageA(list, LB_GETITEMDATA, pos, 0);
    return data == LB_ERR ? nullptr : reinterpret_cast<KxOutlinerNode*>(data);
}

unsigned short KxOutliner::GetEntryCount() const { return static_cast<unsigned short>(nodes_.Count()); }

KxOutlinerNode* KxOutliner::GetSelectedEntry() const {
    if (impl_ == nullptr) return nullptr;
    const LRESULT item = SendMessageA(Windows(impl_)->listBox(), LB_GETCURSEL, 0, 0);
    return item < 0 ? nullptr : GetEntry(static_cast<unsigned short>(item));
}

unsigned short KxOutliner::GetSelectedEntryPos() const {
    const KxOutlinerNode* node = GetSelectedEntry();
    const unsigned long pos = node != nullptr ? nodes_.GetPos(node) : CONTAINER_ENTRY_NOTFOUND;
    if (pos == CONTAINER_ENTRY_NOTFOUND) {
        theStream << "KxOutliner::GetSelectedEntryPos() : cannot retrieve clicked entry. " << KX_OUTLINER_WHERE
                  << endl;
        return KX_OUTLINER_NOPOS;
    }
    return static_cast<unsigned short>(pos);
}

KxOutlinerNode* KxOutliner::GetEntryCarelessOfVisibility(unsigned short pos) const {
    return static_cast<KxOutlinerNode*>(nodes_.GetObject(pos));
}

KxOutlinerNode* KxOutliner::GetParentEntry(unsigned short pos) const {
    KxOutlinerNode* node = GetEntry(pos);
    return node != nullptr ? GetParentEntry(node) : nullptr;
}

KxOutlinerNode* KxOutliner::GetParentEntry(KxOutlinerNode* node) const {
    if (node == nullptr) return nullptr;
    for (unsigned long i = nodes_.GetPos(node); i != CONTAINER_ENTRY_NOTFOUND && i > 0; --i) {
        auto* before = static_cast<KxOutlinerNode*>(nodes_.GetObject(i - 1));
        if (before != nullptr && before->isVisible() && before->indentLevel() < node->indentLevel()) return before;
    }
    return node;
}

void KxOutliner::SetSelectedEntryPos(unsigned short pos) {
    if (impl_ == nullptr) return;
    if (SendMessageA(Windows(impl_)->listBox(), LB_SETCURSEL, pos, 0) == LB_ERR) {
        theStream << "KxOutliner::SetSelectedEntryPos : cannot SetCurSel on index " << pos << endl;
        return;
    }
    Select();
}

void KxOutliner::SetSelectedEntry(KxOutlinerNode* node) { SetSelectedEntryPos(GetEntryPos(node)); }

void KxOutliner::SetSelectedEntryBeginningWithChar(char key) {
    const unsigned long count = nodes_.Count();
    if (count == 0) return;
    // After the selected node; from the first node when none is selected.
    const KxOutlinerNode* selected = GetSelectedEntry();
    const unsigned long start = selected != nullptr ? nodes_.GetPos(selected) : CONTAINER_ENTRY_NOTFOUND;
    const unsigned long first = start == CONTAINER_ENTRY_NOTFOUND ? 0 : (start + 1) % count;
    const unsigned long steps = start == CONTAINER_ENTRY_NOTFOUND ? count : count - 1;
    const int wanted = std::tolower(static_cast<unsigned char>(key));
    for (unsigned long k = 0; k < steps; ++k) {
        auto* node = static_cast<KxOutlinerNode*>(nodes_.GetObject((first + k) % count));
        if (node == nullptr) {
            theStream << "outliner : zero node pointer encountered, ignored... " << KX_OUTLINER_WHERE << endl;
            continue;
        }
        if (!node->isVisible()) continue;
        const unsigned char c = static_cast<unsigned char>(node->textualRepresentation()[0]);
        if (c != 0 && std::tolower(c) == wanted) {
            SetSelectedEntry(node);
            return;
        }
    }
}

void KxOutliner::SetSelectedEntryCarelessOfVisibility(unsigned short pos) {
    KxOutlinerNode* node = GetEntryCarelessOfVisibility(pos);
    if (node == nullptr) return;
    // The hidden node's ancestors up to the nearest visible one, innermost first.
    std::vector<KxOutlinerNode*> ancestors;
    unsigned long at = pos;
    const KxOutlinerNode* current = node;
    while (!current->isVisible()) {
        KxOutlinerNode* parent = nullptr;
        for (unsigned long i = at; i > 0; --i) {
            auto* before = static_cast<KxOutlinerNode*>(nodes_.GetObject(i - 1));
            if (before != nullptr && before->indentLevel() < current->indentLevel()) {
                parent = before;
                at = i - 1;
                break;
            }
        }
        if (parent == nullptr) return;  // no visible ancestor: nothing to select
        ancestors.push_back(parent);
        current = parent;
    }
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) (*it)->expand(1, 0);
    SetSelectedEntry(node);
}

void KxOutliner::ChangeSizePixel(const Size& size) {
    Window::SetSizePixel(size);
    if (impl_ == nullptr) return;
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER;
    if (!SetWindowPos(Windows(impl_)->notifyWindow(), nullptr, 0, 0, size.Width(), size.Height(), flags))
        theStream << "KxOutliner: unable to resize notify window" << endl;
    if (!SetWindowPos(Windows(impl_)->listBox(), nullptr, 0, 0, size.Width(), size.Height(), flags))
        theStream << "KxOutliner: unable to resize listbox window" << endl;
}

void KxOutliner::SetPosSizePixel(const Point& pos, const Size& size) {
    Window::SetPosSizePixel(pos, size);
    if (impl_ == nullptr) return;
    if (!MoveWindow(Windows(impl_)->notifyWindow(), 0, 0, size.Width(), size.Height(), TRUE))
        OutputDebugStringA("KxOutliner: unable to move/resize notify window\n");
    if (!MoveWindow(Windows(impl_)->listBox(), 0, 0, size.Width(), size.Height(), TRUE))
        OutputDebugStringA("KxOutliner: unable to move/resize listbox window\n");
}

Point KxOutliner::GetPosPixel() const { return Window::GetPosPixel(); }
Size KxOutliner::GetSizePixel() const { return Window::GetSizePixel(); }

Link KxOutliner::ChangeSelectHdl(const Link& link) {
    const Link previous = selectHdl_;
    selectHdl_ = link;
    return previous;
}

Link KxOutliner::GetSelectHdl() const { return selectHdl_; }

Link KxOutliner::ChangeDoubleClickHdl(const Link& link) {
    const Link previous = doubleClickHdl_;
    doubleClickHdl_ = link;
    return previous;
}

Link KxOutliner::GetDoubleClickHdl() const { return doubleClickHdl_; }

void KxOutliner::ToggleExpandBranch(KxOutlinerNode* node, int recurse) {
    assert(node != nullptr);
    if (node->isExpanded()) node->expand(0, 1);
    else node->expand(1, recurse);
}

void KxOutliner::ToggleExpandBranch(unsigned short pos, int recurse) {
    ToggleExpandBranch(GetEntryCarelessOfVisibility(pos), recurse);
}

void KxOutliner::SetTextColorForIndentLevel(const Color& color, unsigned short level) {
    if (impl_ != nullptr) Windows(impl_)->setTextColorForIndentLevel(color, level);
}

Rectangle KxOutliner::GetNodeRectangle(unsigned short pos) const {
    return impl_ != nullptr ? Windows(impl_)->nodeRectangle(pos) : Rectangle();
}

Rectangle KxOutliner::GetNodeRectangle(const KxOutlinerNode* node) const { return GetNodeRectangle(GetEntryPos(node)); }

_KxOutliner* KxOutliner::GetImplDependentStuff() const { return impl_; }

void KxOutliner::refreshPresentation(const KxOutlinerNode* node) {
    if (impl_ != nullptr) Windows(impl_)->refreshPresentation(node);
}

_KxOutliner::~_KxOutliner() = default;
