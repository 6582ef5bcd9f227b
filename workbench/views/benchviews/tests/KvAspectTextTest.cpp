#include <gtest/gtest.h>

#include <string>

#include "KvAspect.h"
#include "svapp.h"
#include "svintl.h"

namespace {

KvAspect Of(auto v) { return KvAspect(KvAspectId(1), v); }

std::string Sv(const KvAspect& a) { return a.getSvString().GetStr(); }
std::string Orig(const KvAspect& a) { return a.getOriginalString().StrGet(); }

TEST(KvAspectText, BothFormsByType) {
    struct Case {
        KvAspect aspect;
        const char* original;
        const char* sv;
    } cases[] = {
        {Of(42), "42", "42"},
        {Of(4294967295u), "4294967295", "4294967295"},
        {Of(short(-3)), "-3", "-3"},
        {Of((unsigned char)65), "65", "65"},
        {Of('A'), "A", "A"},
        {Of(2.5), "2.5", "2.5"},
        {Of("text"), "text", "text"},
        {Of(String("sv")), "sv", "sv"},
        {Of(KxBoolean(true)), "true", "true"},
        {Of(-5000000000LL), "-5000000000", "-5000000000"},
        {Of(KvSurrogate(7L)), "7", "7"},
        {Of(KxInt64(-2)), "-2", "-2"},
        {Of(KxDate(2024, 3, 7)), "03/07/2024", "03/07/2024"},
        {Of(KxTime(9, 5, 3)), "09:05:03", "09:05:03"},
        {Of(KxDateTime(2024, 3, 7, 9, 5, 3)), "09:05:03 03/07/2024", "03/07/2024 09:05:03"},
        {Of(d_Timestamp(d_Date(2001, 12, 31), d_Time(23, 59, 58, 99))), "23:59:58 12/31/2001", "23:59:58 12/31/2001"},
        {Of(d_Interval(1, 1, 1, 1.5f)), "01:01:01:1.500000", "01:01:01:1.500000"},
        {Of(KxNull_uchar(uint8_t(200))), "200", "200"},
        {Of(KxNull_int(-4)), "-4", "-4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.original);
        EXPECT_EQ(Orig(c.aspect), c.original);
        EXPECT_FALSE(c.aspect.isCastError());
        EXPECT_EQ(Sv(c.aspect), c.sv);
    }
    // A double also marks its class-library form inexact.
    const KvAspect d = Of(2.5);
    Sv(d);
    EXPECT_TRUE(d.isCastError());
}

TEST(KvAspectText, ValuesWithoutTextAndNullValues) {
    KvAspect blob(KvAspectId(1));
    blob = KxBlob("x", 1);
    for (const KvAspect* a : {new KvAspect(KvAspectId(1)), new KvAspect(blob)}) {
        EXPECT_EQ(Orig(*a), "");
        EXPECT_TRUE(a->isCastError());
        EXPECT_EQ(Sv(*a), "");
        EXPECT_STREQ(a->getString().StrGet(), "");
        delete a;
    }
    // A null value prints as the type manager's null text in the native form.
    EXPECT_FALSE(Of(KxNull_short()).getOriginalString().IsActive());
    EXPECT_STREQ(Of(KxNull_short()).getString().StrGet(), "NULL");
    EXPECT_STREQ(Of(KxString()).getString().StrGet(), "NULL");
}

TEST(KvAspectText, DatesFollowTheApplicationsLocaleInTheOriginalForm) {
    International german = GetpApp()->GetAppInternational();
    CountryTable table = german.GetCountryTable();
    table.SetDateFormat(DMY);
    table.SetDateSep('.');
    german.ChangeCountryTable(table);
    const International saved = GetpApp()->GetAppInternational();
    GetpApp()->SetAppInternational(german);
    const KvAspect date = Of(KxDate(2024, 3, 7));
    EXPECT_EQ(Orig(date), "07.03.2024");
    EXPECT_EQ(Sv(date), "03/07/2024");
    GetpApp()->SetAppInternational(saved);
}

TEST(KvAspectText, StringsNameAForeignCodeSetAndLanguage) {
    const KvAspect native = Of(KxString("abc"));
    EXPECT_EQ(Sv(native), "abc");
    EXPECT_STREQ(native.OriginalCodeSetAsString(), "CS ANSI");
    EXPECT_STREQ(native.OriginalLanguageAsString(), "no language");

    KxString wide(u"abc");
    wide.SetLanguage(1);
    const KvAspect foreign = Of(wide);
    EXPECT_EQ(Sv(foreign), "abc(CS UNICODE, English)");
    EXPECT_EQ(foreign.getOriginalString().CodeSet(), 253) << "the original form keeps the code set";
    EXPECT_EQ(foreign.getString().CodeSet(), 1);

    KxString noCodeSet("x");
    noCodeSet.SetCodeSet(0);
    noCodeSet.SetLanguage(99);
    const KvAspect zero = Of(noCodeSet);
    EXPECT_EQ(Sv(zero), "x");
    EXPECT_STREQ(zero.OriginalCodeSetAsString(), "CS NONE");
    EXPECT_STREQ(zero.OriginalLanguageAsString(), "language unknown");
    EXPECT_STREQ(Of(5).OriginalCodeSetAsString(), "");
}

TEST(KvAspectText, StateText) {
    KvAspect a(KvAspectId(1));
    a.aspectState() = 0x09;
    EXPECT_STREQ(a.getStateString().StrGet(), " Ok   !Orig !Chec  Just !Read !Not !Refr !Cast ");
    a.aspectState() = 0xF6;
    EXPECT_STREQ(a.getStateString().StrGet(), "!Ok    Orig  Chec !Just  Read  Not  Refr  Cast ");
}

}  // namespace
