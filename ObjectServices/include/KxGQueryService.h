// The query service: a kernel query (KxQuery) on one class becomes one SELECT over the class's extent
// with bound parameters.
//
// The queried class's extent table is "T0". Member comparisons become terms of a Boolean tree
// (KxGQueryTree.h) whose print is the WHERE clause; each constant is bound as a parameter in marker
// order (NULL tests excepted). String constants holding "*" or "?" become LIKE patterns with "\" as
// the escape character.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "KxGOrder.h"
#include "KxGProjection.h"
#include "KxGQueryTree.h"
#include "KxObjId.h"
#include "KxQuery.h"
#include "KxRef.h"
#include "KxString.h"

class KxGClass;
class KxGDatabase;
class KxGOperationEnvironment;
class KxGColumn;
class KxGMemberMap;
class KxGSchemaMap;
class KxGSetMemberMap;
class KxGTable;

// One bound constant: the column's kernel type code and the value (translated patterns, lower-cased
// or blank-free texts already applied).
struct KxGQueryParameter {
    uint16_t typeCode = 0;
    KxQueryValue value;
};

// The kernel variable behind one bound constant, in the form its column's type handle converts.
struct KxGBoundValue {
    KxString text;
    int16_t i16 = 0;
    uint16_t u16 = 0;
    int32_t i32 = 0;
    uint32_t u32 = 0;
    int64_t i64 = 0;
    double real = 0;
    float real4 = 0;
    KxObjId oid;

    // Stores the constant (a string's UTF-8 text as a KxString of its characters); the variable's
    // address for its type code, or null for a type that cannot be bound or a text that is not UTF-8.
    void* Set(const KxGQueryParameter& param);
};

// The parts of one SELECT: the projection with its FROM list, the order and the root of the tree.
class KxGQueryContext {
public:
    KxGExtendedProjection& GetProjection() { return projection_; }
    KxGOrder& GetOrder() { return order_; }
    KxGQueryTree* GetRoot() const { return root_.get(); }
    // Inserts a tree at the root (the first becomes the root). 0, or KXG_E_QUERY_ACCESS when no
    // operator takes it (the tree is then dropped).
    int32_t Insert(std::unique_ptr<KxGQueryTree> tree);
    // Tables that reference sub-queries join to the FROM list, with their aliases.
    std::vector<std::pair<KxGTable, KxString>>& GetJoinedTables() { return joined_; }

private:
    std::vector<std::pair<KxGTable, KxString>> joined_;
    KxGExtendedProjection projection_;
    KxGOrder order_;
    std::unique_ptr<KxGQueryTree> root_;
};

class KxGQueryService {
public:
    // preScan: non-zero to scan the query's Boolean operators before the walk.
    KxGQueryService(KxGOperationEnvironment* environment, KxGDatabase* database, uint16_t preScan);

    // The SELECT of a query on a class of the schema map: id columns of "T0" (and, for access method
    // 2, the columns of the class's own row in member-map order), FROM the class's extent table,
    // WHERE the printed tree, ORDER BY the sort members (and "T0"."OID" when the environment orders
    // by object id). params receives the constants in marker order. 0 or a status code.
    int32_t BuildSelect(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod, KxString& sql,
                        std::vector<KxGQueryParameter>& params);

    // Runs the query on a class of the schema map through the statement cache: builds the SELECT,
    // binds the constants at their positions, executes (failure: KXG_E_QUERY_EXECUTE_2) and appends
    // the object ids of the rows, fetched 100 at a time, to result. A failed fetch gives its status
    // and appends nothing. The SELECT's template is kept in the query cache under the class id.
    int32_t Run(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod, std::vector<KxObjId>& result);
    // The same, appending each row's reference: its object id and its own class id (the class id
    // column's, so that a row of a subclass names the subclass).
    int32_t Run(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod, std::vector<KxRef>& result);

    // Run on the class of the query's class id in the operation environment's catalog (the lock
    // spec is not used here). KXG_E_NO_CLASS without a catalog.
    int32_t Query(const KxClassId& classId, KxQuery& query, std::vector<KxObjId>& result, const void* lockSpec,
                  uint16_t accessMethod);
    int32_t Query(const KxClassId& classId, KxQuery& query, std::vector<KxRef>& result, const void* lockSpec,
                  uint16_t accessMethod);

    // Runs a caller's SQL text for the class with id parts 100 and 12 (whose class map must exist): a
    // text that is not a query is executed by the statement handle and gives 1; a query must select
    // object ids and class ids (the adapter checks its select list); its rows' references are
    // appended to result, fetched 100 at a time. 0, 1, KXG_E_NO_CLASS, KXG_E_NO_CLASS_MAP_IN_CATALOG,
    // the database error's code when the handle refuses the text, KXG_E_QUERY_EXECUTE_2, or a
    // failed fetch's status (nothing appended then).
    int32_t ExecSQL(KxGSchemaMap* schemaMap, const KxString& sql, std::vector<KxRef>& result);

    // Walks the query (prefix order) into the context's tree and the parameters. aliasCounter: the
    // number of the next table alias. 0 or a status code.
    int32_t ConstructQuery(KxGClass& queried, uint16_t& aliasCounter, KxQuery& query, KxGQueryContext& context,
                           std::vector<KxGQueryParameter>& params);

    // The pre-scan: 1 when every Boolean operator is AND (sub-queries included), 2 otherwise, -1 when
    // the query cannot be read. Reference sub-queries join their tables only under 1.
    static int32_t ScanBoolOps(KxQuery& query);

    // The pattern translation of a string constant: true when the text held "*" or "?" (text is then
    // the LIKE pattern with "\" escaping "\", "%" and "_").
    static bool TranslatePattern(std::string& text);

private:
    int32_t Walk(KxGClass& queried, const KxString& alias, uint16_t& aliasCounter, KxQuery& query,
                 KxGQueryContext& context, std::vector<KxGQueryParameter>& params);
    int32_t SubQuery(KxGClass& queried, const KxQueryOp& op, const KxString& alias, uint16_t& aliasCounter,
                     KxGQueryContext& context, std::vector<KxGQueryParameter>& params);
    // Sub-query on a set member: the owners whose set holds the asked number of matching elements.
    int32_t SetSubQuery(KxGClass& queried, KxGMemberMap& memberMap, const KxQueryOp& op, const KxString& alias,
                        uint16_t& aliasCounter, KxGQueryContext& context, std::vector<KxGQueryParameter>& params);
    // The set table of a set member map (blob sets and sets without a table refused, traced).
    int32_t SetTable(KxGClass& queried, KxGMemberMap& memberMap, uint16_t memberPos, KxGSetMemberMap*& set,
                     KxGTable& table);
    int32_t MemberComparison(KxGClass& queried, const KxQueryOp& op, const KxString& alias, uint16_t& aliasCounter,
                             KxGQueryContext& context, std::vector<KxGQueryParameter>& params);
    // Comparison on a set member itself: the owners whose set holds the asked number of elements (of
    // elements that match the constant, when one is given).
    int32_t SetComparison(KxGClass& queried, KxGMemberMap& memberMap, const KxQueryOp& op, const KxString& alias,
                          uint16_t& aliasCounter, KxGQueryContext& context, std::vector<KxGQueryParameter>& params);
    // The term column + comparison of the operation's constant (bound as the next parameter, NULL
    // tests excepted); empty for an operator of 0. 0 or a status code.
    int32_t ComparisonTerm(const KxGColumn& column, const KxQueryOp& op, std::vector<KxGQueryParameter>& params,
                           KxString& term);

    KxGOperationEnvironment* environment_;
    KxGDatabase* database_;
    uint16_t preScan_;
    KxGDatabase* conversionContext_;
    uint32_t reserved_ = 0;
    int32_t scan_ = 2;
    // While the element query of a set of values is walked: the set table's element column (under
    // the set's alias) that its comparisons read; null otherwise.
    const KxGColumn* valueElement_ = nullptr;
};

class KxBase;
class KxOnDemandSet;

extern "C" {
// Runs a caller's SQL text on the base's gateway database inside the base's current transaction (see
// KxGQueryService::ExecSQL): the references of the rows are appended to the set as on-demand
// references of the base. 0, 1 when the text was not a query and has been executed,
// KXG_E_NO_TXN_CONTEXT when the base has no gateway transaction context with a database,
// KXG_E_INVALID_PARAMETER without a set, or ExecSQL's status (the set unchanged then).
int32_t ExecSQLQuery(KxBase* base, KxString sql, KxOnDemandSet* set);
}

typedef int32_t (*KxGExecSQLQueryFunc)(KxBase* base, KxString sql, KxOnDemandSet* set);
