#include "XKxToolsLog.h"

#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxGlobals.h"
#include "XKxObject.h"

namespace {

const char16_t kUnit[] = u".\\xkxtoolslog";
const char16_t kClass[] = u"XDBToolsLog";
constexpr uint16_t kEqual = 1;
constexpr int32_t kAnd = 1;

}  // namespace

XKxToolsLog::XKxToolsLog(XKxDatabase* database, const CString& description)
    : description(description), database(database), record(database) {
    version = database != nullptr ? database->GetTargetVersion() : 0;
    if (this->description.IsEmpty()) this->description.Format(u"upgrade operations for DB%d", version);
    toolName = FileNameOf(gToolPath);
    toolVersion = gToolVersion;
    toolRelease = gToolRelease;
    toolInfo.Format(u"compiled: %s at %s", gBuildDate, gBuildTime);
    try {
        Query();
        valid = true;
    } catch (const XKxException&) {
        valid = false;
    } catch (...) {
        throw XKxException(kUnit, u"XKxToolsLog::XKxToolsLog",
                           u"An unknown exception occured while accessing the function logger class!");
    }
}

void XKxToolsLog::Query() {
    record.SetObject(nullptr);
    XKxQuery query(database, kClass, true);
    query.SetCondition(u"m_iDBVersion", version, kEqual);
    query.SetBoolOperator(kAnd);
    query.SetCondition(u"m_strDescription", description, kEqual);
    query.Execute();
    if (query.GetCount() == 0) return;
    CString key;
    key.Format(u"<%d, %s>", version, description);
    // The kernel compares texts with "*" and "?" as wildcards: only a record whose description is
    // this one exactly is this step's.
    int32_t hits = 0;
    XKxObject candidate(database);
    for (;;) {
        bool fetched = false;
        try {
            fetched = query.GetNext(candidate);
        } catch (const XKxException&) {
            throw XKxException(kUnit, u"XKxToolsLog::Query",
                               FormatText(u"Error getting the XDBToolsLog object for %s!", key));
        }
        if (!fetched) break;
        CString text;
        candidate.GetMemberString(u"m_strDescription", text);
        if (text != description) continue;
        if (++hits > 1) {
            record.SetObject(nullptr);
            throw XKxException(kUnit, u"XKxToolsLog::Query",
                               FormatText(u"There are multiple entries for %s in XDBToolsLog!", key));
        }
        record.SetObject(candidate.GetObject());
    }
}

void XKxToolsLog::Write(bool success) {
    if (!valid) return;
    if (!HasRecord()) record.Make(kClass, false);
    record.SetMemberInt(u"m_iDBVersion", version, false);
    record.SetMemberString(u"m_strDescription", description, false);
    record.SetMemberString(u"m_strToolName", toolName, false);
    record.SetMemberString(u"m_strToolVersion", toolVersion, false);
    record.SetMemberString(u"m_strToolRelease", toolRelease, false);
    record.SetMemberString(u"m_strToolInfo", toolInfo, false);
    record.SetMemberBool(u"m_bSuccess", success, true);
    this->success = success;
}

bool XKxToolsLog::Succeeded() {
    if (!HasRecord()) return false;
    record.GetMemberBool(u"m_bSuccess", success);
    return success;
}

bool XKxToolsLog::IsSameTool(bool& success) {
    if (!HasRecord()) return false;
    CString version;
    CString release;
    CString info;
    record.GetMemberString(u"m_strToolVersion", version);
    record.GetMemberString(u"m_strToolRelease", release);
    record.GetMemberString(u"m_strToolInfo", info);
    record.GetMemberBool(u"m_bSuccess", this->success);
    success = this->success;
    return version == toolVersion && release == toolRelease && info == toolInfo;
}
