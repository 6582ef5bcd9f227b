// KvAspect: the value that subjects and views exchange: a named, typed value with a display title,
// a free type tag, a user tag and a word of state bits.
//
// Type codes (aspectType): 0 none; 1 short, 2 unsigned short, 3 int, 4 unsigned int, 5 long,
// 6 unsigned long, 7 float, 8 double, 9 KvSubject* (not owned), 10 unsigned char, 11 char,
// 12 const char* (not copied), 13 String, 14 KxString, 15 KxDate, 16 KxTime, 17 KxDateTime,
// 18 KvSurrogate, 19 KxClassId, 20 KxRef, 21 KxBlob, 22 d_Date, 23 d_Time, 24 d_Timestamp,
// 25 d_Interval, 26 KxInt64, 27 KxBoolean, 28 long long (__int64), 29 unsigned long long,
// 30 KxNull_char, 31 KxNull_uchar, 32 KxNull_short, 33 KxNull_ushort, 34 KxNull_int,
// 35 KxNull_unsigned, 36 KxNull_long, 37 KxNull_ulong, 38 KxNull_float, 39 KxNull_double,
// 40 KxNull_KxInt64, 41 KxNull_8b, 42 KxNull_u8b. Codes 7, 8 and 13 to 42 except 28 and 29 are
// held as an owned heap copy, the others in place.
//
// Every value reads back as any numeric type: a getter whose conversion is not exact sets the
// CastError bit (0x80) instead of failing, one whose conversion is exact clears it. The getters
// change the state word of a const aspect.
#pragma once

#include <initializer_list>

#include "KvAspectId.h"
#include "KvSurrogate.h"
#include "KxBlob.h"
#include "KxDTypes.h"
#include "KxDateTime.h"
#include "KxInt64.h"
#include "KxNull.h"
#include "KxObjId.h"
#include "KxRef.h"
#include "KxString.h"
#include "svstring.h"

class KvSubject;

class KvAspect {
public:
    // State bits.
    enum : unsigned long {
        stateOk = 0x01,
        stateOriginal = 0x02,
        stateChecked = 0x04,
        stateJustCreated = 0x08,
        stateReadOnly = 0x10,
        stateNotAvail = 0x20,
        stateRefreshed = 0x40,
        stateCastError = 0x80
    };

    // No value (type 0), state JustCreated, tag 0, empty title and type tag.
    explicit KvAspect(KvAspectId id);
    KvAspect(KvAspectId id, short v);
    KvAspect(KvAspectId id, unsigned short v);
    KvAspect(KvAspectId id, int v);
    KvAspect(KvAspectId id, unsigned int v);
    KvAspect(KvAspectId id, long long v);
    KvAspect(KvAspectId id, unsigned long long v);
    KvAspect(KvAspectId id, long v);
    KvAspect(KvAspectId id, unsigned long v);
    KvAspect(KvAspectId id, unsigned char v);
    KvAspect(KvAspectId id, char v);
    KvAspect(KvAspectId id, const char* v);
    KvAspect(KvAspectId id, KvSubject* v);
    KvAspect(KvAspectId id, float v);
    KvAspect(KvAspectId id, double v);
    KvAspect(KvAspectId id, const KxString& v);
    KvAspect(KvAspectId id, const String& v);
    KvAspect(KvAspectId id, const KxDate& v);
    KvAspect(KvAspectId id, const KxTime& v);
    KvAspect(KvAspectId id, const KxDateTime& v);
    KvAspect(KvAspectId id, const KvSurrogate& v);
    KvAspect(KvAspectId id, const d_Date& v);
    KvAspect(KvAspectId id, const d_Time& v);
    KvAspect(KvAspectId id, const d_Timestamp& v);
    KvAspect(KvAspectId id, const d_Interval& v);
    KvAspect(KvAspectId id, const KxInt64& v);
    KvAspect(KvAspectId id, const KxBoolean& v);
    KvAspect(KvAspectId id, const KxNull_char& v);
    KvAspect(KvAspectId id, const KxNull_uchar& v);
    KvAspect(KvAspectId id, const KxNull_short& v);
    KvAspect(KvAspectId id, const KxNull_ushort& v);
    KvAspect(KvAspectId id, const KxNull_int& v);
    KvAspect(KvAspectId id, const KxNull_unsigned& v);
    KvAspect(KvAspectId id, const KxNull_long& v);
    KvAspect(KvAspectId id, const KxNull_ulong& v);
    KvAspect(KvAspectId id, const KxNull_float& v);
    KvAspect(KvAspectId id, const KxNull_double& v);
    KvAspect(KvAspectId id, const KxNull_KxInt64& v);
    KvAspect(KvAspectId id, const KxNull_8b& v);
    KvAspect(KvAspectId id, const KxNull_u8b& v);
    // Id, title, type tag and tag, then the value read through the getter of its own type; the
    // state is JustCreated when the source has no value and 0 otherwise.
    KvAspect(const KvAspect& other);
    KvAspect(KvAspectId id, const KvAspect& other);
    virtual ~KvAspect();

    // Id, the whole state word, title, type tag and tag, then the value as the copy does.
    virtual KvAspect& operator=(const KvAspect& other);

    // Value assignment: clears JustCreated; the same type is assigned in place, another one
    // releases the held value first.
    KvAspect& operator=(short v);
    KvAspect& operator=(unsigned short v);
    KvAspect& operator=(int v);
    KvAspect& operator=(unsigned int v);
    KvAspect& operator=(long long v);
    KvAspect& operator=(unsigned long long v);
    KvAspect& operator=(long v);
    KvAspect& operator=(unsigned long v);
    KvAspect& operator=(unsigned char v);
    KvAspect& operator=(char v);
    KvAspect& operator=(const char* v);
    KvAspect& operator=(KvSubject* v);
    KvAspect& operator=(float v);
    KvAspect& operator=(double v);
    KvAspect& operator=(const KxString& v);
    KvAspect& operator=(const String& v);
    KvAspect& operator=(const KxDate& v);
    KvAspect& operator=(const KxTime& v);
    KvAspect& operator=(const KxDateTime& v);
    KvAspect& operator=(const KvSurrogate& v);
    KvAspect& operator=(const KxClassId& v);
    KvAspect& operator=(const KxRef& v);
    KvAspect& operator=(const KxBlob& v);
    KvAspect& operator=(const d_Date& v);
    KvAspect& operator=(const d_Time& v);
    KvAspect& operator=(const d_Timestamp& v);
    KvAspect& operator=(const d_Interval& v);
    KvAspect& operator=(const KxInt64& v);
    KvAspect& operator=(const KxBoolean& v);
    KvAspect& operator=(const KxNull_char& v);
    KvAspect& operator=(const KxNull_uchar& v);
    KvAspect& operator=(const KxNull_short& v);
    KvAspect& operator=(const KxNull_ushort& v);
    KvAspect& operator=(const KxNull_int& v);
    KvAspect& operator=(const KxNull_unsigned& v);
    KvAspect& operator=(const KxNull_long& v);
    KvAspect& operator=(const KxNull_ulong& v);
    KvAspect& operator=(const KxNull_float& v);
    KvAspect& operator=(const KxNull_double& v);
    KvAspect& operator=(const KxNull_KxInt64& v);
    KvAspect& operator=(const KxNull_8b& v);
    KvAspect& operator=(const KxNull_u8b& v);

    // Releases the held value; the type becomes 0 (JustCreated is not touched).
    void clearValue();

    KvAspectId aspectId() const { return id_; }
    long aspectType() const { return type_; }
    unsigned long aspectState() const { return aspectState_; }
    unsigned long& aspectState() { return aspectState_; }
    unsigned long userState() const { return userState_; }
    unsigned long& userState() { return userState_; }
    long tag() const { return tag_; }
    long& tag() { return tag_; }
    void setTitle(const char* title);
    const KxString& getTitle() const { return title_; }
    void setTypeTag(const char* typeTag);
    const KxString& getTypeTag() const { return typeTag_; }

    // Numeric getters (the conversions are listed in KvAspect.cpp).
    short getShort() const;
    unsigned short getUnsignedShort() const;
    int getInt() const;
    unsigned int getUnsignedInt() const;
    long long get8B() const;
    unsigned long long getU8B() const;
    long getLong() const;
    unsigned long getUnsignedLong() const;
    unsigned char getByte() const;
    char getChar() const;
    float getFloat() const;
    double getDouble() const;

    const char* getConstCharPtr() const;  // "" for another type
    KvSubject* getSubjectPtr() const;     // null for another type
    KxDate getDate() const;
    KxTime getTime() const;
    KxDateTime getDaTime() const;
    KvSurrogate getSurrogate() const;
    KxClassId getKxClassId() const;
    KxRef getKxRef() const;
    KxBlob getKxBlob() const;
    d_Date getdDate() const;
    d_Time getdTime() const;
    d_Timestamp getdTimestamp() const;
    d_Interval getdInterval() const;
    KxInt64 getInt64() const;
    KxBoolean getBoolean() const;
    KxNull_char getNull_char() const;
    KxNull_uchar getNull_uchar() const;
    KxNull_short getNull_short() const;
    KxNull_ushort getNull_ushort() const;
    KxNull_int getNull_int() const;
    KxNull_unsigned getNull_unsigned() const;
    KxNull_8b getNull_8B() const;
    KxNull_u8b getNull_U8B() const;
    KxNull_long getNull_long() const;
    KxNull_ulong getNull_ulong() const;
    KxNull_float getNull_float() const;
    KxNull_double getNull_double() const;
    KxNull_KxInt64 getNull_KxInt64() const;

    // Text forms (KvAspectText.cpp).
    KxString getOriginalString() const;  // the value's own form (a KxString keeps its code set)
    String getSvString() const;          // the class-library form for controls
    KxString getString() const;          // the original form in the native code set
    KxString getStateString() const;
    const char* OriginalCodeSetAsString() const;  // of a KxString value; "" for other types
    const char* OriginalLanguageAsString() const;

    // State bits.
    void setOk() { aspectState_ |= stateOk; }
    void setNotOk() { aspectState_ &= ~stateOk; }
    void setOriginal() { aspectState_ |= stateOriginal; }
    void setNotOriginal() { aspectState_ &= ~stateOriginal; }
    void setChecked() { aspectState_ |= stateChecked; }
    void setNotChecked() { aspectState_ &= ~stateChecked; }
    void setJustCreated() { aspectState_ |= stateJustCreated; }
    void setNotJustCreated() { aspectState_ &= ~stateJustCreated; }
    void setReadOnly() { aspectState_ |= stateReadOnly; }
    void setNotReadOnly() { aspectState_ &= ~stateReadOnly; }
    void setAvail() { aspectState_ &= ~stateNotAvail; }
    void setNotAvail() { aspectState_ |= stateNotAvail; }
    void setRefreshed() { aspectState_ |= stateRefreshed; }
    void setNotRefreshed() { aspectState_ &= ~stateRefreshed; }
    void setCastError() const { aspectState_ |= stateCastError; }
    void setNotCastError() const { aspectState_ &= ~stateCastError; }

    int isOk() const { return (aspectState_ & stateOk) != 0; }
    int isNotOk() const { return !isOk(); }
    int isOriginal() const { return (aspectState_ & stateOriginal) != 0; }
    int isNotOriginal() const { return !isOriginal(); }
    int isChecked() const { return (aspectState_ & stateChecked) != 0; }
    int isNotChecked() const { return !isChecked(); }
    int isJustCreated() const { return (aspectState_ & stateJustCreated) != 0; }
    int isNotJustCreated() const { return !isJustCreated(); }
    int isReadOnly() const { return (aspectState_ & stateReadOnly) != 0; }
    int isNotReadOnly() const { return !isReadOnly(); }
    int isAvail() const { return (aspectState_ & stateNotAvail) == 0; }
    int isNotAvail() const { return !isAvail(); }
    int isRefreshed() const { return (aspectState_ & stateRefreshed) != 0; }
    int isNotRefreshed() const { return !isRefreshed(); }
    int isCastError() const { return (aspectState_ & stateCastError) != 0; }
    int isNotCastError() const { return !isCastError(); }

private:
    union Value {
        long long whole;  // all 8 bytes
        void* heap;       // the owned copy of a heap-held type
    };
    template <class T>
    void store(const T& v);
    template <class T>
    T held() const;
    void copyValueFrom(const KvAspect& other);
    template <class R, class Text>
    R number(std::initializer_list<long> exact, Text text) const;

    Value value_;
    long type_;
    KvAspectId id_;
    mutable unsigned long aspectState_;
    unsigned long userState_;
    KxString title_;
    KxString typeTag_;
    long tag_;
};
