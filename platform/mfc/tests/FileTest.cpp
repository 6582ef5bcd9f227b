#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MfcPrint.h"
#include "TestSupport.h"
#include "afx.h"

namespace {

class FileTest : public ::testing::Test {
protected:
    CStringW Path(const char* name) const { return CStringW((dir_ / name).c_str()); }
    std::string Read(const char* name) const { return w32test_support::ReadAll(dir_ / name); }
    void Write(const char* name, const std::string& bytes) const { dir_.Write(name, bytes); }

    w32test_support::TempDir dir_;
};

TEST_F(FileTest, WritesTextsByteForByteAsUtf8) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(Path("out.log"), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    file.WriteString(u"Ä line\r\n");
    file.WriteString(u"second\n");
    file.Flush();
    EXPECT_EQ(Read("out.log"), "\xC3\x84 line\r\nsecond\n");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();   // closing twice does nothing
}

TEST_F(FileTest, ReadStringDropsTheLineEnds) {
    Write("in.txt", "one\r\ntwo\n\nlast \xC3\xA9");
    CStdioFile file;
    ASSERT_TRUE(file.Open(Path("in.txt"), CFile::modeRead | CFile::shareDenyWrite));
    CStringW line;
    std::vector<CStringW> lines;
    while (file.ReadString(line)) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], u"one");
    EXPECT_EQ(lines[1], u"two");
    EXPECT_EQ(lines[2], u"");
    EXPECT_EQ(lines[3], u"last é");
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_TRUE(line.IsEmpty());
}

TEST_F(FileTest, LongLinesSpanReadChunks) {
    const std::string longLine(10000, 'x');
    Write("long.txt", longLine + "\r\nend");
    CStdioFile file;
    ASSERT_TRUE(file.Open(Path("long.txt"), CFile::modeRead));
    CStringW line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line.GetLength(), 10000);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, u"end");
}

TEST_F(FileTest, DenyWriteRefusesASecondWriterWithoutTruncating) {
    CStdioFile first;
    ASSERT_TRUE(first.Open(Path("shared.log"), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    first.WriteString(u"kept");
    CStdioFile second;
    EXPECT_FALSE(second.Open(Path("shared.log"), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(second.IsOpen());
    CStdioFile reader;   // reading stays allowed
    ASSERT_TRUE(reader.Open(Path("shared.log"), CFile::modeRead | CFile::shareDenyNone));
    CStringW line;
    ASSERT_TRUE(reader.ReadString(line));
    EXPECT_EQ(line, u"kept");
    EXPECT_FALSE(first.Open(Path("other.log"), CFile::modeCreate | CFile::modeWrite));   // already open
    EXPECT_EQ(first.GetFilePath(), Path("shared.log"));
}

TEST_F(FileTest, MissingFilesAndFoldersAreRefused) {
    CStdioFile file;
    EXPECT_FALSE(file.Open(Path("absent.txt"), CFile::modeRead));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file.Open(Path("no/such/dir.log"), CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
