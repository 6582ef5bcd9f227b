// kxnative: the kernel's own storage (brand "Kelvox"), a module that the kernel loads through its
// module registry as it loads the gateway. It implements the kernel's storage interfaces
// (KxConnectionFactory, KxBaseConnection, KxAdmin, KxBucket, KxBucketCru, KxDatabaseShell) over one
// SQLite file per database.
//
// A database is named by the kernel base's logical name (its parameters after "?" dropped); its
// directory is the key "name" of the configuration section [databases\<name>] (a Windows-form or
// Linux path). The directory holds the database file (KXN_DATABASE_FILE) and the file of object ids
// handed out (KXN_ID_FILE). A database is made for a dictionary by the admin's CreateDatabase
// (KxBase::CreateDatabase) and records that dictionary's name and server; opening it takes the
// dictionary from the kernel's root.
//
// Objects are stored self-describing: each member with its name, member type, type code, element
// count and stored form (the type manager's). An object stored under an older version of its class
// reads as the class's current version: members are matched by name, member type and type code;
// members without a match keep their empty value. The long action VersAll rewrites such objects.
#pragma once

#include <cstdint>

#include "KxString.h"

class KxConnectionFactory;

// The module's name (the kernel loads lib<name>.so) and its description.
constexpr const char* KXN_MODULE_NAME = "kxnative";
constexpr const char* KXN_MODULE_DESCRIPTION = "Tessaform native object storage";

// The files of a database directory.
constexpr const char* KXN_DATABASE_FILE = "kelvox.kxdb";
constexpr const char* KXN_ID_FILE = "kelvox.kxid";

// The database's maintenance table: one row per long action done (seq, action, database, stamp,
// detail); the action is "UpdateSchema", "VersAll", "Reorg" or "ReIndex".
constexpr const char* KXN_MAINTENANCE_TABLE = "kx_maintenance";

// Statuses. The storage answers the gateway's statuses where it has the same cause; the kernel's
// error text (the base's exception manager) receives the reason of a storage failure.
constexpr int32_t KXN_E_NO_ELEMENT = -2005;         // no (further) element
constexpr int32_t KXN_E_OBJECT_NOT_FOUND = -2017;   // no stored object for the reference
constexpr int32_t KXN_E_INVALID_REF = -2023;        // a reference names no class of the dictionary
constexpr int32_t KXN_E_NO_KEY_FOUND = -2026;       // no key of a look-up or search was found
constexpr int32_t KXN_E_DUPLICATE_KEY = -2028;      // a unique index refused the object (nothing written)
constexpr int32_t KXN_E_NO_SUCH_DATABASE = -2031;   // no database directory, or no database in it
constexpr int32_t KXN_E_DATABASE_EXISTS = -2035;    // the create call found a database there
constexpr int32_t KXN_E_LOCK_REFUSED = -2041;       // another client holds a conflicting lock
constexpr int32_t KXN_E_NO_LOCK_RELEASED = -2045;   // an unlock found no lock of this client
constexpr int32_t KXN_E_NO_CURSOR = -2099;          // an operation needs a cursor
constexpr int32_t KXN_E_LOGIN_REFUSED = -2309;      // the user-name callback did not confirm
constexpr int32_t KXN_E_NOT_SUPPORTED = -2999;      // not supported by this storage
constexpr int32_t KXN_E_NO_TRANSACTION = -4004;     // a lock outside a transaction
constexpr int32_t KXN_E_COLLECTION_FAILED = -4102;  // a collection request in mode 1 failed
constexpr int32_t KXN_E_REF_NOT_EXECUTED = -4103;   // the reference was not tried
constexpr int32_t KXN_E_STORAGE = -2851;            // the database file cannot be read or written
constexpr int32_t KXN_E_BUSY = -2852;               // another client kept the database for writing
constexpr int32_t KXN_E_NOT_NATIVE = -2853;         // the file is no database of this storage
constexpr int32_t KXN_W_NO_ROW_AFFECTED = 2017;     // a delete found no stored object
constexpr int32_t KXN_W_SOME_KEYS_FOUND = 2026;     // some keys of a look-up were found
constexpr int32_t KXN_W_SOME_NOT_LOCKED = 2041;     // some query results could not be locked
constexpr int32_t KXN_W_SOME_REFS_FAILED = 4102;    // some references of a collection failed

extern "C" {
// A new connection factory of the native storage (the caller owns it); the brand is kept as its
// product name. Null when memory runs out.
KxConnectionFactory* GetNativeConnectionFactory(const KxString& brand);
}
