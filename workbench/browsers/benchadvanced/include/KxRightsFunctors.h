// The rights a database user holds on a class, or on one attribute of a class, computed by functors
// over class descriptions. A user's rights come from its own right entries and from those of the
// groups it belongs to (and their groups); they are inherited along the base classes of a class up to
// the first class on each way up that defines any for the user.
//
//   Rights                           four flag bits: rights defined, read, write, delete
//   EffectiveRightsFunctor           a user's rights on the class that accepts it
//   EffectiveAttributeRightsFunctor  a user's rights on one attribute, along the same classes
#pragma once

#include <cstdint>

#include "KxMetaType.h"

class KxUser;

class Rights {
public:
    Rights() = default;
    Rights(const Rights& other) = default;
    Rights& operator=(const Rights& other) = default;
    virtual ~Rights();

    // Each setter stores bit 0 of its argument.
    void setRightsDefined(int defined) { set(kDefined, defined); }
    int rightsDefined() const { return get(kDefined); }
    void setPermRead(int permitted) { set(kRead, permitted); }
    void setPermWrite(int permitted) { set(kWrite, permitted); }
    void setPermDelete(int permitted) { set(kDelete, permitted); }
    int getPermRead() const { return get(kRead); }
    int getPermWrite() const { return get(kWrite); }
    int getPermDelete() const { return get(kDelete); }

private:
    enum : unsigned { kDefined = 1, kRead = 2, kWrite = 4, kDelete = 8 };
    void set(unsigned bit, int on) { flags_ = (on & 1) != 0 ? (flags_ | bit) : (flags_ & ~bit); }
    int get(unsigned bit) const { return (flags_ & bit) != 0 ? 1 : 0; }
    unsigned flags_ = 0;
};

// Read, write and delete of target become the OR of target's and source's; the defined bit stays.
void accumulateRights(Rights& target, Rights source);

class EffectiveRightsFunctor : public KxMetaTypeFunctor {
public:
    // Only the first output is computed; the others are held for the caller. Clears the class-wide
    // list of visited class descriptions.
    EffectiveRightsFunctor(KxUser* user, Rights* rights, Rights* rights2, Rights* rights3, Rights* rights4);
    EffectiveRightsFunctor(const EffectiveRightsFunctor& other) = default;
    EffectiveRightsFunctor& operator=(const EffectiveRightsFunctor& other) = default;
    // Clears the visited list again.
    ~EffectiveRightsFunctor() override;

    int32_t OnClass(const KxMetaClass& metaClass) override;
    // The user's and its groups' rights on the class; without any, those of its base classes.
    virtual int HandleKxMetaClass(const KxMetaClass* desc);
    // The user's own right entries that apply to the class, into rights (the defined bit set when
    // one does).
    virtual void getUserRights(Rights* rights, KxUser* user, const KxMetaClass* desc);
    // The rights of the user and of every group it belongs to, recursively, ORed into target.
    void accumulateUsersRights(Rights* target, KxUser* user, const KxMetaClass* desc);

    Rights* getRights() const { return rights_; }
    Rights* getRights2() const { return rights2_; }
    Rights* getRights3() const { return rights3_; }
    Rights* getRights4() const { return rights4_; }

private:
    KxUser* user_;
    Rights* rights_;
    Rights* rights2_;
    Rights* rights3_;
    Rights* rights4_;
};

class EffectiveAttributeRightsFunctor : public EffectiveRightsFunctor {
public:
    // attribute and attributeClass name the attribute (the class that declares it); value is the
    // attribute's number as the right entries name it.
    EffectiveAttributeRightsFunctor(KxUser* user, const KxMember* attribute, const KxMetaClass* attributeClass,
                                    int value, Rights* rights, Rights* rights2, Rights* rights3, Rights* rights4);
    EffectiveAttributeRightsFunctor(const EffectiveAttributeRightsFunctor& other) = default;
    EffectiveAttributeRightsFunctor& operator=(const EffectiveAttributeRightsFunctor& other) = default;
    ~EffectiveAttributeRightsFunctor() override;

    // The user's own attribute right entries on the attribute within the class.
    void getUserRights(Rights* rights, KxUser* user, const KxMetaClass* desc) override;

private:
    const KxMember* attribute_;
    const KxMetaClass* attributeClass_;
    int value_;
};
