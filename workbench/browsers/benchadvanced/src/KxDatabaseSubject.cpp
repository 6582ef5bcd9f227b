// The facts of a database, a workspace's parent database and a class dictionary.
#include "KxDatabaseSubject.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "KxBase.h"
#include "KxClassDict.h"
#include "KxWorkspace.h"
#include "kxfound.h"

namespace {

enum : long { kTagDictionary = 1, kTagDatabase = 2 };

struct Entry {
    const char* id;
    const char* title;
};

const Entry kDatabase[] = {{"host", "Host"},
                           {"physical_host", "Physical Host"},
                           {"base", "Database"},
                           {"base_log", "Database(logical)"},
                           {"base_phys", "Database(physical)"},
                           {"client_name", "Client Name"},
                           {"db_version", "Database Version"},
                           {"typemgr_version", "Database Typemanager Version"},
                           {"version_date", "Date Created"},
                           {"blk_vers", "File Version"},
                           {"fsm_vers", "FreeStore Management Version"},
                           {"onlinebackup_enabled", "Online Backup enabled"},
                           {"modify_dict_date", "Dictionary Modification Time"},
                           {"auth_enabled", "Authorization enabled"}};

const Entry kParent[] = {{"parent_host", "Parent database host"},
                         {"parent_physical_host", "Parent database physical host"},
                         {"parent", "Parent database"},
                         {"parent_log", "Parent database(logical)"},
                         {"parent_phys", "Parent database(physical)"}};

const Entry kDictionaryHead[] = {{"dict_host", "Dictionary Host"},
                                 {"dict_physical_host", "Dictionary Physical Host"},
                                 {"dict", "Dictionary"},
                                 {"dict_log", "Dictionary(logical)"},
                                 {"dict_phys", "Dictionary(physical)"},
                                 {"client_name_dict", "Dictionary Client Name"},
                                 {"dict_master", "Master Dictionary"}};

const Entry kDictionaryTail[] = {{"db_version_dict", "Dictionary Version"},
                                 {"typemgr_version_dict", "Dictionary Typemanager Version"},
                                 {"version_date_dict", "Date Created"},
                                 {"blk_vers_dict", "Dictionary File Version"},
                                 {"fsm_vers_dict", "Dictionary FreeStore Management Version"}};

const char kSubSchemaId[] = "dict_sub_schema";

std::string Number(int value) {
    char text[40];
    std::snprintf(text, sizeof text, "%d (0x%X)", value, unsigned(value));
    return text;
}

std::string FileVersion(int version) {
    char context[96];
    KxDatabaseSubject::getFileVersionContext(context, version);
    return Number(version) + context;
}

// Assigns a value and a tag to the aspect of the id, when the set holds one.
class Filler {
public:
    Filler(KvAspectSet& set, long tag) : set_(set), tag_(tag) {}
    template <class T>
    void operator()(const char* id, const T& value) {
        if (KvAspect* aspect = set_.getAspect(KvAspectId(id))) {
            *aspect = value;
            aspect->tag() = tag_;
        }
    }
    void text(const char* id, const std::string& value) { (*this)(id, KxString(value.c_str())); }
    void tag(long tag) { tag_ = tag; }

private:
    KvAspectSet& set_;
    long tag_;
};

}  // namespace

struct KxDatabaseSubject::Record {
    KxBase* base = nullptr;
    KxClassDict* dictionary = nullptr;
    KxWorkspace* workspace = nullptr;
    KvAspectSet aspects;
};

KxDatabaseSubject::KxDatabaseSubject(KxBase* base, KxClassDict* dictionary, KxWorkspace* workspace) : record_(new Record) {
    record_->base = base;
    record_->dictionary = dictionary;
    record_->workspace = workspace;
}

KxDatabaseSubject::~KxDatabaseSubject() {
    record_->aspects.deleteAspects();
    delete record_;
}

void KxDatabaseSubject::getFileVersionContext(char* buffer, int version) {
    static const char* const texts[] = {
        " (Kelvox Rel. 4.x & Rel. 5.x with obsolete Free SpaceManagement (FSM))",
        " (internally used by Kelvox)",
        " (Kelvox Rel. 5.x with standard FSM)",
        " (Kelvox Rel. 6.x with improved FSM and without checksums)",
        " (Tessaform Release 8 with improved FSM and checksums)",
        " (Tessaform Release 9 encryptable storage - intermediate)",
        " (Tessaform Release 9 encryptable storage)"};
    const char* text = version >= 1 && version <= 7 ? texts[version - 1]
                                                    : " (String missing in KxDatabaseSubject::getFileVersionContext)";
    std::strcpy(buffer, text);
}

KvAspectSet* KxDatabaseSubject::gimmeYourAspects() {
    KvAspectSet& set = record_->aspects;
    if (set.count() != 0) return &set;
    auto add = [&set](const char* id, const char* title) {
        auto* aspect = new KvAspect(KvAspectId(id));
        aspect->setTitle(title);
        set.add(aspect);
    };
    if (record_->base != nullptr)
        for (const Entry& e : kDatabase) add(e.id, e.title);
    if (record_->workspace != nullptr)
        for (const Entry& e : kParent) add(e.id, e.title);
    if (KxClassDict* dict = record_->dictionary) {
        for (const Entry& e : kDictionaryHead) add(e.id, e.title);
        if (dict->IsMasterDictionary()) {
            for (uint32_t k = 0; k < dict->GetSubSchemaCount(); ++k) {
                const std::string id = kSubSchemaId + std::string(1, char('A' + k));
                add(id.c_str(), "Sub Schema");
            }
        }
        for (const Entry& e : kDictionaryTail) add(e.id, e.title);
    }
    return &set;
}

void KxDatabaseSubject::getValue(KvAspectSet& set, long) {
    for (unsigned long i = 0; i < set.count(); ++i) *set.getObject(i) = "not_available";
    set.setReadOnly();

    if (KxBase* base = record_->base) {
        Filler fill(set, kTagDatabase);
        fill("host", base->GetServer());
        fill("physical_host", base->GetPhysicalServer());
        fill("base", base->GetDatabaseName());
        fill("base_log", base->GetLogicalName());
        fill("base_phys", base->GetPhysicalName());
        fill("client_name", base->GetClientName());
        fill.text("db_version", Number(base->GetDatabaseVersion()));
        fill("typemgr_version", static_cast<unsigned int>(base->GetTypeMgrVersion()));
        KxDateTime time;
        if (base->GetCreationTime(time) == 0) fill("version_date", time);
        KxDatabaseFileInfo info;
        if (base->GetFileInfo(info) == 0) {
            fill.text("blk_vers", FileVersion(info.fileVersion));
            fill.text("fsm_vers", Number(info.freeStoreVersion));
        }
        fill("onlinebackup_enabled", base->IsExternalBackupRunning() ? "YES" : "NO");
        if (base->GetDictionaryModifyTime(time) == 0) fill("modify_dict_date", time);
        fill("auth_enabled", base->GetAuthorization() ? "YES" : "NO");
    }

    if (KxWorkspace* workspace = record_->workspace) {
        Filler fill(set, kTagDatabase);
        if (KxBase* parent = workspace->GetParent()) {
            fill("parent_host", parent->GetServer());
            fill("parent_physical_host", parent->GetPhysicalServer());
            fill("parent", parent->GetDatabaseName());
            fill("parent_log", parent->GetLogicalName());
            fill("parent_phys", parent->GetPhysicalName());
        } else {
            for (const Entry& e : kParent) {
                if (KvAspect* aspect = set.getAspect(KvAspectId(e.id))) {
                    aspect->setNotAvail();
                    aspect->tag() = kTagDatabase;
                }
            }
        }
    }

    if (KxClassDict* dict = record_->dictionary) {
        Filler fill(set, kTagDictionary);
        fill("dict_host", dict->GetServer());
        fill("dict_physical_host", dict->GetPhysicalServer());
        fill("dict", dict->GetName());
        fill("dict_log", dict->GetLogicalName());
        fill("dict_phys", dict->GetPhysicalName());
        fill("client_name_dict", dict->GetClientName());
        const uint32_t count = dict->GetSubSchemaCount();
        if (!dict->IsMasterDictionary())
            fill("dict_master", "NO");
        else if (count == 0)
            fill("dict_master", "YES (containing no sub schemata)");
        else if (count == 1)
            fill("dict_master", "YES (containing 1 sub schema)");
        else
            fill.text("dict_master", "YES (containing " + std::to_string(count) + " sub schema)");
        if (dict->IsMasterDictionary()) {
            for (uint32_t k = 0; k < count; ++k) {
                uint16_t id = 0;
                KxString name;
                if (dict->GetSubSchema(k, id, name) != 0) continue;
                std::string line = "id=" + std::to_string(id) + ", name=" + (name.IsActive() ? name.ToUtf8() : "");
                if (const int32_t status = dict->CheckSubSchema(id); status != 0) {
                    const char* message = KxError(nullptr, nullptr, status, 0);
                    line += ", status=" + std::string(message != nullptr ? message : "") + " ( " + std::to_string(status) + " )";
                }
                fill.text((kSubSchemaId + std::string(1, char('A' + k))).c_str(), line);
            }
        }
        fill.text("db_version_dict", Number(dict->GetDatabaseVersion()));
        fill("typemgr_version_dict", static_cast<unsigned int>(dict->GetTypeMgrVersion()));
        fill("version_date_dict", dict->GetCreationStamp());
        KxDatabaseFileInfo info;
        if (dict->GetFileInfo(info) == 0) {
            fill.tag(kTagDatabase);
            fill.text("blk_vers_dict", FileVersion(info.fileVersion));
            fill.text("fsm_vers_dict", Number(info.freeStoreVersion));
        }
    }
}
