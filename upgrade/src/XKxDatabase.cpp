#include "XKxDatabase.h"

#include <vector>

#include "XApplicationDatabases.h"
#include "XKxBaseFunctions.h"
#include "XKxException.h"
#include "XKxGlobals.h"
#include "XKxVersionInfo.h"
#include "XRegistry.h"
#include "cipherutil32.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabase";
const char16_t kDefaultNlsLang[] = u"AMERICAN_AMERICA.UTF8";
const char16_t kOraclePrefix[] = u"oracle$";
constexpr int kOraclePrefixLength = 7;

// The first word of the text and the rest behind its first blank.
void SplitWord(const CString& text, CString& word, CString& rest) {
    if (!SplitAt(word, rest, text, u' ')) rest.Empty();
}

}  // namespace

// ---- construction and settings ----

XKxDatabase::XKxDatabase(const CString& name, XApplicationDatabases* applicationDatabases)
    : applicationDatabases(applicationDatabases) {
    if (applicationDatabases == nullptr)
        throw XKxException(kUnit, u"XKxDatabase::XKxDatabase",
                           FormatText(u"Error initializing database <%s>, because there is no internal link to the "
                                     u"application databases!",
                                     name));
    if (const XApplicationDatabaseEntry* entry = applicationDatabases->FindEntry(name)) {
        registryKey = entry->registryKey;
        dictionaryName = entry->dictionaryName;
        limitVersion = entry->limitVersion;
    }
    this->name = name;

    char16_t computer[256] = {};
    const DWORD length = GetEnvironmentVariableW(u"COMPUTERNAME", computer, 256);
    if (length > 0 && length < 256) clientName = computer;

    LogEmptyLine();
    Print(FormatText(u"- getting ty5 registry settings for <%s>...", name), 0);
    ReadRegistrySettings();
    LogEmptyLine();
    Print(FormatText(u"- getting kelvox.cfg contents for <%s>...", name), 0);
    ReadConfigFile();
    SetEnvironmentVariableW(u"NLS_LANG", wideName.c_str());
    ValidateSettings();
    newVersion = new XKxVersionInfo(this);
    actualVersion = new XKxVersionInfo(this);
}

XKxDatabase::~XKxDatabase() {
    try {
        delete actualVersion;
    } catch (...) {
    }
    try {
        delete newVersion;
    } catch (...) {
    }
    actualVersion = nullptr;
    newVersion = nullptr;
}

void XKxDatabase::LogSetting(const CString& label, const CString& value) const {
    CString line;
    line.Format(gSettingLineFormat, label, name, value);
    LogLine(line, false);
}

void XKxDatabase::LogReason(const XKxException& error) const {
    CString line;
    line.Format(gReasonLineFormat, error.GetMessage());
    LogLine(line, false);
    line.Format(gErrorCodeLineFormat, error.GetCode());
    LogLine(line, false);
}

void XKxDatabase::LogNotFound(const CString& label, const XKxException& error) const {
    LogSetting(label, u"-- not found --");
    LogReason(error);
}

bool XKxDatabase::ReadRegistryValue(XRegistry& registry, const char16_t* valueName, const char16_t* label,
                                    CString& target) {
    try {
        registry.GetValue(target, valueName);
    } catch (const XKxException& error) {
        registryIncomplete = true;
        target.Empty();
        if (label != nullptr) LogNotFound(label, error);
        return false;
    }
    if (label != nullptr) LogSetting(label, target);
    return true;
}

void XKxDatabase::ReadRegistrySettings() {
    XRegistry registry;
    try {
        registry.Open(u"ORBSERVER\\KELVOX");
        ReadRegistryValue(registry, u"configfile", u"m_strConfigFile", configFile);
        registry.Close();

        registry.Open(registryKey);
        if (ReadRegistryValue(registry, u"NLS_LANG", nullptr, nlsLang)) {
            wideName = nlsLang.GetString();
        } else {
            wideName = kDefaultNlsLang;
        }
        ReadRegistryValue(registry, u"server", u"m_strServerKelvox", server);
        ReadRegistryValue(registry, u"database", u"m_strName", baseName);
        ReadRegistryValue(registry, u"username", u"m_strUsername", user);

        CString stored;
        try {
            registry.GetValue(stored, u"password");
            CString decoded;
            DecryptOnlyOneStringAndDecode2String(decoded, 1, 0, stored, nullptr);
            if (!decoded.IsEmpty()) {
                password = decoded;
                passwordMasked = true;
                LogSetting(u"m_strPassword", u"**********");
            } else {
                // Kept in plain in the registry: used as stored.
                password = stored;
                LogSetting(u"m_strPassword", stored);
            }
        } catch (const XKxException& error) {
            registryIncomplete = true;
            LogNotFound(u"m_strPassword", error);
        }
        registry.Close();
    } catch (const XKxException& error) {
        // A key that cannot be opened ends the reading.
        registryIncomplete = true;
        LogReason(error);
    } catch (...) {
        registryIncomplete = true;
    }
    if (wideName.empty() && nlsLang.IsEmpty()) wideName = kDefaultNlsLang;
}

void XKxDatabase::ReadConfigFile() {
    try {
        dictPath = ReadConfigFileEntry(u"schemata", dictionaryName, u"name");
        LogSetting(u"m_strDictPath", dictPath);
    } catch (const XKxException& error) {
        dictPath.Empty();
        LogLine(error.GetMessage(), false);
    }
    try {
        path = ReadConfigFileEntry(u"databases", baseName, u"name");
        LogSetting(u"m_strPath", path);
    } catch (const XKxException& error) {
        path.Empty();
        LogLine(error.GetMessage(), false);
    }
    try {
        const CString value = ReadConfigFileEntry(u"servers", server, u"name");
        CString lower = value;
        lower.MakeLower();
        if (lower.Left(kOraclePrefixLength) == CString(kOraclePrefix)) {
            explicitLogin = true;
            connectService = value.Mid(kOraclePrefixLength);
        }
        LogLine(explicitLogin ? u"--> Database is an Oracle database!" : u"--> Database is a KELVOX database!", false);
    } catch (const XKxException& error) {
        LogLine(error.GetMessage(), false);
    }
}

CString XKxDatabase::ReadConfigFileEntry(const CString& prefix, const CString& sectionName, const CString& key) const {
    const CString section = prefix + u"\\" + sectionName;
    // The whole value: the buffer grows until the value fits.
    std::vector<char16_t> buffer(256);
    DWORD length = 0;
    for (;;) {
        length = GetPrivateProfileStringW(section, key, u"", buffer.data(), static_cast<DWORD>(buffer.size()), configFile);
        if (length + 1 < buffer.size()) break;
        buffer.assign(buffer.size() * 2, u'\0');
    }
    if (length == 0) {
        CString message;
        message.Format(u"!!no <%s> entry for <%s> in <%s>!", key, section, configFile);
        throw XKxException(kUnit, u"XKxDatabase::ReadConfigFileEntry", message);
    }
    return CString(buffer.data(), static_cast<int>(length));
}

void XKxDatabase::ValidateSettings() {
    for (const CString* setting : {&clientName, &name, &nlsLang, &dictionaryName, &configFile, &dictPath, &baseName,
                                   &path, &server}) {
        if (setting->IsEmpty()) {
            state = kNotAvailable;
            return;
        }
    }
    if (!explicitLogin) {
        state = kAvailable;
        return;
    }
    state = !user.IsEmpty() && !password.IsEmpty() ? kAvailable : kNotAvailable;
}

CString XKxDatabase::GetVersionDirectory() const {
    CString directory;
    directory.Format(u"%s\\%s_%d", applicationDatabases->GetOwnerText(), dictionaryName, stepVersion);
    return directory;
}

XProgressOutput* XKxDatabase::GetProgressOutput() const { return applicationDatabases->GetProgress(); }

void XKxDatabase::AppendSetError(const CString& text) const { applicationDatabases->AppendError(text); }

bool XKxDatabase::IsOptionSet() const { return applicationDatabases->IsOptionSet(); }

XKxDatabase* XKxDatabase::GetRelatedDatabase(int32_t index) const { return applicationDatabases->GetDatabase(index); }

// ---- version records ----

int32_t XKxDatabase::GetActualVersionNumber() const { return actualVersion->GetVersionNumberValue(); }

CString XKxDatabase::GetActualVersionString() const { return actualVersion->GetVersionStringValue(); }

CString XKxDatabase::GetActualVersionInfo() const {
    return actualVersion != nullptr ? actualVersion->GetVersionInfo() : CString();
}

int32_t XKxDatabase::GetActualEditionNumber() const {
    return actualVersion != nullptr ? actualVersion->GetEditionNumber() : 0;
}

int32_t XKxDatabase::GetActualServicePack() const {
    return actualVersion != nullptr ? actualVersion->GetServicePack() : 0;
}

CString XKxDatabase::GetNewVersionInfo() const { return newVersion->GetVersionInfo(); }

void XKxDatabase::SetActualVersionInfo(const CString& text) { actualVersion->SetVersionInfo(text); }

// ---- opening, closing, exec lines ----

void XKxDatabase::OpenInternal(bool announce) {
    if (IsOpen()) return;
    if (state == kNotAvailable) {
        const CString message = FormatText(u"Database <%s> not available!", name);
        AppendSetError(message);
        throw XKxException(kUnit, u"XKxDatabase::OpenInternal", message);
    }
    RunAction(FormatText(u"- Open <%s>", name), announce);
}

void XKxDatabase::Open(bool announce) {
    try {
        OpenInternal(announce);
    } catch (XKxException& error) {
        error.AddLocation(kUnit, u"XKxDatabase::Open", FormatText(u"Could not open database <%s>!", name));
        CString text;
        text.Format(u"%s\r\nError Code:\t%d", error.GetMessage(), error.GetCode());
        AppendSetError(text);
        throw;
    }
}

bool XKxDatabase::Close(bool announce) {
    if (!IsOpen()) return false;
    RunAction(FormatText(u"- Close <%s>", name), announce);
    return true;
}

bool XKxDatabase::ParseLine(const CString& line) {
    CString word;
    CString rest;
    SplitWord(line, word, rest);
    if (word.CompareNoCase(u"exec") != 0) return false;

    CString target;
    CString command;
    SplitWord(rest, target, command);
    if (target.CompareNoCase(u"database") != 0)
        throw XKxException(kUnit, u"XKxDatabase::ParseLine", FormatText(u"Unknown exec target object <%s>!", target));

    if (command.CompareNoCase(u"close") == 0) {
        Close(true);
    } else if (command.CompareNoCase(u"open") == 0) {
        Open(true);
    } else if (command.CompareNoCase(u"restart") == 0) {
        Close(true);
        Open(true);
    } else {
        CString message;
        message.Format(u"Unknown exec command <%s> for exec target <%s>!", command, target);
        throw XKxException(kUnit, u"XKxDatabase::ParseLine", message);
    }
    return true;
}
