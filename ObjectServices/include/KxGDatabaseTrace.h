// The gateway's tagged trace.
//
// The trace reads like nested XML elements: every traced operation opens a tag with its start time,
// writes free text inside it and closes the tag with its stop time and duration:
//
//   \n<name start=S attr="v">records ... nested tags ...\n</name attr="v" stop=T duration=D>
//
// Times are seconds since the process's first timer reading. Which operations are traced is chosen by
// module bits: a tag asks its connection for a writer that accepts its module and is inactive (writes
// nothing, reads no clock) when there is none.
//
// Writing a record inside an active tag:
//   if (KxGDatabaseTrace* trace = tag.GetTrace()) {
//       trace->BeginCriticalSection();
//       trace->SetEscape(1);
//       *trace << "text " << value << '\n';
//       trace->SetEscape(0);
//       trace->EndCriticalSection();
//   }
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "KxString.h"

class KxCritSect;
class KxObjId;
class KxClassId;
class KxRef;
class KxGDatabase;
class KxTraceTag;

// Module bits of the trace (names as in the TraceModules configuration key).
enum : uint16_t {
    KXG_TRACE_CA = 0x8000,   // client, admin and bucket operations
    KXG_TRACE_TXN = 0x2000,  // transaction manager
    KXG_TRACE_CM = 0x1000,   // lock services
    KXG_TRACE_SM = 0x40,     // schema maps
    KXG_TRACE_STM = 0x8,     // statement-handle cache
    KXG_TRACE_DBA = 0x1      // the adapters' database operations
};

// A reading of the process-wide monotonic timer. The first reading in the process fixes the origin;
// ticks count from it.
class KxGTimer {
public:
    // A source of raw tick counts; ticks per second are Frequency().
    typedef int64_t (*Clock)();

    KxGTimer();                 // reads the timer
    void Read();                // takes a new reading

    int64_t Ticks() const { return ticks_; }
    double Seconds() const { return seconds_; }

    // The reading as text: [hh:][mm:]ss:micro, hours only when not 0, minutes when hours or minutes
    // are not 0; the microseconds of the last second as a number of width 6.
    std::string ElapsedText() const;

    // Process-wide values (fixed by the first reading).
    static int64_t Frequency();          // ticks per second
    static int64_t TicksPerMinute();
    static int64_t TicksPerHour();
    static double TicksPerMicrosecond();
    static int64_t Origin();             // the raw count of the first reading (taking it if needed)

    // Replaces the monotonic clock (null restores it), so that tests can set the time. Ticks keep
    // counting from the origin. The clock must not read the timer itself (take Origin() first).
    static void SetClock(Clock clock);
    static int64_t RawCount();           // the current raw count of the clock in use

private:
    int64_t ticks_ = 0;
    double seconds_ = 0.0;
};

// One attribute of a tag: name=value, the value in double quotes when quoted.
class KxGTraceAttribute {
public:
    KxGTraceAttribute(const char* name, const char* text);          // quoted; null text: empty value
    KxGTraceAttribute(const char* name, const KxString& text);      // quoted
    KxGTraceAttribute(const char* name, double value);              // unquoted
    KxGTraceAttribute(const char* name, int32_t value);             // unquoted
    KxGTraceAttribute(const char* name, int32_t value, int16_t quoted);
    // Takes over a text on the heap and releases it once copied; quoted.
    KxGTraceAttribute(const char* name, std::unique_ptr<char[]> text);
    KxGTraceAttribute(const char* name, const KxGTimer& timer);     // quoted elapsed text

    KxGTraceAttribute(const KxGTraceAttribute&) = delete;
    KxGTraceAttribute& operator=(const KxGTraceAttribute&) = delete;

    int16_t IsQuoted() const { return quoted_; }
    const KxString& Name() const { return name_; }
    const KxString& Value() const { return value_; }
    KxGTraceAttribute* Next() const { return next_; }
    KxString Text() const;

private:
    friend class KxGTraceAttributeList;

    int16_t quoted_;
    KxString name_;
    KxString value_;
    KxGTraceAttribute* next_ = nullptr;
};

// A singly linked list of attributes; it owns them.
class KxGTraceAttributeList {
public:
    KxGTraceAttributeList() = default;
    ~KxGTraceAttributeList();
    KxGTraceAttributeList(const KxGTraceAttributeList&) = delete;
    KxGTraceAttributeList& operator=(const KxGTraceAttributeList&) = delete;

    // Adds the attribute at the end and takes it over; null is ignored.
    void Append(KxGTraceAttribute* attribute);
    KxGTraceAttribute* First() const { return head_; }
    bool IsEmpty() const { return head_ == nullptr; }
    void Clear();

private:
    KxGTraceAttribute* head_ = nullptr;
};

// The trace writer: one text file.
class KxGDatabaseTrace {
public:
    // A name beginning with ">>" opens the rest of the name for appending; any other name empties the
    // file first. modules: the module bits this writer accepts. critSect guards every record, tag
    // opening and tag closing; it may be null and is not owned. The tag "file" is opened at once and
    // spans the writer's life.
    KxGDatabaseTrace(const KxString& fileName, uint16_t modules, KxCritSect* critSect);
    // Closes the tag "file", flushes and closes the file.
    ~KxGDatabaseTrace();
    KxGDatabaseTrace(const KxGDatabaseTrace&) = delete;
    KxGDatabaseTrace& operator=(const KxGDatabaseTrace&) = delete;

    bool IsOpen() const;
    uint16_t GetModules() const { return modules_; }
    // Whether a request for the module bits is served: mask 0 or a bit shared with the writer's mask.
    bool Accepts(uint16_t mask) const { return mask == 0 || (mask & modules_) != 0; }

    // While the escape flag is non-zero, texts written with the text operators are escaped
    // ("&" "&amp;", "<" "&lt;", ">" "&gt;").
    void SetEscape(int16_t escape) { escape_ = escape; }
    int16_t GetEscape() const { return escape_; }

    KxGDatabaseTrace& operator<<(int16_t value);
    KxGDatabaseTrace& operator<<(uint16_t value);
    KxGDatabaseTrace& operator<<(int32_t value);
    KxGDatabaseTrace& operator<<(uint32_t value);
    KxGDatabaseTrace& operator<<(int64_t value);
    KxGDatabaseTrace& operator<<(uint64_t value);
    KxGDatabaseTrace& operator<<(double value);           // six significant digits
    KxGDatabaseTrace& operator<<(unsigned char c);        // one character
    KxGDatabaseTrace& operator<<(char c);                 // one character
    KxGDatabaseTrace& operator<<(const char* text);       // escaped while the flag is set; null: nothing
    KxGDatabaseTrace& operator<<(const KxString& text);   // as its 8-bit text
    KxGDatabaseTrace& operator<<(const KxObjId& id);      // high "-" low, unsigned decimal
    KxGDatabaseTrace& operator<<(const KxClassId& id);    // number "v" version
    KxGDatabaseTrace& operator<<(const KxRef& ref);       // object id "/" class id
    KxGDatabaseTrace& operator<<(std::ostream& (*manipulator)(std::ostream&));   // std::flush, std::endl
    KxGDatabaseTrace& Flush();

    // Enter and leave the writer's critical section when it has one.
    void BeginCriticalSection();
    void EndCriticalSection();

    void StopAndPrintTime() {}

private:
    void WriteText(const char* text);

    uint16_t modules_;
    std::ofstream out_;
    int16_t escape_ = 0;
    KxCritSect* critSect_;
    KxTraceTag* rootTag_ = nullptr;
};

// A scoped tag. Active when it has a writer: the opening is written at construction and the closing
// (with the attributes of its list) at destruction.
class KxTraceTag {
public:
    // name is not copied: it must outlive the tag. openingAttributes (may be null, not kept) are
    // written into the opening only.
    KxTraceTag(KxGDatabaseTrace* trace, const char* name,
               const KxGTraceAttributeList* openingAttributes = nullptr);
    virtual ~KxTraceTag();
    KxTraceTag(const KxTraceTag&) = delete;
    KxTraceTag& operator=(const KxTraceTag&) = delete;

    // The writer, or null when the tag is inactive.
    KxGDatabaseTrace* GetTrace() const { return trace_; }
    bool IsActive() const { return trace_ != nullptr; }
    const char* GetName() const { return name_; }
    double GetStartTime() const { return start_; }

    // Adds an attribute to the closing of the tag and takes it over.
    void Append(KxGTraceAttribute* attribute) { attributes_.Append(attribute); }
    KxGTraceAttributeList& Attributes() { return attributes_; }

private:
    void Open(const KxGTraceAttributeList* openingAttributes);
    void Close();

    KxGDatabaseTrace* trace_;
    const char* name_;
    KxGTraceAttributeList attributes_;
    double start_ = 0.0;
};

// A tag whose writer is the connection's: database.GetTrace(modules).
class KxGTraceTag : public KxTraceTag {
public:
    KxGTraceTag(KxGDatabase& database, uint16_t modules, const char* name,
                const KxGTraceAttributeList* openingAttributes = nullptr);
};
