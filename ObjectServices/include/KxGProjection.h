// KxGProjection: the select list of a statement with its FROM list.
// KxGExtendedProjection: the same, keeping in addition the columns added, in order.
//
// The dialect (KxGDatabaseInfo) wraps these texts into SELECT, INSERT, UPDATE, DELETE and DDL
// statements; the projection itself knows no product.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxString.h"

class KxGProjection {
public:
    // Longest select-list line of a wrapping projection, unless one column text alone is longer.
    static constexpr uint16_t kWrapWidth = 80;

    KxGProjection() = default;
    // The FROM text becomes the table's qualified name. With wrap non-zero the select list is broken
    // into lines of at most kWrapWidth characters.
    explicit KxGProjection(const KxGQualifiedIdentity& table, uint16_t wrap = 0);
    virtual ~KxGProjection() = default;
    KxGProjection(const KxGProjection&) = default;
    KxGProjection& operator=(const KxGProjection&) = default;

    // Adds "," (after the first column) and the column: identity name "." column name when an identity
    // is given, else the column name. The column count grows by one.
    virtual void AddColumn(const KxGColumn& column, const KxGIdentity* identity = nullptr);
    // Empties both texts; count and line length become 0.
    virtual void Clear();

    // Adds ", " (after the first entry), then text " AS " column name; the count grows.
    void AddLiteral(const KxString& text, const KxGColumn& column);
    // Adds ", " when the FROM text is not empty, then the table's qualified name.
    void AddTable(const KxGQualifiedIdentity& table);
    // The same, followed by " " and the alias name.
    void AddTable(const KxGQualifiedIdentity& table, const KxGIdentity& alias);
    // Appends " " and a raw fragment to the FROM text.
    void AddFrom(const KxString& fragment);

    const KxString& GetFrom() const { return from_; }
    const KxString& GetSelectList() const { return select_; }
    uint16_t GetColumnCount() const { return count_; }
    uint16_t GetWrap() const { return wrap_; }

protected:
    KxString from_;
    KxString select_;
    uint16_t count_ = 0;
    uint16_t wrap_ = 0;
    uint16_t lineLength_ = 0;
};

class KxGExtendedProjection : public KxGProjection {
public:
    KxGExtendedProjection() = default;
    explicit KxGExtendedProjection(const KxGQualifiedIdentity& table, uint16_t wrap = 0)
        : KxGProjection(table, wrap) {}
    KxGExtendedProjection(const KxGExtendedProjection&) = default;
    KxGExtendedProjection& operator=(const KxGExtendedProjection&) = default;

    // As the base, then keeps the column (the projection does not own it; it must outlive the
    // projection's use).
    void AddColumn(const KxGColumn& column, const KxGIdentity* identity = nullptr) override;
    // As the base, then forgets the columns without deleting them.
    void Clear() override;

    // The columns added, in order.
    const KxGColumnList& GetColumns() const { return columns_; }

private:
    KxGColumnList columns_;
};
