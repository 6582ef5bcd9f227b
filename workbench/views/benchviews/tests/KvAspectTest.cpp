#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "KvAspect.h"

namespace {

constexpr unsigned long kCast = KvAspect::stateCastError;

TEST(KvAspect, NewAspectsAndValueAssignment) {
    KvAspect empty(KvAspectId(1, "a"));
    EXPECT_EQ(empty.aspectType(), 0);
    EXPECT_EQ(empty.aspectState(), 0x08u);
    EXPECT_EQ(empty.tag(), 0);
    EXPECT_EQ(empty.aspectId().id(), 1);
    EXPECT_STREQ(empty.getTitle().StrGet(), "");

    KvAspect withValue(KvAspectId(2), 5);
    EXPECT_EQ(withValue.aspectType(), 3);
    EXPECT_EQ(withValue.aspectState(), 0x08u) << "every constructor sets JustCreated";
    withValue = 6;
    EXPECT_EQ(withValue.aspectState(), 0u) << "a value assignment clears it";

    // Assigning another heap type releases the old value (the sanitizer reports a leak otherwise);
    // the same type is assigned in place; clearValue leaves JustCreated alone.
    KvAspect a(KvAspectId("blob"));
    a = KxBlob("ab", 2);
    EXPECT_EQ(a.aspectType(), 21);
    a = KxString("one");
    a = KxString("two");
    EXPECT_EQ(a.aspectType(), 14);
    EXPECT_STREQ(a.getOriginalString().StrGet(), "two");
    a.setJustCreated();
    a.clearValue();
    EXPECT_EQ(a.aspectType(), 0);
    EXPECT_TRUE(a.isJustCreated());
}

// One numeric reading: the getter's result (as a double, or as text for 64-bit values) and
// whether CastError is set afterwards.
struct NumberCase {
    const char* label;
    std::function<KvAspect()> make;
    std::function<double(const KvAspect&)> get;
    double expected;
    bool castError;
};

KvAspect Of(auto v) { return KvAspect(KvAspectId(1), v); }

TEST(KvAspect, NumericGettersConvertAndMarkInexactReads) {
    const NumberCase cases[] = {
        {"double to int", [] { return Of(3.5); }, [](const KvAspect& a) { return a.getInt(); }, 3, true},
        {"double to double", [] { return Of(3.5); }, [](const KvAspect& a) { return a.getDouble(); }, 3.5, false},
        {"KxString to int", [] { return Of(KxString("42")); }, [](const KvAspect& a) { return a.getInt(); }, 42, true},
        {"String to short", [] { return Of(String("-7")); }, [](const KvAspect& a) { return a.getShort(); }, -7, true},
        {"uint max to int", [] { return Of(4294967295u); }, [](const KvAspect& a) { return a.getInt(); }, -1, true},
        {"uint max to double", [] { return Of(4294967295u); }, [](const KvAspect& a) { return a.getDouble(); }, 4294967295.0, false},
        {"true to short", [] { return Of(KxBoolean(true)); }, [](const KvAspect& a) { return a.getShort(); }, 1, false},
        {"true to byte", [] { return Of(KxBoolean(true)); }, [](const KvAspect& a) { return a.getByte(); }, 1, true},
        {"short -1 to unsigned short", [] { return Of(short(-1)); }, [](const KvAspect& a) { return a.getUnsignedShort(); }, 65535, true},
        {"char -1 to unsigned short", [] { return Of(char(-1)); }, [](const KvAspect& a) { return a.getUnsignedShort(); }, 65535, true},
        {"unsigned short to int", [] { return Of((unsigned short)65535); }, [](const KvAspect& a) { return a.getInt(); }, 65535, true},
        {"int 300 to byte", [] { return Of(300); }, [](const KvAspect& a) { return a.getByte(); }, 44, true},
        {"byte to char", [] { return Of((unsigned char)200); }, [](const KvAspect& a) { return a.getChar(); }, -56, true},
        {"long to long", [] { return Of(-5L); }, [](const KvAspect& a) { return a.getLong(); }, -5, false},
        {"double to float", [] { return Of(0.1); }, [](const KvAspect& a) { return a.getFloat(); }, double(0.1f), true},
        {"float to float", [] { return Of(0.25f); }, [](const KvAspect& a) { return a.getFloat(); }, 0.25, false},
        {"int64 to 8B", [] { return Of(-3LL); }, [](const KvAspect& a) { return double(a.get8B()); }, -3, true},
        {"int64 to double", [] { return Of(-3LL); }, [](const KvAspect& a) { return a.getDouble(); }, -3, false},
        {"null uchar to long (signed)", [] { return Of(KxNull_uchar(uint8_t(200))); }, [](const KvAspect& a) { return a.getLong(); }, -56, false},
        {"null 8b to long (low 32 bits)", [] { return Of(KxNull_8b((int64_t(1) << 32) + 9)); }, [](const KvAspect& a) { return a.getLong(); }, 9, true},
        {"null char to long (not handled)", [] { return Of(KxNull_char('a')); }, [](const KvAspect& a) { return a.getLong(); }, 0, true},
        {"null char to char", [] { return Of(KxNull_char('a')); }, [](const KvAspect& a) { return a.getChar(); }, 'a', false},
        {"text to int (not handled)", [] { return Of("12"); }, [](const KvAspect& a) { return a.getInt(); }, 0, true},
        {"none to double", [] { return KvAspect(KvAspectId(1)); }, [](const KvAspect& a) { return a.getDouble(); }, 0, true},
        {"huge double to int", [] { return Of(1e300); }, [](const KvAspect& a) { return a.getInt(); }, 2147483647, true},
        {"negative double to unsigned short", [] { return Of(-1.5); }, [](const KvAspect& a) { return a.getUnsignedShort(); }, 65535, true},
        {"KxString to unsigned short", [] { return Of(KxString("70000")); }, [](const KvAspect& a) { return a.getUnsignedShort(); }, 4464, true},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.label);
        const KvAspect a = c.make();
        a.setNotCastError();
        if (!c.castError) a.setCastError();  // the getter must change the bit either way
        EXPECT_EQ(c.get(a), c.expected);
        EXPECT_EQ(a.isCastError(), c.castError ? 1 : 0);
    }
    EXPECT_EQ(Of(18446744073709551615ULL).getU8B(), 18446744073709551615ULL);
}

TEST(KvAspect, ObjectGettersGiveTheirTypeOrADefaultWithCastError) {
    const KvAspect number = Of(7);
    EXPECT_STREQ(number.getConstCharPtr(), "");
    EXPECT_TRUE(number.isCastError());
    EXPECT_EQ(number.getSubjectPtr(), nullptr);
    EXPECT_EQ(number.getBoolean(), KxBoolean(false));
    EXPECT_EQ(number.getInt64().Get(), 0);
    EXPECT_EQ(number.getNull_short(), KxNull_short());
    EXPECT_TRUE(number.getNull_short().isNull());

    const KvAspect text = Of("t");
    EXPECT_STREQ(text.getConstCharPtr(), "t");
    EXPECT_FALSE(text.isCastError());

    const KvAspect dateTime = Of(KxDateTime(2024, 5, 6, 7, 8, 9));
    EXPECT_EQ(dateTime.getDate(), KxDate(2024, 5, 6));
    EXPECT_TRUE(dateTime.isCastError());
    EXPECT_EQ(dateTime.getDaTime(), KxDateTime(2024, 5, 6, 7, 8, 9));
    EXPECT_FALSE(dateTime.isCastError());
    EXPECT_EQ(dateTime.getTime(), KxTime(7, 8, 9));
    EXPECT_TRUE(dateTime.isCastError());
    EXPECT_EQ(Of(KxDate(2024, 5, 6)).getDaTime(), KxDateTime(2024, 5, 6));

    const KvAspect stamp = Of(d_Timestamp(d_Date(2020, 1, 2), d_Time(3, 4, 5, 50)));
    EXPECT_EQ(stamp.getdDate(), d_Date(2020, 1, 2));
    EXPECT_EQ(stamp.getdTime(), d_Time(3, 4, 5, 50));
    EXPECT_TRUE(stamp.isCastError());
    EXPECT_EQ(Of(d_Date(2020, 1, 2)).getdTimestamp(), d_Timestamp(d_Date(2020, 1, 2)));
    EXPECT_EQ(Of(d_Time(1, 2)).getdTimestamp(), d_Timestamp());

    // Surrogates, class ids, references and blobs never clear CastError.
    KvAspect ref(KvAspectId(1));
    ref = KxRef(KxObjId(4), KxClassId(2, 1));
    ref.setCastError();
    EXPECT_EQ(ref.getKxRef(), KxRef(KxObjId(4), KxClassId(2, 1)));
    EXPECT_TRUE(ref.isCastError());
    EXPECT_EQ(ref.getKxClassId(), KxClassId());
    EXPECT_EQ(Of(KxNull_KxInt64(KxInt64(-9))).getInt64().Get(), -9);
}

TEST(KvAspect, CopiesTakeTheValueAndOnlyAssignmentTheState) {
    KvAspect source(KvAspectId(3, "name"), KxString("v"));
    source.setTitle("Title");
    source.setTypeTag("KxString");
    source.tag() = 4;
    source.aspectState() = 0x13;

    KvAspect copy(source);
    EXPECT_EQ(copy.aspectState(), 0u);
    EXPECT_STREQ(copy.getOriginalString().StrGet(), "v");
    EXPECT_STREQ(copy.getTitle().StrGet(), "Title");
    EXPECT_STREQ(copy.getTypeTag().StrGet(), "KxString");
    EXPECT_EQ(copy.tag(), 4);
    EXPECT_STREQ(copy.aspectId().idStr(), "name");

    KvAspect assigned(KvAspectId(9), 1.5);
    assigned = source;
    EXPECT_EQ(assigned.aspectState(), 0x13u);
    EXPECT_EQ(assigned.aspectType(), 14);
    EXPECT_EQ(assigned.aspectId().id(), 3);

    KvAspect renamed(KvAspectId("other"), source);
    EXPECT_STREQ(renamed.aspectId().idStr(), "other");
    EXPECT_EQ(renamed.aspectType(), 14);

    const KvAspect none(KvAspectId(1));
    EXPECT_EQ(KvAspect(none).aspectState(), 0x08u);
    assigned = none;
    EXPECT_EQ(assigned.aspectType(), 0);

    // Heap values are copied deeply.
    KvAspect* surrogate = new KvAspect(KvAspectId(1), KvSurrogate("entry"));
    KvAspect surrogateCopy(*surrogate);
    delete surrogate;
    EXPECT_STREQ(surrogateCopy.getSurrogate().getConstCharPtr(), "entry");
}

}  // namespace
