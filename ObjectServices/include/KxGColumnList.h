// KxGColumnList: an ordered list of column descriptions (pointers).
//
// The list does not own its columns unless its holder calls DeleteAll (which deletes every column and
// empties the list). Copying a list copies the pointers.
#pragma once

#include <cstdint>

#include "KxGColumn.h"
#include "KxList.h"

class KxGColumnList : public KxCList {
public:
    explicit KxGColumnList(uint32_t growStep = 16) : KxCList(growStep) {}
    KxGColumnList(const KxGColumnList& other) = default;
    KxGColumnList& operator=(const KxGColumnList& other) = default;
    ~KxGColumnList() override = default;

    // Appends a column (a null column is refused with KX_FOUND_E_INVALID).
    int32_t AddColumn(KxGColumn* column);
    // The column at index, or null past the end.
    KxGColumn* GetColumn(uint32_t index) { return static_cast<KxGColumn*>(Get(index)); }
    const KxGColumn* GetColumn(uint32_t index) const { return static_cast<const KxGColumn*>(Get(index)); }

    // The first column whose name equals name (case-sensitive), or null.
    KxGColumn* Find(const KxString& name);
    const KxGColumn* Find(const KxString& name) const;
    // column itself when the list holds that pointer, else null.
    KxGColumn* Find(const KxGColumn* column);
    const KxGColumn* Find(const KxGColumn* column) const;

    // Deletes every column, then empties the list.
    void DeleteAll();
};
