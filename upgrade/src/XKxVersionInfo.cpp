#include "XKxVersionInfo.h"

#include <limits>

#include "XApplicationDatabases.h"
#include "XKxAllSet.h"
#include "XKxBaseFunctions.h"
#include "XKxClass.h"
#include "XKxDatabase.h"
#include "XKxException.h"
#include "XKxObject.h"
#include "XKxObjectSet.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabaseversion";
const char16_t kNumberPrefix[] = u"m_iVersion_";
const char16_t kStringPrefix[] = u"m_strVersion_";
const char16_t kInfoMember[] = u"m_strVersionInfo";
const char16_t kEditionMark[] = u"TY 5.";
constexpr int kEditionMarkLength = 5;
// The description of an earlier delivery, recognised by its beginning, and the text it reads as.
const char16_t kEarlierDelivery[] = u"the ty5 database for R5";
const char16_t kEarlierDeliveryText[] = u"the ty5 database update for r6";

// The decimal value at the start of the text (blanks and a sign allowed before the digits); 0 when
// the text starts with no number. Clamped to the 32-bit range.
int32_t DecimalValue(const CString& text) {
    int at = 0;
    const int length = text.GetLength();
    while (at < length && (text[at] == u' ' || text[at] == u'\t')) ++at;
    bool negative = false;
    if (at < length && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
    int64_t value = 0;
    for (; at < length && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at] - u'0');
        if (value > std::numeric_limits<int32_t>::max()) value = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

bool BeginsWith(const CString& text, const char16_t* prefix) { return text.Find(prefix) == 0; }

}  // namespace

void XKxVersionInfo::ReadMemberNames() {
    XKxClass versionClass(database_, className_, true);
    versionClass.GetMemberName(memberName0_, 0);
    versionClass.GetMemberName(memberName1_, 1);
    try {
        versionClass.GetMemberName(memberName2_, 2);
    } catch (const XKxException&) {
        memberName2_.Empty();
    }
    if (memberName2_ != kInfoMember) memberName2_.Empty();
}

void XKxVersionInfo::GetVersionNumber() {
    if (!BeginsWith(memberName0_, kNumberPrefix))
        throw XKxException(XKxException::kNoCode, kUnit, u"XKxDatabaseVersion::ReadVersionNumber",
                           FormatText(u"The first member of the class <%s> should have the name <m_iVersion_*>!",
                                      className_));
    versionNumber_ = DecimalValue(memberName0_.Mid(CString(kNumberPrefix).GetLength()));
}

void XKxVersionInfo::GetVersionString() {
    if (!BeginsWith(memberName1_, kStringPrefix))
        throw XKxException(kUnit, u"XKxDatabaseVersion::ReadVersionString",
                           FormatText(u"The second member of the class <%s> should have the name <m_strVersion_*>!",
                                      className_));
    versionString_ = memberName1_.Mid(CString(kStringPrefix).GetLength());
    versionString_.Replace(u'_', u' ');
    if (BeginsWith(versionString_, kEarlierDelivery)) versionString_ = kEarlierDeliveryText;
}

bool XKxVersionInfo::JudgeVersionInfo(const CString& text) {
    versionInfo_ = text;
    CString lower = text;
    lower.MakeLower();
    const bool valid = !text.IsEmpty() && lower.Find(u"prototype") < 0;
    editionNumber_ = 0;
    servicePack_ = 0;
    const int mark = text.Find(kEditionMark);
    if (mark >= 0) editionNumber_ = DecimalValue(text.Mid(mark + kEditionMarkLength));
    if (editionNumber_ > 0) {
        const int sp = text.Find(u"SP", mark + kEditionMarkLength + 2);
        if (sp >= 0) servicePack_ = DecimalValue(text.Mid(sp + 2, 2));
    }
    return valid;
}

bool XKxVersionInfo::ReadVersionInfo() {
    if (database_ == nullptr) return true;
    bool valid = true;
    bool walked = false;
    if (memberName2_.IsEmpty()) {
        SetMessage(u"Missing internal version information!");
        valid = false;
    } else {
        XKxAllSet extent(database_, className_, true);
        XKxObject object(database_);
        valid = false;
        bool any = false;
        while (!valid && extent.GetNext(object)) {
            any = true;
            CString text;
            object.GetMemberString(kInfoMember, text);
            valid = JudgeVersionInfo(text);
        }
        object.SetObject(nullptr);
        if (!any) {
            SetMessage(u"Missing internal version information!");
        } else {
            walked = true;
        }
    }
    if (!valid && walked) {
        CString lower = versionInfo_;
        lower.MakeLower();
        const char16_t* format = versionInfo_.IsEmpty()            ? u"The internal version information for <%s> is empty!"
                                 : lower.Find(u"prototype") >= 0 ? u"Upgrade is not permitted for <%s>!"
                                                                  : u"The database <%s> is invalid, but I don't know why!!";
        SetMessage(FormatText(format, database_->GetName()));
    }
    if (!valid) database_->GetApplicationDatabases()->SetValid(false);
    return valid;
}

void XKxVersionInfo::ReadVersion() {
    if (database_ == nullptr) return;
    const char16_t* function = u"XKxDatabaseVersion::ReadVersion";
    if (!database_->IsOpen())
        throw XKxException(kUnit, function,
                           FormatText(u"ReadVersion of database <%s> failed, because database is not open!",
                                      database_->GetName()));
    try {
        ReadMemberNames();
        GetVersionNumber();
        GetVersionString();
        ReadVersionInfo();
    } catch (XKxException& error) {
        SetMessage(error.GetMessage());
        error.AddLocation(kUnit, function, FormatText(u"ReadVersion of database <%s> failed!", database_->GetName()));
        throw;
    }
}

void XKxVersionInfo::WriteVersionInfo() {
    if (database_ == nullptr) return;
    // The new record is made and stored before the old ones go: a refused store leaves them.
    XKxObject record(database_);
    record.Make(className_, false);
    record.SetMemberString(kInfoMember, versionInfo_, true);
    const XKxObjectRef kept(record);
    {
        XKxAllSet extent(database_, className_, true);
        XKxObject object(database_);
        while (extent.GetNext(object))
            if (!(XKxObjectRef(object) == kept)) object.Delete(0);
    }
    XKxAllSet extent(database_, className_, true);
    const int32_t count = extent.GetCount();
    if (count != 1) {
        CString message;
        message.Format(u"After updating the version information, there are <%d> objects with version information, "
                       u"but there should be only one!",
                       count);
        throw XKxException(kUnit, u"XKxDatabaseVersion::WriteVersionInfo", message);
    }
}

void XKxVersionInfo::SetMessage(const CString& message) const {
    if (database_ != nullptr) database_->AppendSetError(message);
}
