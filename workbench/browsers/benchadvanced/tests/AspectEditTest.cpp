// The aspect editor driven by scripts: each value type parsed back from what is typed, values the
// type cannot hold refused, "Is NULL", code set and language of a KxString, Cancel.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "AspectEdit.h"
#include "KxEditFields.h"
#include "sv.h"
#include "svinject.h"
#include "w32test.h"

namespace {

std::string Text(const KvAspect& a) { return a.getString().ToUtf8(); }

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// Runs the editor on the aspect with the script; answers its result.
short Edit(KvAspect& aspect, const std::string& script) {
    SvSetScript(script.c_str(), "edit.sv");
    AspectEdit dialog(nullptr, &aspect);
    return dialog.Execute();
}

struct TypedCase {
    const char* name;
    std::function<KvAspect()> make;
    const char* control;  // the value control's kind in the script
    const char* typed;
    long type;            // the aspect's type after OK
    std::string shown;    // its text after OK
};

TEST(AspectEditTest, EachTypeIsParsedBackFromTheTypedText) {
    const KvAspectId id("value");
    const TypedCase cases[] = {
        {"short", [&] { return KvAspect(id, short(5)); }, "NumericField", "-32768", 1, "-32768"},
        {"unsigned short", [&] { return KvAspect(id, static_cast<unsigned short>(5)); }, "NumericField", "65535", 2, "65535"},
        {"unsigned long past 2^31", [&] { return KvAspect(id, 5ul); }, "NumericField", "4294967295", 6, "4294967295"},
        {"int", [&] { return KvAspect(id, 5); }, "NumericField", "-2147483648", 3, "-2147483648"},
        {"unsigned char", [&] { return KvAspect(id, static_cast<unsigned char>(1)); }, "NumericField", "255", 10, "255"},
        {"double", [&] { return KvAspect(id, 1.5); }, "Edit", "-12.5e-2", 8, "-0.125"},
        {"float infinity", [&] { return KvAspect(id, 1.5f); }, "Edit", "-Infinity", 7, ""},
        {"char", [&] { return KvAspect(id, 'a'); }, "Edit", "xyz", 11, "x"},
        {"String", [&] { return KvAspect(id, String("old")); }, "Edit", "new text", 13, "new text"},
        {"KxString", [&] { return KvAspect(id, KxString("old")); }, "Edit", "neu", 14, "neu"},
        {"KxBoolean", [&] { return KvAspect(id, KxBoolean(false)); }, "", "", 27, ""},
        {"64-bit", [&] { return KvAspect(id, 5ll); }, "Edit", "-9223372036854775808", 28, "-9223372036854775808"},
        {"KxNull_int", [&] { return KvAspect(id, KxNull_int(7)); }, "NumericField", "-12", 34, "-12"},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.name);
        KvAspect aspect = c.make();
        aspect.setTitle("Member");
        std::string script;
        if (c.type == 27) {
            script = "choose #2001 ComboBox 2022 \"TRUE\"\n";
        } else {
            script = std::string("text #2001 ") + c.control + " 2001 " + Quote(c.typed) + "\n";
        }
        script += "press #2001 OKButton 1\n";
        EXPECT_EQ(Edit(aspect, script), 1);
        EXPECT_EQ(aspect.aspectType(), c.type);
        if (c.type == 27) {
            EXPECT_TRUE(aspect.getBoolean().IsTrue());
        } else if (c.type == 7) {
            EXPECT_TRUE(std::isinf(aspect.getFloat()) && aspect.getFloat() < 0);
        } else {
            EXPECT_EQ(Text(aspect), c.shown);
        }
        EXPECT_TRUE(SvTakeBoxLog().empty());
    }
}

TEST(AspectEditTest, AValueTheTypeCannotHoldIsRefusedAndTheDialogStaysOpen) {
    const KvAspectId id("value");
    struct Bad {
        std::function<KvAspect()> make;
        const char* control;
        const char* typed;
    } cases[] = {
        {[&] { return KvAspect(id, short(5)); }, "NumericField", "32768"},
        {[&] { return KvAspect(id, short(5)); }, "NumericField", "12abc"},
        {[&] { return KvAspect(id, static_cast<unsigned short>(5)); }, "NumericField", "-1"},
        {[&] { return KvAspect(id, static_cast<unsigned char>(5)); }, "NumericField", "256"},
        {[&] { return KvAspect(id, 5ul); }, "NumericField", "4294967296"},
        {[&] { return KvAspect(id, 1.5); }, "Edit", "1.2.3"},
        {[&] { return KvAspect(id, 1.5f); }, "Edit", "1e39"},
        {[&] { return KvAspect(id, 1.5); }, "Edit", ""},
        {[&] { return KvAspect(id, KxNull_short(3)); }, "NumericField", "40000"},
        {[&] { return KvAspect(id, KxDate(2020, 5, 6)); }, "Edit", "13/45/2020"},
        {[&] { return KvAspect(id, 5ll); }, "Edit", "9223372036854775808"},
        {[&] { return KvAspect(id, 5ull); }, "Edit", "-1"},
        {[&] { return KvAspect(id, KvSurrogate(KxObjId(12))); }, "Edit", "99999999999999999999999"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.typed);
        KvAspect aspect = c.make();
        const std::string before = Text(aspect);
        const std::string script = std::string("text #2001 ") + c.control + " 2001 " + Quote(c.typed) +
                                   "\npress #2001 OKButton 1\npress #2001 CancelButton 1\n";
        EXPECT_EQ(Edit(aspect, script), 0);
        EXPECT_EQ(Text(aspect), before);
        const auto boxes = SvTakeBoxLog();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].kind, "ErrorBox");
        EXPECT_NE(boxes[0].text.find("Format(s)"), std::string::npos) << boxes[0].text;  // names the format
    }
}

TEST(AspectEditTest, TheDialogShowsTitleHintAndControlByType) {
    KvAspect aspect(KvAspectId("count"), short(42));
    aspect.setTitle("count");
    AspectEdit dialog(nullptr, &aspect);
    EXPECT_EQ(std::string(dialog.GetText().GetStr()), "Edit 'count'");
    EXPECT_EQ(std::string(dialog.getHintText()->GetText().GetStr()), "Format(s): Decimal between -32768 to 32767");
    ASSERT_NE(dialog.getValueControl(), nullptr);
    EXPECT_EQ(dialog.getValueControl()->GetType(), RSC_NUMERICFIELD);
    EXPECT_EQ(std::string(dialog.getValueControl()->GetText().GetStr()), "42");
    EXPECT_FALSE(dialog.getNullBox()->IsVisible());  // a plain short has no null

    KvAspect stamp(KvAspectId("at"), KxDateTime(2021, 3, 4, 5, 6, 7));
    AspectEdit both(nullptr, &stamp);
    EXPECT_EQ(std::string(both.getHintText()->GetText().GetStr()), "Format(s): mm/dd/yyyy and 24 hours in hr:min:sec");
    ASSERT_NE(both.getTimeControl(), nullptr);
    EXPECT_EQ(std::string(both.getValueControl()->GetText().GetStr()), "03/04/2021");
    EXPECT_EQ(both.getTimeControl()->GetPosPixel(), Point(244, 20));

    KvAspect none(KvAspectId("nothing"));  // no value: nothing to edit
    AspectEdit empty(nullptr, &none);
    EXPECT_EQ(std::string(empty.getHintText()->GetText().GetStr()), "not editable");
    EXPECT_EQ(empty.Execute(), 0);
}

TEST(AspectEditTest, IsNullTicksDisablesAndStoresTheNullValue) {
    KvAspect aspect(KvAspectId("n"), KxNull_short());
    {
        AspectEdit dialog(nullptr, &aspect);
        EXPECT_TRUE(dialog.getNullBox()->IsVisible());
        EXPECT_TRUE(dialog.getNullBox()->IsChecked());
        EXPECT_FALSE(dialog.getValueControl()->IsEnabled());
        EXPECT_EQ(dialog.getValueControl()->GetText().Len(), 0);  // the null value prints empty
        // Unticking empties and enables the control.
        dialog.getNullBox()->Click();
        EXPECT_TRUE(dialog.getValueControl()->IsEnabled());
        EXPECT_EQ(dialog.getValueControl()->GetText().Len(), 0);
    }
    EXPECT_EQ(Edit(aspect, "tick #2001 CheckBox 2021\ntext #2001 NumericField 2001 \"17\"\npress #2001 OKButton 1\n"), 1);
    EXPECT_FALSE(aspect.getNull_short().isNull());
    EXPECT_EQ(aspect.getNull_short().getValue(), 17);
    // Ticked again: null, whatever the control held.
    EXPECT_EQ(Edit(aspect, "tick #2001 CheckBox 2021\npress #2001 OKButton 1\n"), 1);
    EXPECT_TRUE(aspect.getNull_short().isNull());
}

TEST(AspectEditTest, AKxStringTakesCodeSetLanguageAndNull) {
    KvAspect aspect(KvAspectId("name"), KxString("Hallo"));
    aspect.setTypeTag("KxString");
    EXPECT_EQ(Edit(aspect, "choose #2001 ComboBox 4 \"FINISH\"\ntext #2001 Edit 2001 \"Moi\"\npress #2001 OKButton 1\n"), 1);
    EXPECT_EQ(Text(aspect), "Moi");
    EXPECT_EQ(aspect.getOriginalString().Language(), 9);
    EXPECT_EQ(aspect.getOriginalString().CodeSet(), 1);

    EXPECT_EQ(Edit(aspect, "tick #2001 CheckBox 2021\npress #2001 OKButton 1\n"), 1);
    EXPECT_FALSE(aspect.getOriginalString().IsActive());
    {
        AspectEdit dialog(nullptr, &aspect);  // opens ticked on the null text
        EXPECT_TRUE(dialog.getNullBox()->IsChecked());
        EXPECT_FALSE(dialog.getCodeSetBox()->IsEnabled());
    }
    // Without the type tag there is no "Is NULL".
    KvAspect plain(KvAspectId("plain"), KxString("x"));
    AspectEdit dialog(nullptr, &plain);
    EXPECT_FALSE(dialog.getNullBox()->IsVisible());
}

TEST(AspectEditTest, AUnicodeStringIsEditedAsUnicodeExceptOnWindows9x) {
    KvAspect aspect(KvAspectId("name"), KxString(u"\u00e9t\u00e9 \u4e2d"));
    {
        AspectEdit dialog(nullptr, &aspect);
        EXPECT_TRUE(dialog.usesUnicodeEdit());
        EXPECT_EQ(std::string(dialog.getCodeSetBox()->GetText().GetStr()), "UNICODE");
    }
    w32test::SetWindows9x(true);
    {
        AspectEdit dialog(nullptr, &aspect);
        EXPECT_FALSE(dialog.usesUnicodeEdit());
    }
    w32test::SetWindows9x(false);
    EXPECT_EQ(Edit(aspect, "text #2001 Edit 2001 \"\xe4\xb8\xad\xe6\x96\x87\"\npress #2001 OKButton 1\n"), 1);
    EXPECT_EQ(aspect.getOriginalString().CodeSet(), 253);
    EXPECT_EQ(aspect.getOriginalString().ToUtf16(), std::u16string(u"\u4e2d\u6587"));
}

TEST(AspectEditTest, CancelLeavesTheAspectAndABlobBecomesEmptyOnOk) {
    KvAspect aspect(KvAspectId("v"), 12);
    EXPECT_EQ(Edit(aspect, "text #2001 NumericField 2001 \"99\"\npress #2001 CancelButton 1\n"), 0);
    EXPECT_EQ(aspect.getInt(), 12);

    const char bytes[] = "abc";
    KvAspect blob(KvAspectId("b"), 0);
    blob = KxBlob(bytes, 3);
    EXPECT_EQ(Edit(blob, "press #2001 OKButton 1\n"), 1);
    EXPECT_EQ(blob.aspectType(), 21);
    EXPECT_EQ(blob.getKxBlob().Length(), 0u);
}

TEST(AspectEditTest, DatesTimesAndObjectIdsAreReadFromTheirFields) {
    KvAspect date(KvAspectId("d"), KxDate(2020, 1, 2));
    EXPECT_EQ(Edit(date, "text #2001 Edit 2001 \"12/31/1999\"\npress #2001 OKButton 1\n"), 1);
    EXPECT_EQ(date.getDate(), KxDate(1999, 12, 31));

    KvAspect time(KvAspectId("t"), KxTime(1, 2, 3));
    EXPECT_EQ(Edit(time, "text #2001 TimeField 2001 \"23:59:58\"\npress #2001 OKButton 1\n"), 1);
    EXPECT_EQ(time.getTime().GetHour(), 23);
    EXPECT_EQ(time.getTime().GetSecond(), 58);

    KvAspect stamp(KvAspectId("s"), d_Timestamp(d_Date(2000, 1, 1), d_Time(0, 0)));
    EXPECT_EQ(Edit(stamp, "text #2001 Edit 2001 \"02/29/2024\"\ntext #2001 TimeField 2002 \"10:20:30\"\n"
                          "press #2001 OKButton 1\n"), 1);
    EXPECT_EQ(stamp.getdTimestamp(), d_Timestamp(d_Date(2024, 2, 29), d_Time(10, 20, 30)));

    KvAspect oid(KvAspectId("OID"), KvSurrogate(KxObjId()));
    {
        AspectEdit dialog(nullptr, &oid);  // the all-zero id counts as null
        EXPECT_TRUE(dialog.getNullBox()->IsChecked());
        EXPECT_EQ(std::string(dialog.getHintText()->GetText().GetStr()), "Format(s): (HVal-LVal#Blk)");
    }
}

}  // namespace
