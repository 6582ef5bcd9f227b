// MFC's file classes, as far as the system's programs use them: CFile over a Win32 file handle and
// the text file CStdioFile. Includes the string classes (afxstr.h) and windows.h.
#pragma once

#include <windows.h>

#include <string>

#include "afxstr.h"

// What a failing read, write, flush or close throws (by value; MFC throws a pointer).
class CFileException {
public:
    enum { none = 0, genericException = 1 };
    CFileException(int cause, LONG osError) : m_cause(cause), m_lOsError(osError) {}

    int m_cause;
    LONG m_lOsError;   // the Win32 error number
};

// A file opened by name through CreateFileW. The file and window classes are those of the Unicode
// build: names and texts are wide.
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };

    CFile() = default;
    // Closes a file still open; a failure there is dropped.
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens the file: the access of modeRead, modeWrite or modeReadWrite; the sharing of
    // shareDenyNone (read and write), shareDenyRead (write), shareDenyWrite (read) or
    // shareExclusive/shareCompat (none); with modeCreate the file is created anew (an existing one
    // truncated), with modeNoTruncate too it is opened when it exists; else it must exist. FALSE
    // (the last error set, nothing changed) when the file cannot be opened or this object holds
    // one already. An open refused for sharing never truncates the file.
    virtual BOOL Open(const char16_t* fileName, UINT openFlags);
    // Up to count bytes; 0 at the end.
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    // Hands what the system holds to the disk (FlushFileBuffers).
    virtual void Flush();
    virtual void Close();

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    const CStringW& GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

protected:
    CStringW m_strFileName;
};

// A text file. Texts are written as the UTF-8 bytes of the wide text, byte for byte: a "\n" is
// not made "\r\n" (the caller writes the line ends it wants). ReadString gives one line without
// its "\n" and a "\r" before it.
class CStdioFile : public CFile {
public:
    CStdioFile() = default;

    BOOL Open(const char16_t* fileName, UINT openFlags) override;
    void Close() override;
    // The next line; FALSE at the end of the file with nothing read.
    BOOL ReadString(CStringW& line);
    void WriteString(const char16_t* text);
    // Every text written is with the system already: there is nothing to hand over.
    void Flush() override {}

private:
    std::string pending_;   // bytes read but not yet given out
    bool atEnd_ = false;
};
