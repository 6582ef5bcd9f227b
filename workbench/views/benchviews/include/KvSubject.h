// KvSubject: the model of the view framework. It publishes its state as a set of aspects and a
// list of verbs, tells its dependent views when it changes, receives the events of its views and
// of the subjects it is attached to, and keeps parent and child links recorded on both sides.
#pragma once

#include "KvAspectId.h"
#include "KvAspectSet.h"
#include "KvHdl.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "svlist.h"

class KvView;

// The views that show one subject. Iteration uses the table's cursor: one walk at a time.
class KvDependents {
public:
    KvDependents();
    virtual ~KvDependents();
    virtual void add(KvView* view);
    virtual void remove(KvView* view);
    virtual unsigned long count() const;
    virtual KvView* first();
    virtual KvView* next();
    int contains(const KvView* view) const;

private:
    Table views_;
};

class KvSubject : public KvHdl {
public:
    KvSubject();
    ~KvSubject() override;

    virtual KvSubject* clone();  // null
    // Sets the Ok bit on every aspect of the set; success.
    virtual KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb);
    // Tells the dependent views (changed); success.
    virtual KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb);
    // Fills the set with the values of entry index.
    virtual void getValue(KvAspectSet& set, long index) = 0;
    virtual KvAspectSet* gimmeYourAspects();  // null
    virtual KvAspectId getSurrogateAspectId();  // number -2, no name
    virtual long getObjectsCount();
    // An event posted by an attached subject, respectively by a view; nothing here.
    virtual void handleEvent(KvAspectSet& set, KvSubject* from, const KvVerb& verb);
    virtual void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb);
    virtual void addDependent(KvView* view);
    virtual void removeDependent(KvView* view);
    virtual void refresh();
    virtual int isContainer() const;  // 0
    virtual int isArray() const;      // 0
    virtual int isReference() const;  // 0
    virtual int isCompound() const;   // 1
    // An array of verb pointers ended by a null pointer; null here.
    virtual KvVerb** gimmeYourVerbs() const;
    virtual void attachSubject(KvSubject* subject);
    virtual void detachSubject(KvSubject* subject);
    // Hands the event to each attached subject (sender: this subject).
    virtual void postEvent(KvAspectSet& set, const KvVerb& verb);
    virtual void addParent(KvSubject* parent);
    virtual void removeParent(KvSubject* parent);
    virtual void addChild(KvSubject* child);
    virtual void removeChild(KvSubject* child);

    unsigned long getNumParents() const;
    unsigned long getNumChilds() const;
    // Not provided: write a warning line and answer null.
    KvSubject* getParent(unsigned long index);
    KvSubject* getChild(unsigned long index);
    void clearParents();
    void clearChilds();

protected:
    // Calls update (hint, verb) on every dependent view.
    virtual void changed(long hint, const KvVerb& verb);

private:
    Table parents_;
    Table children_;
    long objectsCount_;
    KvDependents dependents_;
    Table attached_;
};
