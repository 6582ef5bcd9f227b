// Row buffers: blocks that hold several rows of statement values at once, column by column, so that one
// execution binds or fetches many rows (array binding).
//
// Layout (column-major): a buffer of N rows and row width W holds N x W bytes. A column joined at
// offset O with value size S and indicator size I owns the bytes from N x O on: first the values of
// all rows (S bytes each), then the indicators of all rows (I bytes each). So the value of row r lies
// at data + N x O + r x S and its indicator at data + N x (O + S) + r x I. Columns are joined (the row
// width grows) before the buffer is allocated; changing the row width discards an allocated block.
//
//   KxGSQLBuffer        the block, its row width, row count, current row and a count.
//   KxGVariableBuffer   one row for one memory location, filled from its kernel value.
//   KxGSQLObjectBuffer  a buffer that also keeps, per row, the large-object descriptors that the
//                       adapter allocated while filling the row, and frees them through the database.
#pragma once

#include <cstdint>
#include <vector>

class KxGContext;
class KxGDatabase;
class KxGMemoryLocation;

class KxGSQLBuffer {
public:
    // No data, 0 rows.
    explicit KxGSQLBuffer(int32_t rowWidth = 0);
    // A copy of rows rows of source starting at row firstRow: the row width and the count are
    // copied; the rows only when the slice lies inside the source and is the whole source (first
    // row 0 and every row). Any other slice leaves the new buffer empty (no rows), because a
    // partial slice of a column-major block cannot be copied knowing only the row width.
    KxGSQLBuffer(const KxGSQLBuffer& source, int32_t rows, int32_t firstRow);
    KxGSQLBuffer(const KxGSQLBuffer&) = delete;
    KxGSQLBuffer& operator=(const KxGSQLBuffer&) = delete;
    virtual ~KxGSQLBuffer();

    // Keeps the block (and its contents) when it exists with the same row count; otherwise frees it
    // and allocates rows x row width bytes, zero-filled. Failure (memory, a size beyond 2 GB, rows
    // not above 0) is not reported: the buffer is left without data and 0 rows.
    void Allocate(int32_t rows);
    // Frees the block; the row count becomes 0.
    void Free();

    uint8_t* GetData() const { return data_; }
    int32_t GetRowWidth() const { return rowWidth_; }
    // A new row width (negative taken as 0); a change frees an allocated block.
    void SetRowWidth(int32_t rowWidth);
    // Adds bytes (negative taken as 0) to the row width for a new column and answers the column's
    // offset (the previous row width); frees an allocated block when the width changes.
    int32_t ReserveColumn(int32_t bytes);
    int32_t GetRowCount() const { return rowCount_; }
    // The row that memory locations read and write.
    int32_t GetCurrentRow() const { return currentRow_; }
    void SetCurrentRow(int32_t row) { currentRow_ = row; }
    // A count that travels with the buffer (copied by the slice copy).
    int32_t GetCount() const { return count_; }
    void SetCount(int32_t count) { count_ = count; }

protected:
    // Reads and writes rows rows of another block, which stays its owner's (never freed here); a
    // later Allocate or Free lets go of it.
    void Borrow(uint8_t* data, int32_t rows);

private:
    uint8_t* data_ = nullptr;
    bool borrowed_ = false;
    int32_t rowWidth_ = 0;
    int32_t rowCount_ = 0;
    int32_t currentRow_ = 0;
    int32_t count_ = 0;
};

// One row for one location: row width = the location's offset + value size + indicator size (the
// offset is 0 for a location that was never joined to a buffer), zero-filled, then the location's
// kernel value converted into it (Variable2SQLBuffer with the context). Used to bind one kernel value
// as a statement parameter or result.
class KxGVariableBuffer : public KxGSQLBuffer {
public:
    KxGVariableBuffer(KxGMemoryLocation& location, KxGContext* context);
};

class KxGSQLObjectBuffer : public KxGSQLBuffer {
public:
    // One entry of the descriptor table; a zero handle is an empty entry.
    struct Descriptor {
        uint16_t kind;
        uintptr_t handle;
    };

    KxGSQLObjectBuffer(int32_t rowWidth, KxGDatabase* database, uint16_t descriptorsPerRow);
    // The slice of the first rows rows of source (see the slice copy of KxGSQLBuffer), the same
    // database and descriptors per row; when the rows were copied, their descriptors are moved here
    // (the source's entries become empty). A refused slice moves nothing.
    KxGSQLObjectBuffer(KxGSQLObjectBuffer& source, int32_t rows);
    // Frees the descriptors of all rows, then the table, then the block.
    ~KxGSQLObjectBuffer() override;

    // Sets entry index of the current row. A different handle already in the entry is freed first.
    // 0, -6033 when the index or the current row lies outside the buffer, -2030 out of memory.
    int32_t SetDescriptor(uint16_t index, uint16_t kind, uintptr_t handle);
    // Moves the descriptors of rows rows of source from firstRow into this buffer from its current
    // row on; the source's entries become empty; target entries that held another handle have it
    // freed first. 0; -6033 when a range lies outside its buffer or the descriptors per row differ;
    // -2030 out of memory.
    int32_t MoveDescriptors(KxGSQLObjectBuffer& source, int32_t firstRow, int32_t rows);
    // FreeDescriptor (kind, handle) on the database for every non-empty entry of the row, which then
    // becomes empty.
    void FreeDescriptors(int32_t row);
    // The same for every row that ever held descriptors.
    void FreeAllDescriptors();
    // The entry of a row; an empty entry for a row or index that holds none.
    Descriptor GetDescriptor(int32_t row, uint16_t index) const;

    KxGDatabase* GetDatabase() const { return database_; }
    uint16_t GetDescriptorsPerRow() const { return descriptorsPerRow_; }
    // A flag word and a further word, both 0 at construction.
    uint16_t GetFlags() const { return flags_; }
    void SetFlags(uint16_t flags) { flags_ = flags; }
    int32_t GetWord() const { return word_; }
    void SetWord(int32_t word) { word_ = word; }

private:
    // Makes the table cover rows rows; false when memory ran out.
    bool CoverRows(int32_t rows);
    void FreeEntry(Descriptor& entry);

    uint16_t flags_ = 0;
    KxGDatabase* database_;
    uint16_t descriptorsPerRow_;
    std::vector<Descriptor> descriptors_;   // empty until first use; grows by whole rows, zero-filled
    int32_t word_ = 0;
};
