// The Oracle SQL dialect: the product name, name lengths, parameter markers, name mapping and the
// texts of statements and DDL that depend on Oracle.
//
// Each KxGOraDatabase makes one in its constructor and owns it; the gateway reaches it through
// GetDatabaseInfo. The dialect owns the Oracle type-conversion manager (KxGOraTypeConvHdlMgr).
//
// The statement texts and DDL builders are not served yet: they answer nothing (text operations
// leave `out` unchanged, template builders answer null, list builders append nothing,
// TypeNameOptions answers 0 with kind 255, Union answers -6000) and write a line to the database's
// trace.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGDatabase.h"
#include "KxGOraTypeConvHdlMgr.h"
#include "KxString.h"

class KxGOraDatabaseInfo : public KxGDatabaseInfo {
public:
    // The database is not owned (type handlers, the schema name and the trace come from it). The
    // conversion manager is made here; it is null when its allocation failed. Option value 0.
    explicit KxGOraDatabaseInfo(KxGDatabase* database);
    // Deletes the conversion manager.
    ~KxGOraDatabaseInfo() override;
    KxGOraDatabaseInfo(const KxGOraDatabaseInfo&) = delete;
    KxGOraDatabaseInfo& operator=(const KxGOraDatabaseInfo&) = delete;

    // "ORACLE".
    KxString GetProductName() override;
    // 30 for kinds 0, 1 and 2; 65535 for any other kind.
    int32_t GetMaxNameLength(int32_t kind) override;
    // ":" + position in decimal.
    KxString GetParameterMarker(int32_t position) override;
    // The name unchanged.
    KxString MapName(const KxString& name) override;
    // The name in upper case.
    KxString MapNameUpper(const KxString& name) override;
    // 0.
    uint16_t QueryFlag() override;
    uint16_t TypeNameOptions(const KxString& word, uint8_t& kind) override;
    KxString CompareNoCase(uint16_t flags, const KxString& expression) override;
    void Select(const KxGProjection& projection, KxString& out) override;
    void Where(const KxString& condition, KxString& out) override;
    void OrderBy(const KxString& order, KxString& out) override;
    void RowLimit(KxGCondition& condition, int32_t rows) override;
    void ForUpdate(KxString& out) override;
    void IndexHint(KxGStatementTemplate& statement, const KxString& indexName, const KxString& tableText) override;
    void Insert(const KxGProjection& projection, KxString& out) override;
    void Update(const KxGExtendedProjection& projection, KxString& out) override;
    void Delete(const KxGProjection& projection, KxString& out) override;
    KxGCreateStatementTemplate* CreateTable(const KxGQualifiedIdentity& table,
                                            const KxGExtendedProjection& projection) override;
    KxGCreateStatementTemplate* CreateIndex(const KxGQualifiedIdentity& index, const KxGExtendedProjection& projection,
                                            uint16_t unique) override;
    KxGCreateStatementTemplate* CreateView(const KxGQualifiedIdentity& view, const KxGProjection& projection,
                                           const KxGStatementTemplate& select) override;
    int32_t Triggers(KxGClassMap& source, KxGClassMap& shadow, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* AlterAdd(const KxGExtendedProjection& projection) override;
    KxGStatementTemplate* UpdateByCid(const KxGExtendedProjection& source, const KxGExtendedProjection& target,
                                      int32_t classId) override;
    KxGStatementTemplate* InsertSelectByCid(const KxGExtendedProjection& target, const KxGExtendedProjection& source,
                                            const KxGColumnList& added, int32_t classId) override;
    KxGStatementTemplate* AlterDrop(const KxGExtendedProjection& projection) override;
    KxGStatementTemplate* DropTable(const KxGQualifiedIdentity& table) override;
    KxGStatementTemplate* DeleteByCid(const KxGQualifiedIdentity& table, int32_t classId) override;
    void TimeFixup(const KxGColumn& column, const KxGQualifiedIdentity& table, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* DropTable2(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropIndex(const KxString& indexName, const KxGQualifiedIdentity& table) override;
    KxGStatementTemplate* DropIndex2(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropView(const KxGCreateStatementTemplate& created) override;
    KxGStatementTemplate* DropTrigger(const KxGCreateStatementTemplate& created) override;
    void CreateRole(const KxString& role, KxGStatementTemplateList& list) override;
    void Grants(const KxString& schema, const KxString& role, KxGCreateStatementTemplate* const* classTables,
                KxGCreateStatementTemplate* const* views, KxGStatementTemplateList& list) override;
    void DropRole(const KxString& role, KxGStatementTemplateList& list) override;
    void PrimaryKey(const KxString& columnNames, KxString& out) override;
    void TableExists(const KxGQualifiedIdentity& table, KxString& out) override;
    void IndexList(KxString& out) override;
    void Count(const KxGQualifiedIdentity& table, KxString& out) override;
    int32_t Union(const KxGStatementTemplate& statement, uint16_t all, KxGStatementTemplate& target) override;
    void CreateLocks(const KxString& schema, KxGStatementTemplateList& list) override;
    KxGStatementTemplate* CreateActiveClients(const KxString& schema) override;
    void DropHelpers(const KxString& schema, KxGStatementTemplateList& list) override;
    void DropUser(const KxString& user, KxGStatementTemplateList& list) override;
    // "/".
    KxString GetTerminator() override;
    // The owned Oracle conversion manager; null when it could not be made.
    KxGOraTypeConvHdlMgr* GetTypeConvHdlMgr() override;
    // Stores the value and answers the previous one.
    uint16_t SetOption(uint16_t value) override;
    // 0.
    uint16_t UsesOption() override;

    // The option value last set (0 at construction).
    uint16_t GetOption() const { return option_; }
    KxGDatabase* GetDatabase() const { return database_; }

private:
    // Writes "<operation>: not available yet" to the database's trace.
    void NotYet(const char* operation);

    KxGDatabase* database_;
    std::unique_ptr<KxGOraTypeConvHdlMgr> convMgr_;
    uint16_t option_ = 0;
};
