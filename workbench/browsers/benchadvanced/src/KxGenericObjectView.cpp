// The generic object view: one object's members as a tree, navigation to the subjects behind
// them, and editing through the subject's edit protocol.
#include "KxGenericObjectView.h"

#include <set>

#include "KvDialog.h"
#include "KvSubject.h"
#include "KvViewArrangement.h"
#include "KxBrowserKernel.h"
#include "KxErrorCode.h"
#include "KxGenericBrowserView.h"
#include "KxViewSupport.h"
#include "KxWOStream.h"

namespace {

KxWOStream diag;
const char* const kSource = "src\\genobjvw";

#define GOV_DIAG(view, message) \
    (diag << " <<< generic object view " << static_cast<void*>(view) << " >>> " << message << " >>> " << kSource << __LINE__ << endl)

String SvText(const KxString& s) { return String(s.StrGet()); }

}  // namespace

// ---- nodes

OutlinerNodeWithAspect::OutlinerNodeWithAspect(KxOutliner* outliner, const KvAspect& aspect, KvSubject* array, long index)
    : KxOutlinerNode(outliner), aspect_(new KvAspect(aspect)), array_(array), index_(index) {
    aspect_->aspectState() = aspect.aspectState();  // read-only and the like stay with the copy
}

OutlinerNodeWithAspect::~OutlinerNodeWithAspect() { delete aspect_; }

// ---- the control

class KxGenericObjectView::Outliner : public KxInteractorOutliner {
public:
    Outliner(KxGenericObjectView* view, Window* parent) : KxInteractorOutliner(view, parent, 16), view_(view) {}
    void DoubleClick() override { view_->navigate(); }
    bool Drop(const DropEvent& event) override {
        if (view_->getAttachedInteractor() != nullptr) return KxInteractorOutliner::Drop(event);
        return view_->drop(this, event) != 0;
    }
    bool QueryDrop(DropEvent& event) override {
        if (view_->getAttachedInteractor() != nullptr) return KxInteractorOutliner::QueryDrop(event);
        return view_->queryDrop(this, event) != 0;
    }

protected:
    void popup(const MouseEvent& event) override { view_->executePopup(this, event); }

private:
    KxGenericObjectView* view_;
};

struct KxGenericObjectView::Record {
    Window* window = nullptr;
    Outliner* outliner = nullptr;
    KvAspectSet* objectAspects = nullptr;
    KvAspectSet postedSet;
    KvAspectId surrogateId;
    KvView* navigationView = nullptr;
    KvSubject* navigationSubject = nullptr;
    KxGenericObjectView* view = nullptr;
    // The array subjects this view listens to, and the subject they belong to.
    std::set<KvSubject*> arrays;
    KvSubject* arraysOwner = nullptr;
};

// ---- the view

KxGenericObjectView::KxGenericObjectView(KvSubject* subject, KvDialog* dialog, int allowNavigate, KxOutlinerTagMapper* mapper)
    : KvView(subject, dialog), allowNavigate_(allowNavigate != 0), tagMapper_(mapper), record_(new Record) {
    record_->view = this;
    record_->window = dialog != nullptr ? dialog->getPaintWindow() : nullptr;
    record_->outliner = new Outliner(this, record_->window);
    record_->outliner->Show();
    synchronizeViewWithSubject();
}

KxGenericObjectView::~KxGenericObjectView() {
    haveBeenKilled();
    dropArrayDependencies();
    delete record_->outliner;
    record_->outliner = nullptr;
    delete record_->navigationView;
    record_->postedSet.deleteAspects();
    delete record_;
}

KxOutliner* KxGenericObjectView::getOutliner() const { return record_->outliner; }
KvView* KxGenericObjectView::getNavigationView() const { return record_->navigationView; }

OutlinerNodeWithAspect* KxGenericObjectView::getSelectedNode() const {
    return record_->outliner != nullptr ? static_cast<OutlinerNodeWithAspect*>(record_->outliner->GetSelectedEntry()) : nullptr;
}

void KxGenericObjectView::dropArrayDependencies() {
    // The arrays live as long as the subject whose aspects hold them.
    if (record_->arraysOwner != nullptr && record_->arraysOwner == getSubject()) {
        for (KvSubject* array : record_->arrays) array->removeDependent(this);
    }
    record_->arrays.clear();
    record_->arraysOwner = nullptr;
}

void KxGenericObjectView::update(long, const KvVerb&) { synchronizeViewWithSubject(); }

// The arrays are left while their subject is still the one shown, so that none keeps this view as
// a dependent once the view shows another subject.
KvSubject* KxGenericObjectView::changeSubject(KvSubject* subject) {
    dropArrayDependencies();
    return KvView::changeSubject(subject);
}

void KxGenericObjectView::synchronizeViewWithSubject() {
    Outliner* outliner = record_->outliner;
    if (outliner != nullptr) outliner->Clear();
    // The navigation view shows a subject of the object as it was read; reading it again replaces
    // those subjects.
    delete record_->navigationView;
    record_->navigationView = nullptr;
    record_->navigationSubject = nullptr;
    KvSubject* subject = getSubject();
    if (subject == nullptr) return;
    dropArrayDependencies();
    record_->objectAspects = subject->gimmeYourAspects();
    record_->surrogateId = subject->getSurrogateAspectId();
    if (record_->objectAspects == nullptr) {
        GOV_DIAG(this, "No aspects. No cookies.");
    } else {
        subject->getValue(*record_->objectAspects, 0);
    }
    if (record_->objectAspects == nullptr || outliner == nullptr) {
        GOV_DIAG(this, "no aspects or no outliner. ");
        return;
    }
    record_->arraysOwner = subject;
    for (unsigned long i = 0; KvAspect* aspect = record_->objectAspects->getObject(i); ++i)
        if (aspect->isAvail()) createNode(aspect, 0);
}

String KxGenericObjectView::nodeValueAsString(KvAspect* aspect) {
    if (aspect == nullptr) return "nil";
    switch (aspect->aspectType()) {
        case 9: return aspect->getSubjectPtr() != nullptr ? ">>>" : "NULL";
        case 10: return String(static_cast<long>(aspect->getByte()));
        case 11: return String(std::string(1, aspect->getChar()).c_str());
        case 12: return aspect->getConstCharPtr();
        case 14: return SvText(aspect->getOriginalString());
        case 21: {
            String text("Tessaform BLOB Length=");
            text += String(static_cast<long>(aspect->getKxBlob().Length()));
            return text;
        }
        default: break;
    }
    aspect->setNotCastError();
    String text = aspect->getSvString();
    if (aspect->isCastError() || aspect->aspectType() == 0) {
        text = SvText(aspect->getString());
        text += aspect->aspectType() == 0 ? " (unknown type)" : " (conversion possibly inaccurate)";
    }
    return text;
}

void KxGenericObjectView::createNode(KvAspect* aspect, int level) {
    Outliner* outliner = record_->outliner;
    if (outliner == nullptr) return;
    String text;
    if (aspect == nullptr) {
        text = "empty !?";
    } else {
        text = SvText(aspect->getTypeTag());
        text += " ";
        text += SvText(aspect->getTitle());
        if (aspect->aspectType() != 9) {
            text += " : ";
            text += nodeValueAsString(aspect);
        } else if (aspect->getSubjectPtr() == nullptr) {
            text += "[null]";
        }
    }
    KvAspect none(KvAspectId("empty"));
    auto* node = new OutlinerNodeWithAspect(outliner, aspect != nullptr ? *aspect : none);
    node->setTextualRepresentation(text);
    if (aspect != nullptr) KxApplyTagIcons(node, tagMapper_, aspect->tag());
    node->setIndentLevel(static_cast<unsigned short>(level));
    if (outliner->InsertEntry(node, KX_OUTLINER_NOPOS) == KX_OUTLINER_NOPOS) {
        delete node;
        return;
    }
    KvSubject* array = aspect != nullptr && aspect->aspectType() == 9 ? aspect->getSubjectPtr() : nullptr;
    if (array == nullptr || !array->isArray()) return;
    KvAspectSet* elements = array->gimmeYourAspects();
    if (elements == nullptr || elements->getObject(0) == nullptr) return;
    const long count = array->getObjectsCount();
    for (long i = 0; i < count; ++i) {
        array->getValue(*elements, i);
        KvAspect* element = elements->getObject(0);
        auto* child = new OutlinerNodeWithAspect(outliner, *element, array, i);
        String childText = SvText(element->getTypeTag());
        childText += " ";
        childText += SvText(element->getTitle());
        childText += " : ";
        childText += nodeValueAsString(element);
        child->setTextualRepresentation(childText);
        child->setIndentLevel(static_cast<unsigned short>(level + 1));
        if (outliner->InsertEntry(child, KX_OUTLINER_NOPOS) == KX_OUTLINER_NOPOS) delete child;
    }
    array->addDependent(this);
    record_->arrays.insert(array);
}

void KxGenericObjectView::navigate() {
    delete record_->navigationView;
    record_->navigationView = nullptr;
    record_->navigationSubject = nullptr;
    OutlinerNodeWithAspect* node = getSelectedNode();
    KvDialog* dialog = getDialog();
    if (record_->outliner == nullptr || record_->objectAspects == nullptr || node == nullptr || dialog == nullptr) return;
    KvAspect* aspect = node->getAspect();
    KvSubject* target = aspect->aspectType() == 9 ? aspect->getSubjectPtr() : nullptr;
    if (allowNavigate_ && target != nullptr) {
        // A container is shown as a table, anything else as a member tree.
        KvView* view = nullptr;
        if (target->isContainer()) {
            view = new KxGenericBrowserView(target, dialog, 1);
        } else {
            view = new KxGenericObjectView(target, dialog, 1, nullptr);
        }
        view->show(dialog);
        record_->navigationView = view;
        record_->navigationSubject = target;
        if (KvViewArrangement* arrangement = dialog->getArrangement()) arrangement->rearrange();
        return;
    }
    KvAspectSet& posted = record_->postedSet;
    if (posted.count() == 0) posted.add(new KvAspect(KvAspectId("posted aspect")));
    KvAspect* first = posted.getObject(0);
    if (first == nullptr) {
        GOV_DIAG(this, "posting to attached views not possible.");
        return;
    }
    if (target != nullptr) {
        *first = *aspect;
    } else {
        *first = static_cast<KvSubject*>(nullptr);
    }
    postEvent(posted, KvVerb("navigate", nullptr, nullptr, 1));
}

void KxGenericObjectView::editCurrentEntry() {
    KvSubject* subject = getSubject();
    if (record_->outliner == nullptr || record_->window == nullptr || subject == nullptr) {
        GOV_DIAG(this, "Cannot edit, no outliner!?");
        return;
    }
    OutlinerNodeWithAspect* node = getSelectedNode();
    if (node == nullptr) {
        GOV_DIAG(this, "Cannot edit, aspect for editing is nil.");
        return;
    }
    KvAspect* nodeAspect = node->getAspect();
    if (nodeAspect->isReadOnly()) {
        InfoBox(record_->window, "Member is read only.").Execute();
        return;
    }
    KvSubject* array = node->getArraySubject();
    const long index = node->getIndex();
    KvAspectSet set;
    set.add(nodeAspect);
    KxErrorCode result = subject->update(set, 0, KvVerb("pre edit", nullptr, nullptr, 1));
    bool changed = false;
    if (!result) {
        KvAspect* editAspect = set.getAspect(KvAspectId("EditAspect"));
        const short answer = KxRunAspectEdit(record_->window, editAspect != nullptr ? editAspect : nodeAspect);
        if (answer == 1) {
            result = subject->update(set, 0, KvVerb("post edit", nullptr, nullptr, 1));
            changed = !result;
        }
        if (!changed) {
            // A refused "post edit" stays the result to show.
            const KxErrorCode setBack = subject->update(set, 0, KvVerb("set back", nullptr, nullptr, 1));
            if (!result) result = setBack;
        }
    }
    // The node goes when the subject reports the change: its aspect leaves the set first.
    set.remove(nodeAspect);
    if (changed) {
        const KvVerb edit("edit", nullptr, nullptr, 1);
        if (array != nullptr) {
            KvAspectSet* elements = array->gimmeYourAspects();
            if (elements != nullptr) {
                array->getValue(*elements, index);
                if (KvAspect* element = elements->getAspect(nodeAspect->aspectId())) *element = *nodeAspect;
                result = array->validate(*elements, index, edit);
                if (!result) result = array->update(*elements, index, edit);
            }
        } else {
            KvAspectSet& aspects = *record_->objectAspects;
            if (KvAspect* member = aspects.getAspect(nodeAspect->aspectId())) {
                if (member->aspectType() == 9 && nodeAspect->aspectType() == 9) {
                    // The subject the member held belongs to the subject's set: it goes.
                    if (record_->navigationSubject == member->getSubjectPtr()) {
                        delete record_->navigationView;
                        record_->navigationView = nullptr;
                        record_->navigationSubject = nullptr;
                    }
                    KxGiveSubject(member, nodeAspect->getSubjectPtr());
                } else {
                    *member = *nodeAspect;
                }
            }
            result = subject->validate(aspects, 0, edit);
            if (!result) result = subject->update(aspects, 0, edit);
        }
    }
    if (result) result.display();
}

KvSubject* KxGenericObjectView::getContextSubject() {
    OutlinerNodeWithAspect* node = getSelectedNode();
    if (node != nullptr && node->getAspect()->aspectType() == 9 && node->getAspect()->getSubjectPtr() != nullptr)
        return node->getAspect()->getSubjectPtr();
    return getSubject();
}

KvVerb** KxGenericObjectView::getContextVerbs() {
    KvSubject* context = getContextSubject();
    return context != nullptr ? context->gimmeYourVerbs() : nullptr;
}

void KxGenericObjectView::executePopup(Window* window, const MouseEvent& event) {
    OutlinerNodeWithAspect* node = getSelectedNode();
    const bool readOnly = node != nullptr && node->getAspect()->isReadOnly();
    if (KxRunContextPopup(window, event.GetPosPixel(), getContextSubject(), getContextVerbs(), readOnly)) editCurrentEntry();
}

void KxGenericObjectView::mouseButtonDown(Window*, const MouseEvent&) {}
void KxGenericObjectView::startDrag(Window*) {}
unsigned char KxGenericObjectView::drop(Window*, const DropEvent&) { return 0; }
unsigned char KxGenericObjectView::queryDrop(Window*, const DropEvent&) { return 0; }

void KxGenericObjectView::resize(KvDialog* dialog) {
    if (!KxFitOutliner(dialog, record_->outliner))
        GOV_DIAG(this, "resizing not done. Dialog or parent window or outliner " "not available. ");
}

void KxGenericObjectView::resize(KvDialog*, short x, short y, short width, short height) {
    if (record_->outliner != nullptr) record_->outliner->SetPosSizePixel(Point(x, y), Size(width, height));
}

void KxGenericObjectView::show(KvDialog* dialog) {
    resize(dialog);
    if (record_->outliner != nullptr) record_->outliner->Show();
}

void KxGenericObjectView::hide(KvDialog*) {
    if (record_->outliner != nullptr) record_->outliner->Hide();
}

void KxGenericObjectView::getPosAndSize(short& x, short& y, short& width, short& height) {
    if (record_->outliner == nullptr) return KvView::getPosAndSize(x, y, width, height);
    KxOutlinerGeometry(*record_->outliner, x, y, width, height);
}
