// The Oracle SQL dialect: product name, names, markers, options and the conversion manager. The
// statement and DDL builders are not served yet (see the header).
#include "KxGOraDatabaseInfo.h"

#include <new>

#include "KxGDatabaseTrace.h"

namespace {

// Status of an operation that this version of the adapter does not serve ("[ROGW]not implemented").
constexpr int32_t kNotAvailable = -6000;
// Longest table, column and schema name.
constexpr int32_t kMaxNameLength = 30;
// Answer for any other kind of name.
constexpr int32_t kUnlimitedNameLength = 65535;
// Kind byte of an unrecognised storage-type word.
constexpr uint8_t kUnknownKind = 255;

}  // namespace

KxGOraDatabaseInfo::KxGOraDatabaseInfo(KxGDatabase* database) : database_(database)
{
    try {
        convMgr_ = std::make_unique<KxGOraTypeConvHdlMgr>();
    } catch (const std::bad_alloc&) {
        convMgr_.reset();
    }
}

KxGOraDatabaseInfo::~KxGOraDatabaseInfo() = default;

void KxGOraDatabaseInfo::NotYet(const char* operation)
{
    if (database_ == nullptr) {
        return;
    }
    KxGTraceTag tag(*database_, KXG_TRACE_DBA, operation);
    if (KxGDatabaseTrace* trace = tag.GetTrace()) {
        trace->BeginCriticalSection();
        *trace << operation << ": not available in this version of the Oracle adapter" << '\n';
        trace->EndCriticalSection();
    }
}

// ---------------------------------------------------------------------------------------------------
// Served now

KxString KxGOraDatabaseInfo::GetProductName()
{
    return KxString("ORACLE");
}

int32_t KxGOraDatabaseInfo::GetMaxNameLength(int32_t kind)
{
    return kind >= 0 && kind <= 2 ? kMaxNameLength : kUnlimitedNameLength;
}

KxString KxGOraDatabaseInfo::GetParameterMarker(int32_t position)
{
    KxString marker(":");
    marker << position;
    return marker;
}

KxString KxGOraDatabaseInfo::MapName(const KxString& name)
{
    return name;
}

KxString KxGOraDatabaseInfo::MapNameUpper(const KxString& name)
{
    KxString upper(name);
    upper.ToUpper();
    return upper;
}

uint16_t KxGOraDatabaseInfo::QueryFlag()
{
    return 0;
}

KxString KxGOraDatabaseInfo::GetTerminator()
{
    return KxString("/");
}

KxGOraTypeConvHdlMgr* KxGOraDatabaseInfo::GetTypeConvHdlMgr()
{
    return convMgr_.get();
}

uint16_t KxGOraDatabaseInfo::SetOption(uint16_t value)
{
    const uint16_t previous = option_;
    option_ = value;
    return previous;
}

uint16_t KxGOraDatabaseInfo::UsesOption()
{
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Not served yet

uint16_t KxGOraDatabaseInfo::TypeNameOptions(const KxString& /*word*/, uint8_t& kind)
{
    NotYet("TypeNameOptions");
    kind = kUnknownKind;
    return 0;
}

KxString KxGOraDatabaseInfo::CompareNoCase(uint16_t /*flags*/, const KxString& /*expression*/)
{
    NotYet("CompareNoCase");
    return KxString::EmptyString();
}

void KxGOraDatabaseInfo::Select(const KxGProjection& /*projection*/, KxString& /*out*/)
{
    NotYet("Select");
}

void KxGOraDatabaseInfo::Where(const KxString& /*condition*/, KxString& /*out*/)
{
    NotYet("Where");
}

void KxGOraDatabaseInfo::OrderBy(const KxString& /*order*/, KxString& /*out*/)
{
    NotYet("OrderBy");
}

void KxGOraDatabaseInfo::RowLimit(KxGCondition& /*condition*/, int32_t /*rows*/)
{
    NotYet("RowLimit");
}

void KxGOraDatabaseInfo::ForUpdate(KxString& /*out*/)
{
    NotYet("ForUpdate");
}

void KxGOraDatabaseInfo::IndexHint(KxGStatementTemplate& /*statement*/, const KxString& /*indexName*/,
                                   const KxString& /*tableText*/)
{
    NotYet("IndexHint");
}

void KxGOraDatabaseInfo::Insert(const KxGProjection& /*projection*/, KxString& /*out*/)
{
    NotYet("Insert");
}

void KxGOraDatabaseInfo::Update(const KxGExtendedProjection& /*projection*/, KxString& /*out*/)
{
    NotYet("Update");
}

void KxGOraDatabaseInfo::Delete(const KxGProjection& /*projection*/, KxString& /*out*/)
{
    NotYet("Delete");
}

KxGCreateStatementTemplate* KxGOraDatabaseInfo::CreateTable(const KxGQualifiedIdentity& /*table*/,
                                                            const KxGExtendedProjection& /*projection*/)
{
    NotYet("CreateTable");
    return nullptr;
}

KxGCreateStatementTemplate* KxGOraDatabaseInfo::CreateIndex(const KxGQualifiedIdentity& /*index*/,
                                                            const KxGExtendedProjection& /*projection*/,
                                                            uint16_t /*unique*/)
{
    NotYet("CreateIndex");
    return nullptr;
}

KxGCreateStatementTemplate* KxGOraDatabaseInfo::CreateView(const KxGQualifiedIdentity& /*view*/,
                                                           const KxGProjection& /*projection*/,
                                                           const KxGStatementTemplate& /*select*/)
{
    NotYet("CreateView");
    return nullptr;
}

int32_t KxGOraDatabaseInfo::Triggers(KxGClassMap& /*source*/, KxGClassMap& /*shadow*/,
                                     KxGStatementTemplateList& /*list*/)
{
    NotYet("Triggers");
    return kNotAvailable;
}

KxGStatementTemplate* KxGOraDatabaseInfo::AlterAdd(const KxGExtendedProjection& /*projection*/)
{
    NotYet("AlterAdd");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::UpdateByCid(const KxGExtendedProjection& /*source*/,
                                                      const KxGExtendedProjection& /*target*/, int32_t /*classId*/)
{
    NotYet("UpdateByCid");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::InsertSelectByCid(const KxGExtendedProjection& /*target*/,
                                                            const KxGExtendedProjection& /*source*/,
                                                            const KxGColumnList& /*added*/, int32_t /*classId*/)
{
    NotYet("InsertSelectByCid");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::AlterDrop(const KxGExtendedProjection& /*projection*/)
{
    NotYet("AlterDrop");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropTable(const KxGQualifiedIdentity& /*table*/)
{
    NotYet("DropTable");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DeleteByCid(const KxGQualifiedIdentity& /*table*/, int32_t /*classId*/)
{
    NotYet("DeleteByCid");
    return nullptr;
}

void KxGOraDatabaseInfo::TimeFixup(const KxGColumn& /*column*/, const KxGQualifiedIdentity& /*table*/,
                                   KxGStatementTemplateList& /*list*/)
{
    NotYet("TimeFixup");
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropTable2(const KxGCreateStatementTemplate& /*created*/)
{
    NotYet("DropTable2");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropIndex(const KxString& /*indexName*/,
                                                    const KxGQualifiedIdentity& /*table*/)
{
    NotYet("DropIndex");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropIndex2(const KxGCreateStatementTemplate& /*created*/)
{
    NotYet("DropIndex2");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropView(const KxGCreateStatementTemplate& /*created*/)
{
    NotYet("DropView");
    return nullptr;
}

KxGStatementTemplate* KxGOraDatabaseInfo::DropTrigger(const KxGCreateStatementTemplate& /*created*/)
{
    NotYet("DropTrigger");
    return nullptr;
}

void KxGOraDatabaseInfo::CreateRole(const KxString& /*role*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("CreateRole");
}

void KxGOraDatabaseInfo::Grants(const KxString& /*schema*/, const KxString& /*role*/,
                                KxGCreateStatementTemplate* const* /*classTables*/,
                                KxGCreateStatementTemplate* const* /*views*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("Grants");
}

void KxGOraDatabaseInfo::DropRole(const KxString& /*role*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("DropRole");
}

void KxGOraDatabaseInfo::PrimaryKey(const KxString& /*columnNames*/, KxString& /*out*/)
{
    NotYet("PrimaryKey");
}

void KxGOraDatabaseInfo::TableExists(const KxGQualifiedIdentity& /*table*/, KxString& /*out*/)
{
    NotYet("TableExists");
}

void KxGOraDatabaseInfo::IndexList(KxString& /*out*/)
{
    NotYet("IndexList");
}

void KxGOraDatabaseInfo::Count(const KxGQualifiedIdentity& /*table*/, KxString& /*out*/)
{
    NotYet("Count");
}

int32_t KxGOraDatabaseInfo::Union(const KxGStatementTemplate& /*statement*/, uint16_t /*all*/,
                                  KxGStatementTemplate& /*target*/)
{
    NotYet("Union");
    return kNotAvailable;
}

void KxGOraDatabaseInfo::CreateLocks(const KxString& /*schema*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("CreateLocks");
}

KxGStatementTemplate* KxGOraDatabaseInfo::CreateActiveClients(const KxString& /*schema*/)
{
    NotYet("CreateActiveClients");
    return nullptr;
}

void KxGOraDatabaseInfo::DropHelpers(const KxString& /*schema*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("DropHelpers");
}

void KxGOraDatabaseInfo::DropUser(const KxString& /*user*/, KxGStatementTemplateList& /*list*/)
{
    NotYet("DropUser");
}
