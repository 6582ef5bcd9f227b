// The object navigation view: a tree of the objects reachable from one object, growing as nodes
// open, that posts the selected node's subject to the attached views.
#include "KxObjectNavigationView.h"

#include <cstdlib>
#include <string>

#include "KvDialog.h"
#include "KvSubject.h"
#include "KxBrowserKernel.h"
#include "KxErrorCode.h"
#include "KxViewSupport.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\objnavvw";

#define NAV_DIAG(view, message) \
    (diag << " <<< object navigation view " << static_cast<void*>(view) << " >>> " << message << " >>> " << kSource << __LINE__ << endl)

String SvText(const KxString& s) { return String(s.StrGet()); }

KvSubject* SubjectOf(const KvAspect* aspect) {
    return aspect != nullptr && aspect->aspectType() == 9 ? aspect->getSubjectPtr() : nullptr;
}

// Type tag, blank, title; "[null]" for a null subject.
String NodeText(const KvAspect& aspect) {
    String text = SvText(aspect.getTypeTag());
    text += " ";
    text += SvText(aspect.getTitle());
    if (aspect.aspectType() == 9 && aspect.getSubjectPtr() == nullptr) text += "[null]";
    return text;
}

// While a node opens or closes, the outliner's own expansion of its descendants adds and removes
// nothing: an object graph with a cycle would otherwise grow without end.
int expanding = 0;

}  // namespace

// ---- nodes

NavigationOutlinerNode::NavigationOutlinerNode(KxOutliner* outliner, KxObjectNavigationView* view, KvSubject* subject,
                                               const KvAspect& aspect, KxOutlinerTagMapper* mapper, bool ownsSubject)
    : KxOutlinerNode(outliner),
      view_(view),
      subject_(subject),
      aspect_(new KvAspect(aspect)),
      mapper_(mapper),
      ownsSubject_(ownsSubject) {
    aspect_->aspectState() = aspect.aspectState();
}

NavigationOutlinerNode::~NavigationOutlinerNode() {
    if (ownsSubject_) {
        if (view_->record_ != nullptr) view_->forgetSubject(subject_);
        delete subject_;
    }
    delete aspect_;
}

void NavigationOutlinerNode::setSubject(KvSubject* subject) {
    if (ownsSubject_ && subject_ != subject) delete subject_;
    subject_ = subject;
    ownsSubject_ = false;
}

void NavigationOutlinerNode::removeChildren() {
    for (NavigationOutlinerNode* child : children_) {
        child->removeChildren();
        getOutliner()->RemoveEntry(child);
        view_->forgetSubject(child->subject_);
        delete child;
    }
    children_.clear();
}

void NavigationOutlinerNode::makeChildren() {
    KvAspectSet* aspects = subject_->gimmeYourAspects();
    if (aspects == nullptr) return;
    unsigned long position = view_->nodeListPos(this);
    if (position == KX_OUTLINER_NOPOS) return;
    ++position;
    const int level = indentLevel() + 1;
    if (!subject_->isArray() && !subject_->isContainer()) {
        subject_->getValue(*aspects, 0);
        for (unsigned long i = 0; KvAspect* aspect = aspects->getObject(i); ++i) {
            if (aspect->aspectType() != 9) continue;
            if (NavigationOutlinerNode* child = view_->createNode(aspect, position, level)) {
                children_.push_back(child);
                ++position;
            }
        }
        return;
    }
    const long count = subject_->getObjectsCount();
    for (long i = 0; i < count; ++i) {
        subject_->getValue(*aspects, i);
        KvAspect* row = aspects->getAspect(KvAspectId("object"));
        if (row == nullptr) row = aspects->getObject(0);
        if (row == nullptr || row->aspectType() != 9) continue;
        NavigationOutlinerNode* child = view_->createNode(row, position, level);
        if (child == nullptr) continue;
        // The next row replaces the subject in the aspect: the node keeps this one.
        if (subject_->isContainer() && row->getSubjectPtr() != nullptr) {
            child->ownsSubject_ = true;
            *row = static_cast<KvSubject*>(nullptr);
        }
        children_.push_back(child);
        ++position;
    }
}

void NavigationOutlinerNode::expand(int open, int recurse) {
    if (expanding > 0) return KxOutlinerNode::expand(open, recurse);
    ++expanding;
    if (open != 0) {
        if (children_.empty() && subject_ != nullptr) makeChildren();
    } else {
        removeChildren();
    }
    KxOutlinerNode::expand(open, recurse);
    --expanding;
}

// ---- the control

class KxObjectNavigationView::Outliner : public KxInteractorOutliner {
public:
    Outliner(KxObjectNavigationView* view, Window* parent) : KxInteractorOutliner(view, parent, 16), view_(view) {}

protected:
    void popup(const MouseEvent& event) override { view_->executePopup(this, event); }

private:
    KxObjectNavigationView* view_;
};

struct KxObjectNavigationView::Record {
    Window* window = nullptr;
    Outliner* outliner = nullptr;
    KvAspectSet* objectAspects = nullptr;
    KvAspectId surrogateId;
    KvSubject* lastSubject = nullptr;
    KvAspectSet postedSet;
    bool navigationEnabled = true;
    KxObjectNavigationView* view = nullptr;
};

// ---- the view

KxObjectNavigationView::KxObjectNavigationView(KvSubject* subject, KvDialog* dialog, KxOutlinerTagMapper* mapper)
    : KvView(subject, dialog), tagMapper_(mapper), record_(new Record) {
    record_->view = this;
    record_->window = dialog != nullptr ? dialog->getPaintWindow() : nullptr;
    record_->outliner = new Outliner(this, record_->window);
    record_->outliner->Show();
    record_->outliner->ChangeSelectHdl(Link(this, &NavigateStub));
    update(0, KvVerb(nullptr, nullptr, nullptr, 1));
}

KxObjectNavigationView::~KxObjectNavigationView() {
    haveBeenKilled();
    Record* record = record_;
    delete record->outliner;
    record_ = nullptr;
    record->postedSet.deleteAspects();  // the subject it points to is not the set's
    delete record;
}

long KxObjectNavigationView::NavigateStub(void* view, void*) {
    static_cast<KxObjectNavigationView*>(view)->navigate();
    return 1;
}

KxOutliner* KxObjectNavigationView::getOutliner() const { return record_->outliner; }

NavigationOutlinerNode* KxObjectNavigationView::getSelectedNode() const {
    return static_cast<NavigationOutlinerNode*>(record_->outliner->GetSelectedEntry());
}

void KxObjectNavigationView::setNavigationEnabled(bool enabled) { record_->navigationEnabled = enabled; }

unsigned short KxObjectNavigationView::nodeListPos(const KxOutlinerNode* node) const {
    const KxOutliner* outliner = record_->outliner;
    for (unsigned short i = 0; i < outliner->GetEntryCount(); ++i)
        if (outliner->GetEntryCarelessOfVisibility(i) == node) return i;
    return KX_OUTLINER_NOPOS;
}

void KxObjectNavigationView::forgetSubject(KvSubject* subject) {
    if (record_ != nullptr && subject != nullptr && record_->lastSubject == subject) record_->lastSubject = nullptr;
}

void KxObjectNavigationView::update(long, const KvVerb&) {
    KxOutliner* outliner = record_->outliner;
    const bool anySelected = outliner->GetSelectedEntry() != nullptr;
    const unsigned short position = anySelected ? outliner->GetSelectedEntryPos() : 0;
    synchronizeViewWithSubject();
    if (anySelected && position < outliner->GetEntryCount()) outliner->SetSelectedEntryCarelessOfVisibility(position);
}

void KxObjectNavigationView::synchronizeViewWithSubject() {
    KvSubject* subject = getSubject();
    if (subject == nullptr) {
        NAV_DIAG(this, "no subject. ");
        return;
    }
    Outliner* outliner = record_->outliner;
    outliner->Hide();
    record_->objectAspects = subject->gimmeYourAspects();
    record_->surrogateId = subject->getSurrogateAspectId();
    outliner->Clear();
    record_->lastSubject = nullptr;
    if (record_->objectAspects == nullptr) {
        NAV_DIAG(this, "No aspects. No cookies.");
        NAV_DIAG(this, "no aspects or no outliner. ");
        outliner->Show();
        return;
    }
    subject->getValue(*record_->objectAspects, 0);
    KvAspect* identity = record_->objectAspects->getAspect(record_->surrogateId);
    KvAspect none(record_->surrogateId);
    const KvAspect& rootAspect = identity != nullptr ? *identity : none;
    auto* root = new NavigationOutlinerNode(outliner, this, subject, rootAspect, tagMapper_);
    String text = SvText(rootAspect.getTypeTag());
    text += " ";
    text += SvText(rootAspect.getTitle());
    text += SvText(rootAspect.getString());
    KvDialog* dialog = getDialog();
    if (dialog != nullptr && dialog->getDialogWindow() != nullptr) text = dialog->getDialogWindow()->GetText();
    root->setTextualRepresentation(text);
    outliner->InsertEntry(root, KX_OUTLINER_NOPOS);
    for (unsigned long i = 0; KvAspect* aspect = record_->objectAspects->getObject(i); ++i) {
        if (!aspect->isAvail()) continue;
        if (NavigationOutlinerNode* child = createNode(aspect, KX_OUTLINER_NOPOS, 1)) root->addChild(child);
    }
    outliner->Show();
}

NavigationOutlinerNode* KxObjectNavigationView::createNode(KvAspect* aspect, unsigned long position, int level) {
    if (aspect == nullptr) {
        NAV_DIAG(this, "aspect is nil.");
        return nullptr;
    }
    if (aspect->aspectType() != 9) return nullptr;
    KvSubject* subject = aspect->getSubjectPtr();
    if (subject != nullptr && !subject->isContainer() && !subject->isReference() && !subject->isCompound()) return nullptr;
    auto* node = new NavigationOutlinerNode(record_->outliner, this, subject, *aspect, tagMapper_);
    node->setTextualRepresentation(NodeText(*aspect));
    node->setIndentLevel(static_cast<unsigned short>(level));
    KxApplyTagIcons(node, tagMapper_, aspect->tag());
    if (record_->outliner->InsertEntry(node, static_cast<unsigned short>(position)) == KX_OUTLINER_NOPOS) {
        delete node;
        return nullptr;
    }
    return node;
}

void KxObjectNavigationView::navigate() {
    if (!record_->navigationEnabled) return;
    NavigationOutlinerNode* node = getSelectedNode();
    if (node == nullptr) return;
    navigate(nodeListPos(node), node->getSubject());
}

void KxObjectNavigationView::navigate(unsigned short position, KvSubject* subject) {
    KvAspectSet& posted = record_->postedSet;
    if (posted.count() == 0) posted.add(new KvAspect(KvAspectId("Object to Inspect"), static_cast<KvSubject*>(nullptr)));
    *posted.getObject(0) = subject;
    if (record_->lastSubject == nullptr || record_->lastSubject != subject) {
        auto* node = static_cast<NavigationOutlinerNode*>(record_->outliner->GetEntryCarelessOfVisibility(position));
        if (node != nullptr && node->getSubject() != subject) node->setSubject(subject);
        postEvent(posted, KvVerb("Selection changed", nullptr, nullptr, 1));
    }
    record_->lastSubject = subject;
}

void KxObjectNavigationView::handleEvent(KvAspectSet& set, KvView*, const KvVerb& verb) {
    if (!KxVerbNamed(verb, "Double Click") && !KxVerbNamed(verb, "Double Clicked") && !KxVerbNamed(verb, "Select") &&
        !KxVerbNamed(verb, "Navigate"))
        return;
    KxOutliner* outliner = record_->outliner;
    if (outliner == nullptr) {
        NAV_DIAG(this, "no outliner to navigate in.");
        return;
    }
    KvAspect* target = nullptr;
    for (unsigned long i = 0; KvAspect* aspect = set.getObject(i); ++i) {
        if (aspect->aspectType() == 9) {
            target = aspect;
            break;
        }
    }
    auto* node = getSelectedNode();
    if (node == nullptr) return;
    if (!node->isExpanded()) node->expand(1, 0);
    if (target == nullptr) return;
    const unsigned short childLevel = node->indentLevel() + 1;
    KxOutlinerNode* child = node->getNextVisibleNode();
    if (child != nullptr && child->indentLevel() != childLevel) child = nullptr;
    for (; child != nullptr; child = child->getNextVisibleNodeOnSameIndentLevel(childLevel)) {
        auto* candidate = static_cast<NavigationOutlinerNode*>(child);
        if (candidate->getAspect()->aspectId() != target->aspectId()) continue;
        candidate->expand(1, 0);
        outliner->SetSelectedEntryCarelessOfVisibility(nodeListPos(candidate));
        return;
    }
}

void KxObjectNavigationView::getValue(KvAspectSet& set) { KvView::getValue(set); }

void KxObjectNavigationView::editCurrentEntry() {
    KxOutliner* outliner = record_->outliner;
    if (outliner == nullptr || record_->window == nullptr) {
        NAV_DIAG(this, "Cannot edit, no outliner!?");
        return;
    }
    NavigationOutlinerNode* node = getSelectedNode();
    if (node == nullptr) {
        NAV_DIAG(this, "Cannot edit, aspect for editing is nil.");
        return;
    }
    auto* parent = static_cast<NavigationOutlinerNode*>(outliner->GetParentEntry(node));
    KvSubject* editing = parent != nullptr && parent != node && parent->getSubject() != nullptr ? parent->getSubject() : getSubject();
    KvAspectSet* subjectAspects = editing != nullptr ? editing->gimmeYourAspects() : nullptr;
    if (subjectAspects == nullptr) return;
    KvAspect* nodeAspect = node->getAspect();
    if (nodeAspect->isReadOnly()) {
        InfoBox(record_->window, "Member is read only.").Execute();
        return;
    }
    KvAspectSet set;
    set.add(nodeAspect);
    KxErrorCode result = editing->update(set, 0, KvVerb("pre edit", nullptr, nullptr, 1));
    KvAspect* editAspect = set.getAspect(KvAspectId("EditAspect"));
    long index = 0;
    if (editAspect != nullptr && editAspect->aspectType() == 18) {
        // "#3, ..." names element 3.
        const std::string title = editAspect->getTitle().ToUtf8();
        const size_t begin = title.find_first_not_of("# ,");
        if (begin != std::string::npos) index = std::strtol(title.c_str() + begin, nullptr, 10);
    }
    if (!result && editAspect != nullptr) {
        bool changed = false;
        if (KxRunAspectEdit(record_->window, editAspect) == 1) {
            result = editing->update(set, index, KvVerb("post edit", nullptr, nullptr, 1));
            changed = !result;
        }
        if (changed) {
            set.remove(nodeAspect);
            KvSubject* now = SubjectOf(nodeAspect);
            KvAspect* member = subjectAspects->getAspect(nodeAspect->aspectId());
            if (member != nullptr) {
                if (member->aspectType() == 9 && nodeAspect->aspectType() == 9) {
                    // The node's subject was the member's, which goes: the node follows the member.
                    node->removeChildren();
                    forgetSubject(member->getSubjectPtr());
                    node->setSubject(now);
                    KxGiveSubject(member, now);
                } else {
                    *member = *nodeAspect;
                }
                node->setTextualRepresentation(NodeText(*nodeAspect));
            }
            const KvVerb edit("edit", nullptr, nullptr, 1);
            result = editing->validate(*subjectAspects, 0, edit);
            if (!result) result = editing->update(*subjectAspects, 0, edit);
            // The view may have been built anew by the subject's change.
            if (member != nullptr && getSelectedNode() != nullptr) navigate(nodeListPos(getSelectedNode()), SubjectOf(member));
        } else {
            const KxErrorCode setBack = editing->update(set, index, KvVerb("set back", nullptr, nullptr, 1));
            if (!result) result = setBack;
        }
    }
    set.remove(nodeAspect);
    if (result) result.display();
}

KvSubject* KxObjectNavigationView::getContextSubject() {
    NavigationOutlinerNode* node = getSelectedNode();
    return node != nullptr && node->getSubject() != nullptr ? node->getSubject() : getSubject();
}

KvVerb** KxObjectNavigationView::getContextVerbs() {
    KvSubject* context = getContextSubject();
    return context != nullptr ? context->gimmeYourVerbs() : nullptr;
}

void KxObjectNavigationView::executePopup(Window* window, const MouseEvent& event) {
    NavigationOutlinerNode* node = getSelectedNode();
    const bool readOnly = node != nullptr && node->getAspect()->isReadOnly();
    if (KxRunContextPopup(window, event.GetPosPixel(), getContextSubject(), getContextVerbs(), readOnly)) editCurrentEntry();
}

void KxObjectNavigationView::resize(KvDialog* dialog) {
    if (!KxFitOutliner(dialog, record_->outliner))
        NAV_DIAG(this, "resizing not done. Dialog or parent window or outliner " "not available. ");
}

void KxObjectNavigationView::resize(KvDialog*, short x, short y, short width, short height) {
    record_->outliner->SetPosSizePixel(Point(x, y), Size(width, height));
}

void KxObjectNavigationView::show(KvDialog* dialog) {
    resize(dialog);
    record_->outliner->Show();
    if (record_->outliner->GetSelectedEntry() == nullptr && record_->outliner->GetEntryCount() > 0)
        record_->outliner->SetSelectedEntryCarelessOfVisibility(0);
}

void KxObjectNavigationView::getPosAndSize(short& x, short& y, short& width, short& height) {
    KxOutlinerGeometry(*record_->outliner, x, y, width, height);
}
