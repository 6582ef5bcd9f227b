// XKxVersionInfo: the version record of one application database: the version number and
// description that the persistent class "XDOVersionInfo" carries in the names of its first two
// members, and the edition text of its one object.
#pragma once

#include <cstdint>

#include "afxstr.h"

class XKxDatabase;

class XKxVersionInfo {
public:
    explicit XKxVersionInfo(XKxDatabase* database) : database_(database) {}

    // The database is forgotten.
    void Detach() { database_ = nullptr; }
    XKxDatabase* GetDatabase() const { return database_; }

    int32_t GetVersionNumberValue() const { return versionNumber_; }
    const CString& GetVersionStringValue() const { return versionString_; }
    const CString& GetVersionInfo() const { return versionInfo_; }
    void SetVersionInfo(const CString& text) { versionInfo_ = text; }
    int32_t GetEditionNumber() const { return editionNumber_; }
    int32_t GetServicePack() const { return servicePack_; }
    const CString& GetClassName() const { return className_; }

protected:
    int32_t versionNumber_ = -1;
    CString versionString_;
    CString versionInfo_;
    int32_t editionNumber_ = 0;
    int32_t servicePack_ = 0;
    CString memberName0_;
    CString memberName1_;
    CString memberName2_;
    CString className_{u"XDOVersionInfo"};
    XKxDatabase* database_;
};
