// The trace tag of the transaction classes: module TXN (0x2000) of the connection's trace writer,
// inactive without a database or writer. Lines are written as records of their own.
#pragma once

#include <string>

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"

class KxGTxnTraceTag : public KxTraceTag {
public:
    KxGTxnTraceTag(KxGDatabase* database, const char* name)
        : KxTraceTag(database != nullptr ? database->GetTrace(KXG_TRACE_TXN) : nullptr, name)
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
