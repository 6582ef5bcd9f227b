// The template constructors that build their SQL text from clause builders through the dialect.
#include <cstdint>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGOrder.h"
#include "KxGProjection.h"
#include "KxGStatementTemplate.h"

namespace {

void AddColumns(KxGProjection& projection, const KxGColumnList& list)
{
    for (uint32_t i = 0; i < list.Count(); ++i) {
        if (const KxGColumn* column = list.GetColumn(i)) {
            projection.AddColumn(*column);
        }
    }
}

// Every column of the list compared with the parameter markers firstMarker, firstMarker + 1, ...
// (terms joined by AND).
KxGCondition KeyCondition(const KxGColumnList& keys, int32_t firstMarker, KxGDatabaseInfo& info)
{
    KxGCondition condition;
    int32_t marker = firstMarker;
    for (uint32_t i = 0; i < keys.Count(); ++i) {
        if (const KxGColumn* column = keys.GetColumn(i)) {
            condition.AddCondition(*column, KXG_OP_EQ, info.GetParameterMarker(marker++), 0);
        }
    }
    return condition;
}

void AddOrdering(KxGOrder& order, const KxGColumnList& list)
{
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const KxGColumn* column = list.GetColumn(i);
        if (column != nullptr && column->IsOrdering()) {
            order.AddOrder(*column, KXG_SORT_ASCENDING, 0);
        }
    }
}

}  // namespace

// ---- INSERT -----------------------------------------------------------------------------------------

KxGInsertStatementTemplate::KxGInsertStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info)
{
    info.Insert(projection, sql_);
}

KxGInsertStatementTemplate::KxGInsertStatementTemplate(const KxGTable& table, const KxGColumnList& list1,
                                                       const KxGColumnList& list2, const KxGColumnList& list3,
                                                       KxGDatabaseInfo& info)
{
    KxGProjection projection(table);
    AddColumns(projection, list1);
    AddColumns(projection, list2);
    AddColumns(projection, list3);
    info.Insert(projection, sql_);
}

// ---- UPDATE -----------------------------------------------------------------------------------------

KxGUpdateStatementTemplate::KxGUpdateStatementTemplate(const KxGExtendedProjection& projection,
                                                       KxGDatabaseInfo& info)
{
    info.Update(projection, sql_);
}

KxGUpdateStatementTemplate::KxGUpdateStatementTemplate(const KxGExtendedProjection& projection,
                                                       const KxGCondition& condition, KxGDatabaseInfo& info)
{
    info.Update(projection, sql_);
    info.Where(condition.GetText(), sql_);
}

KxGUpdateStatementTemplate::KxGUpdateStatementTemplate(const KxGTable& table, const KxGColumnList& list1,
                                                       const KxGColumnList&, const KxGColumnList& list3,
                                                       KxGDatabaseInfo& info)
{
    if (list3.Count() == 0) {
        return;   // nothing to set: no statement
    }
    KxGExtendedProjection projection(table);
    AddColumns(projection, list3);
    info.Update(projection, sql_);
    KxGCondition condition = KeyCondition(list1, static_cast<int32_t>(projection.GetColumnCount()) + 1, info);
    info.Where(condition.GetText(), sql_);
}

// ---- DELETE -----------------------------------------------------------------------------------------

KxGDeleteStatementTemplate::KxGDeleteStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info)
{
    info.Delete(projection, sql_);
}

KxGDeleteStatementTemplate::KxGDeleteStatementTemplate(const KxGProjection& projection,
                                                       const KxGCondition& condition, KxGDatabaseInfo& info)
{
    info.Delete(projection, sql_);
    info.Where(condition.GetText(), sql_);
}

KxGDeleteStatementTemplate::KxGDeleteStatementTemplate(const KxGTable& table, const KxGColumnList& list1,
                                                       const KxGColumnList&, const KxGColumnList&,
                                                       KxGDatabaseInfo& info)
{
    KxGProjection projection(table);
    info.Delete(projection, sql_);
    KxGCondition condition = KeyCondition(list1, 1, info);
    info.Where(condition.GetText(), sql_);
}

// ---- CREATE -----------------------------------------------------------------------------------------

KxGCreateStatementTemplate::KxGCreateStatementTemplate(const KxGQualifiedIdentity& identity, const KxString& text)
    : KxGStatementTemplate(text), identity_(std::make_unique<KxGQualifiedIdentity>(identity))
{
}

KxGCreateStatementTemplate::KxGCreateStatementTemplate(const KxGCreateStatementTemplate& other)
    : KxGStatementTemplate(other), identity_(std::make_unique<KxGQualifiedIdentity>(*other.identity_))
{
}

KxGCreateStatementTemplate& KxGCreateStatementTemplate::operator=(const KxGCreateStatementTemplate& other)
{
    if (this != &other) {
        KxGStatementTemplate::operator=(other);
        *identity_ = *other.identity_;
    }
    return *this;
}

KxGCreateStatementTemplate::~KxGCreateStatementTemplate() = default;

// ---- SELECT -----------------------------------------------------------------------------------------

KxGSelectStatementTemplate::KxGSelectStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info)
{
    info.Select(projection, sql_);
}

KxGSelectStatementTemplate::KxGSelectStatementTemplate(const KxGProjection& projection,
                                                       const KxGCondition& condition, KxGDatabaseInfo& info)
{
    info.Select(projection, sql_);
    info.Where(condition.GetText(), sql_);
}

KxGSelectStatementTemplate::KxGSelectStatementTemplate(const KxGProjection& projection,
                                                       const KxGCondition& condition, const KxGOrder& order,
                                                       KxGDatabaseInfo& info)
{
    info.Select(projection, sql_);
    info.Where(condition.GetText(), sql_);
    info.OrderBy(order.GetText(), sql_);
}

KxGNavigationStatementTemplate::KxGNavigationStatementTemplate(const KxGTable& table, const KxGColumnList& list1,
                                                               const KxGColumnList& list2,
                                                               const KxGColumnList& list3, KxGDatabaseInfo& info,
                                                               uint16_t forUpdate)
{
    KxGProjection projection(table);
    AddColumns(projection, list1);
    AddColumns(projection, list2);
    AddColumns(projection, list3);
    info.Select(projection, sql_);
    KxGCondition condition = KeyCondition(list1, 1, info);
    info.Where(condition.GetText(), sql_);
    KxGOrder order;
    AddOrdering(order, list1);
    AddOrdering(order, list2);
    info.OrderBy(order.GetText(), sql_);
    if (forUpdate != 0) {
        info.ForUpdate(sql_);
    }
}

KxGNavigationManyStatementTemplate::KxGNavigationManyStatementTemplate(
    const KxGTable& table, const KxGColumnList& list1, const KxGColumnList& list2, const KxGColumnList& list3,
    KxGDatabaseInfo& info, uint16_t forUpdate)
    : prefix_(KxString::EmptyString()), forUpdate_(KxString::EmptyString())
{
    KxGProjection projection(table);
    AddColumns(projection, list1);
    AddColumns(projection, list2);
    AddColumns(projection, list3);
    info.Select(projection, prefix_);
    info.Where(KxString(" OID IN ("), prefix_);
    // The lock clause must follow the closed id list, so it is kept apart (see CompleteText).
    if (forUpdate != 0) {
        info.ForUpdate(forUpdate_);
    }
}
