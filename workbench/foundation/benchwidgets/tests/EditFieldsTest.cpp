// The formatted edit fields: what each one lets through, what it reads from its text and how it
// shows it again, with the keys posted as a user types them.
#include <gtest/gtest.h>
#include <w32test.h>

#include <memory>
#include <string>
#include <utility>

#include "KxEditFields.h"
#include "sv.h"

namespace {

// A shown work window "Main" with another field to move the focus to.
class EditFieldsTest : public ::testing::Test {
protected:
    void SetUp() override {
        w32test::SetDebugOutputHook([this](const std::string& text) { out_ += text; });
        SvSetScript("", "fields.sv");
        main_ = std::make_unique<WorkWindow>(nullptr);
        main_->SetText("Main");
        main_->SetOutputSizePixel(Size(400, 300));
        main_->Show();
        other_ = std::make_unique<Edit>(main_.get());
        Place(*other_, 200);
    }
    void TearDown() override {
        other_.reset();
        main_.reset();
        w32test::SetDebugOutputHook(nullptr);
    }
    void Place(Window& w, int32_t y) {
        w.SetPosSizePixel(Point(10, y), Size(180, 21));
        w.Show();
    }
    // Types the text into the field key by key (as a user would), answers what it shows then.
    std::string Type(Edit& field, const std::string& text) {
        field.SetText("");
        SvPostFocus(&field);
        for (char c : text) SvPostKey(&field, SvKeyEventOf(c));
        GetpApp()->Execute();
        return field.GetText().GetStr();
    }
    // Moves the focus away (the field reads its text) and answers what it shows.
    std::string Leave(Edit& field) {
        SvPostFocus(other_.get());
        GetpApp()->Execute();
        return field.GetText().GetStr();
    }

    std::unique_ptr<WorkWindow> main_;
    std::unique_ptr<Edit> other_;
    std::string out_;   // the diagnostic lines
};

TEST_F(EditFieldsTest, DateFieldReadsItsTextByPosition) {
    KxDateField field(main_.get(), 0);
    Place(field, 10);
    struct Case { const char* typed; const char* shown; const char* canonical; int year, month, day; };
    const Case cases[] = {
        {"02/03/2001", "02/03/2001", "02/03/2001", 2001, 2, 3},
        {"ab02/0x3/2001z", "02/03/2001", "02/03/2001", 2001, 2, 3},   // letters are swallowed
        {"2/3/2001", "2/3/2001", "02/01/1", 1, 2, 1},                 // the day is read too early
        {"13/45/2001", "13/45/2001", "01/01/0", 0, 1, 1},             // no valid date
        {"", "", "01/01/0", 0, 1, 1},
        {"00/00/0000", "00/00/0000", "00/00/0", 0, 0, 0},             // the empty date stays
        {"12/31/99999", "12/31/99999", "01/01/0", 0, 1, 1},          // the year read is 99999: no date
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Type(field, c.typed), c.shown) << c.typed;
        EXPECT_EQ(Leave(field), c.canonical) << c.typed;
        const KxDate date = field.getKxDate();
        EXPECT_EQ(date.GetYear(), c.year) << c.typed;
        EXPECT_EQ(date.GetMonth(), c.month) << c.typed;
        EXPECT_EQ(date.GetDay(), c.day) << c.typed;
    }
    field.setKxDate(KxDate(2001, 2, 3));
    EXPECT_EQ(std::string(field.GetText().GetStr()), "02/03/2001");
    EXPECT_EQ(field.isKxDateModified(), 1);
}

TEST_F(EditFieldsTest, DatePatternLanguage) {
    const KxDate date(2005, 7, 4);
    EXPECT_EQ(KxDateFormatter::printDate(date, "%Y-%m-%d %e %y %H:%M:%S %I %P %p %% %q").ToUtf8(),
              "2005-07-04 04 05 00:00:00 12 AM am % q");
    struct Case { const char* text; const char* pattern; int year, month, day; };
    const Case cases[] = {
        {"2005-07-04", "%Y-%m-%d", 2005, 7, 4},
        {"04.07.05", "%d.%m.%y", 1905, 7, 4},
        {"x4 07 2005", "%e %m %Y", 2005, 7, 1},   // "x4" holds no number: the day stays 1
        {"%07", "%%%m", 0, 7, 1},                 // year 0: no valid date
    };
    for (const Case& c : cases) {
        const KxDate d = KxDateFormatter::scanDate(c.text, c.pattern);
        const KxDate expected = KxDate(c.year, c.month, c.day).IsValid() ? KxDate(c.year, c.month, c.day) : KxDate(0, 1, 1);
        EXPECT_EQ(d, expected) << c.text;
    }
}

TEST_F(EditFieldsTest, SixtyFourBitFieldsPassHexadecimalKeysAndReadDecimal) {
    Kx8BField field(main_.get(), 0);
    Place(field, 10);
    field.setO_8b(7);
    struct Case { const char* typed; const char* shown; const char* canonical; int64_t value; };
    const Case cases[] = {
        {"-42", "-42", "-42", -42},
        {"12g3", "123", "123", 123},                 // G is swallowed
        {"0x1F", "0x1F", "123", 123},               // X and F pass; no decimal number: the value stays
        {"+9223372036854775807", "+9223372036854775807", "9223372036854775807", INT64_MAX},
        {"9223372036854775808", "9223372036854775808", "9223372036854775807", INT64_MAX},   // too large: stays
        {"1 2/3", "123", "123", 123},                // blank and slash are swallowed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Type(field, c.typed), c.shown) << c.typed;
        EXPECT_EQ(Leave(field), c.canonical) << c.typed;
        EXPECT_EQ(field.getO_8b(), c.value) << c.typed;
    }

    KxU8BField unsignedField(main_.get(), 0);
    Place(unsignedField, 40);
    EXPECT_EQ(Type(unsignedField, "18446744073709551615"), "18446744073709551615");
    EXPECT_EQ(unsignedField.getO_u8b(), UINT64_MAX);   // read while the field still has the focus
    EXPECT_EQ(Type(unsignedField, "-1"), "-1");
    EXPECT_EQ(Leave(unsignedField), "18446744073709551615");

    // The key filter, code by code.
    struct Key { uint16_t code; bool passes; };
    const Key keys[] = {{KEY_0 + 5, true},  {KEY_DOWN, true},   {KEY_A + 5, true},     {KEY_A + 6, false},
                        {0x217, true},      {KEY_BACKSPACE, true}, {KEY_INSERT, true}, {KEY_SUBTRACT, true},
                        {KEY_RETURN, false}, {KEY_SPACE, false}, {KEY_PASTE, true},    {KEY_F1, false},
                        {KEY_A + 1 | KEY_SHIFT, true}, {KEY_DIVIDE, false}};
    for (const Key& k : keys) EXPECT_EQ(Kx8BField::accepts(KeyCode(k.code)), k.passes) << std::hex << k.code;
    for (const Key& k : keys) {
        const bool letter = (k.code & KEYGROUP_MASK) == 0x200;
        EXPECT_EQ(KxObjIdField::accepts(KeyCode(k.code)), !letter) << std::hex << k.code;
    }
}

TEST_F(EditFieldsTest, ObjectIdAndReferenceFieldsShowTheKernelsTextForm) {
    KxObjIdField id(main_.get(), 0);
    Place(id, 10);
    EXPECT_EQ(Type(id, "12a3"), "123");
    EXPECT_EQ(Leave(id), "123");
    EXPECT_EQ(id.getKxObjId(), KxObjId(123));
    EXPECT_EQ(Type(id, "1.5"), "1.5");
    EXPECT_EQ(Leave(id), "123");   // no object id: the value stays
    EXPECT_EQ(Type(id, " 0042 "), " 0042 ");
    EXPECT_EQ(Leave(id), "42");

    KxRefField ref(main_.get(), 0);
    Place(ref, 40);
    KxRef expected;
    ASSERT_EQ(0, expected.ScanFromKxString("4294967298:17.2"));
    EXPECT_EQ(Type(ref, "4294967298:17.2"), "4294967298:17.2");
    EXPECT_EQ(Leave(ref), "4294967298:17.2");
    EXPECT_TRUE(ref.getKxRef() == expected);
    EXPECT_EQ(Type(ref, "x1:y"), "1:");
    EXPECT_EQ(Leave(ref), "4294967298:17.2");
    ref.setKxRef(KxRef());
    KxString none;
    KxRef().PrintToKxString(none);
    EXPECT_EQ(std::string(ref.GetText().GetStr()), none.ToUtf8());
}

TEST_F(EditFieldsTest, FormattersKeepBoundsFlagAndValueWithoutWindow) {
    KxObjIdFormatter formatter;
    formatter.setKxObjId(KxObjId(9));
    EXPECT_EQ(formatter.getKxObjId(), KxObjId(9));
    EXPECT_EQ(formatter.changeMin(KxObjId(1)), KxObjId());
    EXPECT_EQ(formatter.changeMin(KxObjId(2)), KxObjId(1));
    EXPECT_EQ(formatter.changeMax(KxObjId(5)), KxObjId());
    EXPECT_EQ(formatter.getMax(), KxObjId(5));
    formatter.setKxObjId(KxObjId(99));   // bounds are not enforced
    EXPECT_EQ(formatter.getKxObjId(), KxObjId(99));
    EXPECT_EQ(formatter.changeStrictFormat(1), 0);
    EXPECT_EQ(formatter.getStrictFormat(), 1);
    KxObjIdFormatter copy(formatter);
    EXPECT_EQ(copy.getKxObjId(), KxObjId(99));
    EXPECT_EQ(copy.getMin(), KxObjId(2));
    EXPECT_EQ(copy.getStrictFormat(), 1);
    KxDateFormatter date;
    date.setStrictFormat(3);
    EXPECT_EQ(date.getStrictFormat(), 3);
    EXPECT_TRUE(date.getKxDate().IsEmpty());

    KxU8BField field(main_.get(), 0);
    EXPECT_EQ(field.changeFirst(3), 0u);
    EXPECT_EQ(field.changeLast(30), 0u);
    EXPECT_EQ(field.getFirst(), 3u);
    field.setO_u8b(500);   // first and last are not enforced
    EXPECT_EQ(field.getO_u8b(), 500u);
    // A formatter copied from a field formats that field.
    KxU8BFormatter shared(field);
    shared.setO_u8b(8);
    EXPECT_EQ(std::string(field.GetText().GetStr()), "8");
}

TEST_F(EditFieldsTest, DiagnosticLinesNameTheFieldAndWhatHappened) {
    {
        KxObjIdField id(main_.get(), 0);
        Place(id, 10);
        KxDateField date(main_.get(), 0);
        Place(date, 40);
        id.setKxObjId(KxObjId(5));
        Type(id, "6a");
        Leave(id);
        date.setKxDate(KxDate(2001, 2, 3));
    }
    const std::string& out = out_;
    const std::string set = "setKxObjId  PrintToKxString= 5 KxEditFields.cpp:";
    EXPECT_NE(out.find(set), std::string::npos) << out;
    EXPECT_NE(out.find("KxObjId Edit Control 0x"), std::string::npos);
    EXPECT_NE(out.find(" KeyInput: char code = a KxEditFields.cpp:"), std::string::npos);
    EXPECT_NE(out.find(" GetFocus KxEditFields.cpp:"), std::string::npos);
    EXPECT_NE(out.find(" LoseFocus KxEditFields.cpp:"), std::string::npos);
    EXPECT_NE(out.find(" reformat KxEditFields.cpp:"), std::string::npos);
    EXPECT_NE(out.find(" reformat  PrintToKxString= 6 KxEditFields.cpp:"), std::string::npos);
    EXPECT_NE(out.find("KxDate Edit Control 0x"), std::string::npos);
    EXPECT_NE(out.find(" setKxDate  PrintToKxString= 02/03/2001 KxEditFields.cpp:"), std::string::npos);
}

}  // namespace
