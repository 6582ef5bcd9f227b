// The long actions on a native database: the schema update, rewriting old class versions,
// reorganisation and re-indexing. Each runs in a transaction of its own and leaves a row in the
// maintenance table.
#include <ctime>
#include <set>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxConnection.h"
#include "KxMetaType.h"
#include "KxNative.h"
#include "KxRoot.h"
#include "NativeFormat.h"
#include "NativeStorage.h"

namespace kxn {

namespace {

// Holds the database's dictionary from the kernel's root for the action.
class HeldDictionary {
public:
    ~HeldDictionary()
    {
        if (dict_ != nullptr) {
            KxBase::KELVOX()->ReleaseDictionary(dict_);
        }
    }
    int32_t Get(Database& db, std::string& error)
    {
        KxString why;
        const std::string name = db.Info("dictionary");
        const int32_t status =
            KxBase::KELVOX()->GetDictionary(KxString(db.Info("dictionary_server").c_str()), KxString(name.c_str()), dict_, &why);
        if (status != 0) {
            error = "the dictionary " + name + " of " + db.File() + " cannot be read: " + why.ToUtf8();
        }
        return status;
    }
    const KxClassDict& Dict() const { return *dict_; }
    const KxMetaClass* ClassOf(int64_t number) const
    {
        const KxMetaType* type = number >= 0 && number <= 0xFFFF ? dict_->GetCurrentVersion(static_cast<uint16_t>(number)) : nullptr;
        return type != nullptr ? type->AsClass() : nullptr;
    }

private:
    KxClassDict* dict_ = nullptr;
};

struct StoredRow {
    int64_t oid;
    int64_t classNumber;
    int64_t version;
};

int32_t Rows(Database& db, std::vector<StoredRow>& rows)
{
    Statement stmt = db.Prepare("SELECT oid, class, version FROM kx_objects ORDER BY oid");
    if (!stmt.Valid()) {
        return KXN_E_STORAGE;
    }
    int rc = SQLITE_ROW;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        rows.push_back(StoredRow{stmt.Int(0), stmt.Int(1), stmt.Int(2)});
    }
    return db.Status(rc);
}

int32_t Data(Database& db, int64_t oid, std::string& data)
{
    Statement stmt = db.Prepare("SELECT data FROM kx_objects WHERE oid = ?1");
    stmt.Bind(1, oid);
    const int rc = stmt.Step();
    if (rc == SQLITE_ROW) {
        data = stmt.Blob(0);
        return 0;
    }
    return rc == SQLITE_DONE ? KXN_E_OBJECT_NOT_FOUND : db.Status(rc);
}

// The index entries of a stored record read as cls.
int32_t KeysOfRecord(const std::string& record, const KxMetaClass& cls, std::vector<KeyEntry>& keys)
{
    uint8_t* instance = cls.NewInstance();
    if (instance == nullptr) {
        return KX_KERNEL_E_NO_MEMORY;
    }
    std::vector<Fixup> fixups;
    const bool decoded = Decode(record, cls, instance, nullptr, fixups);
    if (decoded) {
        std::map<const void*, KxRef> pointers;
        for (const Fixup& fix : fixups) {
            if (fix.slot != nullptr && !fix.refs.empty()) {
                pointers[fix.slot] = fix.refs.front();
            }
        }
        keys = KeysOf(cls, instance, &pointers);
    }
    cls.DeleteInstance(instance);
    return decoded ? 0 : KXN_E_STORAGE;
}

int32_t UpdateSchema(Database& db, const HeldDictionary& held, std::string& detail)
{
    const KxClassDict& dict = held.Dict();
    const std::string before = db.Info("revision");
    int32_t status = db.Exec("DELETE FROM kx_classes");
    std::set<int64_t> indexes;
    uint32_t classes = 0;
    for (uint32_t i = 0; status == 0 && i < dict.GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        if (dict.GetDescriptor(i, descriptor) != 0 || descriptor->GetMetaClass() == nullptr ||
            !descriptor->IsUserClass()) {
            continue;
        }
        const KxMetaClass* cls = descriptor->GetMetaClass();
        ++classes;
        for (uint32_t k = 0; k < cls->GetIndexCount(); ++k) {
            indexes.insert(cls->GetIndex(k)->GetNumber());
        }
        Statement insert = db.Prepare("INSERT INTO kx_classes(number, name, version) VALUES(?1, ?2, ?3)");
        insert.Bind(1, cls->GetClassNumber());
        insert.Bind(2, cls->GetName().ToUtf8());
        insert.Bind(3, cls->GetVersion());
        status = db.Status(insert.Step());
    }
    // The entries of indexes the dictionary no longer has go.
    std::string kept;
    for (int64_t number : indexes) {
        kept += (kept.empty() ? "" : ",") + std::to_string(number);
    }
    if (status == 0) {
        status = db.Exec("DELETE FROM kx_keys WHERE idx NOT IN (" + kept + ")");
    }
    if (status == 0) {
        status = db.SetInfo("revision", std::to_string(dict.GetRevision()));
    }
    detail = "revision " + before + " -> " + std::to_string(dict.GetRevision()) + ", " +
             std::to_string(classes) + " classes";
    return status;
}

int32_t VersAll(Database& db, const HeldDictionary& held, std::string& detail)
{
    std::vector<StoredRow> rows;
    int32_t status = Rows(db, rows);
    uint32_t rewritten = 0;
    for (const StoredRow& row : rows) {
        const KxMetaClass* cls = held.ClassOf(row.classNumber);
        if (status != 0) {
            break;
        }
        if (cls == nullptr || cls->GetVersion() == row.version) {
            continue;   // current already, or a class the dictionary no longer has
        }
        std::string data;
        std::string converted;
        std::vector<KeyEntry> keys;
        status = Data(db, row.oid, data);
        if (status == 0 && !Convert(data, *cls, converted)) {
            status = KXN_E_STORAGE;
        }
        if (status == 0) {
            status = KeysOfRecord(converted, *cls, keys);
        }
        if (status == 0) {
            Statement update = db.Prepare("UPDATE kx_objects SET version = ?2, data = ?3 WHERE oid = ?1");
            update.Bind(1, row.oid);
            update.Bind(2, cls->GetVersion());
            update.BindBlob(3, converted);
            status = db.Status(update.Step());
        }
        if (status == 0) {
            status = WriteKeys(db, row.oid, keys);
        }
        ++rewritten;
    }
    detail = std::to_string(rewritten) + " objects rewritten";
    return status;
}

int32_t ReIndex(Database& db, const HeldDictionary& held, std::string& detail)
{
    std::vector<StoredRow> rows;
    int32_t status = Rows(db, rows);
    if (status == 0) {
        status = db.Exec("DELETE FROM kx_keys");
    }
    uint64_t entries = 0;
    for (const StoredRow& row : rows) {
        const KxMetaClass* cls = held.ClassOf(row.classNumber);
        if (status != 0) {
            break;
        }
        if (cls == nullptr) {
            continue;
        }
        std::string data;
        std::vector<KeyEntry> keys;
        status = Data(db, row.oid, data);
        if (status == 0) {
            status = KeysOfRecord(data, *cls, keys);
        }
        if (status == 0) {
            status = WriteKeys(db, row.oid, keys);
        }
        entries += keys.size();
    }
    detail = std::to_string(entries) + " index entries of " + std::to_string(rows.size()) + " objects";
    return status;
}

int64_t Pages(Database& db)
{
    Statement stmt = db.Prepare("PRAGMA page_count");
    return stmt.Valid() && stmt.Step() == SQLITE_ROW ? stmt.Int(0) : -1;
}

int32_t Record(Database& db, const char* action, const std::string& database, const std::string& detail)
{
    Statement insert = db.Prepare("INSERT INTO kx_maintenance(action, database, stamp, detail) VALUES(?1, ?2, ?3, ?4)");
    insert.Bind(1, std::string(action));
    insert.Bind(2, database);
    insert.Bind(3, Now());
    insert.Bind(4, detail);
    return db.Status(insert.Step());
}

}  // namespace

int32_t RunMaintenance(Database& db, int32_t action, const std::string& database, std::string& error)
{
    static const char* const kNames[] = {"", "UpdateSchema", "VersAll", "Reorg", "ReIndex"};
    if (db.Depth() != 0) {
        error = db.File() + ": a transaction is open";
        return KX_KERNEL_E_STATE;
    }
    HeldDictionary held;
    int32_t status = held.Get(db, error);
    if (status != 0) {
        return status;
    }
    std::string detail;
    if (action == KX_MAINTAIN_REORG) {
        // The file is rebuilt without its free pages (outside a transaction), then the row is written.
        const int64_t before = Pages(db);
        status = db.Exec("VACUUM");
        detail = std::to_string(before) + " -> " + std::to_string(Pages(db)) + " pages";
        if (status == 0) {
            status = Record(db, kNames[action], database, detail);
        }
    } else {
        status = db.Begin();
        if (status == 0) {
            switch (action) {
            case KX_MAINTAIN_UPDATE_SCHEMA: status = UpdateSchema(db, held, detail); break;
            case KX_MAINTAIN_VERS_ALL: status = VersAll(db, held, detail); break;
            default: status = ReIndex(db, held, detail); break;
            }
            if (status == 0) {
                status = Record(db, kNames[action], database, detail);
            }
            const std::string reason = db.Error();
            const int32_t ended = db.End(status == 0);
            if (status == 0) {
                status = ended;
            } else {
                error = reason;
            }
        }
    }
    if (status != 0 && error.empty()) {
        error = db.Error();
    }
    return status;
}

}  // namespace kxn
