// The trace tag of the lock services: module CM (0x1000) of the connection's trace writer, inactive
// without a database or writer. The text of an operation is gathered and written as one record.
#pragma once

#include <string>

#include "KxGDatabase.h"
#include "KxGDatabaseTrace.h"

class KxGLockTraceTag : public KxTraceTag {
public:
    KxGLockTraceTag(KxGDatabase* database, const char* name)
        : KxTraceTag(database != nullptr ? database->GetTrace(KXG_TRACE_CM) : nullptr, name)
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
