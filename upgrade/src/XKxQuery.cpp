#include "KxBase.h"
#include "KxClient.h"
#include "KxObject.h"
#include "KxQuery.h"
#include "KxTypeMgr.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"

namespace {

const char16_t kUnit[] = u".\\xkxquery";

}  // namespace

XKxQuery::XKxQuery(XKxDatabase* database, const CString& className, bool persistent) try
    : XKxAllSet(database, className, persistent) {
    query = new KxGenericQuery(GetMetaClass(), 0, 0);
} catch (XKxException& error) {
    error.AddLocation(kUnit, u"XKxQuery::XKxQuery", u"Error initializing <XKxQuery>!");
}

XKxQuery::XKxQuery(XKxDatabase* database) : XKxAllSet(database) {}

XKxQuery::~XKxQuery() {
    try {
        delete query;
    } catch (...) {
    }
    try {
        delete results;
    } catch (...) {
    }
}

template <typename Call>
void XKxQuery::Run(Call call, const CString& failure, const char16_t* function, const char16_t* unknown) {
    if (query == nullptr) return;
    int32_t status = 0;
    try {
        status = call();
    } catch (XKxException&) {
        throw;
    } catch (...) {
        throw XKxException(kUnit, function, unknown);
    }
    if (status < 0) throw XKxException(status, kUnit, function, failure);
}

void XKxQuery::SortBy(const CString& member, int32_t sortOperator) {
    Run([&] { return query->SortBy(CStringToKxString(member), sortOperator, -1, -1, 0); },
        FormatText(u"Error defining a sort order for query in class <%s>!", className), u"XKxQuery::SortBy",
        u"An unknown exception occured while defining a sort order for a query!");
}

void XKxQuery::SetBoolOperator(int32_t op) {
    Run(
        [&] {
            query->SetBoolOp(static_cast<uint8_t>(op));
            return 0;
        },
        FormatText(u"Error setting boolean operator for query in class <%s>!", className), u"XKxQuery::SetBoolOperator",
        u"An unknown exception occured while setting a bool operator for a query!");
}

namespace {

CString ConditionFailure(const CString& member, const CString& className) {
    CString message;
    message.Format(u"Error setting query condition on <%s> for class <%s>!", member, className);
    return message;
}

const char16_t kUnknownCondition[] = u"An unknown exception occured while setting a query condition!";

}  // namespace

void XKxQuery::SetCondition(const CString& member, const KxObject* value, uint16_t op) {
    Run([&] { return query->Set(CStringToKxString(member), value, op, 0); }, ConditionFailure(member, className),
        u"XKxQuery::SetCondition", kUnknownCondition);
}

void XKxQuery::SetCondition(const CString& member, const KxOnDemand& value, uint16_t op) {
    Run([&] { return query->Set(CStringToKxString(member), value, op, 0); }, ConditionFailure(member, className),
        u"XKxQuery::SetCondition", kUnknownCondition);
}

void XKxQuery::ValueCondition(const CString& member, int32_t typeId, const void* value, uint16_t op) {
    Run(
        [&] {
            int32_t status = query->SetMember(CStringToKxString(member));
            if (status == 0) status = query->Set(typeId, 1, value, op, 1, 0);
            return status;
        },
        ConditionFailure(member, className), typeId == KX_TYPE_LONG ? u"XKxQuery::SetSearchCondition" : u"XKxQuery::SetCondition",
        kUnknownCondition);
}

void XKxQuery::SetCondition(const CString& member, const CString& value, uint16_t op) {
    const KxString text = CStringToKxString(value);
    ValueCondition(member, KX_TYPE_STRING, &text, op);
}

void XKxQuery::SetSearchCondition(const CString& member, int value, uint16_t op) {
    const int32_t number = value;
    ValueCondition(member, KX_TYPE_LONG, &number, op);
}

void XKxQuery::SetCondition(const CString& member, int32_t value, uint16_t op) {
    ValueCondition(member, KX_TYPE_INT, &value, op);
}

void XKxQuery::SetCondition(const CString& member, uint32_t value, uint16_t op) {
    ValueCondition(member, KX_TYPE_UINT, &value, op);
}

void XKxQuery::Execute() {
    const char16_t* function = u"XKxQuery::Execute";
    if (query == nullptr) return;
    delete results;
    results = nullptr;
    try {
        results = new KxOnDemandSet(2, database->GetBase(), 0);
    } catch (...) {
        throw XKxException(kUnit, function, u"Error initializing a result set for <XKxQuery>!");
    }
    cursor = 0;
    count = -1;
    XKxAllSet::Query(query, results);
}

int32_t XKxQuery::GetCount() {
    if (count < 0 && results != nullptr) count = results->GetCount(0);
    return count;
}

bool XKxQuery::GetNext(XKxObject& object) {
    return Step(results, object, u"XKxQuery::GetNext", kUnit, u"<m_podsQueryResultSet> for Class <%s> is <NULL>!",
                u"Error getting next OnDemand object from class <%s>, cursor pos: <%d>!",
                u"Error calling Unget() for Object #%d in class <%s>!");
}
