// Names and column descriptions from which the clause builders assemble SQL texts.
//
//   KxGIdentity           an alias name that qualifies columns in a statement ("T0", "T1" ...).
//   KxGQualifiedIdentity  a name with an optional qualifier; its qualified name is qualifier "." name,
//                         or the bare name when the qualifier is missing or empty.
//   KxGTable              the identity of a table: the table name qualified with its schema.
//   KxGColumn             a column description: SQL name, qualifier (a table alias or identity, may be
//                         missing), kernel type code, size, type-handler kind and flag byte.
#pragma once

#include <cstdint>

#include "KxString.h"

// Flag byte of a column description.
enum : uint8_t {
    KXG_COLUMN_KEY = 0x01,         // part of the primary key; key columns also order the rows they key
    KXG_COLUMN_NOT_NULL = 0x02,    // declared not null
    KXG_COLUMN_REFERENCE = 0x04,   // object-id column of a reference
    KXG_COLUMN_DESCENDING = 0x10,  // index columns: sorted descending
    KXG_COLUMN_HANDLE = 0x20       // the type handle is a handle type
};

class KxGIdentity {
public:
    KxGIdentity() = default;
    explicit KxGIdentity(const KxString& name) : name_(name) {}
    virtual ~KxGIdentity() = default;
    KxGIdentity(const KxGIdentity&) = default;
    KxGIdentity& operator=(const KxGIdentity&) = default;

    const KxString& GetName() const { return name_; }
    void SetName(const KxString& name) { name_ = name; }

private:
    KxString name_;
};

class KxGQualifiedIdentity : public KxGIdentity {
public:
    KxGQualifiedIdentity() = default;
    explicit KxGQualifiedIdentity(const KxString& name, const KxString& qualifier = KxString())
        : KxGIdentity(name), qualifier_(qualifier) {}

    const KxString& GetQualifier() const { return qualifier_; }
    void SetQualifier(const KxString& qualifier) { qualifier_ = qualifier; }
    // qualifier "." name, or the name alone when the qualifier is missing or empty.
    KxString GetQualifiedName() const;

private:
    KxString qualifier_;
};

// A table: the name is the table name, the qualifier its schema (missing when the product does not
// qualify table names).
class KxGTable : public KxGQualifiedIdentity {
public:
    KxGTable() = default;
    explicit KxGTable(const KxString& table, const KxString& schema = KxString())
        : KxGQualifiedIdentity(table, schema) {}

    const KxString& GetSchema() const { return GetQualifier(); }
};

class KxGColumn {
public:
    KxGColumn() = default;
    explicit KxGColumn(const KxString& name, uint16_t typeCode = 0, uint32_t size = 0, uint8_t flags = 0,
                       uint8_t kind = 0)
        : name_(name), typeCode_(typeCode), size_(size), flags_(flags), kind_(kind) {}
    virtual ~KxGColumn() = default;
    KxGColumn(const KxGColumn&) = default;
    KxGColumn& operator=(const KxGColumn&) = default;

    const KxString& GetName() const { return name_; }
    void SetName(const KxString& name) { name_ = name; }

    // The qualifier: a table alias or identity; missing (inactive) or empty means none.
    const KxString& GetQualifier() const { return qualifier_; }
    void SetQualifier(const KxString& qualifier) { qualifier_ = qualifier; }
    void SetQualifier(const KxGIdentity& identity) { qualifier_ = identity.GetName(); }
    // qualifier "." name, or the name alone when the qualifier is missing or empty.
    KxString GetQualifiedName() const;

    // Kernel type code of the values.
    uint16_t GetTypeCode() const { return typeCode_; }
    void SetTypeCode(uint16_t typeCode) { typeCode_ = typeCode; }
    // SQL size (for strings the length in characters; 0 when the type fixes it).
    uint32_t GetSize() const { return size_; }
    void SetSize(uint32_t size) { size_ = size; }
    // Storage kind byte that selects the type handler (the dialect's TypeNameOptions).
    uint8_t GetKind() const { return kind_; }
    void SetKind(uint8_t kind) { kind_ = kind; }

    uint8_t GetFlags() const { return flags_; }
    void SetFlags(uint8_t flags) { flags_ = flags; }
    bool IsKey() const { return (flags_ & KXG_COLUMN_KEY) != 0; }
    bool IsNotNull() const { return (flags_ & KXG_COLUMN_NOT_NULL) != 0; }
    bool IsDescending() const { return (flags_ & KXG_COLUMN_DESCENDING) != 0; }
    // The column orders the rows of its table (navigation reads list such columns in ORDER BY): the
    // key flag.
    bool IsOrdering() const { return IsKey(); }

private:
    KxString name_;
    KxString qualifier_;
    uint16_t typeCode_ = 0;
    uint32_t size_ = 0;
    uint8_t flags_ = 0;
    uint8_t kind_ = 0;
};
