// KxGenericAllSetSubject: the extent (all objects) of one persistent class of a base as a table, one
// row per object: the identity columns, one column per base-type member and "object", which opens
// the object. A class-selection event of the class hierarchy switches it to that class; it creates
// new objects of the class and deletes one or all objects at a chosen depth.
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxMetaType.h"

class KvSurrogate;
class KxAllSet;
class KxBase;

class KxGenericAllSetSubject : public KvSubject {
public:
    // Empty until a class is selected; owns the extents it makes.
    explicit KxGenericAllSetSubject(KxBase* base);
    // Over an extent that stays its creator's.
    explicit KxGenericAllSetSubject(KxAllSet* extent);
    ~KxGenericAllSetSubject() override;
    KxGenericAllSetSubject(const KxGenericAllSetSubject&) = delete;
    KxGenericAllSetSubject& operator=(const KxGenericAllSetSubject&) = delete;

    KvSubject* clone() override;
    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    KxErrorCode update(KvAspectSet& set, long hint, const KvVerb& verb) override;
    void getValue(KvAspectSet& set, long row) override;
    KvAspectSet* gimmeYourAspects() override;
    KvAspectId getSurrogateAspectId() override;
    long getObjectsCount() override;
    using KvSubject::handleEvent;
    // A class selection: "class_id" and "text" ("<name>(<version>)") of the event set.
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;
    int isContainer() const override { return 1; }

    void createAspectSet(const KxMetaPersClass* classDesc);
    void createGenericAllSet(const KxMetaPersClass* classDesc);
    const KxMetaPersClass* getAllSetClassDesc() const;
    const KxMetaPersClass* getClassDescriptionFromDictionary(unsigned short classNumber, unsigned long version);
    // Depth: 0 flat, 1 default, 2 no on-demand references, 3 deep.
    KxErrorCode deleteObject(KvSurrogate* surrogate, int32_t depth);
    KxErrorCode deleteAllObjects(int32_t depth);
    KxErrorCode createNewObject();
    void message(KvAspectSet& set, const char* text);

private:
    void countObjects();
    void addClassMemberAspects(const KxMetaPersClass* classDesc);
    struct State;
    State* state_;
};
