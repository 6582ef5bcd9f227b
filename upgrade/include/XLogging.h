// XLogging writes the upgrade log: one text file per run in the directory the registry names
// ("LiftRunner" "Logging"), with a banner at the start and at the end, one line per progress
// message (optionally time-stamped) and error blocks.
#pragma once

#include <cstdint>

#include "afx.h"

class XLogging : public CStdioFile {
public:
    // `singleFile`: the file name carries no process id.
    XLogging(const CString& versionText, bool singleFile);
    // Closes the log, dropping any failure.
    ~XLogging() override;

    // Opens "<Logging directory>\<name>-<process id>.log" and writes the start lines; XKxException
    // when the registry names no directory, the directory does not exist or the file cannot be made.
    void StartLogging(const CString& name);
    // Creates the file for writing, shared for reading only, and writes the start banner: 0, or -1
    // when already open, the directory is empty or the file cannot be made.
    int32_t Open(const CString& directory, const CString& name, const CString& linePrefix);
    // Writes the end banner and closes the file (nothing when not open).
    void Close() override;
    // "\r\n", the time column ("HH:MM:SS: " or ten blanks), the line prefix and the text.
    void WriteLine(const CString& text, bool timeStamp);
    // The text unchanged, then the file flushed.
    void Write(const CString& text);
    void WriteBlankLine();
    // An error block; the same message with the same code as the block before is not written again.
    void WriteError(const CString& codeText, const CString& location, const CString& message);
    void WriteError(int32_t code, const CString& location, const CString& message);
    void WriteError(int32_t code, const CString& sourcePath, const CString& operation, const CString& message);

    bool IsLogOpen() const { return open_; }
    const CString& GetDirectory() const { return directory_; }
    const CString& GetFileName() const { return fileName_; }

private:
    CString linePrefix_;
    CString directory_;
    CString fileName_;
    bool open_ = false;
    CString lastErrorMessage_;
    CString versionText_;
    int32_t lastErrorCode_ = 0;
    bool singleFile_;
};
