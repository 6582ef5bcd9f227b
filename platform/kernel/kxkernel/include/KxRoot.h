// KxRoot: the kernel's root object (KxBase::KELVOX()), and the kernel's start and stop.
#pragma once

#include <cstdint>
#include <memory>

#include "KxBase.h"
#include "KxConfig.h"
#include "KxKernelStatus.h"
#include "KxModule.h"
#include "KxParameter.h"
#include "KxString.h"

class KxClassDict;
class KxThreadMgr;
class KxTypeMgr;

// The user-name (log-in) callback: may change user and password; answers 1 when the user
// confirmed, 2 otherwise. The third argument is the flags given to CallLoginFunc.
typedef int32_t (*KxUserNameFunction)(KxString& user, KxString& password, int32_t flags);

class KxRoot {
public:
    // The configuration read at InitKelvox from "ConfigFile"; null without a configuration file
    // or while the kernel is not started.
    KxConfig* GetConfig() const;
    // The module registry.
    KxDllManager* GetDllManager() const;
    KxThreadMgr* ThreadMgr() const;
    KxTypeMgr* GetTypeMgr() const;
    // The client name given to InitKelvox ("ClientName"); empty before.
    const KxString& GetClientName() const;

    // Asks the installed user-name callback for user and password and answers its result (1 when
    // the user confirmed). Without a callback the answer is 1 and both texts stay as they are.
    // The base descriptor names the database the log-in is for; the callback does not receive it.
    // Null user or password: the callback gets a text of its own in its place.
    int32_t CallLoginFunc(KxString* user, KxString* password, int32_t flags,
                          const KxString* baseDescriptor);
    // The kernel's logical-to-physical name lookup: the physical name of a logical name is the value
    // of the key <logical> in the configuration section [LogicalNames\<tag>] (for example
    // [LogicalNames\ROG] shop=SHOP_2024). 0 and physical set when found; KX_KERNEL_E_NOT_FOUND
    // (physical = logical) without a configuration, section or key. kind and flags select among the
    // real kernel's name spaces and have no effect here.
    int32_t MapLogicalName(const KxString& logical, KxString& physical, int32_t kind, int32_t flags,
                           const KxString& tag) const;
    // Installs the callback (null removes it); answers the one installed before.
    KxUserNameFunction SetUserNameFunction(KxUserNameFunction fn);

    // ---- bases by name -------------------------------------------------------------------------
    // A base for a database name on a server: a new KxBase(name) is connected to the server
    // (KxBase::Connect) and opened. mode: 2 (read-write; the only mode). 0 and base set, held by the
    // root until UngetBase; else the first negative status, base null and nothing left behind (also
    // when an exception passes through): KX_KERNEL_E_NOT_INITIALISED while the kernel is not
    // started, KX_KERNEL_E_INVALID (empty name, another mode), Connect's or Open's status. The base
    // may be used on any thread, one thread at a time.
    int32_t GetBase(const KxString& server, const KxString& name, KxBase*& base, int32_t mode);
    // Closes and deletes a base that GetBase made: 0 or the close's first failure (the base is
    // deleted all the same, also when an exception passes through); KX_KERNEL_E_NOT_FOUND for a base
    // the root did not make (nothing is done). Bases still held at the last DeinitKelvox are closed
    // and deleted there, before the modules go.
    int32_t UngetBase(KxBase* base);
    // The number of bases made by GetBase and not yet given back.
    int32_t GetBaseCount() const;

    // ---- class dictionaries -------------------------------------------------------------------
    // A dictionary by server (empty: "LOCAL") and name, held for the caller (release it with
    // ReleaseDictionary). A dictionary that is not held yet is read from a dictionary directory
    // (KxClassDict::Load: the pair "_objects.dat"/"_objects.idx", else "classes.kxd"):
    //  1. the directory named by the key "name" of the configuration section [schemata\<name>]
    //     (a Windows-form or Linux path), when there is one;
    //  2. else <path>/<name>, where <path> is the one given to SetDictionaryPath for the server,
    //     else the key "DictionaryPath" of [servers\<server>], else the environment variable
    //     KX_DICTIONARY_PATH. A name that is no folder there is taken as a logical name: the
    //     dictionary of a folder of <path> whose logical name it is (held dictionaries are found
    //     by either name).
    //  3. on the server "LOCAL" a name that is a full path is the dictionary's folder itself.
    // 0; KX_KERNEL_E_NOT_FOUND (no path, no such dictionary); KX_KERNEL_E_VALUE (a dictionary that
    // cannot be read, or a pair whose checksum does not match; *error says why).
    int32_t GetDictionary(const KxString& server, const KxString& name, KxClassDict*& dict,
                          KxString* error = nullptr);
    // Ends one hold; the last release deletes the dictionary. 0 or KX_KERNEL_E_NOT_FOUND.
    int32_t ReleaseDictionary(KxClassDict* dict);
    // The same as ReleaseDictionary.
    int32_t UngetDictionary(KxClassDict* dict);
    // One more hold of a dictionary the root holds. 0 or KX_KERNEL_E_NOT_FOUND.
    int32_t HoldDictionary(KxClassDict* dict);
    // Hands a built dictionary to the root under its server and name, held once for the caller.
    // KX_KERNEL_E_DUPLICATE when one with that server and name is held (dict is then kept by the
    // caller), KX_KERNEL_E_INVALID for null.
    int32_t AddDictionary(std::unique_ptr<KxClassDict>& dict, KxClassDict*& held);
    // The directory of a server's dictionaries (empty removes it).
    void SetDictionaryPath(const KxString& server, const KxString& path);

    // Number of InitKelvox calls not yet matched by DeinitKelvox.
    int32_t GetInitCount() const;

    KxRoot(const KxRoot&) = delete;
    KxRoot& operator=(const KxRoot&) = delete;

private:
    KxRoot();
    ~KxRoot();
    friend class KxBase;
    // The bases that exist (each registers itself while it lives); the last DeinitKelvox closes them.
    void AddBase(KxBase* base);
    void RemoveBase(KxBase* base);
    friend int32_t InitKelvox(int32_t, KxParameterSet*, int32_t);
    friend int32_t DeinitKelvox();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Starts the kernel. Parameters read: "ClientName" (the client's name) and "ConfigFile" (the
// configuration file; none or empty: no configuration). Other parameters are ignored.
// Calls nest: only the first one reads the parameters; each must be matched by DeinitKelvox.
// 0, or KX_KERNEL_E_CONFIG_FILE when the configuration file cannot be read (the kernel is then
// not started).
int32_t InitKelvox(KxParameterSet* params);
// The same, in the form with a transaction behaviour and flags (both without effect here).
int32_t InitKelvox(int32_t txnBehaviour, KxParameterSet* params, int32_t flags);
// Ends one InitKelvox. The last one closes the bases that are still open (their buckets and the
// module objects they use go before the modules), then unloads and deletes every registered module
// and releases the configuration. 0, or KX_KERNEL_E_NOT_INITIALISED without a matching InitKelvox.
int32_t DeinitKelvox();
