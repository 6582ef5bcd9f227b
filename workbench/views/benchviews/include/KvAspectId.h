// KvAspectId: names one aspect by number (-1: none), by name, or both.
#pragma once

class KvAspectId {
public:
    static const int unknownAspectId = -1;

    KvAspectId();
    KvAspectId(int id);
    KvAspectId(const char* name);  // a copy of the name; none for null
    KvAspectId(int id, const char* name);
    KvAspectId(const KvAspectId& other);
    virtual ~KvAspectId();

    KvAspectId& operator=(const KvAspectId& other);

    // Equal numbers (neither -1) make two ids equal whatever their names; otherwise, when both
    // have a name, the names decide (byte by byte, case matters).
    bool operator==(const KvAspectId& other) const;
    bool operator!=(const KvAspectId& other) const { return !(*this == other); }

    int id() const { return id_; }
    const char* idStr() const { return idStr_; }

private:
    int id_;
    char* idStr_;  // owned, or null
};
