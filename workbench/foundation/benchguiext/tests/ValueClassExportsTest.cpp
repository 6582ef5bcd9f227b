// Every workbench library exports the members of the class library's value classes: a program
// that loads any one of them finds a member of each class (and the three free functions) there,
// the one copy the class library has.
#include <gtest/gtest.h>
#include <dlfcn.h>


namespace {

const char* const kLibraries[] = {WORKBENCH_LIBRARIES};

// One member of every value class, and Min, Max and Abs of longs.
const char* const kMembers[] = {
    "_ZNK12CountryTable14GetDateFormatAEv",          // CountryTable::GetDateFormatA
    "_ZNK13International6GetNumElt",                 // International::GetNum
    "_ZNK9Rectangle8GetWidthEv",                     // Rectangle::GetWidth
    "_ZNK13LanguageTable10GetDayTextE9DayOfWeek",    // LanguageTable::GetDayText
    "_ZN4ListaSERKS_",                               // List::operator=
    "_ZNK5Point7IsAboveERKS_",                       // Point::IsAbove
    "_ZNK8FileStat7GetSizeEv",                       // FileStat::GetSize
    "_ZNK6BigInt5IsOneEv",                           // BigInt::IsOne
    "_ZNK9Selection3LenEv",                          // Selection::Len
    "_ZNK4Date7GetYearEv",                           // Date::GetYear
    "_ZNK4Time9Get100SecEv",                         // Time::Get100Sec
    "_ZNK5Range3LenEv",                              // Range::Len
    "_ZNK10FileCopier12GetBlockSizeEv",              // FileCopier::GetBlockSize
    "_ZNK4Pair1AEv",                                 // Pair::A
    "_ZNK8WildCardeqERKS_",                          // WildCard::operator==
    "_ZNK6String3LenEv",                             // String::Len
    "_ZNK4Link5IsSetEv",                             // Link::IsSet
    "_ZNK4Size5WidthEv",                             // Size::Width
    "_ZNK8Fraction7IsValidEv",                       // Fraction::IsValid
    "_ZNK5Table5CountEv",                            // Table::Count
    "_ZN8DateTimeC1Ev",                              // DateTime::DateTime
    "_ZNK10MetaAction7GetTypeEv",                    // MetaAction::GetType
    "_ZNK8MetaFile7IsPauseEv",                       // MetaFile::IsPause
    "_ZNK11UniqueIndex5CountEv",                     // UniqueIndex::Count
    "_ZNK8DirEntry7IsValidEv",                       // DirEntry::IsValid
    "_ZNK9Container7GetSizeEv",                      // Container::GetSize
    "_ZN3DirC1ERKS_",                                // Dir::Dir (copy)
    "_Z3Minll", "_Z3Maxll", "_Z3Absl",
};

TEST(ValueClassExportsTest, EveryWorkbenchLibraryExportsTheMembersOfTheValueClasses) {
    for (const char* file : kLibraries) {
        void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, library) << dlerror();
        for (const char* member : kMembers) {
            void* found = dlsym(library, member);
            EXPECT_NE(nullptr, found) << file << ": " << member;
            EXPECT_EQ(dlsym(RTLD_DEFAULT, member), found) << file << ": " << member;
        }
        dlclose(library);
    }
}

}  // namespace
