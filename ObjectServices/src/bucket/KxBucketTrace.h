// Trace records of the bucket and the shells: one record (the parts and a newline) inside an
// active tag; references are written as their text.
#pragma once

#include "KxGDatabaseTrace.h"
#include "KxRef.h"
#include "KxString.h"

namespace kxg_bucket {

inline KxString RefText(const KxRef& ref)
{
    KxString text;
    ref.PrintToKxString(text);
    return text;
}

template <typename Part>
void Write(KxGDatabaseTrace& trace, const Part& part)
{
    trace << part;
}

inline void Write(KxGDatabaseTrace& trace, const KxRef& ref) { trace << RefText(ref); }

}  // namespace kxg_bucket

template <typename... Parts>
void KxGBucketRecord(const KxTraceTag& tag, const Parts&... parts)
{
    KxGDatabaseTrace* trace = tag.GetTrace();
    if (trace == nullptr) {
        return;
    }
    trace->BeginCriticalSection();
    trace->SetEscape(1);
    (kxg_bucket::Write(*trace, parts), ...);
    *trace << '\n';
    trace->SetEscape(0);
    trace->EndCriticalSection();
}
