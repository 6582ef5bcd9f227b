// The mapper's message object: the text of each code (the mapper's own table, the gateway's texts for
// codes without one), what counts as error or warning, and the summary line.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "KxGClassMapper.h"
#include "KxGClassMapperLog.h"
#include "KxGErrorText.h"
#include "TestSupport.h"

namespace {

struct TextCase {
    int32_t code;
    const char* passed;
    std::string text;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.code;
}

// The mapper that the texts name: database "db", brand "Ora", server "srv".
class MapperTexts : public ::testing::TestWithParam<TextCase> {
protected:
    MapperTexts() : mapper_(static_cast<int>(kArgs.size()), kArgs.data())
    {
        std::ostringstream quiet;
        std::streambuf* previous = std::cout.rdbuf(quiet.rdbuf());
        mapper_.ParseArguments();
        std::cout.rdbuf(previous);
    }

    static inline const std::vector<const char*> kArgs = {"relgen", "-D", "d", "-B", "db", "-S", "Ora$srv"};
    KxGClassMapper mapper_;
};

const TextCase kTexts[] = {
    {6150, "Line : 3  Option : X", "Warning : Invalid mapping option\nLine : 3  Option : X"},
    {6151, "", "Warning : a new UNIQUE index is created\n"},
    {6152, "Person", "Warning : Inserting NULL values in table of class 'Person'"},
    {6153, "tags", "Warning : Type of set 'tags' is changed to blob set, possible loss of data"},
    {6154, "tags", "Warning : Type of set 'tags' is changed to default set, possible loss of data"},
    {-6201, "SELECT ...", "Error : max lenght of sql statement is greater than 65532 bytes\nSELECT ..."},
    {-6198, "", "Error : No existing schema found"},
    {-6197, "", "Error : Dictionary Mismatch"},
    {-6196, "", "Error : Wrong dictionary version"},
    {-6194, "Person",
     "Error : This database version does not support duplicate members (in the class 'Person'), please convert "
     "using Relgen -n"},
    {-6193, "Address", "Error : A member name is used twice in embedded class ('Address')"},
    {-6192, "Person", "Error : A member name is used twice in class 'Person'"},
    {-6191, "SYS", "Error : The database name 'SYS' is invalid"},
    {-6190, "ROOTBLOCK", "Error : The class table name 'ROOTBLOCK' is a reserved word for Tessaform"},
    {-6184, "DROP TABLE S.T", "Error : Executing statement\nDROP TABLE S.T\nNative Code = 0\nNative Description = \n"},
    {-6172, "Line : 1", "Error : Invalid mapping option\nLine : 1"},
    {-6171, "", "Error : Unable to open Option file"},
    {-6167, "", "Error : Login user is not the owner of the RDBMS schema"},
    {-6155, "", "Error : RO GW schema already exists in database 'db'"},
    {-6154, "", "Login cancelled by user"},
    {-6153, "", "Error : Unable to create Database instance for brand :Ora DBName:db"},
    {-6152, "", "Error : No schema created"},
    {-6151, "", "Fatal Error"},
    {-6150, "", "Error : Not Implemented"},
    {-6002, "", "Error : No ROGW schema found"},
    {-2309, "", "Error : Failed to connect to srv : Check your user id and password!"},
    {-1234, "", "Error : Unknown Error : -1234"},
    // Codes without a text of the mapper: the gateway's.
    {-6085, "", KxGGetErrorText(-6085)},
    {-6084, "", KxGGetErrorText(-6084)},
    {-6086, "", KxGGetErrorText(-6086)},
    {-6087, "", KxGGetErrorText(-6087)},
    {-6090, "", KxGGetErrorText(-6090)},
    {-6010, "", KxGGetErrorText(-6010)},
    {-6081, "", KxGGetErrorText(-6081)},
    {-6091, "", KxGGetErrorText(-6091)},
};

TEST_P(MapperTexts, TextOfTheCode)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(mapper_.GetLog().Text(c.code, 0, KxString(c.passed)), c.text);
    EXPECT_EQ(c.text.find("unknwown"), std::string::npos) << "every code here has a text of its own";
}

INSTANTIATE_TEST_SUITE_P(Codes, MapperTexts, ::testing::ValuesIn(kTexts),
                         [](const ::testing::TestParamInfo<TextCase>& info) {
                             const int32_t code = info.param.code;
                             return (code < 0 ? "Minus" : "") + std::to_string(code < 0 ? -code : code);
                         });

// Reports go to the log (echo off here), count by sign, and end in the summary line; -1 and 0 print
// and count nothing; the codes without a dictionary, database or server are followed by the usage.
TEST(MapperLog, CountsAndSummary)
{
    TempDir dir;
    std::ofstream log(dir.Path("run.LOG"));
    const bool echo = false;
    KxGClassMapperLog messages(nullptr, log, echo);
    messages.Summary();
    messages.Report(0, 0, KxString(""));
    messages.Report(-1, 0, KxString(""));
    messages.Summary();
    messages.Report(6152, 0, KxString("A"));
    messages.Summary();
    messages.Report(-6161, 0, KxString(""));
    messages.Report(-6181, -2841, KxString(""));
    messages.Summary();
    log.close();

    std::ostringstream usage;
    KxGClassMapper::ShowUsage(usage);
    EXPECT_EQ(ReadFile(dir.Path("run.LOG")),
              "RELGEN terminated successfully\n"
              "RELGEN terminated successfully\n"
              "Warning : Inserting NULL values in table of class 'A'\n"
              "RELGEN terminated with 1 warning(s)\n"
              "Error : No database specified (usage: -B <database>)\n" +
                  usage.str() +
                  "\n"
                  "Error : Unable to open dictionary: Error code : -2841\n"
                  "RELGEN terminated with error status - 2 error(s), 1 warning(s)\n");
    EXPECT_EQ(messages.GetErrorCount(), 2);
    EXPECT_EQ(messages.GetWarningCount(), 1);
}

}  // namespace
