#include "XKxDatabaseBase.h"

#include "KxBase.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "XKxBaseFunctions.h"
#include "XKxException.h"
#include "XKxGlobals.h"

namespace {

const char16_t kUnit[] = u".\\xkxdatabasebase";

// The kernel's user-name hook of an explicit log-in: hands on the process-wide user and password.
int32_t UserNameHook(KxString& user, KxString& password, int32_t /*flags*/) {
    user = CStringToKxString(gLoginUser);
    password = CStringToKxString(gLoginPassword);
    return 1;
}

}  // namespace

// ---- the error receiver ----

void XKxErrorCallBack::Receive(int32_t code, const char* message, const char* context) {
    // A code of 0 would make the exception read as no error at all.
    const int32_t negative = code > 0 ? -code : (code == 0 ? XKxException::kNoCode : code);
    XKxException error(negative, kUnit, u"XKxErrorCallBack::Receive", CString(message != nullptr ? message : ""));
    if (context != nullptr && *context != '\0')
        error.AddMessage(FormatText(u"Occured during execution of <%s>!", CString(context)));
    throw error;
}

// ---- kernel start and stop ----

XKxDatabaseBase::~XKxDatabaseBase() {
    try {
        Close();
    } catch (...) {
    }
    base = nullptr;
    dictionary = nullptr;
}

void XKxDatabaseBase::Init() {
    KxParameterList parameters(0);
    int32_t result = parameters.Append(KxString("EnableMultiThreading"), CStringToKxString(CString()), 0);
    if (result < 0)
        throw XKxException(result, kUnit, u"XKxDatabaseBase::Init",
                           u"Error calling <KELVOX::AddParameter(Kx_ENABLE_MULTITHREADING, 0)>");
    result = parameters.Append(KxString("ConfigFile"), CStringToKxString(configFile), 0);
    if (result < 0)
        throw XKxException(result, kUnit, u"XKxDatabaseBase::Init",
                           FormatText(u"Error calling <KELVOX::AddParameter(Kx_CONFIG_FILENAME_PARAMETER, %s)>", configFile));
    result = parameters.Append(KxString("ClientName"), CStringToKxString(clientName), 0);
    if (result < 0)
        throw XKxException(result, kUnit, u"XKxDatabaseBase::Init",
                           FormatText(u"Error calling <KELVOX::AddParameter(Kx_CLIENT_NAME, %s)>", clientName));
    result = InitKelvox(0, &parameters, 0);
    if (result < 0) throw XKxException(result, kUnit, u"XKxDatabaseBase::Init", u"Error calling <KELVOX::InitKelvox()>");
    gErrorListener.Register();
}

int32_t XKxDatabaseBase::DeInit() {
    gErrorListener.Unregister();
    const int32_t result = DeinitKelvox();
    if (result < 0) throw XKxException(result, kUnit, u"XKxDatabaseBase::DeInit", u"Error calling <DeinitKelvox()>!");
    return result;
}

void XKxDatabaseBase::DeInitAfterFailure() {
    try {
        DeInit();
    } catch (const XKxException& error) {
        LogErrorBlock(error);
    } catch (...) {
        LogErrorBlock(XKxException(kUnit, u"XKxDatabaseBase::DeInit",
                                   u"An unknown exception occured while calling <DeinitKelvox()>!"));
    }
}

// ---- open and close ----

void XKxDatabaseBase::Open() {
    if (!open) ForceOpen();
}

int32_t XKxDatabaseBase::ForceOpen() {
    if (open) return 0;
    base = nullptr;
    dictionary = nullptr;
    Init();

    KxRoot* root = KxBase::KELVOX();
    try {
        if (explicitLogin) {
            gLoginUser = user;
            gLoginPassword = password;
            root->SetUserNameFunction(&UserNameHook);
        }
        KxBase* got = nullptr;
        const int32_t result = root->GetBase(CStringToKxString(server), CStringToKxString(baseName), got, 2);
        if (result < 0) throw XKxException(result, kUnit, u"XKxDatabaseBase::ForceOpen", u"Error calling GetBase()!");
        base = got;
    } catch (...) {
        base = nullptr;
        DeInitAfterFailure();
        throw;
    }

    if (base != nullptr) dictionary = base->GetDictionary();
    if (dictionary == nullptr) {
        int32_t released = 0;
        bool releaseThrew = false;
        try {
            if (base != nullptr) released = root->UngetBase(base);
        } catch (...) {
            releaseThrew = true;
        }
        DeInitAfterFailure();
        base = nullptr;
        dictionary = nullptr;
        if (releaseThrew)
            throw XKxException(kUnit, u"XKxDatabaseBase::ForceOpen",
                               u"...exception while calling <KELVOX->UngetBase()> after failure in GetDictionary()!");
        if (released < 0)
            throw XKxException(released, kUnit, u"XKxDatabaseBase::ForceOpen",
                               u"Error calling <KELVOX->UngetBase()> after failure in GetDictionary()!");
        throw XKxException(kUnit, u"XKxDatabaseBase::ForceOpen", u"Error calling GetDictionary()!");
    }
    open = true;
    return 0;
}

int32_t XKxDatabaseBase::Close() {
    if (!open) return 0;
    KxBase* held = base;
    base = nullptr;
    dictionary = nullptr;
    open = false;
    int32_t result = 0;
    try {
        result = KxBase::KELVOX()->UngetBase(held);
    } catch (const XKxException&) {
        // An Oracle error from the receiver: thrown on as it is.
        DeInitAfterFailure();
        throw;
    } catch (...) {
        DeInitAfterFailure();
        throw XKxException(kUnit, u"XKxDatabaseBase::Close",
                           u"...in unknown exception occured while calling <KELVOX()->UngetBase()>!");
    }
    if (result < 0) {
        DeInitAfterFailure();
        throw XKxException(result, kUnit, u"XKxDatabaseBase::Close", u"Error calling <KELVOX->UngetBase()>!");
    }
    return DeInit();
}

// ---- server connection ----

void XKxDatabaseBase::Connect() {
    Init();
    if (base != nullptr) return;
    KxBase* made = new KxBase(CStringToKxString(baseName));
    int32_t result = 0;
    try {
        result = made->Connect(CStringToKxString(server));
    } catch (...) {
        delete made;
        DeInitAfterFailure();
        throw;
    }
    if (result < 0) {
        delete made;
        DeInitAfterFailure();
        throw XKxException(result, kUnit, u"XKxDatabaseBase::Connect",
                           FormatText(u"Connection to database server <%s> failed!", server));
    }
    base = made;
}

void XKxDatabaseBase::DisConnect() {
    int32_t result = 0;
    if (base != nullptr) {
        KxBase* connected = base;
        base = nullptr;
        try {
            result = connected->Disconnect();
        } catch (...) {
            delete connected;
            DeInitAfterFailure();
            throw;
        }
        delete connected;
    }
    DeInit();
    if (result < 0)
        throw XKxException(result, kUnit, u"XKxDatabaseBase::DisConnect",
                           FormatText(u"Disconnect of database server <%s> failed!", server));
}

// ---- log-in texts ----

CString XKxDatabaseBase::GetLoginText() const {
    if (!explicitLogin || user.IsEmpty() || password.IsEmpty()) return CString();
    CString text;
    text.Format(u"%s/%s", user, password);
    if (!connectService.IsEmpty()) text += u"@" + connectService;
    return text;
}

void XKxDatabaseBase::SetLoginText(const CString& text) {
    CString left;
    CString rest;
    if (!SplitAt(left, rest, text, u'/')) return;
    user = left;
    CString secret;
    CString service;
    if (SplitAt(secret, service, rest, u'@')) {
        password = secret;
        connectService = service;
    } else {
        password = rest;
    }
}

CString XKxDatabaseBase::GetUserPassword() const {
    CString text;
    text.Format(u"%s/%s", user, password);
    return text;
}
