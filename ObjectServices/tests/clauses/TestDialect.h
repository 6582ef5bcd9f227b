// A dialect for the clause tests: parameter markers ":1", ":2" ...; SELECT, WHERE, ORDER BY and the row
// limit as a plain product would write them; every other operation does nothing.
#pragma once

#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGOrder.h"
#include "KxGProjection.h"

class ClauseTestDialect : public KxGDatabaseInfo {
public:
    KxString GetProductName() override { return KxString("TEST"); }
    int32_t GetMaxNameLength(int32_t) override { return 30; }
    KxString GetParameterMarker(int32_t position) override
    {
        KxString marker(":");
        marker << position;
        return marker;
    }
    KxString MapName(const KxString& name) override { return name; }
    KxString MapNameUpper(const KxString& name) override { KxString upper(name); upper.ToUpper(); return upper; }
    uint16_t QueryFlag() override { return 0; }
    uint16_t TypeNameOptions(const KxString&, uint8_t& kind) override { kind = 255; return 0; }
    KxString CompareNoCase(uint16_t, const KxString&) override { return KxString(""); }
    void Select(const KxGProjection& projection, KxString& out) override
    {
        out << "SELECT " << projection.GetSelectList() << " FROM " << projection.GetFrom();
    }
    void Where(const KxString& condition, KxString& out) override
    {
        if (!condition.IsEmpty()) {
            out << " WHERE " << condition;
        }
    }
    void OrderBy(const KxString& order, KxString& out) override
    {
        if (!order.IsEmpty()) {
            out << " ORDER BY " << order;
        }
    }
    void RowLimit(KxGCondition& condition, int32_t rows) override
    {
        KxString term("ROWNUM<");
        term << (rows + 1);
        condition.AddCondition(term);
    }
    void ForUpdate(KxString&) override {}
    void IndexHint(KxGStatementTemplate&, const KxString&, const KxString&) override {}
    void Insert(const KxGProjection&, KxString&) override {}
    void Update(const KxGExtendedProjection&, KxString&) override {}
    void Delete(const KxGProjection&, KxString&) override {}
    KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity&, const KxGExtendedProjection&) override
    {
        return nullptr;
    }
    KxGCreateStatementTemplate* CreateIndex(const KxGQualifiedIdentity&, const KxGExtendedProjection&,
                                            uint16_t) override
    {
        return nullptr;
    }
    KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity&, const KxGProjection&,
                                           const KxGStatementTemplate&) override
    {
        return nullptr;
    }
    int32_t Triggers(KxGClassMap&, KxGClassMap&, KxGStatementTemplateList&) override { return 0; }
    KxGStatementTemplate* AlterAdd(const KxGExtendedProjection&) override { return nullptr; }
    KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection&, const KxGExtendedProjection&, int32_t) override
    {
        return nullptr;
    }
    KxGStatementTemplate* InsertSelectByCid(const KxGExtendedProjection&, const KxGExtendedProjection&,
                                            const KxGColumnList&, int32_t) override
    {
        return nullptr;
    }
    KxGStatementTemplate* AlterDrop(const KxGExtendedProjection&) override { return nullptr; }
    KxGStatementTemplate* DropTable(const KxGQualifiedIdentity&) override { return nullptr; }
    KxGStatementTemplate* DeleteByCid(const KxGQualifiedIdentity&, int32_t) override { return nullptr; }
    void TimeFixup(const KxGColumn&, const KxGQualifiedIdentity&, KxGStatementTemplateList&) override {}
    KxGStatementTemplate* DropTable2(const KxGCreateStatementTemplate&) override { return nullptr; }
    KxGStatementTemplate* DropIndex(const KxString&, const KxGQualifiedIdentity&) override { return nullptr; }
    KxGStatementTemplate* DropIndex2(const KxGCreateStatementTemplate&) override { return nullptr; }
    KxGStatementTemplate* DropView(const KxGCreateStatementTemplate&) override { return nullptr; }
    KxGStatementTemplate* DropTrigger(const KxGCreateStatementTemplate&) override { return nullptr; }
    void CreateRole(const KxString&, KxGStatementTemplateList&) override {}
    void Grants(const KxString&, const KxString&, KxGCreateStatementTemplate* const*, KxGCreateStatementTemplate* const*,
                KxGStatementTemplateList&) override
    {
    }
    void DropRole(const KxString&, KxGStatementTemplateList&) override {}
    void PrimaryKey(const KxString&, KxString&) override {}
    void TableExists(const KxGQualifiedIdentity&, KxString&) override {}
    void IndexList(KxString&) override {}
    void Count(const KxGQualifiedIdentity&, KxString&) override {}
    int32_t Union(const KxGStatementTemplate&, uint16_t, KxGStatementTemplate&) override { return 0; }
    void CreateLocks(const KxString&, KxGStatementTemplateList&) override {}
    KxGStatementTemplate* CreateActiveClients(const KxString&) override { return nullptr; }
    void DropHelpers(const KxString&, KxGStatementTemplateList&) override {}
    void DropUser(const KxString&, KxGStatementTemplateList&) override {}
    KxString GetTerminator() override { return KxString(";"); }
    KxGTypeConvHdlMgr* GetTypeConvHdlMgr() override { return nullptr; }
    uint16_t SetOption(uint16_t value) override { uint16_t previous = option_; option_ = value; return previous; }
    uint16_t UsesOption() override { return 0; }

private:
    uint16_t option_ = 0;
};
