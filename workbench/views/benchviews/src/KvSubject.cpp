#include "KvSubject.h"

#include <vector>

#include "KvView.h"
#include "KxWOStream.h"

namespace {

KxWOStream theStream;

TableKey Key(const void* p) { return reinterpret_cast<TableKey>(p); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// KvDependents

KvDependents::KvDependents() : views_(16, 16) {}
KvDependents::~KvDependents() = default;
void KvDependents::add(KvView* view) { views_.Insert(Key(view), view); }
void KvDependents::remove(KvView* view) { views_.Remove(Key(view)); }
unsigned long KvDependents::count() const { return views_.Count(); }
KvView* KvDependents::first() { return static_cast<KvView*>(views_.First()); }
KvView* KvDependents::next() { return static_cast<KvView*>(views_.Next()); }
int KvDependents::contains(const KvView* view) const { return views_.IsKeyValid(Key(view)); }

// ---------------------------------------------------------------------------------------------
// KvSubject

KvSubject::KvSubject() : parents_(16, 16), children_(16, 16), objectsCount_(1), attached_(16, 16) {}

// The views still showing this subject forget it (they are not updated), so that none of them
// reaches a destroyed subject later.
KvSubject::~KvSubject() {
    clearChilds();
    clearParents();
    for (KvView* v = dependents_.first(); v; v = dependents_.next())
        if (v->subject_ == this) v->subject_ = nullptr;
}

KvSubject* KvSubject::clone() { return nullptr; }

KxErrorCode KvSubject::validate(KvAspectSet& set, long, const KvVerb&) {
    set.setOk();
    return KxErrorCode();
}

KxErrorCode KvSubject::update(KvAspectSet&, long hint, const KvVerb& verb) {
    changed(hint, verb);
    return KxErrorCode();
}

KvAspectSet* KvSubject::gimmeYourAspects() { return nullptr; }

KvAspectId KvSubject::getSurrogateAspectId() { return KvAspectId(-2, nullptr); }

long KvSubject::getObjectsCount() { return objectsCount_; }

void KvSubject::handleEvent(KvAspectSet&, KvSubject*, const KvVerb&) {}

void KvSubject::handleEvent(KvAspectSet&, KvView*, const KvVerb&) {}

void KvSubject::addDependent(KvView* view) { dependents_.add(view); }

void KvSubject::removeDependent(KvView* view) { dependents_.remove(view); }

void KvSubject::refresh() {}

int KvSubject::isContainer() const { return 0; }
int KvSubject::isArray() const { return 0; }
int KvSubject::isReference() const { return 0; }
int KvSubject::isCompound() const { return 1; }

KvVerb** KvSubject::gimmeYourVerbs() const { return nullptr; }

void KvSubject::attachSubject(KvSubject* subject) { attached_.Insert(Key(subject), subject); }

void KvSubject::detachSubject(KvSubject* subject) { attached_.Remove(Key(subject)); }

void KvSubject::postEvent(KvAspectSet& set, const KvVerb& verb) {
    for (uint32_t i = 0; i < attached_.Count(); ++i)
        static_cast<KvSubject*>(attached_.GetObject(i))->handleEvent(set, this, verb);
}

void KvSubject::addParent(KvSubject* parent) {
    if (parent == nullptr || parent == this) return;
    if (parents_.Insert(Key(parent), parent)) parent->children_.Insert(Key(this), this);
}

void KvSubject::addChild(KvSubject* child) {
    if (child == nullptr || child == this) return;
    if (children_.Insert(Key(child), child)) child->parents_.Insert(Key(this), this);
}

void KvSubject::removeParent(KvSubject* parent) {
    if (parent == nullptr) return;
    parents_.Remove(Key(parent));
    parent->children_.Remove(Key(this));
}

void KvSubject::removeChild(KvSubject* child) {
    if (child == nullptr) return;
    children_.Remove(Key(child));
    child->parents_.Remove(Key(this));
}

unsigned long KvSubject::getNumParents() const { return parents_.Count(); }

unsigned long KvSubject::getNumChilds() const { return children_.Count(); }

KvSubject* KvSubject::getParent(unsigned long) {
    theStream << "WARNING WARNING WARNING\tKvSubject::getParent, sorry not implemented!!!" << endl;
    return nullptr;
}

KvSubject* KvSubject::getChild(unsigned long) {
    theStream << "WARNING WARNING WARNING\tKvSubject::getChild, sorry not implemented!!!" << endl;
    return nullptr;
}

void KvSubject::clearChilds() {
    while (KvSubject* child = static_cast<KvSubject*>(children_.First())) {
        child->removeParent(this);
        children_.Remove(Key(child));
    }
}

void KvSubject::clearParents() {
    while (KvSubject* parent = static_cast<KvSubject*>(parents_.First())) {
        parent->removeChild(this);
        parents_.Remove(Key(parent));
    }
}

// Each view that is still a dependent when its turn comes is updated, so that a view leaving the
// subject (or destroyed) during another view's update is not called.
void KvSubject::changed(long hint, const KvVerb& verb) {
    std::vector<KvView*> views;
    for (KvView* v = dependents_.first(); v; v = dependents_.next()) views.push_back(v);
    for (KvView* v : views)
        if (dependents_.contains(v)) v->update(hint, verb);
}
