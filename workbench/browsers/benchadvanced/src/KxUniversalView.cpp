// The universal view: a table for containers and arrays, a member tree for anything else.
#include "KxUniversalView.h"

#include <vector>

#include "KvAspect.h"
#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvViewArrangement.h"
#include "KxGenericBrowserView.h"
#include "KxGenericObjectView.h"

struct KxUniversalView::SwitchRecord {
    long reserved = 0;
    KvView* current = nullptr;
    KxGenericBrowserView* browserView = nullptr;
    KvInteractor* browserInteractor = nullptr;
    KxGenericObjectView* objectView = nullptr;
    KvInteractor* objectInteractor = nullptr;
    KvSubject* subject = nullptr;
    KvAspectId id;
    KxUniversalView* view = nullptr;
};

namespace {

// The views attached to a view, taken before the table changes.
std::vector<KvView*> Attached(const KvView& view) {
    std::vector<KvView*> views;
    const Table& table = view.getAttachedViews();
    for (uint32_t i = 0; i < table.Count(); ++i) views.push_back(static_cast<KvView*>(table.GetObject(i)));
    return views;
}

}  // namespace

KxUniversalView::KxUniversalView(KvSubject* subject, KvDialog* dialog, KxOutlinerTagMapper* mapper)
    : KvCompoundView(subject, dialog), tagMapper_(mapper), switch_(new SwitchRecord) {
    switch_->subject = getSubject();
    switch_->view = this;
    displayResponsibleView();
}

KxUniversalView::~KxUniversalView() {
    delete switch_->browserView;
    delete switch_->objectView;
    delete switch_;
    switch_ = nullptr;
}

KvView* KxUniversalView::getCurrentView() const { return switch_->current; }
KxGenericBrowserView* KxUniversalView::getBrowserView() const { return switch_->browserView; }
KxGenericObjectView* KxUniversalView::getObjectView() const { return switch_->objectView; }

KvInteractor* KxUniversalView::attachInteractor(KvInteractor* interactor, ConcreteView which) {
    KvInteractor* previous = nullptr;
    switch (which) {
        case objectView:
            previous = switch_->objectInteractor;
            switch_->objectInteractor = interactor;
            break;
        case browserView:
            previous = switch_->browserInteractor;
            switch_->browserInteractor = interactor;
            break;
        case bothViews:
            previous = switch_->browserInteractor;
            switch_->objectInteractor = interactor;
            switch_->browserInteractor = interactor;
            break;
    }
    return previous;
}

KvInteractor* KxUniversalView::getAttachedInteractor(ConcreteView which) {
    if (which == objectView) return switch_->objectInteractor;
    if (which == browserView) return switch_->browserInteractor;
    return nullptr;
}

void KxUniversalView::dettachInteractor(ConcreteView which) {
    if (which == objectView || which == bothViews) switch_->objectInteractor = nullptr;
    if (which == browserView || which == bothViews) switch_->browserInteractor = nullptr;
}

void KxUniversalView::handleEvent(KvAspectSet& set, KvView* from, const KvVerb&) {
    if (switch_ == nullptr || from == nullptr) return;
    KvSubject* subject = nullptr;
    for (unsigned long i = 0; KvAspect* aspect = set.getObject(i); ++i) {
        if (aspect->aspectType() == 9) {
            subject = aspect->getSubjectPtr();
            break;
        }
    }
    switch_->subject = subject;
    displayResponsibleView();
}

void KxUniversalView::getValue(KvAspectSet& set) {
    if (switch_ != nullptr && switch_->current != nullptr) return switch_->current->getValue(set);
    KvView::getValue(set);
}

void KxUniversalView::show(KvDialog* dialog) {
    if (switch_ != nullptr && switch_->current != nullptr) switch_->current->show(dialog);
}

void KxUniversalView::place(KvView* view) {
    if (KvViewArrangement* arrangement = getArrangement()) {
        arrangement->rearrange();
        return;
    }
    short x = 0, y = 0, width = 0, height = 0;
    getPosAndSize(x, y, width, height);
    view->resize(this, x, y, width, height);
}

void KxUniversalView::displayResponsibleView() {
    SwitchRecord* s = switch_;
    if (s != nullptr) {
        KvSubject* subject = s->subject;
        if (subject == nullptr) {
            if (s->current != nullptr) {
                s->current->hide(this);
                s->current->changeSubject(nullptr);
                s->current = nullptr;
            }
        } else if (subject->isContainer() || subject->isArray()) {
            if (s->browserView == nullptr) {
                s->browserView = new KxGenericBrowserView(nullptr, this, 0);
                if (s->browserInteractor != nullptr) s->browserView->KvView::attachInteractor(s->browserInteractor);
            }
            s->browserView->changeSubject(subject);
            if (s->current == s->objectView || s->current == nullptr) {
                if (s->objectView != nullptr) {
                    s->objectView->changeSubject(nullptr);
                    s->objectView->hide(this);
                    for (KvView* v : Attached(*this)) s->objectView->detachView(v);
                }
                s->browserView->show(this);
                place(s->browserView);
            }
            s->current = s->browserView;
        } else {
            if (s->objectView == nullptr) {
                s->objectView = new KxGenericObjectView(nullptr, this, 0, tagMapper_);
                if (s->objectInteractor != nullptr) s->objectView->KvView::attachInteractor(s->objectInteractor);
            }
            s->objectView->changeSubject(subject);
            if (s->current == s->browserView || s->current == nullptr) {
                if (s->browserView != nullptr) {
                    for (KvView* v : Attached(*this)) s->browserView->detachView(v);
                    s->browserView->changeSubject(nullptr);
                    s->browserView->hide(this);
                }
                s->objectView->show(this);
                place(s->objectView);
            }
            s->current = s->objectView;
        }
    }
    if (s == nullptr || s->current == nullptr) return;
    for (KvView* v : Attached(*this)) s->current->attachView(v);
}
