// XKxAllSet: walks all objects of one persistent class (its extent, subclasses included) one by one,
// handing each to an XKxObject; sets one attribute in every object and switches sets to
// back-pointers. A restartable iterator: after the last object GetNext answers false once and then
// begins again with the first.
//
// XKxQuery: selects objects of one class by conditions on their members, sorted when asked, and walks
// the result like an extent.
#pragma once

#include <cstdint>

#include "XKxClass.h"

class KxAllSet;
class KxGenericQuery;
class KxObject;
class KxObjectSet;
class KxOnDemand;
class KxOnDemandSet;
class KxQuery;

class XKxAllSet : public XKxClass {
public:
    XKxAllSet(XKxDatabase* database, const CString& className, bool persistent);
    explicit XKxAllSet(XKxDatabase* database);
    ~XKxAllSet() override;

    virtual bool GetNext(XKxObject& object);
    virtual int32_t GetCount();
    void Create();
    void Query(KxQuery* query, KxOnDemandSet* results);
    int32_t SwitchSetToBackpointer(const CString& setMember, const CString& backMember);
    int32_t SetAttributeBoolean(const CString& member, bool value);
    int32_t SetAttributeInt(const CString& member, const int32_t& value);

protected:
    // One step of a walk over `set` (first or next by the cursor, -2017 and -2023 skipped, -2005 ends
    // and restarts it); the texts name the set. True when an object was delivered.
    template <typename Set>
    bool Step(Set* set, XKxObject& object, const char16_t* function, const char16_t* unit,
              const char16_t* noSetText, const char16_t* getText, const char16_t* ungetText);

    KxAllSet* allSet = nullptr;
    int32_t count = -1;
    int32_t cursor = 0;
};

class XKxQuery : public XKxAllSet {
public:
    XKxQuery(XKxDatabase* database, const CString& className, bool persistent);
    explicit XKxQuery(XKxDatabase* database);
    ~XKxQuery() override;

    bool GetNext(XKxObject& object) override;
    int32_t GetCount() override;

    // Sort operator: 0 ascending, 1 descending.
    void SortBy(const CString& member, int32_t sortOperator);
    void SetBoolOperator(int32_t op);
    void SetCondition(const CString& member, const KxObject* value, uint16_t op);
    void SetCondition(const CString& member, const KxOnDemand& value, uint16_t op);
    void SetCondition(const CString& member, const CString& value, uint16_t op);
    void SetSearchCondition(const CString& member, int value, uint16_t op);
    void SetCondition(const CString& member, int32_t value, uint16_t op);
    void SetCondition(const CString& member, uint32_t value, uint16_t op);
    void Execute();

private:
    void ValueCondition(const CString& member, int32_t typeId, const void* value, uint16_t op);
    template <typename Call>
    void Run(Call call, const CString& failure, const char16_t* function, const char16_t* unknown);

    KxGenericQuery* query = nullptr;
    KxOnDemandSet* results = nullptr;
};
