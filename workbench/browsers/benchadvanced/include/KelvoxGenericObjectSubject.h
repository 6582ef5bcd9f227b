// KelvoxGenericObjectSubject: the base of the subjects that show a piece of a persistent object
// (object, embedded object, on-demand reference, class schema, set, array member). It owns the
// aspect set it publishes and the child subjects its aspects hold, builds that set from a class or
// set description (identity aspects "OID", "ClassId", "LocalClassId", "ClassName" and one aspect per
// member), fills the identity aspects of an object and runs the steps by which a reference member
// is edited ("pre edit", "post edit", "set back").
//
// Aspect tags: 1 base-type value (and the identity aspects), 2 embedded object (and the "object"
// aspect of a row), 3 reference, 4 set or container.
//
// Container subjects (KxGenericContainerSubjects.h) derive from it too.
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"
#include "KvVerb.h"
#include "KxErrorCode.h"
#include "KxMetaType.h"

class KxObject;
class KxTypeMgr;
class ResId;

enum : long { KX_TAG_BASE_TYPE = 1, KX_TAG_COMPOUND = 2, KX_TAG_REFERENCE = 3, KX_TAG_CONTAINER = 4 };

class KelvoxGenericObjectSubject : public KvSubject {
public:
    KelvoxGenericObjectSubject();
    // Destroys the subjects that the own aspects hold, then the aspects.
    ~KelvoxGenericObjectSubject() override;
    KelvoxGenericObjectSubject(const KelvoxGenericObjectSubject&) = delete;
    KelvoxGenericObjectSubject& operator=(const KelvoxGenericObjectSubject&) = delete;

    KxErrorCode validate(KvAspectSet& set, long hint, const KvVerb& verb) override;
    KvAspectSet* gimmeYourAspects() override;
    // "OID".
    KvAspectId getSurrogateAspectId() override;
    using KvSubject::handleEvent;
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override;

    // Appends "OID", "ClassId", "LocalClassId" and "ClassName" (read-only, tag 1) to the own set.
    void addSurrogateAndOtherStuffAspects();
    // Fills those of the identity aspects that the set holds; "not available" without object,
    // class or type manager. With an object, the aspects "CheckedOut" and "LockedPersistent" that
    // the set holds receive the object's check-out and persistent-lock subjects when it carries
    // such a property (else no subject), and "Lock" and "Watch" its lock and watch information
    // subjects; the set's holder owns them (a subject an aspect held before is destroyed).
    void readSurrogateAndOtherStuff(KvAspectSet& set, KxObject* object, const KxMetaPersClass* classDesc,
                                    KxTypeMgr* typeMgr);
    // Rebuilds the own set from a class: identity aspects when embedded is 1, then one aspect per
    // member (bases' first).
    void createAspectSet(const KxMetaClass* classDesc, KxTypeMgr* typeMgr, int embedded);
    // From a set description: a type set adds one aspect named after its element type (tag 4) to
    // what the set holds; an object, class or on-demand set rebuilds the set with the identity
    // aspects, one aspect per base-type member of the element class and "object".
    void createAspectSet(const KxMetaSet* setDesc, KxTypeMgr* typeMgr);
    // From a container's basic-type element: one aspect named after the element type (tag 4) added
    // to what the set holds.
    void createAspectSet(const KxMetaBasicType* elementDesc, KxTypeMgr* typeMgr);
    void addClassMemberAspects(const KxMetaClass* classDesc, KxTypeMgr* typeMgr);
    // 1 when the class is the class of the id or derives from it.
    static int IsInheritedBy(const KxMetaClass* classDesc, const KxClassId& id);
    // Copies at most length characters of a string resource of this library into buffer.
    static void getText(const ResId& id, char* buffer, int length);

protected:
    virtual KxErrorCode updatePreEdit(KvAspectSet& set, long hint);
    virtual KxErrorCode updatePostEdit(KvAspectSet& set, long hint);
    virtual KxErrorCode updateSetBack(KvAspectSet& set, long hint);
    // Runs "pre edit", "post edit" or "set back" (true, result set); false for any other verb.
    bool runEditStep(KvAspectSet& set, long hint, const KvVerb& verb, KxErrorCode& result);
    // Destroys the subjects that the own aspects hold (a derived subject calls it before it lets go
    // of what those subjects show).
    void destroyChildSubjects();

    KvAspectSet aspects_;
};

// Verb texts are compared without regard to case; a verb without text matches every text.
bool KxVerbIs(const KvVerb& verb, const char* text);

// Fill a whole aspect set with "<code> : <kernel message>[, <extra>]"; the second keeps "OID" for
// the extra text alone.
void fillAspectsWithError(int code, KvAspectSet& set, const char* extra);
void fillAspectsWithErrorKeepOid(int code, KvAspectSet& set, const char* extra);
// A KxErrorCode of class fatal with the library's string resource.
KxErrorCode KxTextError(unsigned short textId);
