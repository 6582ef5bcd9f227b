// The gateway's tagged trace: timer, attributes, writer and tags.
#include "KxGDatabaseTrace.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iomanip>
#include <locale>
#include <sstream>

#include "KxGDatabase.h"
#include "kxthreads.h"
#include "kxtypes.h"

// ---------------------------------------------------------------------------------------------------
// Timer

namespace {

std::atomic<KxGTimer::Clock> g_clock{nullptr};

int64_t SteadyCount()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The process-wide values, fixed by the first reading. A function-local static is initialised exactly
// once even when several threads take their first reading at the same time.
struct TimerBase {
    int64_t frequency;
    int64_t perMinute;
    int64_t perHour;
    double perMicrosecond;
    int64_t origin;

    TimerBase()
        : frequency(1000000000),
          perMinute(frequency * 60),
          perHour(perMinute * 60),
          perMicrosecond(static_cast<double>(frequency) / 1000000.0),
          origin(KxGTimer::RawCount())
    {
    }
};

const TimerBase& Base()
{
    static const TimerBase base;
    return base;
}

std::ostringstream ClassicStream()
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    return s;
}

}  // namespace

int64_t KxGTimer::RawCount()
{
    Clock clock = g_clock.load(std::memory_order_acquire);
    return clock != nullptr ? clock() : SteadyCount();
}

void KxGTimer::SetClock(Clock clock)
{
    g_clock.store(clock, std::memory_order_release);
}

int64_t KxGTimer::Frequency() { return Base().frequency; }
int64_t KxGTimer::TicksPerMinute() { return Base().perMinute; }
int64_t KxGTimer::TicksPerHour() { return Base().perHour; }
double KxGTimer::TicksPerMicrosecond() { return Base().perMicrosecond; }
int64_t KxGTimer::Origin() { return Base().origin; }

KxGTimer::KxGTimer()
{
    Read();
}

void KxGTimer::Read()
{
    const TimerBase& base = Base();
    ticks_ = RawCount() - base.origin;
    seconds_ = static_cast<double>(ticks_) / static_cast<double>(base.frequency);
}

std::string KxGTimer::ElapsedText() const
{
    const TimerBase& base = Base();
    int64_t rest = std::max<int64_t>(ticks_, 0);
    const int64_t hours = rest / base.perHour;
    rest -= hours * base.perHour;
    const int64_t minutes = rest / base.perMinute;
    rest -= minutes * base.perMinute;
    const int64_t seconds = rest / base.frequency;
    rest -= seconds * base.frequency;

    std::ostringstream text = ClassicStream();
    if (hours != 0) {
        text << std::setw(2) << hours << ':';
    }
    if (hours != 0 || minutes != 0) {
        text << std::setw(2) << minutes << ':';
    }
    text << std::setw(2) << seconds << ':';
    text << std::setw(6) << static_cast<double>(rest) / base.perMicrosecond;
    return text.str();
}

// ---------------------------------------------------------------------------------------------------
// Attributes

KxGTraceAttribute::KxGTraceAttribute(const char* name, const char* text)
    : quoted_(1), name_(name), value_(text != nullptr ? text : "")
{
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, const KxString& text)
    : quoted_(1), name_(name), value_(text)
{
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, double value) : quoted_(0), name_(name)
{
    std::ostringstream text = ClassicStream();
    text << value;
    value_ = KxString(text.str());
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, int32_t value) : KxGTraceAttribute(name, value, 0)
{
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, int32_t value, int16_t quoted)
    : quoted_(quoted != 0 ? 1 : 0), name_(name), value_(std::to_string(value))
{
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, std::unique_ptr<char[]> text)
    : quoted_(1), name_(name), value_(text ? text.get() : "")
{
}

KxGTraceAttribute::KxGTraceAttribute(const char* name, const KxGTimer& timer)
    : quoted_(1), name_(name), value_(timer.ElapsedText())
{
}

KxString KxGTraceAttribute::Text() const
{
    KxString text(name_.StrGet());
    text << "=";
    if (quoted_ != 0) {
        text << "\"" << value_ << "\"";
    } else {
        text << value_;
    }
    return text;
}

KxGTraceAttributeList::~KxGTraceAttributeList()
{
    Clear();
}

void KxGTraceAttributeList::Append(KxGTraceAttribute* attribute)
{
    if (attribute == nullptr) {
        return;
    }
    attribute->next_ = nullptr;
    KxGTraceAttribute** link = &head_;
    while (*link != nullptr) {
        link = &(*link)->next_;
    }
    *link = attribute;
}

void KxGTraceAttributeList::Clear()
{
    while (head_ != nullptr) {
        KxGTraceAttribute* next = head_->next_;
        delete head_;
        head_ = next;
    }
}

// ---------------------------------------------------------------------------------------------------
// Writer

KxGDatabaseTrace::KxGDatabaseTrace(const KxString& fileName, uint16_t modules, KxCritSect* critSect)
    : modules_(modules), critSect_(critSect)
{
    std::string name = fileName.ToUtf8();
    std::ios::openmode mode = std::ios::out;
    if (name.compare(0, 2, ">>") == 0) {
        name.erase(0, 2);
        mode |= std::ios::app;
    } else {
        mode |= std::ios::trunc;
    }
    out_.imbue(std::locale::classic());
    out_.open(name, mode);
    rootTag_ = new KxTraceTag(this, "file");
}

KxGDatabaseTrace::~KxGDatabaseTrace()
{
    delete rootTag_;
    rootTag_ = nullptr;
    out_.flush();
    out_.close();
}

bool KxGDatabaseTrace::IsOpen() const
{
    return out_.is_open();
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(int16_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(uint16_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(int32_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(uint32_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(int64_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(uint64_t value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(double value)
{
    out_ << value;
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(unsigned char c)
{
    out_.put(static_cast<char>(c));
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(char c)
{
    out_.put(c);
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(const char* text)
{
    WriteText(text);
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(const KxString& text)
{
    WriteText(text.StrGet());
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(const KxObjId& id)
{
    out_ << static_cast<uint32_t>(id.GetHigh()) << '-' << static_cast<uint32_t>(id.GetLow());
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(const KxClassId& id)
{
    out_ << id.GetClassNumber() << 'v' << id.GetVersion();
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(const KxRef& ref)
{
    *this << ref.GetObjId();
    out_ << '/';
    return *this << ref.GetClassId();
}

KxGDatabaseTrace& KxGDatabaseTrace::operator<<(std::ostream& (*manipulator)(std::ostream&))
{
    if (manipulator != nullptr) {
        manipulator(out_);
    }
    return *this;
}

KxGDatabaseTrace& KxGDatabaseTrace::Flush()
{
    out_.flush();
    return *this;
}

void KxGDatabaseTrace::BeginCriticalSection()
{
    if (critSect_ != nullptr) {
        critSect_->Enter();
    }
}

void KxGDatabaseTrace::EndCriticalSection()
{
    if (critSect_ != nullptr) {
        critSect_->Leave();
    }
}

void KxGDatabaseTrace::WriteText(const char* text)
{
    if (text == nullptr) {
        return;
    }
    if (escape_ == 0) {
        out_ << text;
        return;
    }
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '&': out_ << "&amp;"; break;
        case '<': out_ << "&lt;"; break;
        case '>': out_ << "&gt;"; break;
        default: out_.put(*p); break;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Tags

KxTraceTag::KxTraceTag(KxGDatabaseTrace* trace, const char* name, const KxGTraceAttributeList* openingAttributes)
    : trace_(trace), name_(name)
{
    if (trace_ != nullptr) {
        Open(openingAttributes);
    }
}

KxTraceTag::~KxTraceTag()
{
    if (trace_ != nullptr) {
        Close();
    }
}

void KxTraceTag::Open(const KxGTraceAttributeList* openingAttributes)
{
    const KxGTimer timer;
    start_ = timer.Seconds();

    KxGDatabaseTrace& trace = *trace_;
    trace.BeginCriticalSection();
    const int16_t escape = trace.GetEscape();
    trace.SetEscape(0);
    trace << "\n<" << name_ << " start=" << start_;
    for (KxGTraceAttribute* a = openingAttributes != nullptr ? openingAttributes->First() : nullptr; a != nullptr;
         a = a->Next()) {
        trace << ' ' << a->Text();
    }
    trace << '>';
    trace.SetEscape(escape);
    trace.EndCriticalSection();
}

void KxTraceTag::Close()
{
    const KxGTimer timer;
    const double stop = timer.Seconds();

    KxGDatabaseTrace& trace = *trace_;
    trace.BeginCriticalSection();
    const int16_t escape = trace.GetEscape();
    trace.SetEscape(0);
    trace << "\n</" << name_;
    for (KxGTraceAttribute* a = attributes_.First(); a != nullptr; a = a->Next()) {
        trace << ' ' << a->Text();
    }
    trace << " stop=" << stop << " duration=" << (stop - start_) << '>';
    trace.SetEscape(escape);
    trace.EndCriticalSection();
}

KxGTraceTag::KxGTraceTag(KxGDatabase& database, uint16_t modules, const char* name,
                         const KxGTraceAttributeList* openingAttributes)
    : KxTraceTag(database.GetTrace(modules), name, openingAttributes)
{
}
