// KxDatabaseSubject: the facts of an open database, of the parent database of a workspace and of a
// class dictionary as read-only aspects: servers, names, client name, versions, creation and
// modification times, file and free-store versions, backup and authorization state, and the
// sub-schemata of a master dictionary. Tag 2 marks a value of the database, tag 1 one of the
// dictionary.
#pragma once

#include "KvAspectSet.h"
#include "KvSubject.h"

class KxBase;
class KxClassDict;
class KxWorkspace;

class KxDatabaseSubject : public KvSubject {
public:
    // Each of the three may be null; its group of aspects is then left out.
    KxDatabaseSubject(KxBase* base, KxClassDict* dictionary, KxWorkspace* workspace);
    ~KxDatabaseSubject() override;
    KxDatabaseSubject(const KxDatabaseSubject&) = delete;
    KxDatabaseSubject& operator=(const KxDatabaseSubject&) = delete;

    // Every aspect of the set becomes "not_available" and read-only, then those of the groups
    // present receive their values and tags.
    void getValue(KvAspectSet& set, long index) override;
    // Built on the first request: the database group, the parent group, the dictionary group.
    KvAspectSet* gimmeYourAspects() override;

    // Writes the explanation of a database file version (" (...)") into buffer, which must hold
    // 80 characters.
    static void getFileVersionContext(char* buffer, int version);

private:
    struct Record;
    Record* record_;
};
