// The schema mapper's message object: everything the mapper prints goes through it. It writes each
// text to standard output (echo on) and to the log file (when open), reports a status code with its
// text, counts errors (negative codes) and warnings (positive codes), and ends a run with the summary.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "KxString.h"

class KxGClassMapper;

class KxGClassMapperLog {
public:
    // log and echo are the mapper's; both outlive this object. mapper may be null (texts that name
    // the database, brand or server then show them empty; no adapter error is read).
    KxGClassMapperLog(KxGClassMapper* mapper, std::ofstream& log, const bool& echo);
    ~KxGClassMapperLog();
    KxGClassMapperLog(const KxGClassMapperLog&) = delete;
    KxGClassMapperLog& operator=(const KxGClassMapperLog&) = delete;

    // Writes text plus end of line.
    void Output(const std::string& text);
    void Output(const KxString& text);

    // Prints the text of a code (text: the text passed with it; native: the native code passed with
    // it) and counts it: positive codes as warnings, negative codes as errors; 0 and -1 print and
    // count nothing. Codes without a mapper text fall back to the gateway's text of the code.
    void Report(int32_t code, int32_t native, const KxString& text);
    // The final line: "RELGEN terminated successfully", "... with <n> warning(s)" or "... with error
    // status - <e> error(s), <w> warning(s)".
    void Summary();

    // The text that Report prints for a code (without counting or printing).
    std::string Text(int32_t code, int32_t native, const KxString& text) const;

    int32_t GetErrorCount() const { return errors_; }
    int32_t GetWarningCount() const { return warnings_; }
    // Counts an error that was printed otherwise.
    void CountError() { ++errors_; }

private:
    // "Native Description = ..." and "Native State = ..." of the adapter's error.
    std::string NativeLines() const;

    KxGClassMapper* mapper_;
    std::ofstream& log_;
    const bool& echo_;
    int32_t errors_ = 0;
    int32_t warnings_ = 0;
};
