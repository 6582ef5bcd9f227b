// What the subjects of one persistent object's lock, watch and property information share: the
// object held while the subject lives, the aspect set, and "OID" as the surrogate aspect.
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"
#include "KxErrorCode.h"

class KxObject;

class KxObjectAspectSubject : public KvSubject {
public:
    // Destroys the subjects its aspects hold and gives the object's hold back.
    ~KxObjectAspectSubject() override;
    KxObjectAspectSubject(const KxObjectAspectSubject&) = delete;
    KxObjectAspectSubject& operator=(const KxObjectAspectSubject&) = delete;

    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    KvAspectSet* gimmeYourAspects() override;
    KvAspectId getSurrogateAspectId() override;   // "OID"
    using KvSubject::handleEvent;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    KxObject* object() const;

protected:
    // Holds the object (Remember) when one is given; null: no object.
    explicit KxObjectAspectSubject(KxObject* object);

    KvAspectSet aspects_;

private:
    KxObject* object_;
};
