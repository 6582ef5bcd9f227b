// A program linked only against a library that links svbasics (as a program linking a workbench
// library is) finds the value classes' members: one member of every class is called here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "svbasics.h"

String SvTestLibraryName();

namespace {

long Twice(void*, void* caller) { return 2 * *static_cast<long*>(caller); }

TEST(ExportedMembersTest, EveryClassIsReachableThroughALinkedLibrary) {
    EXPECT_EQ(SvTestLibraryName(), "svtestexports");

    CountryTable country;
    country.SetDateSep('-');
    EXPECT_EQ(country.GetDateFormatA(), MDY);
    International intl(country, LanguageTable());
    EXPECT_EQ(intl.GetDate(Date(3, 2, 2001)), "02-03-2001");
    LanguageTable language;
    EXPECT_EQ(language.GetDayText(MONDAY), "Monday");
    EXPECT_EQ(Rectangle(0, 0, 9, 4).GetWidth(), 10);
    List list;
    list.Insert(&country, CONTAINER_APPEND);
    EXPECT_EQ(list.GetPos(&country), 0u);
    EXPECT_TRUE(Point(1, 1).IsAbove(Point(1, 2)));
    EXPECT_TRUE(BigInt(-5L).IsNeg());
    EXPECT_EQ(Selection(2, 5).Len(), 3);
    EXPECT_EQ(Date(20010203u).GetMonth(), 2);
    EXPECT_EQ(Time(1, 2, 3).GetSec(), 3);
    EXPECT_EQ(Range(2, 5).Len(), 4);
    FileCopier copier;
    copier.SetBlockSize(4096);
    EXPECT_EQ(copier.GetBlockSize(), 4096u);
    EXPECT_EQ(Pair(1, 2).B(), 2);
    EXPECT_TRUE(WildCard(String("VO110V*.agt"))(String("VO110VC.agt")));
    EXPECT_EQ(String("abc").Len(), 3);
    long value = 21;
    EXPECT_EQ(Link(nullptr, &Twice).Call(&value), 42);
    EXPECT_EQ(Size(3, 4).Height(), 4);
    EXPECT_EQ(Fraction(2, 4).GetDenominator(), 2);
    EXPECT_EQ(Table().Count(), 0u);
    EXPECT_EQ(DateTime(Date(1, 1, 2000), Time(12, 0)).GetYear(), 2000);
    MetaAction* action = new MetaAction(7);
    action->Duplicate();
    action->Delete();
    EXPECT_EQ(action->GetType(), 7);
    action->Delete();
    EXPECT_FALSE(MetaFile().IsRecord());
    EXPECT_EQ(UniqueIndex().Count(), 0u);
    EXPECT_FALSE(DirEntry().IsValid());
    EXPECT_EQ(Container().GetSize(), 0u);
    const Dir dir(String("/tmp"));
    EXPECT_TRUE(Dir(dir).IsValid());
    EXPECT_EQ(Min(3, -4), -4);
    EXPECT_EQ(Max(3, -4), 3);
    EXPECT_EQ(Abs(-4), 4);
}

TEST(ExportedMembersTest, FileStatReadsTheRealFile) {
    char path[] = "/tmp/svstatXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "12345", 5), 5);
    close(fd);
    const FileStat stat{DirEntry(String(path))};
    EXPECT_EQ(stat.GetError(), FSYS_ERR_OK);
    EXPECT_EQ(stat.GetKind(), FSYS_KIND_FILE);
    EXPECT_EQ(stat.GetSize(), 5u);
    EXPECT_TRUE(stat.DateModified().IsValid());
    unlink(path);

    const FileStat missing{DirEntry(String(path))};
    EXPECT_EQ(missing.GetError(), FSYS_ERR_NOTEXISTS);
    EXPECT_EQ(missing.GetKind(), FSYS_KIND_NONE);
    EXPECT_EQ(FileStat{DirEntry(String("/tmp"))}.GetKind(), FSYS_KIND_DIR);
}

TEST(ExportedMembersTest, WildCardPatterns) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*", "", true},          {"*.agt", "VO110VC.agt", true}, {"VO110V*.agt", "VO110V.agt", true},
        {"a?c", "abc", true},     {"a?c", "ac", false},           {"*a*b", "xaxxb", true},
        {"*a*b", "xaxxbc", false}, {"abc", "ABC", false},         {"a*", "a", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildCard(String(c.pattern))(String(c.name)), c.match) << c.pattern << " " << c.name;
}

}  // namespace
