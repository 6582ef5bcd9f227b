#include "svlist.h"

#include <algorithm>

// ---- Container ----

Container::Container(uint16_t blockSize, uint16_t initSize, uint16_t reSize)
    : blockSize_(blockSize), initSize_(initSize), reSize_(reSize) {}
Container::Container(const Container& other) = default;
Container& Container::operator=(const Container& other) = default;
Container::~Container() = default;

void* Container::At(uint32_t index) {
    if (index >= items_.size()) return nullptr;
    cur_ = index;
    return items_[index];
}

void Container::Insert(void* p) {
    Insert(p, cur_ == CONTAINER_ENTRY_NOTFOUND ? CONTAINER_APPEND : cur_);
    cur_ = cur_ == CONTAINER_ENTRY_NOTFOUND ? static_cast<uint32_t>(items_.size() - 1) : cur_ - 1;
}

void Container::Insert(void* p, uint32_t index) {
    if (index > items_.size()) index = static_cast<uint32_t>(items_.size());
    items_.insert(items_.begin() + index, p);
    if (cur_ != CONTAINER_ENTRY_NOTFOUND && index <= cur_) ++cur_;
}

void Container::InsertBefore(void* p, const void* before) { Insert(p, GetPos(before)); }

void* Container::Remove() { return cur_ == CONTAINER_ENTRY_NOTFOUND ? nullptr : Remove(cur_); }

void* Container::Remove(uint32_t index) {
    if (index >= items_.size()) return nullptr;
    void* p = items_[index];
    items_.erase(items_.begin() + index);
    if (cur_ != CONTAINER_ENTRY_NOTFOUND) {
        if (index < cur_) --cur_;
        if (cur_ >= items_.size())
            cur_ = items_.empty() ? CONTAINER_ENTRY_NOTFOUND : static_cast<uint32_t>(items_.size() - 1);
    }
    return p;
}

void* Container::RemoveObject(const void* p) {
    const uint32_t pos = GetPos(p);
    return pos == CONTAINER_ENTRY_NOTFOUND ? nullptr : Remove(pos);
}

void* Container::Replace(void* p) { return cur_ == CONTAINER_ENTRY_NOTFOUND ? nullptr : Replace(p, cur_); }

void* Container::Replace(void* p, uint32_t index) {
    if (index >= items_.size()) return nullptr;
    std::swap(items_[index], p);
    return p;
}

void* Container::ReplaceObject(void* p, const void* old) {
    const uint32_t pos = GetPos(old);
    return pos == CONTAINER_ENTRY_NOTFOUND ? nullptr : Replace(p, pos);
}

void Container::SetSize(uint32_t n) {
    items_.resize(n, nullptr);
    if (cur_ != CONTAINER_ENTRY_NOTFOUND && cur_ >= n) cur_ = n == 0 ? CONTAINER_ENTRY_NOTFOUND : n - 1;
}

uint32_t Container::GetSize() const { return static_cast<uint32_t>(items_.size()); }
uint32_t Container::Count() const { return static_cast<uint32_t>(items_.size()); }

void Container::Clear() {
    items_.clear();
    cur_ = CONTAINER_ENTRY_NOTFOUND;
}

void* Container::GetCurObject() const { return cur_ == CONTAINER_ENTRY_NOTFOUND ? nullptr : items_[cur_]; }
uint32_t Container::GetCurPos() const { return cur_; }
void* Container::GetObject(uint32_t index) const { return index < items_.size() ? items_[index] : nullptr; }

uint32_t Container::GetPos(const void* p) const {
    const auto it = std::find(items_.begin(), items_.end(), p);
    return it == items_.end() ? CONTAINER_ENTRY_NOTFOUND : static_cast<uint32_t>(it - items_.begin());
}

void* Container::Seek(uint32_t index) { return At(index); }
void* Container::SeekObject(const void* p) { return At(GetPos(p)); }
void* Container::First() { return At(0); }
void* Container::Last() { return items_.empty() ? nullptr : At(static_cast<uint32_t>(items_.size() - 1)); }
void* Container::Next() { return cur_ == CONTAINER_ENTRY_NOTFOUND ? nullptr : At(cur_ + 1); }
void* Container::Prev() { return cur_ == CONTAINER_ENTRY_NOTFOUND || cur_ == 0 ? nullptr : At(cur_ - 1); }

bool Container::operator==(const Container& other) const { return items_ == other.items_; }
bool Container::operator!=(const Container& other) const { return !(*this == other); }

List::List(uint16_t blockSize, uint16_t initSize, uint16_t reSize) : Container(blockSize, initSize, reSize) {}
List::List(const List& other) = default;
List& List::operator=(const List& other) = default;
List::~List() = default;

// ---- Table ----

Table::Table(uint16_t initSize, uint16_t reSize) : initSize_(initSize), reSize_(reSize) {}
Table::Table(const Table& other) = default;
Table& Table::operator=(const Table& other) = default;
Table::~Table() = default;

size_t Table::LowerBound(TableKey key) const {
    return static_cast<size_t>(
        std::lower_bound(items_.begin(), items_.end(), key,
                         [](const std::pair<TableKey, void*>& e, TableKey k) { return e.first < k; }) -
        items_.begin());
}

bool Table::Insert(TableKey key, void* p) {
    const size_t pos = LowerBound(key);
    if (pos < items_.size() && items_[pos].first == key) return false;
    items_.insert(items_.begin() + static_cast<ptrdiff_t>(pos), {key, p});
    if (cur_ != CONTAINER_ENTRY_NOTFOUND && pos <= cur_) ++cur_;
    return true;
}

void* Table::Remove(TableKey key) {
    const size_t pos = LowerBound(key);
    if (pos >= items_.size() || items_[pos].first != key) return nullptr;
    void* p = items_[pos].second;
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(pos));
    if (cur_ != CONTAINER_ENTRY_NOTFOUND) {
        if (pos < cur_) --cur_;
        if (cur_ >= items_.size())
            cur_ = items_.empty() ? CONTAINER_ENTRY_NOTFOUND : static_cast<uint32_t>(items_.size() - 1);
    }
    return p;
}

void* Table::Replace(TableKey key, void* p) {
    const size_t pos = LowerBound(key);
    if (pos >= items_.size() || items_[pos].first != key) return nullptr;
    std::swap(items_[pos].second, p);
    return p;
}

void* Table::Get(TableKey key) const {
    const size_t pos = LowerBound(key);
    return pos < items_.size() && items_[pos].first == key ? items_[pos].second : nullptr;
}

bool Table::IsKeyValid(TableKey key) const {
    const size_t pos = LowerBound(key);
    return pos < items_.size() && items_[pos].first == key;
}

uint32_t Table::Count() const { return static_cast<uint32_t>(items_.size()); }

void Table::Clear() {
    items_.clear();
    cur_ = CONTAINER_ENTRY_NOTFOUND;
}

void* Table::GetObject(uint32_t pos) const { return pos < items_.size() ? items_[pos].second : nullptr; }
TableKey Table::GetObjectKey(uint32_t pos) const {
    return pos < items_.size() ? items_[pos].first : TABLE_ENTRY_NOTFOUND;
}

uint32_t Table::GetPos(const void* p) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].second == p) return static_cast<uint32_t>(i);
    return CONTAINER_ENTRY_NOTFOUND;
}

void* Table::Seek(TableKey key) {
    const size_t pos = LowerBound(key);
    if (pos >= items_.size() || items_[pos].first != key) return nullptr;
    cur_ = static_cast<uint32_t>(pos);
    return items_[pos].second;
}

void* Table::First() {
    if (items_.empty()) return nullptr;
    cur_ = 0;
    return items_[0].second;
}

void* Table::Last() {
    if (items_.empty()) return nullptr;
    cur_ = static_cast<uint32_t>(items_.size() - 1);
    return items_[cur_].second;
}

void* Table::Next() {
    if (cur_ == CONTAINER_ENTRY_NOTFOUND || cur_ + 1 >= items_.size()) return nullptr;
    return items_[++cur_].second;
}

void* Table::Prev() {
    if (cur_ == CONTAINER_ENTRY_NOTFOUND || cur_ == 0) return nullptr;
    return items_[--cur_].second;
}

void* Table::GetCurObject() const { return cur_ == CONTAINER_ENTRY_NOTFOUND ? nullptr : items_[cur_].second; }
TableKey Table::GetCurKey() const { return cur_ == CONTAINER_ENTRY_NOTFOUND ? TABLE_ENTRY_NOTFOUND : items_[cur_].first; }
uint32_t Table::GetCurPos() const { return cur_; }

bool Table::operator==(const Table& other) const { return items_ == other.items_; }
bool Table::operator!=(const Table& other) const { return !(*this == other); }

// ---- UniqueIndex ----

UniqueIndex::UniqueIndex() = default;
UniqueIndex::~UniqueIndex() = default;
uint32_t UniqueIndex::Count() const { return entries_.Count(); }
