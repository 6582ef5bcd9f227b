#include "KxGQueryService.h"

#include <algorithm>
#include <cctype>

#include "KxGClass.h"
#include "KxGClassMap.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGDatabase.h"
#include "KxGMemberMap.h"
#include "KxGOperationEnvironment.h"
#include "KxGSchemaMap.h"
#include "KxGStatusCodes.h"

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
    }
    query.Rewind();
    return result;
}

int32_t KxGQueryService::MemberComparison(KxGClass& queried, const KxQueryOp& op, const KxString& alias,
                                          KxGQueryContext& context, std::vector<KxGQueryParameter>& params)
{
    KxGClass* owner = &queried;
    if (!op.memberClass.IsInvalid() && op.memberClass.GetClassNumber() != queried.GetClassNumber()) {
        owner = queried.GetSchemaMap()->FindClass(op.memberClass.GetClassNumber());
    }
    KxGClassMap* classMap = owner != nullptr ? owner->GetClassMap() : nullptr;
    KxGMemberMap* memberMap = classMap != nullptr ? classMap->GetMemberMap(op.memberPos) : nullptr;
    if (memberMap == nullptr) {
        return KXG_E_NO_MEMBER;
    }
    if (memberMap->AsSetMemberMap() != nullptr || memberMap->AsBlobSetMemberMap() != nullptr) {
        return KXG_E_NO_MEMBER_MAP;   // comparisons on set members are not supported here
    }
    KxGColumnList columns(4);
    memberMap->GetColumns(columns);
    if (columns.Count() == 0) {
        return KXG_E_NO_COLUMN_MAP_IN_CATALOG;
    }
    KxGColumn column(*columns.GetColumn(0));
    column.SetQualifier(alias);
    if (op.kind == KXQ_SORT) {
        context.GetOrder().AddOrder(column, op.sortOp, 1);
        return 0;
    }
    uint16_t compareOp = op.compareOp;
    if (compareOp == 0) {
        // adds no term: a place that prints nothing keeps the operators' operands in step
        return context.Insert(std::make_unique<KxGQueryTreeDummy>());
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
    KxString term(left);
    term << KxGCondition::Comparison(compareOp, operand);
    return context.Insert(std::make_unique<KxGQueryTreeLeaf>(term));
}

int32_t KxGQueryService::ConstructQuery(KxGClass& queried, uint16_t& aliasCounter, KxQuery& query,
                                        KxGQueryContext& context, std::vector<KxGQueryParameter>& params)
{
    KxString alias = AliasName(static_cast<uint16_t>(aliasCounter - 1));
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
            status = MemberComparison(queried, *op, alias, context, params);
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
        default:
            // sub-queries on reference and set members are not translated
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
        // the columns of the class's own row, in the order the member maps bind them
        for (uint32_t i = 0; i < classMap->GetMemberMapCount(); ++i) {
            KxGMemberMap* memberMap = classMap->GetMemberMap(i);
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

    if (preScan_ != 0 && ScanBoolOps(query) < 0) {
        return KXG_E_QUERY_ACCESS;
    }
    uint16_t aliasCounter = 1;
    int32_t status = ConstructQuery(*queried, aliasCounter, query, context, params);
    if (status != 0) {
        params.clear();
        return status;
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
