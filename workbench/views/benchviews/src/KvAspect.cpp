#include "KvAspect.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

// ---------------------------------------------------------------------------------------------
// Type codes and how each type is held.

namespace {

template <class T>
struct Held;

#define KV_HELD(CODE, TYPE, HEAP)                        \
    template <>                                          \
    struct Held<TYPE> {                                  \
        static constexpr long code = CODE;               \
        static constexpr bool heap = HEAP;               \
    };
KV_HELD(1, short, false)
KV_HELD(2, unsigned short, false)
KV_HELD(3, int, false)
KV_HELD(4, unsigned int, false)
KV_HELD(5, long, false)
KV_HELD(6, unsigned long, false)
KV_HELD(7, float, true)
KV_HELD(8, double, true)
KV_HELD(9, KvSubject*, false)
KV_HELD(10, unsigned char, false)
KV_HELD(11, char, false)
KV_HELD(12, const char*, false)
KV_HELD(13, String, true)
KV_HELD(14, KxString, true)
KV_HELD(15, KxDate, true)
KV_HELD(16, KxTime, true)
KV_HELD(17, KxDateTime, true)
KV_HELD(18, KvSurrogate, true)
KV_HELD(19, KxClassId, true)
KV_HELD(20, KxRef, true)
KV_HELD(21, KxBlob, true)
KV_HELD(22, d_Date, true)
KV_HELD(23, d_Time, true)
KV_HELD(24, d_Timestamp, true)
KV_HELD(25, d_Interval, true)
KV_HELD(26, KxInt64, true)
KV_HELD(27, KxBoolean, true)
KV_HELD(28, long long, false)
KV_HELD(29, unsigned long long, false)
KV_HELD(30, KxNull_char, true)
KV_HELD(31, KxNull_uchar, true)
KV_HELD(32, KxNull_short, true)
KV_HELD(33, KxNull_ushort, true)
KV_HELD(34, KxNull_int, true)
KV_HELD(35, KxNull_unsigned, true)
KV_HELD(36, KxNull_long, true)
KV_HELD(37, KxNull_ulong, true)
KV_HELD(38, KxNull_float, true)
KV_HELD(39, KxNull_double, true)
KV_HELD(40, KxNull_KxInt64, true)
KV_HELD(41, KxNull_8b, true)
KV_HELD(42, KxNull_u8b, true)
#undef KV_HELD

// Calls f with a null pointer of the heap-held type of the code (nothing for other codes).
template <class F>
void ForHeapType(long code, F f) {
    switch (code) {
        case 7: f(static_cast<float*>(nullptr)); break;
        case 8: f(static_cast<double*>(nullptr)); break;
        case 13: f(static_cast<String*>(nullptr)); break;
        case 14: f(static_cast<KxString*>(nullptr)); break;
        case 15: f(static_cast<KxDate*>(nullptr)); break;
        case 16: f(static_cast<KxTime*>(nullptr)); break;
        case 17: f(static_cast<KxDateTime*>(nullptr)); break;
        case 18: f(static_cast<KvSurrogate*>(nullptr)); break;
        case 19: f(static_cast<KxClassId*>(nullptr)); break;
        case 20: f(static_cast<KxRef*>(nullptr)); break;
        case 21: f(static_cast<KxBlob*>(nullptr)); break;
        case 22: f(static_cast<d_Date*>(nullptr)); break;
        case 23: f(static_cast<d_Time*>(nullptr)); break;
        case 24: f(static_cast<d_Timestamp*>(nullptr)); break;
        case 25: f(static_cast<d_Interval*>(nullptr)); break;
        case 26: f(static_cast<KxInt64*>(nullptr)); break;
        case 27: f(static_cast<KxBoolean*>(nullptr)); break;
        case 30: f(static_cast<KxNull_char*>(nullptr)); break;
        case 31: f(static_cast<KxNull_uchar*>(nullptr)); break;
        case 32: f(static_cast<KxNull_short*>(nullptr)); break;
        case 33: f(static_cast<KxNull_ushort*>(nullptr)); break;
        case 34: f(static_cast<KxNull_int*>(nullptr)); break;
        case 35: f(static_cast<KxNull_unsigned*>(nullptr)); break;
        case 36: f(static_cast<KxNull_long*>(nullptr)); break;
        case 37: f(static_cast<KxNull_ulong*>(nullptr)); break;
        case 38: f(static_cast<KxNull_float*>(nullptr)); break;
        case 39: f(static_cast<KxNull_double*>(nullptr)); break;
        case 40: f(static_cast<KxNull_KxInt64*>(nullptr)); break;
        case 41: f(static_cast<KxNull_8b*>(nullptr)); break;
        case 42: f(static_cast<KxNull_u8b*>(nullptr)); break;
        default: break;
    }
}

// A real cut toward zero into an integer type. Values the type cannot hold do not reach the
// undefined C conversion: NaN gives 0, a signed result is limited to its range, and a negative
// value wraps into an unsigned result as its 64-bit integer would.
template <class R>
R RealTo(double d) {
    if constexpr (std::is_floating_point_v<R>) {
        return static_cast<R>(d);
    } else {
        if (std::isnan(d)) return 0;
        d = std::trunc(d);
        if constexpr (std::is_signed_v<R>) {
            if (d <= static_cast<double>(std::numeric_limits<R>::min())) return std::numeric_limits<R>::min();
            if (d >= static_cast<double>(std::numeric_limits<R>::max())) return std::numeric_limits<R>::max();
            return static_cast<R>(d);
        } else {
            if (d < 0) return static_cast<R>(RealTo<long long>(d));
            if (d >= static_cast<double>(std::numeric_limits<R>::max())) return std::numeric_limits<R>::max();
            return static_cast<R>(d);
        }
    }
}

bool Contains(std::initializer_list<long> codes, long code) {
    for (long c : codes)
        if (c == code) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Holding the value

template <class T>
void KvAspect::store(const T& v) {
    aspectState_ &= ~stateJustCreated;
    if constexpr (Held<T>::heap) {
        if (type_ == Held<T>::code) {
            *static_cast<T*>(value_.heap) = v;
            return;
        }
        T* copy = new T(v);
        clearValue();
        value_.heap = copy;
    } else {
        clearValue();
        value_.whole = 0;
        std::memcpy(&value_, &v, sizeof(T));
    }
    type_ = Held<T>::code;
}

template <class T>
T KvAspect::held() const {
    if constexpr (Held<T>::heap) {
        return *static_cast<const T*>(value_.heap);
    } else {
        T v;
        std::memcpy(&v, &value_, sizeof(T));
        return v;
    }
}

// The text forms (KvAspectText.cpp) read the held values too.
template short KvAspect::held<short>() const;
template unsigned short KvAspect::held<unsigned short>() const;
template int KvAspect::held<int>() const;
template unsigned int KvAspect::held<unsigned int>() const;
template long KvAspect::held<long>() const;
template unsigned long KvAspect::held<unsigned long>() const;
template float KvAspect::held<float>() const;
template double KvAspect::held<double>() const;
template unsigned char KvAspect::held<unsigned char>() const;
template char KvAspect::held<char>() const;
template String KvAspect::held<String>() const;
template KxString KvAspect::held<KxString>() const;
template KxDate KvAspect::held<KxDate>() const;
template KxTime KvAspect::held<KxTime>() const;
template KxDateTime KvAspect::held<KxDateTime>() const;
template long long KvAspect::held<long long>() const;
template unsigned long long KvAspect::held<unsigned long long>() const;

void KvAspect::clearValue() {
    ForHeapType(type_, [this](auto* typed) { delete static_cast<decltype(typed)>(value_.heap); });
    value_.whole = 0;
    type_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Construction and assignment

KvAspect::KvAspect(KvAspectId id)
    : type_(0), id_(id), aspectState_(stateJustCreated), userState_(0), tag_(0) {
    value_.whole = 0;
}

#define KV_VALUE_MEMBERS(TYPE)                                            \
    KvAspect::KvAspect(KvAspectId id, TYPE v) : KvAspect(id) {            \
        store(v);                                                         \
        aspectState_ |= stateJustCreated;                                 \
    }                                                                     \
    KvAspect& KvAspect::operator=(TYPE v) {                               \
        store(v);                                                         \
        return *this;                                                     \
    }
KV_VALUE_MEMBERS(short)
KV_VALUE_MEMBERS(unsigned short)
KV_VALUE_MEMBERS(int)
KV_VALUE_MEMBERS(unsigned int)
KV_VALUE_MEMBERS(long long)
KV_VALUE_MEMBERS(unsigned long long)
KV_VALUE_MEMBERS(long)
KV_VALUE_MEMBERS(unsigned long)
KV_VALUE_MEMBERS(unsigned char)
KV_VALUE_MEMBERS(char)
KV_VALUE_MEMBERS(const char*)
KV_VALUE_MEMBERS(KvSubject*)
KV_VALUE_MEMBERS(float)
KV_VALUE_MEMBERS(double)
KV_VALUE_MEMBERS(const KxString&)
KV_VALUE_MEMBERS(const String&)
KV_VALUE_MEMBERS(const KxDate&)
KV_VALUE_MEMBERS(const KxTime&)
KV_VALUE_MEMBERS(const KxDateTime&)
KV_VALUE_MEMBERS(const KvSurrogate&)
KV_VALUE_MEMBERS(const d_Date&)
KV_VALUE_MEMBERS(const d_Time&)
KV_VALUE_MEMBERS(const d_Timestamp&)
KV_VALUE_MEMBERS(const d_Interval&)
KV_VALUE_MEMBERS(const KxInt64&)
KV_VALUE_MEMBERS(const KxBoolean&)
KV_VALUE_MEMBERS(const KxNull_char&)
KV_VALUE_MEMBERS(const KxNull_uchar&)
KV_VALUE_MEMBERS(const KxNull_short&)
KV_VALUE_MEMBERS(const KxNull_ushort&)
KV_VALUE_MEMBERS(const KxNull_int&)
KV_VALUE_MEMBERS(const KxNull_unsigned&)
KV_VALUE_MEMBERS(const KxNull_long&)
KV_VALUE_MEMBERS(const KxNull_ulong&)
KV_VALUE_MEMBERS(const KxNull_float&)
KV_VALUE_MEMBERS(const KxNull_double&)
KV_VALUE_MEMBERS(const KxNull_KxInt64&)
KV_VALUE_MEMBERS(const KxNull_8b&)
KV_VALUE_MEMBERS(const KxNull_u8b&)
#undef KV_VALUE_MEMBERS

KvAspect& KvAspect::operator=(const KxClassId& v) {
    store(v);
    return *this;
}

KvAspect& KvAspect::operator=(const KxRef& v) {
    store(v);
    return *this;
}

KvAspect& KvAspect::operator=(const KxBlob& v) {
    store(v);
    return *this;
}

KvAspect::KvAspect(const KvAspect& other) : KvAspect(other.id_, other) {}

KvAspect::KvAspect(KvAspectId id, const KvAspect& other) : KvAspect(id) {
    title_ = other.title_;
    typeTag_ = other.typeTag_;
    tag_ = other.tag_;
    copyValueFrom(other);
}

KvAspect::~KvAspect() { clearValue(); }

KvAspect& KvAspect::operator=(const KvAspect& other) {
    if (this == &other) return *this;
    id_ = other.id_;
    aspectState_ = other.aspectState_;
    title_ = other.title_;
    typeTag_ = other.typeTag_;
    tag_ = other.tag_;
    copyValueFrom(other);
    return *this;
}

// The value read from the source through the getter of its own type, stored through the matching
// assignment; a source without value leaves this aspect without one.
void KvAspect::copyValueFrom(const KvAspect& o) {
    switch (o.type_) {
        case 0: clearValue(); break;
        case 1: *this = o.getShort(); break;
        case 2: *this = o.getUnsignedShort(); break;
        case 3: *this = o.getInt(); break;
        case 4: *this = o.getUnsignedInt(); break;
        case 5: *this = o.getLong(); break;
        case 6: *this = o.getUnsignedLong(); break;
        case 7: *this = o.getFloat(); break;
        case 8: *this = o.getDouble(); break;
        case 9: *this = o.getSubjectPtr(); break;
        case 10: *this = o.getByte(); break;
        case 11: *this = o.getChar(); break;
        case 12: *this = o.getConstCharPtr(); break;
        case 13: *this = o.getSvString(); break;
        case 14: *this = o.getOriginalString(); break;
        case 15: *this = o.getDate(); break;
        case 16: *this = o.getTime(); break;
        case 17: *this = o.getDaTime(); break;
        case 18: *this = o.getSurrogate(); break;
        case 19: *this = o.getKxClassId(); break;
        case 20: *this = o.getKxRef(); break;
        case 21: *this = o.getKxBlob(); break;
        case 22: *this = o.getdDate(); break;
        case 23: *this = o.getdTime(); break;
        case 24: *this = o.getdTimestamp(); break;
        case 25: *this = o.getdInterval(); break;
        case 26: *this = o.getInt64(); break;
        case 27: *this = o.getBoolean(); break;
        case 28: *this = o.get8B(); break;
        case 29: *this = o.getU8B(); break;
        case 30: *this = o.getNull_char(); break;
        case 31: *this = o.getNull_uchar(); break;
        case 32: *this = o.getNull_short(); break;
        case 33: *this = o.getNull_ushort(); break;
        case 34: *this = o.getNull_int(); break;
        case 35: *this = o.getNull_unsigned(); break;
        case 36: *this = o.getNull_long(); break;
        case 37: *this = o.getNull_ulong(); break;
        case 38: *this = o.getNull_float(); break;
        case 39: *this = o.getNull_double(); break;
        case 40: *this = o.getNull_KxInt64(); break;
        case 41: *this = o.getNull_8B(); break;
        case 42: *this = o.getNull_U8B(); break;
        default: clearValue(); break;
    }
}

void KvAspect::setTitle(const char* title) { title_ = KxString(title ? title : ""); }

void KvAspect::setTypeTag(const char* typeTag) { typeTag_ = KxString(typeTag ? typeTag : ""); }

// ---------------------------------------------------------------------------------------------
// Numeric getters
//
// Each sets CastError, converts by the source type and clears CastError only for the exact
// source types. Integer sources are cut to the result's width or extended with their sign (signed)
// or zeros (unsigned), as C converts integers; reals are cut toward zero; a boolean gives 1 when
// its byte is 1; texts convert through the text conversion the getter names. A source type the
// getter does not handle gives 0.

template <class R, class Text>
R KvAspect::number(std::initializer_list<long> exact, Text text) const {
    setCastError();
    R r = 0;
    switch (type_) {
        case 1: r = static_cast<R>(held<short>()); break;
        case 2: r = static_cast<R>(held<unsigned short>()); break;
        case 3: r = static_cast<R>(held<int>()); break;
        case 4: r = static_cast<R>(held<unsigned int>()); break;
        case 5: r = static_cast<R>(held<long>()); break;
        case 6: r = static_cast<R>(held<unsigned long>()); break;
        case 7: r = RealTo<R>(held<float>()); break;
        case 8: r = RealTo<R>(held<double>()); break;
        case 10: r = static_cast<R>(held<unsigned char>()); break;
        case 11: r = static_cast<R>(held<char>()); break;
        case 13: r = text(static_cast<const String*>(value_.heap), nullptr); break;
        case 14: r = text(nullptr, static_cast<const KxString*>(value_.heap)); break;
        case 27: r = static_cast<R>(held<KxBoolean>().GetByte() == 1 ? 1 : 0); break;
        case 28: r = static_cast<R>(held<long long>()); break;
        case 29: r = static_cast<R>(held<unsigned long long>()); break;
        default: return 0;
    }
    if (Contains(exact, type_)) setNotCastError();
    return r;
}

namespace {

// Text conversions: the class library's String conversions and those of KxString.
KxString AsKxString(const String* s, const KxString* k) { return s ? KxString(s->GetStr()) : *k; }

}  // namespace

short KvAspect::getShort() const {
    return number<short>({1, 10, 11, 27}, [](const String* s, const KxString* k) -> short {
        return s ? static_cast<short>(*s) : k->ToShort();
    });
}

unsigned short KvAspect::getUnsignedShort() const {
    return number<unsigned short>({2, 10, 27}, [](const String* s, const KxString* k) -> unsigned short {
        return s ? static_cast<unsigned short>(static_cast<unsigned long>(*s))
                 : static_cast<unsigned short>(RealTo<long long>(k->ToDouble()));
    });
}

int KvAspect::getInt() const {
    return number<int>({1, 3, 10, 11, 27}, [](const String* s, const KxString* k) -> int {
        return s ? static_cast<int>(*s) : k->ToInt();
    });
}

unsigned int KvAspect::getUnsignedInt() const {
    return number<unsigned int>({2, 4, 10, 27}, [](const String* s, const KxString* k) -> unsigned int {
        return s ? static_cast<unsigned int>(static_cast<unsigned long>(*s)) : RealTo<unsigned int>(k->ToDouble());
    });
}

long long KvAspect::get8B() const {
    return number<long long>({1, 3, 10, 11, 27}, [](const String* s, const KxString* k) -> long long {
        return AsKxString(s, k).ToInt64();
    });
}

unsigned long long KvAspect::getU8B() const {
    return number<unsigned long long>({2, 4, 10, 27}, [](const String* s, const KxString* k) -> unsigned long long {
        return static_cast<unsigned long long>(AsKxString(s, k).ToInt64());
    });
}

long KvAspect::getLong() const {
    // The nullable integers give their held value exactly (an unsigned char read as signed);
    // the 64-bit nullable ones their low 32 bits.
    switch (type_) {
        case 31: setNotCastError(); return static_cast<signed char>(held<KxNull_uchar>().getValue());
        case 32: setNotCastError(); return held<KxNull_short>().getValue();
        case 33: setNotCastError(); return held<KxNull_ushort>().getValue();
        case 34: setNotCastError(); return held<KxNull_int>().getValue();
        case 35: setNotCastError(); return static_cast<long>(held<KxNull_unsigned>().getValue());
        case 36: setNotCastError(); return held<KxNull_long>().getValue();
        case 37: setNotCastError(); return static_cast<long>(held<KxNull_ulong>().getValue());
        case 41: setCastError(); return static_cast<int32_t>(held<KxNull_8b>().getValue());
        case 42: setCastError(); return static_cast<int32_t>(held<KxNull_u8b>().getValue());
        default: break;
    }
    return number<long>({1, 3, 5, 10, 11, 27}, [](const String* s, const KxString* k) -> long {
        return s ? static_cast<long>(*s) : k->ToInt();
    });
}

unsigned long KvAspect::getUnsignedLong() const {
    return number<unsigned long>({2, 4, 6, 10, 27}, [](const String* s, const KxString* k) -> unsigned long {
        return s ? static_cast<unsigned long>(*s) : RealTo<unsigned long>(k->ToDouble());
    });
}

unsigned char KvAspect::getByte() const {
    return number<unsigned char>({10}, [](const String* s, const KxString* k) -> unsigned char {
        return s ? static_cast<unsigned char>(static_cast<unsigned long>(*s))
                 : static_cast<unsigned char>(RealTo<long long>(k->ToDouble()));
    });
}

char KvAspect::getChar() const {
    if (type_ == 30) {
        setNotCastError();
        return held<KxNull_char>().getValue();
    }
    return number<char>({11, 27}, [](const String* s, const KxString* k) -> char {
        return s ? (*s)[0] : k->StrGet()[0];
    });
}

float KvAspect::getFloat() const {
    return number<float>({1, 2, 3, 4, 5, 6, 7, 10, 11, 27, 28, 29}, [](const String* s, const KxString* k) -> float {
        return static_cast<float>(s ? static_cast<double>(*s) : k->ToDouble());
    });
}

double KvAspect::getDouble() const {
    return number<double>({1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 27, 28, 29}, [](const String* s, const KxString* k) -> double {
        return s ? static_cast<double>(*s) : k->ToDouble();
    });
}

// ---------------------------------------------------------------------------------------------
// Object getters

const char* KvAspect::getConstCharPtr() const {
    if (type_ == 12) {
        setNotCastError();
        return held<const char*>();
    }
    setCastError();
    return "";
}

KvSubject* KvAspect::getSubjectPtr() const {
    if (type_ == 9) {
        setNotCastError();
        return held<KvSubject*>();
    }
    setCastError();
    return nullptr;
}

namespace {

// The value of the exact type with CastError cleared, else the fallback with CastError set.
template <class T, class Aspect, class Fallback>
T Exactly(const Aspect& a, long type, long code, const T* heap, Fallback fallback) {
    if (type == code) {
        a.setNotCastError();
        return *heap;
    }
    a.setCastError();
    return fallback();
}

}  // namespace

KxDate KvAspect::getDate() const {
    return Exactly<KxDate>(*this, type_, 15, static_cast<const KxDate*>(value_.heap), [this] {
        return type_ == 17 ? held<KxDateTime>().GetDate() : KxDate();
    });
}

KxTime KvAspect::getTime() const {
    return Exactly<KxTime>(*this, type_, 16, static_cast<const KxTime*>(value_.heap), [this] {
        return type_ == 17 ? held<KxDateTime>().GetTime() : KxTime();
    });
}

KxDateTime KvAspect::getDaTime() const {
    return Exactly<KxDateTime>(*this, type_, 17, static_cast<const KxDateTime*>(value_.heap), [this] {
        if (type_ == 15) return KxDateTime(held<KxDate>());
        if (type_ == 16) return KxDateTime(KxDate(), held<KxTime>());
        return KxDateTime();
    });
}

// Surrogates, class ids, references and blobs: a copy of their own type; CastError is set for
// any other type and never cleared here.
KvSurrogate KvAspect::getSurrogate() const {
    if (type_ == 18) return held<KvSurrogate>();
    setCastError();
    return KvSurrogate();
}

KxClassId KvAspect::getKxClassId() const {
    if (type_ == 19) return held<KxClassId>();
    setCastError();
    return KxClassId();
}

KxRef KvAspect::getKxRef() const {
    if (type_ == 20) return held<KxRef>();
    setCastError();
    return KxRef();
}

KxBlob KvAspect::getKxBlob() const {
    if (type_ == 21) return held<KxBlob>();
    setCastError();
    return KxBlob();
}

d_Date KvAspect::getdDate() const {
    return Exactly<d_Date>(*this, type_, 22, static_cast<const d_Date*>(value_.heap), [this] {
        return type_ == 24 ? held<d_Timestamp>().date() : d_Date();
    });
}

d_Time KvAspect::getdTime() const {
    return Exactly<d_Time>(*this, type_, 23, static_cast<const d_Time*>(value_.heap), [this] {
        return type_ == 24 ? held<d_Timestamp>().time() : d_Time();
    });
}

// A date gives that date at 0:00:00; a time gives the empty date at 0:00:00.
d_Timestamp KvAspect::getdTimestamp() const {
    return Exactly<d_Timestamp>(*this, type_, 24, static_cast<const d_Timestamp*>(value_.heap), [this] {
        return type_ == 22 ? d_Timestamp(held<d_Date>()) : d_Timestamp();
    });
}

d_Interval KvAspect::getdInterval() const {
    return Exactly<d_Interval>(*this, type_, 25, static_cast<const d_Interval*>(value_.heap),
                               [] { return d_Interval(); });
}

KxInt64 KvAspect::getInt64() const {
    if (type_ == 40) {
        setNotCastError();
        return held<KxNull_KxInt64>().getValue();
    }
    return Exactly<KxInt64>(*this, type_, 26, static_cast<const KxInt64*>(value_.heap), [] { return KxInt64(0); });
}

KxBoolean KvAspect::getBoolean() const {
    return Exactly<KxBoolean>(*this, type_, 27, static_cast<const KxBoolean*>(value_.heap),
                              [] { return KxBoolean(false); });
}

#define KV_NULL_GETTER(NAME, TYPE)                                                                 \
    TYPE KvAspect::NAME() const {                                                                  \
        return Exactly<TYPE>(*this, type_, Held<TYPE>::code, static_cast<const TYPE*>(value_.heap), \
                             [] { return TYPE(); });                                               \
    }
KV_NULL_GETTER(getNull_char, KxNull_char)
KV_NULL_GETTER(getNull_uchar, KxNull_uchar)
KV_NULL_GETTER(getNull_short, KxNull_short)
KV_NULL_GETTER(getNull_ushort, KxNull_ushort)
KV_NULL_GETTER(getNull_int, KxNull_int)
KV_NULL_GETTER(getNull_unsigned, KxNull_unsigned)
KV_NULL_GETTER(getNull_8B, KxNull_8b)
KV_NULL_GETTER(getNull_U8B, KxNull_u8b)
KV_NULL_GETTER(getNull_long, KxNull_long)
KV_NULL_GETTER(getNull_ulong, KxNull_ulong)
KV_NULL_GETTER(getNull_float, KxNull_float)
KV_NULL_GETTER(getNull_double, KxNull_double)
KV_NULL_GETTER(getNull_KxInt64, KxNull_KxInt64)
#undef KV_NULL_GETTER
