// A type handle for the buffer tests: a fixed kernel type code, sizes given at construction, values
// copied byte for byte, 2-byte indicators (0xFFFF NULL, 0 set by every store).
#pragma once

#include <cstdint>
#include <cstring>

#include "KxGTypeHdl.h"

class TestTypeHdl : public KxGTypeHdl {
public:
    // bytesPerElement: value bytes per element (ColumnSize and BufferSize are n x bytesPerElement).
    explicit TestTypeHdl(uint8_t code, int32_t bytesPerElement = 4, int32_t indSize = 2)
        : code_(code), bytes_(bytesPerElement), indSize_(indSize) {}

    uint8_t TypeCode() override { return code_; }
    uint16_t SQLTypeName(int32_t, KxString& text) override { text << "TEST"; return 1; }
    int32_t IndSize() override { return indSize_; }
    int32_t ColumnSize(int32_t size) override { return size * bytes_; }
    int32_t BufferSize(int32_t size) override { return size * bytes_; }
    int32_t BindSize(int32_t size) override { return size; }
    int32_t ValueLength(const void*) override { return bytes_; }
    void* SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext* context) override
    {
        lastContext = context;
        if (indicator != nullptr && IsNull(indicator)) {
            std::memset(variable, 0, size_t(size));
        } else {
            std::memcpy(variable, sqlValue, size_t(size));
        }
        return variable;
    }
    void* VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext* context) override
    {
        lastContext = context;
        std::memcpy(sqlValue, variable, size_t(size));
        if (indicator != nullptr) {
            std::memset(indicator, 0, size_t(indSize_));
        }
        return sqlValue;
    }
    void ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*) override
    {
        int32_t v = 0;
        std::memcpy(&v, sqlValue, sizeof v);
        text << v;
    }
    uint16_t IsNullValue(const void*) override { return 0; }
    uint16_t IsNull(const void* indicator) override
    {
        return static_cast<const uint8_t*>(indicator)[0] == 0xFF ? 1 : 0;
    }
    void PrepareIndicator(void*) override {}
    void SetNull(void* indicator) override
    {
        if (indicator != nullptr) {
            std::memset(indicator, 0xFF, size_t(indSize_));
        }
    }
    void SetDataLength(void*, void*, int32_t) override {}

    KxGContext* lastContext = nullptr;

private:
    uint8_t code_;
    int32_t bytes_;
    int32_t indSize_;
};
