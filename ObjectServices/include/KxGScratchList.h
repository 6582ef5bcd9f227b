// A list for one batch whose block is kept for the next batch on the same thread: a read's lists of
// a few hundred entries are not made again for every batch (blocks of a kilobyte and more also make
// the heap merge all its freed small blocks). A list in use by an outer batch is not shared: an
// inner one makes its own, and the larger of the two is kept. Lists of different tags keep blocks of
// their own (a caller's list and its callee's of the same type).
#pragma once

#include <vector>

template <class T, class Tag = void>
class KxGScratchList {
public:
    KxGScratchList() { items_.swap(Spare()); }
    ~KxGScratchList()
    {
        items_.clear();
        std::vector<T>& spare = Spare();
        if (items_.capacity() > spare.capacity()) {
            items_.swap(spare);
        }
    }
    KxGScratchList(const KxGScratchList&) = delete;
    KxGScratchList& operator=(const KxGScratchList&) = delete;

    std::vector<T>& operator*() { return items_; }
    std::vector<T>* operator->() { return &items_; }

private:
    static std::vector<T>& Spare()
    {
        thread_local std::vector<T> spare;
        return spare;
    }
    std::vector<T> items_;
};
