#include "KxGQueryService.h"

#include <algorithm>
#include <cctype>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGCatalog.h"
#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"
#include "KxGMemberMap.h"
#include "KxGMemoryLocation.h"
#include "KxGQueryCache.h"
#include "KxGRefMemberMap.h"
#include "KxGSQLBuffer.h"
#include "KxGStatement.h"
#include "KxGStatementHdl.h"
#include "KxGStatementHdlCache.h"
#include "KxGStatementTemplate.h"
#include "KxGTypeHdl.h"
#include "KxGOperationEnvironment.h"
#include "KxGSchemaMap.h"
#include "KxGSetMemberMap.h"
#include "KxGTableMap.h"
#include "KxGBufferMap.h"
#include "KxGStatusCodes.h"
#include "KxGTransactionContext.h"
#include "KxGatewayAdmin.h"
#include "KxGatewayClient.h"
#include "KxBase.h"
#include "KxObject.h"
#include "KxTransaction.h"

namespace {

bool IsStringType(uint16_t typeCode) { return typeCode == 11 || typeCode == 20 || typeCode == 21; }

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(from, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    text.swap(out);
}

// "\n<Error>Line <n> : <text>; ClassName <name> ,ClassId = <id> ,MemberPos = <pos>\n</Error error=-1>\n",
// written only when the database has a trace writer for the bucket's operations.
void TraceError(KxGDatabase* database, int32_t line, const char* text, const KxString& className,
                const KxClassId& classId, uint16_t memberPos)
{
    KxGDatabaseTrace* trace = database != nullptr ? database->GetTrace(KXG_TRACE_CA) : nullptr;
    if (trace == nullptr) {
        return;
    }
    trace->BeginCriticalSection();
    *trace << "\n<Error>" << "Line " << line << " : " << text << "; ClassName " << className << " ,ClassId = "
           << classId << " ,MemberPos = " << memberPos << "\n</Error error=-1>" << "\n";
    trace->EndCriticalSection();
}

KxString AliasName(uint16_t number)
{
    KxString name("T");
    name << static_cast<int32_t>(number);
    return name;
}

}  // namespace

int32_t KxGQueryContext::Insert(std::unique_ptr<KxGQueryTree> tree)
{
    if (!root_) {
        root_ = std::move(tree);
        return 0;
    }
    if (root_->Insert(tree.get()) == 0) {
        return KXG_E_QUERY_ACCESS;
    }
    tree.release();
    return 0;
}

KxGQueryService::KxGQueryService(KxGOperationEnvironment* environment, KxGDatabase* database, uint16_t preScan)
    : environment_(environment), database_(database), preScan_(preScan), conversionContext_(database)
{
}

bool KxGQueryService::TranslatePattern(std::string& text)
{
    if (text.find_first_of("*?") == std::string::npos) {
        return false;
    }
    ReplaceAll(text, "\\", "\\\\");
    ReplaceAll(text, "%", "\\%");
    ReplaceAll(text, "_", "\\_");
    std::replace(text.begin(), text.end(), '*', '%');
    std::replace(text.begin(), text.end(), '?', '_');
    return true;
}

int32_t KxGQueryService::ScanBoolOps(KxQuery& query)
{
    query.Rewind();
    int32_t result = 1;
    for (;;) {
        const KxQueryOp* op = nullptr;
        if (query.Next(op) != 0 || op == nullptr) {
            query.Rewind();
            return -1;
        }
        if (op->kind == KXQ_END) {
            break;
        }
        if (op->kind == KXQ_BOOL && op->boolOp != 1) {
            result = 2;
        }
        if (op->kind == KXQ_SUBQUERY && op->subQuery != nullptr) {
            int32_t inner = ScanBoolOps(*op->subQuery);
            if (inner < 0) {
                query.Rewind();
                return -1;
            }
            if (inner == 2) {
                result = 2;
            }
        }
    }
    query.Rewind();
    return result;
}

int32_t KxGQueryService::MemberComparison(KxGClass& queried, const KxQueryOp& op, const KxString& alias,
                                          uint16_t& aliasCounter, KxGQueryContext& context,
                                          std::vector<KxGQueryParameter>& params)
{
    if (valueElement_ != nullptr) {
        // the element query of a set of values: every comparison is on the element value
        if (op.kind == KXQ_SORT) {
            return KXG_E_QUERY_ACCESS;
        }
        KxString term;
        const int32_t status = ComparisonTerm(*valueElement_, op, params, term);
        if (status != 0) {
            return status;
        }
        return context.Insert(term.IsEmpty() ? std::unique_ptr<KxGQueryTree>(std::make_unique<KxGQueryTreeDummy>())
                                             : std::make_unique<KxGQueryTreeLeaf>(term));
    }
    KxGClass* owner = &queried;
    if (!op.memberClass.IsInvalid() && op.memberClass.GetClassNumber() != queried.GetClassNumber()) {
        owner = queried.GetSchemaMap()->FindClass(op.memberClass.GetClassNumber());
    }
    KxGClassMap* classMap = owner != nullptr ? owner->GetClassMap() : nullptr;
    KxGMemberMap* memberMap = classMap != nullptr ? classMap->GetMemberMap(op.memberPos) : nullptr;
    if (memberMap == nullptr) {
        TraceError(database_, 1028, "Error ERR_KXG_NO_MEMBER: Can't get type attribute member; class name =",
                   queried.GetName(), queried.GetClassId(), op.memberPos);
        return KXG_E_NO_MEMBER;
    }
    if (op.kind != KXQ_SORT && (memberMap->AsSetMemberMap() != nullptr || memberMap->AsBlobSetMemberMap() != nullptr)) {
        return SetComparison(queried, *memberMap, op, alias, aliasCounter, context, params);
    }
    KxGColumnList columns(4);
    memberMap->GetColumns(columns);
    if (columns.Count() == 0) {
        TraceError(database_, 1038, "Error ERR_KXG_NO_COLUMN: Can't get type attribute column; class name =",
                   queried.GetName(), queried.GetClassId(), op.memberPos);
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGColumn column(*columns.GetColumn(0));
    column.SetQualifier(alias);
    if (op.kind == KXQ_SORT) {
        context.GetOrder().AddOrder(column, op.sortOp, 1);
        return 0;
    }
    KxString term;
    int32_t status = ComparisonTerm(column, op, params, term);
    if (status != 0) {
        return status;
    }
    if (term.IsEmpty()) {
        // an operator of 0 adds no term: a place that prints nothing keeps the operators' operands in step
        return context.Insert(std::make_unique<KxGQueryTreeDummy>());
    }
    return context.Insert(std::make_unique<KxGQueryTreeLeaf>(term));
}

int32_t KxGQueryService::ComparisonTerm(const KxGColumn& column, const KxQueryOp& op,
                                        std::vector<KxGQueryParameter>& params, KxString& term)
{
    uint16_t compareOp = op.compareOp;
    if (compareOp == 0) {
        return 0;
    }
    if (!op.hasValue) {
        return KXG_E_QUERY_VALUE;
    }
    KxGQueryParameter param;
    param.typeCode = column.GetTypeCode();
    param.value = op.value;
    if (IsStringType(param.typeCode) && !op.value.isNull) {
        if (param.typeCode == 11 && (op.options & KXQ_OPT_NO_PATTERN) == 0 && TranslatePattern(param.value.text)) {
            if ((compareOp & 0x1) != 0) {
                compareOp |= 0x9;
            } else if ((compareOp & 0x6) == 0x6) {
                compareOp |= 0x8;
            } else {
                return KXG_E_QUERY_OPERATOR;
            }
        }
        if ((op.options & KXQ_OPT_NO_CASE) != 0) {
            for (char& c : param.value.text) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        if ((op.options & KXQ_OPT_NO_BLANKS) != 0) {
            param.value.text.erase(std::remove(param.value.text.begin(), param.value.text.end(), ' '),
                                   param.value.text.end());
        }
    }
    KxString operand;
    if (op.value.isNull) {
        if ((compareOp & 0x800F) != 1 && (compareOp & 0x800F) != 6) {
            return KXG_E_QUERY_OPERATOR;
        }
        compareOp |= KXG_OP_NULL;
        operand = KxString("NULL");
    } else {
        uint16_t comparison = compareOp & 0x800F;
        if (comparison != 1 && comparison != 2 && comparison != 3 && comparison != 4 && comparison != 5 &&
            comparison != 6 && comparison != 9 && comparison != 14) {
            return KXG_E_QUERY_OPERATOR;   // no comparison text: the term would read the column alone
        }
        operand = database_->GetDatabaseInfo()->GetParameterMarker(static_cast<int32_t>(params.size()) + 1);
        params.push_back(param);
    }
    KxString left = column.GetQualifiedName();
    if ((op.options & (KXQ_OPT_NO_CASE | KXQ_OPT_NO_BLANKS)) != 0 && IsStringType(column.GetTypeCode())) {
        left = database_->GetDatabaseInfo()->CompareNoCase(op.options, left);
    }
    term = left;
    term << KxGCondition::Comparison(compareOp, operand);
    return 0;
}

int32_t KxGQueryService::ConstructQuery(KxGClass& queried, uint16_t& aliasCounter, KxQuery& query,
                                        KxGQueryContext& context, std::vector<KxGQueryParameter>& params)
{
    return Walk(queried, AliasName(static_cast<uint16_t>(aliasCounter - 1)), aliasCounter, query, context, params);
}

int32_t KxGQueryService::SubQuery(KxGClass& queried, const KxQueryOp& op, const KxString& alias,
                                  uint16_t& aliasCounter, KxGQueryContext& context,
                                  std::vector<KxGQueryParameter>& params)
{
    if (valueElement_ != nullptr) {
        return KXG_E_QUERY_ACCESS;   // a value element has no members to query further
    }
    KxGClass* owner = &queried;
    if (!op.memberClass.IsInvalid() && op.memberClass.GetClassNumber() != queried.GetClassNumber()) {
        owner = queried.GetSchemaMap()->FindClass(op.memberClass.GetClassNumber());
    }
    KxGClassMap* classMap = owner != nullptr ? owner->GetClassMap() : nullptr;
    KxGMemberMap* memberMap = classMap != nullptr ? classMap->GetMemberMap(op.memberPos) : nullptr;
    if (memberMap == nullptr) {
        TraceError(database_, 1028, "Error ERR_KXG_NO_MEMBER: Can't get type attribute member; class name =",
                   queried.GetName(), queried.GetClassId(), op.memberPos);
        return KXG_E_NO_MEMBER;
    }
    if (op.subQuery == nullptr) {
        return KXG_E_QUERY_ACCESS;
    }
    if (memberMap->AsBlobSetMemberMap() != nullptr || memberMap->AsSetMemberMap() != nullptr) {
        return SetSubQuery(queried, *memberMap, op, alias, aliasCounter, context, params);
    }
    KxGRefMemberMap* reference = memberMap->AsRefMemberMap();
    if (reference == nullptr) {
        return KXG_E_QUERY_ACCESS;
    }
    KxGColumnList columns(4);
    reference->GetColumns(columns);
    if (columns.Count() == 0) {
        TraceError(database_, 1400, "Error ERR_KXG_NO_COLUMN: Can't get join column", queried.GetName(),
                   queried.GetClassId(), op.memberPos);
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGColumn join(*columns.GetColumn(0));
    join.SetQualifier(alias);
    KxGClassMap* referenced = reference->GetIDMap() != nullptr ? reference->GetIDMap()->GetClassMap() : nullptr;
    if (referenced == nullptr || referenced->GetClass() == nullptr) {
        TraceError(database_, 1420, "Error ERR_KXG_NO_CLASSMAP: Can't get class map", queried.GetName(),
                   queried.GetClassId(), op.memberPos);
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    KxGColumnList oids(2);
    KxGColumnList cids(2);
    referenced->GetColumns(oids, cids);
    if (oids.Count() == 0) {
        TraceError(database_, 1444, "Error ERR_KXG_NO_COLUMN: Can't get PK column", queried.GetName(),
                   queried.GetClassId(), op.memberPos);
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGTable table;
    if (referenced->GetStoreHdl() == nullptr || referenced->GetStoreHdl()->GetExtentTable(table) != 0) {
        return KXG_E_NO_TABLE;
    }
    const KxString subAlias = AliasName(aliasCounter++);
    KxGColumn referencedId(*oids.GetColumn(0));
    referencedId.SetQualifier(subAlias);

    KxGQueryContext inner;
    int32_t status = Walk(*referenced->GetClass(), subAlias, aliasCounter, *op.subQuery, inner, params);
    if (status != 0) {
        return status;
    }
    KxString printed;
    if (inner.GetRoot() != nullptr) {
        inner.GetRoot()->Print(printed);
    }
    KxGCondition term;
    if (scan_ == 1) {
        // only AND operators: the referenced table joins the FROM list
        context.GetJoinedTables().emplace_back(table, subAlias);
        for (auto& joined : inner.GetJoinedTables()) {
            context.GetJoinedTables().push_back(joined);
        }
        term.AddCondition(join, KXG_OP_EQ, referencedId);
        if (!printed.IsEmpty()) {
            term.OpenBracket();
            term.AddCondition(printed);
            term.CloseBracket();
        }
    } else {
        KxGProjection select;
        KxGIdentity identity(subAlias);
        select.AddColumn(*oids.GetColumn(0), &identity);
        select.AddTable(table, identity);
        KxString text;
        database_->GetDatabaseInfo()->Select(select, text);
        if (!printed.IsEmpty()) {
            text << " WHERE " << printed;
        }
        term.AddSubselect(join, text);
    }
    return context.Insert(std::make_unique<KxGQueryTreeLeaf>(term.GetText()));
}

int32_t KxGQueryService::SetTable(KxGClass& queried, KxGMemberMap& memberMap, uint16_t memberPos,
                                  KxGSetMemberMap*& set, KxGTable& table)
{
    set = memberMap.AsBlobSetMemberMap() == nullptr ? dynamic_cast<KxGSetMemberMap*>(memberMap.AsSetMemberMap())
                                                    : nullptr;
    if (memberMap.AsBlobSetMemberMap() != nullptr || (set != nullptr && !set->KeepsSetTable())) {
        TraceError(database_, 1118, "Error ERR_KX_ROG_OS_NO_MEMBERMAP: Can't query blob set", queried.GetName(),
                   queried.GetClassId(), memberPos);
        return KXG_E_NO_MEMBER_MAP;
    }
    if (set == nullptr || set->GetSetMap() == nullptr) {
        TraceError(database_, 1112, "Error ERR_KX_ROG_OS_NO_MEMBERMAP: Can't get set member map", queried.GetName(),
                   queried.GetClassId(), memberPos);
        return KXG_E_NO_MEMBER_MAP;
    }
    if (set->GetTable(table) != 0 || table.GetName().IsEmpty()) {
        TraceError(database_, 1126, "Error ERR_KXG_NO_TABLE: Can't get table map", queried.GetName(),
                   queried.GetClassId(), memberPos);
        return KXG_E_NO_TABLE;
    }
    return 0;
}

int32_t KxGQueryService::SetSubQuery(KxGClass& queried, KxGMemberMap& memberMap, const KxQueryOp& op,
                                     const KxString& alias, uint16_t& aliasCounter, KxGQueryContext& context,
                                     std::vector<KxGQueryParameter>& params)
{
    KxGSetMemberMap* set = nullptr;
    KxGTable table;
    int32_t status = SetTable(queried, memberMap, op.memberPos, set, table);
    if (status != 0) {
        return status;
    }
    // the owner's id column (outer alias) and the set table's owner column
    KxGColumnList ownerOids(2);
    KxGColumnList ownerCids(2);
    if (queried.GetClassMap() != nullptr) {
        queried.GetClassMap()->GetColumns(ownerOids, ownerCids);
    }
    KxGColumnList setOids(2);
    KxGColumnList setCids(2);
    set->GetSetMap()->GetColumns(setOids, setCids);
    if (ownerOids.Count() == 0 || setOids.Count() == 0) {
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    const KxString setAlias = AliasName(aliasCounter++);
    KxGColumn ownerId(*ownerOids.GetColumn(0));
    ownerId.SetQualifier(alias);
    KxGColumn setOwner(*setOids.GetColumn(0));
    setOwner.SetQualifier(setAlias);

    // the number of matching elements: at least one reads as IN, any other count is bound first
    // (its marker stands before the sub-select's markers)
    const bool atLeastOne = (op.count == 0 && op.countOp == 4) || (op.count == 1 && op.countOp == 5);
    KxString countMarker;
    if (!atLeastOne) {
        if (KxGCondition::Comparison(op.countOp, KxString()).IsEmpty() || (op.countOp & ~0x7u) != 0) {
            return KXG_E_QUERY_OPERATOR;
        }
        countMarker = database_->GetDatabaseInfo()->GetParameterMarker(static_cast<int32_t>(params.size()) + 1);
        KxGQueryParameter count;
        count.typeCode = 2;
        count.value = KxQueryValue::Int(op.count);
        params.push_back(count);
    }

    // the element condition: for elements that are values, the element query compares the set table's
    // element column itself; otherwise the element class's table joins on the element column
    KxGColumnList elementColumns(4);
    if (set->GetColumns(elementColumns) != 0 || elementColumns.Count() == 0) {
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGColumn element(*elementColumns.GetColumn(0));
    element.SetQualifier(setAlias);
    const bool values = set->GetSetKind() == KXG_SET_OF_VALUES;
    KxGClass* elementClass = nullptr;
    KxGTable elementTable;
    KxString elementAlias;
    KxGColumn elementId;
    if (!values) {
        elementClass = queried.GetSchemaMap()->FindClass(op.subQuery->GetClassId().GetClassNumber());
        KxGClassMap* elementMap = elementClass != nullptr ? elementClass->GetClassMap() : nullptr;
        if (elementMap == nullptr) {
            TraceError(database_, 1420, "Error ERR_KXG_NO_CLASSMAP: Can't get class map", queried.GetName(),
                       queried.GetClassId(), op.memberPos);
            return KXG_E_NO_CLASS_MAP_IN_CATALOG;
        }
        KxGColumnList elementOids(2);
        KxGColumnList elementCids(2);
        elementMap->GetColumns(elementOids, elementCids);
        if (elementOids.Count() == 0) {
            return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
        }
        if (elementMap->GetStoreHdl() == nullptr || elementMap->GetStoreHdl()->GetExtentTable(elementTable) != 0) {
            return KXG_E_NO_TABLE;
        }
        elementAlias = AliasName(aliasCounter++);
        elementId = *elementOids.GetColumn(0);
        elementId.SetQualifier(elementAlias);
    }

    KxGQueryContext inner;
    const KxGColumn* outerElement = valueElement_;
    valueElement_ = values ? &element : nullptr;
    status = values ? Walk(queried, setAlias, aliasCounter, *op.subQuery, inner, params)
                    : Walk(*elementClass, elementAlias, aliasCounter, *op.subQuery, inner, params);
    valueElement_ = outerElement;
    if (status != 0) {
        return status;
    }
    KxString printed;
    if (inner.GetRoot() != nullptr) {
        inner.GetRoot()->Print(printed);
    }

    KxGProjection select;
    KxGIdentity setIdentity(setAlias);
    select.AddColumn(*setOids.GetColumn(0), &setIdentity);
    select.AddTable(table, setIdentity);
    if (!values) {
        select.AddTable(elementTable, KxGIdentity(elementAlias));
    }
    for (auto& joined : inner.GetJoinedTables()) {
        select.AddTable(joined.first, KxGIdentity(joined.second));
    }
    KxString text;
    database_->GetDatabaseInfo()->Select(select, text);
    if (!atLeastOne) {
        // the same FROM list under a COUNT(*): the dialect's text ends with the select list, the
        // keyword that opens the FROM list and the FROM list, whatever lies between them
        const std::string selected = text.ToUtf8();
        const std::string list = select.GetSelectList().ToUtf8();
        const std::string from = select.GetFrom().ToUtf8();
        const size_t fromAt = selected.size() - std::min(selected.size(), from.size());
        const size_t listAt = selected.rfind(list, fromAt);
        if (list.empty() || listAt == std::string::npos || selected.compare(fromAt, std::string::npos, from) != 0) {
            return KXG_E_QUERY_ACCESS;
        }
        text = KxString::FromUtf8(selected.substr(0, listAt) + "COUNT(*)" + selected.substr(listAt + list.size()));
    }
    KxGCondition where;
    if (!atLeastOne) {
        where.AddCondition(ownerId, KXG_OP_EQ, setOwner);
    }
    if (!values) {
        where.AddCondition(element, KXG_OP_EQ, elementId);
    }
    if (!printed.IsEmpty()) {
        where.OpenBracket();
        where.AddCondition(printed);
        where.CloseBracket();
    }
    if (!where.GetText().IsEmpty()) {
        text << " WHERE " << where.GetText();   // none: at least one element, whatever it holds
    }

    KxGCondition term;
    if (atLeastOne) {
        term.AddSubselect(ownerId, text);
    } else {
        term.AddSubselect(text, countMarker, op.countOp);
    }
    return context.Insert(std::make_unique<KxGQueryTreeLeaf>(term.GetText()));
}

int32_t KxGQueryService::SetComparison(KxGClass& queried, KxGMemberMap& memberMap, const KxQueryOp& op,
                                       const KxString& alias, uint16_t& aliasCounter, KxGQueryContext& context,
                                       std::vector<KxGQueryParameter>& params)
{
    KxGSetMemberMap* set = nullptr;
    KxGTable table;
    int32_t status = SetTable(queried, memberMap, op.memberPos, set, table);
    if (status != 0) {
        return status;
    }
    // no count operator asks for at least one (matching) element
    const int32_t count = op.countOp != 0 ? op.count : 0;
    const uint16_t countOp = op.countOp != 0 ? op.countOp : 4;
    if (KxGCondition::Comparison(countOp, KxString()).IsEmpty() || (countOp & ~0x7u) != 0) {
        return KXG_E_QUERY_OPERATOR;
    }
    const KxString setAlias = AliasName(aliasCounter++);
    KxGColumn outerOid(KxGSurrogateMap::GetOIDColumn());
    outerOid.SetQualifier(alias);
    KxGColumn setOid(KxGSurrogateMap::GetOIDColumn());
    setOid.SetQualifier(setAlias);
    KxGCondition where;
    where.AddCondition(outerOid, KXG_OP_EQ, setOid);
    if (op.hasValue) {
        KxGColumnList columns(4);
        if (set->GetColumns(columns) != 0) {
            TraceError(database_, 1167, "Error ERR_KX_ROG_OS_NO_MEMBERMAP: Can't get set member map",
                       queried.GetName(), queried.GetClassId(), op.memberPos);
            return KXG_E_NO_MEMBER_MAP;
        }
        if (columns.Count() == 0) {
            TraceError(database_, 1177, "Error ERR_KXG_NO_COLUMN: Can't get column", queried.GetName(),
                       queried.GetClassId(), op.memberPos);
            return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
        }
        KxGColumn element(*columns.GetColumn(0));
        element.SetQualifier(setAlias);
        KxString term;
        status = ComparisonTerm(element, op, params, term);
        if (status != 0) {
            return status;
        }
        if (!term.IsEmpty()) {
            where.AddCondition(term);
        }
    }
    KxString text(" SELECT COUNT(*) FROM ");
    text << table.GetQualifiedName() << " " << setAlias << " WHERE " << where.GetText();
    KxString left;
    left << count;
    KxGCondition term;
    term.AddSubselect(text, left, countOp);
    return context.Insert(std::make_unique<KxGQueryTreeLeaf>(term.GetText()));
}

int32_t KxGQueryService::Walk(KxGClass& queried, const KxString& alias, uint16_t& aliasCounter, KxQuery& query,
                              KxGQueryContext& context, std::vector<KxGQueryParameter>& params)
{
    query.Rewind();
    for (;;) {
        const KxQueryOp* op = nullptr;
        if (query.Next(op) != 0 || op == nullptr) {
            return KXG_E_QUERY_ACCESS;
        }
        int32_t status = 0;
        switch (op->kind) {
        case KXQ_END:
            if (context.GetRoot() != nullptr && !context.GetRoot()->IsComplete()) {
                return KXG_E_QUERY_ACCESS;   // an operator without its operands
            }
            return 0;
        case KXQ_MEMBER:
        case KXQ_SORT:
            status = MemberComparison(queried, *op, alias, aliasCounter, context, params);
            break;
        case KXQ_BOOL:
            if (op->boolOp == KXG_BOOL_NOT) {
                status = context.Insert(std::make_unique<KxGQueryTreeNOT>());
            } else if (op->boolOp == KXG_BOOL_AND || op->boolOp == KXG_BOOL_OR) {
                status = context.Insert(std::make_unique<KxGQueryTreeNode>(op->boolOp));
            } else {
                status = KXG_E_QUERY_EXECUTE_2;   // refused before anything is sent
            }
            break;
        case KXQ_OPEN:
        case KXQ_CLOSE:
            break;
        case KXQ_CONSTANT:
            status = context.Insert(std::make_unique<KxGQueryTreeLeaf>(KxString(op->truth ? "1 = 1" : "0 = 1")));
            break;
        case KXQ_SUBQUERY:
            status = SubQuery(queried, *op, alias, aliasCounter, context, params);
            break;
        default:
            status = KXG_E_QUERY_ACCESS;
            break;
        }
        if (status != 0) {
            return status;
        }
    }
}

int32_t KxGQueryService::BuildSelect(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod, KxString& sql,
                                     std::vector<KxGQueryParameter>& params)
{
    params.clear();
    KxGClass* queried = schemaMap.FindClass(query.GetClassId().GetClassNumber());
    if (queried == nullptr || queried->GetState() != KXG_CLASS_LOADED) {
        TraceError(database_, 296, "Error ERR_KXG_NO_CLASS :Can't get class for class id ", KxString(),
                   query.GetClassId(), 0);
        return KXG_E_NO_CLASS;
    }
    KxGClassMap* classMap = queried->GetClassMap();
    if (classMap == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    KxGStoreHdl* handler = classMap->GetStoreHdl();
    KxGTable extent;
    if (handler == nullptr || handler->GetExtentTable(extent) != 0) {
        return KXG_E_NO_TABLE;
    }
    KxGQueryContext context;
    KxGIdentity t0(KxString("T0"));
    KxGColumnList oids(2);
    KxGColumnList cids(2);
    classMap->GetColumns(oids, cids);
    for (uint32_t i = 0; i < oids.Count(); ++i) {
        context.GetProjection().AddColumn(*oids.GetColumn(i), &t0);
    }
    for (uint32_t i = 0; i < cids.Count(); ++i) {
        context.GetProjection().AddColumn(*cids.GetColumn(i), &t0);
    }
    if (accessMethod == 2) {
        // the columns of the class's own row in the order its main table binds them (the member maps
        // that joined the main table's row), else in the class map's order; sets have no column here
        std::vector<KxGMemberMap*> rowMaps;
        KxGBufferMap* bufferMap = classMap->GetClassBufferMap();
        KxGTableMap* mainTable = bufferMap != nullptr ? bufferMap->GetMainTableMap() : nullptr;
        if (mainTable != nullptr) {
            rowMaps = mainTable->GetMemberMaps();
        } else {
            for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
                rowMaps.push_back(classMap->GetMemberMap(i));
            }
        }
        for (KxGMemberMap* memberMap : rowMaps) {
            if (memberMap == nullptr || memberMap->AsSetMemberMap() != nullptr ||
                memberMap->AsBlobSetMemberMap() != nullptr) {
                continue;
            }
            KxGColumnList columns(4);
            memberMap->GetColumns(columns);
            for (uint32_t c = 0; c < columns.Count(); ++c) {
                context.GetProjection().AddColumn(*columns.GetColumn(c), &t0);
            }
        }
    }
    context.GetProjection().AddTable(extent, t0);

    scan_ = preScan_ != 0 ? ScanBoolOps(query) : 2;
    if (scan_ < 0) {
        return KXG_E_QUERY_ACCESS;
    }
    uint16_t aliasCounter = 1;
    int32_t status = ConstructQuery(*queried, aliasCounter, query, context, params);
    if (status != 0) {
        params.clear();
        return status;
    }
    for (const auto& joined : context.GetJoinedTables()) {
        context.GetProjection().AddTable(joined.first, KxGIdentity(joined.second));
    }
    KxGDatabaseInfo* dialect = database_->GetDatabaseInfo();
    sql = KxString();
    dialect->Select(context.GetProjection(), sql);
    KxString where;
    if (context.GetRoot() != nullptr) {
        context.GetRoot()->Print(where);
    }
    if (!where.IsEmpty()) {
        sql << " WHERE " << where;
    }
    if (environment_ != nullptr && environment_->OrdersByObjectId()) {
        KxGColumn oid(KxGSurrogateMap::GetOIDColumn());
        oid.SetQualifier(KxString("T0"));
        context.GetOrder().AddOrder(oid, 0, 1);
    }
    dialect->OrderBy(context.GetOrder().GetText(), sql);
    return 0;
}

void* KxGBoundValue::Set(const KxGQueryParameter& param)
{
    const KxQueryValue& v = param.value;
    switch (param.typeCode) {
    case 1: i16 = static_cast<int16_t>(v.integer); return &i16;
    case 5: u16 = static_cast<uint16_t>(v.integer); return &u16;
    case 2:
    case 7:
    case 9: i32 = static_cast<int32_t>(v.integer); return &i32;
    case 6:
    case 8: u32 = static_cast<uint32_t>(v.integer); return &u32;
    case 26:
    case 42: i64 = v.integer; return &i64;
    case 3: real = v.typeCode == 3 ? v.real : static_cast<double>(v.integer); return &real;
    case 4: real4 = static_cast<float>(v.typeCode == 3 ? v.real : static_cast<double>(v.integer)); return &real4;
    case 11:
    case 20:
    case 21:
        // The kernel hands texts over as UTF-8: an 8-bit text where every character has an 8-bit
        // form, else a 16-bit one, which the type handle converts to the database's character set
        // as it does for a stored member.
        text = KxString::FromUtf8(v.text);
        return text.IsActive() ? &text : nullptr;
    case 15: return oid.Set64(static_cast<uint64_t>(v.integer)) == 0 ? &oid : nullptr;
    default: return nullptr;
    }
}

namespace {


constexpr int32_t kRowsPerFetch = 100;

// The class id of a row: the queried class's own for its rows (or when the row names none), else the
// mapped class of the row's class number.
KxClassId RowClass(KxGSchemaMap& schemaMap, const KxClassId& queried, const KxClassId& fetched)
{
    if (fetched.GetClassNumber() == 0 || fetched.GetClassNumber() == queried.GetClassNumber()) {
        return queried;
    }
    KxGClass* mapped = schemaMap.FindClass(fetched.GetClassNumber());
    return mapped != nullptr ? mapped->GetClassId() : fetched;
}

}  // namespace

int32_t KxGQueryService::Query(const KxClassId& classId, KxQuery& query, std::vector<KxObjId>& result,
                               const void* lockSpec, uint16_t accessMethod)
{
    std::vector<KxRef> refs;
    const int32_t status = Query(classId, query, refs, lockSpec, accessMethod);
    for (const KxRef& ref : refs) {
        result.push_back(ref.GetObjId());
    }
    return status;
}

int32_t KxGQueryService::Query(const KxClassId& classId, KxQuery& query, std::vector<KxRef>& result,
                               const void* lockSpec, uint16_t accessMethod)
{
    (void)lockSpec;
    KxGCatalog* catalog = environment_ != nullptr ? environment_->GetCatalog() : nullptr;
    KxGSchemaMap* schemaMap = catalog != nullptr ? catalog->GetSchemaMap() : nullptr;
    if (schemaMap == nullptr || query.GetClassId().GetClassNumber() != classId.GetClassNumber()) {
        return KXG_E_NO_CLASS;
    }
    return Run(*schemaMap, query, accessMethod, result);
}

int32_t KxGQueryService::Run(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod,
                             std::vector<KxObjId>& result)
{
    std::vector<KxRef> refs;
    const int32_t status = Run(schemaMap, query, accessMethod, refs);
    for (const KxRef& ref : refs) {
        result.push_back(ref.GetObjId());
    }
    return status;
}

int32_t KxGQueryService::Run(KxGSchemaMap& schemaMap, KxQuery& query, uint16_t accessMethod,
                             std::vector<KxRef>& result)
{
    KxString sql;
    std::vector<KxGQueryParameter> params;
    int32_t status = BuildSelect(schemaMap, query, accessMethod, sql, params);
    if (status != 0) {
        return status;
    }
    KxGContext context(conversionContext_);

    // constants: one buffer of one row, each value converted in and bound at its position
    std::vector<std::unique_ptr<KxGBoundValue>> values;
    std::vector<std::unique_ptr<KxGMemoryLocation>> locations;
    KxGSQLBuffer parameters;
    for (const KxGQueryParameter& param : params) {
        auto value = std::make_unique<KxGBoundValue>();
        void* variable = value->Set(param);
        KxGTypeHdl* handler = variable != nullptr ? database_->GetTypeHdl(param.typeCode, 0, 0) : nullptr;
        if (handler == nullptr) {
            return KXG_E_QUERY_VALUE;
        }
        auto location = std::make_unique<KxGMemoryLocation>(handler, variable, false);
        if (IsStringType(param.typeCode)) {
            location->SetSQLSize(static_cast<int32_t>(param.value.text.size()) + 1);
        }
        location->JoinBuffer(parameters);
        values.push_back(std::move(value));
        locations.push_back(std::move(location));
    }
    if (!locations.empty()) {
        parameters.Allocate(1);
        if (parameters.GetRowCount() != 1) {
            return KXG_E_NO_MEMORY;
        }
        parameters.SetCurrentRow(0);
        for (auto& location : locations) {
            if (location->Variable2SQLBuffer(parameters, &context) == nullptr) {
                return KXG_E_QUERY_VALUE;
            }
        }
    }

    // the template, exchanged for an equal cached one
    const KxClassId& classId = query.GetClassId();
    KxGStatementHdlCache* handles = database_->GetStatementHdlCache();
    KxGQueryCache* cache = handles != nullptr ? handles->GetQueryCache() : nullptr;
    auto* candidate = new KxGSelectStatementTemplate(sql);
    KxGSelectStatementTemplate* used = cache != nullptr ? cache->GetQueryTemplate(classId, candidate) : candidate;
    if (used != candidate) {
        delete candidate;
    }
    auto giveBack = [&]() {
        if (cache != nullptr) {
            cache->CacheQueryTemplate(classId, used);
        } else {
            delete used;
        }
    };
    std::unique_ptr<KxGStatement> made(used->CreateStatement(database_));
    auto* select = dynamic_cast<KxGSelectStatement*>(made.get());
    if (select == nullptr) {
        made.reset();
        giveBack();
        return KXG_E_QUERY_EXECUTE_2;
    }
    bool ok = true;
    for (size_t i = 0; ok && i < locations.size(); ++i) {
        ok = select->BindParameter(&parameters, locations[i].get(), static_cast<int16_t>(i + 1)) != 0;
    }
    ok = ok && select->Execute() != 0;
    if (!ok) {
        select->Free();
        made.reset();
        giveBack();
        return KXG_E_QUERY_EXECUTE_2;
    }

    // the references, 100 rows at a time: each row's object id and its own class id (a row of a
    // subclass names the subclass), read from the class id column that follows the id columns
    KxGColumnList oids(2);
    KxGColumnList cids(2);
    schemaMap.FindClass(classId.GetClassNumber())->GetClassMap()->GetColumns(oids, cids);
    KxObjId oid;
    KxClassId cid;
    KxGTypeHdl* oidHdl = database_->GetTypeHdl(15, 0, 0);
    KxGTypeHdl* cidHdl = cids.Count() != 0 ? database_->GetTypeHdl(16, 0, 0) : nullptr;
    std::unique_ptr<KxGMemoryLocation> oidLocation;
    std::unique_ptr<KxGMemoryLocation> cidLocation;
    KxGSQLBuffer rows;
    if (oidHdl != nullptr) {
        oidLocation = std::make_unique<KxGMemoryLocation>(oidHdl, &oid, false);
        oidLocation->JoinBuffer(rows);
        if (cidHdl != nullptr) {
            cidLocation = std::make_unique<KxGMemoryLocation>(cidHdl, &cid, false);
            cidLocation->JoinBuffer(rows);
        }
        rows.Allocate(kRowsPerFetch);
    }
    if (oidHdl == nullptr || (cids.Count() != 0 && cidHdl == nullptr) || rows.GetRowCount() != kRowsPerFetch) {
        select->Free();
        made.reset();
        giveBack();
        return KXG_E_NO_MEMORY;
    }
    std::vector<KxRef> found;
    status = select->BindResult(&rows, oidLocation.get(), 1) != 0 ? 0 : KXG_E_QUERY_EXECUTE_2;
    if (status == 0 && cidLocation &&
        select->BindResult(&rows, cidLocation.get(), static_cast<int16_t>(oids.Count() + 1)) == 0) {
        status = KXG_E_QUERY_EXECUTE_2;
    }
    for (;;) {
        if (status != 0) {
            break;
        }
        uint32_t fetched = 0;
        if (select->Fetch(fetched) == 0) {
            // never partial results reported as success
            KxGDatabaseError* error = database_->GetError();
            status = error != nullptr && error->ErrorCode() < 0 ? error->ErrorCode() : KXG_E_QUERY_EXECUTE_2;
            break;
        }
        for (uint32_t r = 0; r < fetched; ++r) {
            rows.SetCurrentRow(static_cast<int32_t>(r));
            if (oidLocation->SQLBuffer2Variable(rows, &context) == nullptr ||
                (cidLocation && cidLocation->SQLBuffer2Variable(rows, &context) == nullptr)) {
                status = KXG_E_QUERY_VALUE;
                break;
            }
            found.push_back(KxRef(oid, RowClass(schemaMap, classId, cid)));
        }
        if (fetched < static_cast<uint32_t>(kRowsPerFetch)) {
            break;
        }
    }
    select->Free();
    made.reset();
    giveBack();
    if (status == 0) {
        result.insert(result.end(), found.begin(), found.end());
    }
    return status;
}

namespace {

int32_t DatabaseErrorCode(KxGDatabase* database)
{
    KxGDatabaseError* error = database->GetError();
    int32_t code = error != nullptr ? error->ErrorCode() : 0;
    return code < 0 ? code : KXG_E_QUERY_EXECUTE_2;
}

}  // namespace

int32_t KxGQueryService::ExecSQL(KxGSchemaMap* schemaMap, const KxString& sql, std::vector<KxRef>& result)
{
    const KxClassId classId(100, 12);
    KxGClass* rowClass = schemaMap != nullptr ? schemaMap->FindClass(classId.GetClassNumber()) : nullptr;
    if (rowClass == nullptr || rowClass->GetState() != KXG_CLASS_LOADED) {
        return KXG_E_NO_CLASS;
    }
    if (rowClass->GetClassMap() == nullptr) {
        return KXG_E_NO_CLASS_MAP_IN_CATALOG;
    }
    KxGStatementHdlCache* handles = database_->GetStatementHdlCache();
    KxGQueryCache* cache = handles != nullptr ? handles->GetQueryCache() : nullptr;
    auto* candidate = new KxGSelectStatementTemplate(sql);
    KxGSelectStatementTemplate* used = cache != nullptr ? cache->GetQueryTemplate(classId, candidate) : candidate;
    if (used != candidate) {
        delete candidate;
    }
    std::unique_ptr<KxGStatement> made(used->CreateStatement(database_));
    auto* select = dynamic_cast<KxGSelectStatement*>(made.get());
    auto finish = [&](int32_t status) {
        if (select != nullptr) {
            select->Free();
        }
        made.reset();
        if (cache != nullptr) {
            cache->CacheQueryTemplate(classId, used);
        } else {
            delete used;
        }
        return status;
    };
    KxGStatementHdl* handle = select != nullptr ? select->GetStatementHdl() : nullptr;
    if (handle == nullptr) {
        return finish(DatabaseErrorCode(database_));
    }
    int32_t checked = handle->ExecuteNonSelect(sql);
    if (checked == 1) {
        return finish(1);
    }
    if (checked < 0 || handle->ValidateSelectList(sql) < 0) {
        return finish(DatabaseErrorCode(database_));
    }
    if (select->Execute() == 0) {
        return finish(KXG_E_QUERY_EXECUTE_2);
    }
    KxGContext context(conversionContext_);
    KxObjId oid;
    KxClassId cid;
    KxGTypeHdl* oidHdl = database_->GetTypeHdl(15, 0, 0);
    KxGTypeHdl* cidHdl = database_->GetTypeHdl(16, 0, 0);
    if (oidHdl == nullptr || cidHdl == nullptr) {
        return finish(KXG_E_NO_MEMORY);
    }
    KxGMemoryLocation oidLocation(oidHdl, &oid, false);
    KxGMemoryLocation cidLocation(cidHdl, &cid, false);
    KxGSQLBuffer rows;
    oidLocation.JoinBuffer(rows);
    cidLocation.JoinBuffer(rows);
    rows.Allocate(kRowsPerFetch);
    if (rows.GetRowCount() != kRowsPerFetch) {
        return finish(KXG_E_NO_MEMORY);
    }
    if (select->BindResult(&rows, &oidLocation, 1) == 0 || select->BindResult(&rows, &cidLocation, 2) == 0) {
        return finish(KXG_E_QUERY_EXECUTE_2);
    }
    std::vector<KxRef> found;
    for (;;) {
        uint32_t fetched = 0;
        if (select->Fetch(fetched) == 0) {
            return finish(DatabaseErrorCode(database_));
        }
        for (uint32_t r = 0; r < fetched; ++r) {
            rows.SetCurrentRow(static_cast<int32_t>(r));
            if (oidLocation.SQLBuffer2Variable(rows, &context) == nullptr ||
                cidLocation.SQLBuffer2Variable(rows, &context) == nullptr) {
                return finish(KXG_E_QUERY_VALUE);
            }
            found.push_back(KxRef(oid, cid));
        }
        if (fetched < static_cast<uint32_t>(kRowsPerFetch)) {
            break;
        }
    }
    result.insert(result.end(), found.begin(), found.end());
    return finish(0);
}

extern "C" int32_t ExecSQLQuery(KxBase* base, KxString sql, KxOnDemandSet* set)
{
    auto* client = base != nullptr ? dynamic_cast<KxGatewayClient*>(base->GetConnection()) : nullptr;
    KxGatewayAdmin* admin = client != nullptr ? client->GetAdmin() : nullptr;
    KxTransaction* transaction = base != nullptr ? base->GetCurrentTransaction() : nullptr;
    KxTransactionResource* resource = transaction != nullptr ? transaction->GetResource(base) : nullptr;
    auto* context = resource != nullptr ? static_cast<KxGTransactionContext*>(resource->GetContext()) : nullptr;
    KxGDatabase* database = context != nullptr ? context->GetDatabase() : nullptr;
    if (admin == nullptr || database == nullptr) {
        return KXG_E_NO_TXN_CONTEXT;
    }
    if (set == nullptr) {
        return KXG_E_INVALID_PARAMETER;
    }
    KxGOperationEnvironment* environment = admin->GetOperationEnvironment();
    KxGCatalog* catalog = environment != nullptr ? environment->GetCatalog() : nullptr;
    KxGQueryService service(environment, database, 1);
    std::vector<KxRef> refs;
    int32_t status = service.ExecSQL(catalog != nullptr ? catalog->GetSchemaMap() : nullptr, sql, refs);
    if (status != 0) {
        return status;
    }
    for (const KxRef& ref : refs) {
        KxOnDemand element;
        element.Assign(base, ref, base);
        set->Add(element);
    }
    return 0;
}
