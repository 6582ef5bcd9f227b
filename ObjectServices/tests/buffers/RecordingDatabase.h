// The fake adapter's database with FreeDescriptor calls recorded in order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "KxGFakeAdapter.h"

class RecordingDatabase : public KxGFakeDatabase {
public:
    RecordingDatabase() : KxGFakeDatabase("server", "db", "", "", nullptr, nullptr) {}

    int32_t FreeDescriptor(int16_t kind, uintptr_t handle) override
    {
        freed.emplace_back(kind, handle);
        return 0;
    }

    std::vector<std::pair<int16_t, uintptr_t>> freed;
};
