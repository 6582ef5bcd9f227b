// Trace tags of a database's trace writer for one module, inactive without a database or writer.
// The text of an operation is gathered and written as one record.
//
//   KxGModuleTraceTag  any module of the trace (KXG_TRACE_...).
//   KxGLockTraceTag    module CM (0x1000): the lock services.
//   KxGTxnTraceTag     module TXN (0x2000): the transaction classes.
#pragma once

#include <cstdint>
#include <string>

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"

class KxGModuleTraceTag : public KxTraceTag {
public:
    KxGModuleTraceTag(KxGDatabase* database, uint16_t module, const char* name)
        : KxTraceTag(database != nullptr ? database->GetTrace(module) : nullptr, name)
    {
    }

    // Writes the text as one record (nothing when the tag is inactive or the text is empty).
    void Write(const std::string& text)
    {
        KxGDatabaseTrace* trace = GetTrace();
        if (trace == nullptr || text.empty()) {
            return;
        }
        trace->BeginCriticalSection();
        trace->SetEscape(1);
        *trace << text.c_str() << '\n';
        trace->SetEscape(0);
        trace->EndCriticalSection();
    }
};

class KxGLockTraceTag : public KxGModuleTraceTag {
public:
    KxGLockTraceTag(KxGDatabase* database, const char* name) : KxGModuleTraceTag(database, KXG_TRACE_CM, name) {}
};

class KxGTxnTraceTag : public KxGModuleTraceTag {
public:
    KxGTxnTraceTag(KxGDatabase* database, const char* name) : KxGModuleTraceTag(database, KXG_TRACE_TXN, name) {}
};
