// KvAspectSet: the owning list of aspects that a subject hands to its views and that views hand
// back with events. Destroying a set deletes the aspects still in it. Iteration uses the list's one
// cursor, so one walk at a time.
#pragma once

#include "KvAspect.h"
#include "KvAspectId.h"
#include "svlist.h"

class KvAspectSet {
public:
    KvAspectSet();
    // Copies share the aspects: one of the two sets must be emptied with clear before both are
    // destroyed.
    KvAspectSet(const KvAspectSet& other);
    KvAspectSet& operator=(const KvAspectSet& other);
    virtual ~KvAspectSet();

    virtual void add(KvAspect* aspect);     // appends
    virtual void remove(KvAspect* aspect);  // takes it out without deleting it
    virtual unsigned long count() const;
    virtual KvAspect* getObject(unsigned long index) const;  // null past the end
    virtual KvAspect* first();
    virtual KvAspect* next();
    virtual KvAspect* prev();
    virtual KvAspect* last();
    virtual void clear();  // empties the list without deleting the aspects

    // Removes and deletes every aspect.
    void deleteAspects();
    // The first aspect whose id equals the id, else null.
    KvAspect* getAspect(KvAspectId id) const;
    // Assigns the aspect to the first one with an equal id: 1 when found, else 0.
    int setAspect(KvAspect& aspect);

    void setAspectState(unsigned long state);
    unsigned long getAspectStateOR() const;   // 0 for an empty set
    unsigned long getAspectStateAND() const;  // 0 for an empty set

    // Each sets or clears its bit on every aspect.
    void setOk();
    void setNotOk();
    void setOriginal();
    void setNotOriginal();
    void setChecked();
    void setNotChecked();
    void setJustCreated();
    void setNotJustCreated();
    void setReadOnly();
    void setNotReadOnly();
    void setRefreshed();
    void setNotRefreshed();
    void setCastError();
    void setNotCastError();
    void setAvail();     // clears the not-available bit
    void setNotAvail();  // sets it

    // 1 when every aspect has the bit (also for an empty set).
    int isOk() const;
    int isOriginal() const;
    int isChecked() const;
    int isJustCreated() const;
    int isReadOnly() const;
    int isRefreshed() const;
    int isCastError() const;
    // 1 when at least one aspect lacks the bit.
    int isNotOk() const;
    int isNotOriginal() const;
    int isNotChecked() const;
    int isNotJustCreated() const;
    int isNotReadOnly() const;
    int isNotRefreshed() const;
    int isNotCastError() const;
    int isAvail() const;     // no aspect has the not-available bit
    int isNotAvail() const;  // at least one has it

    void clearAspectValues();
    // As clearAspectValues, but an aspect holding a subject pointer deletes that subject first.
    void clearAllAspectValues();

private:
    void setBits(unsigned long bits);
    void clearBits(unsigned long bits);
    int allHave(unsigned long bits) const;
    int anyHas(unsigned long bits) const;

    Container aspects_;
};
