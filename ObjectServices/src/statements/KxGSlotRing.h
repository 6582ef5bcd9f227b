// The fixed ring of slots shared by the statement-handle cache and the query cache.
//
// The slots of an array are linked into a ring in array order (the last one's next is the first);
// the tail's next is always the head. Filled slots stand contiguously from the head, the most recently
// returned first; empty slots follow up to the tail. Moving a slot relinks it; nothing is allocated.
#pragma once

#include <cstdint>

namespace kxg_ring {

// Links `count` slots into a ring in array order; head 0, tail count - 1.
template <class Slot>
void Link(Slot* slots, uint16_t count, uint16_t& head, uint16_t& tail)
{
    for (uint16_t i = 0; i < count; ++i) {
        slots[i].next = static_cast<uint16_t>((i + 1) % count);
    }
    head = 0;
    tail = static_cast<uint16_t>(count - 1);
}

// Walks from the head over at most `count` slots, stopping at the first empty slot. Answers the first
// slot for which `matches` holds (with its predecessor in `previous`), else -1; `last` is the last slot
// visited (-1 when none).
template <class Slot, class Matches>
int32_t Find(const Slot* slots, uint16_t count, uint16_t head, uint16_t tail, Matches matches,
             uint16_t& previous, int32_t& last)
{
    last = -1;
    previous = tail;
    uint16_t slot = head;
    for (uint16_t visited = 0; visited < count; ++visited) {
        last = slot;
        if (slots[slot].Empty()) {
            return -1;
        }
        if (matches(slots[slot])) {
            return slot;
        }
        previous = slot;
        slot = slots[slot].next;
    }
    return -1;
}

// Makes `slot` (whose predecessor is `previous`) the tail.
template <class Slot>
void MoveToTail(Slot* slots, uint16_t slot, uint16_t previous, uint16_t& head, uint16_t& tail)
{
    if (slot == tail) {
        return;
    }
    if (slot == head) {
        // The ring turns by one: the head's successor leads and the old head closes the ring.
        head = slots[slot].next;
        tail = slot;
        return;
    }
    slots[previous].next = slots[slot].next;
    slots[slot].next = head;
    slots[tail].next = slot;
    tail = slot;
}

// Makes the first empty slot from the head the head and answers it; -1 when every slot is filled.
template <class Slot>
int32_t FirstEmptyToHead(Slot* slots, uint16_t count, uint16_t& head, uint16_t& tail)
{
    uint16_t previous = tail;
    uint16_t slot = head;
    for (uint16_t visited = 0; visited < count; ++visited) {
        if (slots[slot].Empty()) {
            break;
        }
        previous = slot;
        slot = slots[slot].next;
        if (visited + 1 == count) {
            return -1;
        }
    }
    if (slot == head) {
        return slot;
    }
    if (slot == tail) {
        // The ring turns back by one: the tail leads and its predecessor closes the ring.
        head = slot;
        tail = previous;
        return slot;
    }
    slots[previous].next = slots[slot].next;
    slots[slot].next = head;
    slots[tail].next = slot;
    head = slot;
    return slot;
}

// The number of filled slots (they stand from the head).
template <class Slot>
uint16_t CountFilled(const Slot* slots, uint16_t count, uint16_t head)
{
    uint16_t filled = 0;
    uint16_t slot = head;
    while (filled < count && !slots[slot].Empty()) {
        ++filled;
        slot = slots[slot].next;
    }
    return filled;
}

}  // namespace kxg_ring
