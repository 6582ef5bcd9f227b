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

    // Opens the class and reads the names of its members 0, 1 and 2; the third is kept only when it
    // is exactly "m_strVersionInfo" (a class without a third member leaves it empty).
    void ReadMemberNames();
    // The version number behind "m_iVersion_" in member 0's name (0 when it is no number);
    // XKxException when member 0 is named otherwise.
    void GetVersionNumber();
    // The description behind "m_strVersion_" in member 1's name, "_" read as a blank; XKxException
    // when member 1 is named otherwise.
    void GetVersionString();
    // Reads and judges the edition texts of the class's objects until one is valid; an invalid record
    // names its fault in the set's error text and clears the set's valid flag. True when valid.
    bool ReadVersionInfo();
    // The member names, number, description and edition text of the open database; a failure goes
    // to the set's error text and is thrown on. Nothing without a database.
    void ReadVersion();
    // Makes and stores one new object holding the edition text, then deletes every other object of
    // the class: a failure on the way leaves the record as it was. XKxException unless exactly one
    // object is left.
    void WriteVersionInfo();
    // The message appended to the error text of the database's set.
    void SetMessage(const CString& message) const;

    int32_t GetVersionNumberValue() const { return versionNumber_; }
    const CString& GetVersionStringValue() const { return versionString_; }
    const CString& GetVersionInfo() const { return versionInfo_; }
    void SetVersionInfo(const CString& text) { versionInfo_ = text; }
    int32_t GetEditionNumber() const { return editionNumber_; }
    int32_t GetServicePack() const { return servicePack_; }
    const CString& GetClassName() const { return className_; }

protected:
    // Judges one edition text: edition number and service pack from it; true when it is neither
    // empty nor a prototype's.
    bool JudgeVersionInfo(const CString& text);

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
