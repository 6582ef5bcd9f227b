// Statement templates: the SQL text of one statement and how the row buffers of a request are bound
// to it.
//
// A template is built once, usually by a class map or a table object, and lives as long as its owner.
// Its text comes from the adapter's dialect (KxGDatabaseInfo) applied to projections, conditions and
// orders; the gateway writes no SQL keyword itself. A statement (KxGStatement.h) is the short-lived use
// of a template on one connection.
//
// Every template carries an id that is unique in the process and never reused; prepared statement
// handles are cached under it (KxGStatementHdlCache). Any change of the text gives the template a new
// id, so a handle prepared for the old text is never handed out for the new one.
#pragma once

#include <cstdint>
#include <memory>

#include "KxGStatusCodes.h"
#include "KxList.h"
#include "KxString.h"

class KxGDatabase;
class KxGDatabaseInfo;
class KxGSQLBuffer;
class KxGStatement;
class KxGSelectStatement;
class KxGSelectStatementTemplate;
class KxGProjection;
class KxGExtendedProjection;
class KxGCondition;
class KxGOrder;
class KxGTable;
class KxGColumnList;
class KxGQualifiedIdentity;

// ---------------------------------------------------------------------------------------------------
// Binding a request's row buffers (BindBuffers). The request execution hands a template a view of the
// request; the class buffer map and the member maps bind their columns through the binders below.
// Positions are 1-based and shared: each binder binds from `position` on and advances it past the
// parameters (or result columns) it bound, so later binders number on.

class KxGBindRequest;

// The class buffer map's side: the id columns of the class's row.
class KxGBufferMapBinder {
public:
    virtual ~KxGBufferMapBinder();
    // Binds as statement parameters; mode 1 or 255 is passed through unchanged. 0 or an error status.
    virtual int32_t BindParameters(KxGStatement& statement, KxGBindRequest& request, uint16_t mode,
                                   uint16_t& position) = 0;
    // Binds as result columns.
    virtual int32_t BindResults(KxGSelectStatement& statement, KxGBindRequest& request, uint16_t mode,
                                uint16_t& column) = 0;
};

// One member map's side: the member's columns.
class KxGMemberMapBinder {
public:
    virtual ~KxGMemberMapBinder();
    virtual int32_t BindParameters(KxGStatement& statement, KxGBindRequest& request, uint16_t& position) = 0;
    virtual int32_t BindResults(KxGSelectStatement& statement, KxGBindRequest& request, uint16_t& column) = 0;
};

// What BindBuffers needs of a request.
class KxGBindRequest {
public:
    virtual ~KxGBindRequest();
    // The request's row buffer; null when it has none (nothing is bound then).
    virtual KxGSQLBuffer* GetRowBuffer() = 0;
    // Rows per fetch asked for the buffer; 0 when not set (the buffer's row count is used).
    virtual uint32_t GetFetchSize() = 0;
    // The class buffer map; null binds no id columns.
    virtual KxGBufferMapBinder* GetBufferMapBinder() = 0;
    // The member maps in the order of the class map's member-map list.
    virtual uint32_t GetMemberMapBinderCount() = 0;
    virtual KxGMemberMapBinder* GetMemberMapBinder(uint32_t index) = 0;
};

// BindBuffers answers KXG_E_NO_STATEMENT_HANDLE when the statement has (or can get) no statement handle.

// ---------------------------------------------------------------------------------------------------

class KxGStatementTemplate {
public:
    KxGStatementTemplate();                                   // empty text
    explicit KxGStatementTemplate(const KxString& text);
    KxGStatementTemplate(const KxGStatementTemplate& other);  // the other's text, an id of its own
    // Copies the other's text (and takes a new id).
    KxGStatementTemplate& operator=(const KxGStatementTemplate& other);
    virtual ~KxGStatementTemplate();

    // The statement that executes this template on the database's connection (caller owns it); null
    // when there is nothing to execute.
    virtual KxGStatement* CreateStatement(KxGDatabase* database);
    // Binds the row buffers of one request to the statement before execution; 0 or an error status.
    // The base binds nothing and answers 0.
    virtual int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request);
    // This template as a select template, or null.
    virtual KxGSelectStatementTemplate* GetSelectTemplate();

    const KxString& GetSQLText() const { return sql_; }
    bool IsEmpty() const { return sql_.IsEmpty(); }
    // Replace or extend the text (the dialect's unions and hints); both take a new id.
    void SetSQLText(const KxString& text);
    void AppendSQLText(const KxString& text);

    // Writes a value into the text in place of the parameter marker of `position` (the dialect's
    // GetParameterMarker): the first occurrence that is not the start of a longer marker (":1" is not
    // found in ":10"). The value is written unchanged: a caller that places it inside quotes escapes
    // it first (KxGAppendLiteral for a single-quoted text). 1 when replaced; 0 without change when
    // position is 0 or negative, the text is empty or the marker does not occur.
    uint16_t BindParameter(const KxString& value, int16_t position, KxGDatabaseInfo& info);

    // The template's id: unique in the process, never reused, renewed whenever the text changes.
    uint64_t GetTemplateId() const { return id_; }

protected:
    // The text; subclasses build it in their constructors (after that only through SetSQLText and
    // AppendSQLText).
    KxString sql_;

private:
    uint64_t id_;
};

// A list of templates (not owned unless ClearAll is called).
class KxGStatementTemplateList : public KxCList {
public:
    KxGStatementTemplateList() = default;
    KxGStatementTemplate* GetTemplate(uint32_t index) const { return static_cast<KxGStatementTemplate*>(Get(index)); }
    // Deletes every template and empties the list.
    void ClearAll();
    // Takes a made template: the list's append result, KXG_E_NO_MEMORY for null; a template the list
    // cannot take is deleted.
    int32_t Adopt(KxGStatementTemplate* statement);
    // Appends "DELETE FROM " and the table, qualified as the table is; as Adopt.
    int32_t AppendDeleteAll(const KxGTable& table);
};

// Store statements (insert, update, delete): no statement when the text is empty.
class KxGStoreStatementTemplate : public KxGStatementTemplate {
public:
    KxGStoreStatementTemplate() = default;
    explicit KxGStoreStatementTemplate(const KxString& text) : KxGStatementTemplate(text) {}
    KxGStoreStatementTemplate(const KxGStoreStatementTemplate& other) = default;
    KxGStoreStatementTemplate& operator=(const KxGStoreStatementTemplate& other) = default;

    // A KxGStoreStatement using the connection's handle cache; null when the text is empty.
    KxGStatement* CreateStatement(KxGDatabase* database) override;
};

// INSERT. BindBuffers: the class buffer map as parameters (mode 255), then every member map.
class KxGInsertStatementTemplate : public KxGStoreStatementTemplate {
public:
    KxGInsertStatementTemplate() = default;
    explicit KxGInsertStatementTemplate(const KxString& text) : KxGStoreStatementTemplate(text) {}
    KxGInsertStatementTemplate(const KxGInsertStatementTemplate& other) = default;
    KxGInsertStatementTemplate& operator=(const KxGInsertStatementTemplate& other) = default;
    // Insert (projection).
    KxGInsertStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info);
    // Insert of a projection on the table holding the columns of list1, list2 and list3 in that order.
    KxGInsertStatementTemplate(const KxGTable& table, const KxGColumnList& list1, const KxGColumnList& list2,
                               const KxGColumnList& list3, KxGDatabaseInfo& info);

    int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request) override;
};

// UPDATE. BindBuffers: every member map, then the class buffer map as parameters (mode 1).
class KxGUpdateStatementTemplate : public KxGStoreStatementTemplate {
public:
    KxGUpdateStatementTemplate(const KxGExtendedProjection& projection, KxGDatabaseInfo& info);
    KxGUpdateStatementTemplate(const KxGExtendedProjection& projection, const KxGCondition& condition,
                               KxGDatabaseInfo& info);
    // Sets the columns of list3 where every column of list1 equals a parameter (markers numbered on from
    // the set columns); list2 is not used. An empty list3 leaves the text empty (no statement).
    KxGUpdateStatementTemplate(const KxGTable& table, const KxGColumnList& list1, const KxGColumnList& list2,
                               const KxGColumnList& list3, KxGDatabaseInfo& info);

    int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request) override;
};

// DELETE. BindBuffers: the class buffer map as parameters (mode 1) only.
class KxGDeleteStatementTemplate : public KxGStoreStatementTemplate {
public:
    KxGDeleteStatementTemplate() = default;
    explicit KxGDeleteStatementTemplate(const KxString& text) : KxGStoreStatementTemplate(text) {}
    KxGDeleteStatementTemplate(const KxGDeleteStatementTemplate& other) = default;
    KxGDeleteStatementTemplate& operator=(const KxGDeleteStatementTemplate& other) = default;
    KxGDeleteStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info);
    KxGDeleteStatementTemplate(const KxGProjection& projection, const KxGCondition& condition, KxGDatabaseInfo& info);
    // Deletes from the table where every column of list1 equals the parameters 1, 2, ...
    KxGDeleteStatementTemplate(const KxGTable& table, const KxGColumnList& list1, const KxGColumnList& list2,
                               const KxGColumnList& list3, KxGDatabaseInfo& info);

    int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request) override;
};

// DDL that creates a table (or index, view, ...): keeps the qualified identity of what it creates.
class KxGCreateStatementTemplate : public KxGStatementTemplate {
public:
    KxGCreateStatementTemplate(const KxGQualifiedIdentity& identity, const KxString& text);
    KxGCreateStatementTemplate(const KxGCreateStatementTemplate& other);
    KxGCreateStatementTemplate& operator=(const KxGCreateStatementTemplate& other);
    ~KxGCreateStatementTemplate() override;

    const KxGQualifiedIdentity& GetIdentity() const { return *identity_; }

private:
    std::unique_ptr<KxGQualifiedIdentity> identity_;
};

// SELECT.
class KxGSelectStatementTemplate : public KxGStatementTemplate {
public:
    KxGSelectStatementTemplate() = default;
    explicit KxGSelectStatementTemplate(const KxString& text) : KxGStatementTemplate(text) {}
    KxGSelectStatementTemplate(const KxGSelectStatementTemplate& other) = default;
    KxGSelectStatementTemplate& operator=(const KxGSelectStatementTemplate& other) = default;
    KxGSelectStatementTemplate(const KxGProjection& projection, KxGDatabaseInfo& info);
    KxGSelectStatementTemplate(const KxGProjection& projection, const KxGCondition& condition, KxGDatabaseInfo& info);
    KxGSelectStatementTemplate(const KxGProjection& projection, const KxGCondition& condition, const KxGOrder& order,
                               KxGDatabaseInfo& info);

    // A KxGSelectStatement using the connection's handle cache.
    KxGStatement* CreateStatement(KxGDatabase* database) override;
    KxGSelectStatementTemplate* GetSelectTemplate() override { return this; }
};

// Reads rows by key: BindBuffers binds the class buffer map as parameters (mode 1) and as results
// (mode 255), then every member map's results.
class KxGNavigationStatementTemplate : public KxGSelectStatementTemplate {
public:
    // Selects the columns of list1, list2, list3 where every column of list1 equals the parameters
    // 1, 2, ...; ordered by the columns of list1 and then of list2 that are marked for ordering;
    // then FOR UPDATE (the dialect's text) when forUpdate is non-zero.
    KxGNavigationStatementTemplate(const KxGTable& table, const KxGColumnList& list1, const KxGColumnList& list2,
                                   const KxGColumnList& list3, KxGDatabaseInfo& info, uint16_t forUpdate);

    int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request) override;
};

// Reads rows for a list of object ids written into the text. The template is a pattern: its text is
// empty until CompleteText puts an id list in; the owner copies the pattern for every use.
// BindBuffers binds the class buffer map as results (mode 255), then every member map's results.
class KxGNavigationManyStatementTemplate : public KxGSelectStatementTemplate {
public:
    // Id-list prefix: selects the columns of list1, list2, list3 where " OID IN (". The dialect's
    // FOR UPDATE text (when forUpdate is non-zero) is kept apart and goes behind the closed list.
    KxGNavigationManyStatementTemplate(const KxGTable& table, const KxGColumnList& list1,
                                       const KxGColumnList& list2, const KxGColumnList& list3,
                                       KxGDatabaseInfo& info, uint16_t forUpdate);
    KxGNavigationManyStatementTemplate(const KxGNavigationManyStatementTemplate& other) = default;
    KxGNavigationManyStatementTemplate& operator=(const KxGNavigationManyStatementTemplate& other) = default;

    // The select text for a list of ids ("1,2,3"): prefix + ids + ")" + the FOR UPDATE text.
    void CompleteText(const KxString& idList);

    const KxString& GetIdListPrefix() const { return prefix_; }
    const KxString& GetForUpdateText() const { return forUpdate_; }

    // A KxGSelectStatement that does not use the handle cache (the text is made for one use).
    KxGStatement* CreateStatement(KxGDatabase* database) override;
    int32_t BindBuffers(KxGStatement* statement, KxGBindRequest* request) override;

private:
    KxString prefix_;
    KxString forUpdate_;
};
