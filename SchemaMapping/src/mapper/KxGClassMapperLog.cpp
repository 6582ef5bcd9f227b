#include "KxGClassMapperLog.h"

#include <fstream>
#include <iostream>

KxGClassMapperLog::KxGClassMapperLog(KxGClassMapper* mapper, std::ofstream& log, const bool& echo)
    : mapper_(mapper), log_(log), echo_(echo) {}
KxGClassMapperLog::~KxGClassMapperLog() = default;

void KxGClassMapperLog::Output(const std::string& text) {
    if (echo_) std::cout << text << std::endl;
    if (log_.is_open()) log_ << text << std::endl;
}
void KxGClassMapperLog::Output(const KxString& text) { Output(std::string(text.StrGet())); }
void KxGClassMapperLog::Report(int32_t code, int32_t native, const KxString& text) {
    if (code > 0) ++warnings_;
    else if (code < -1) ++errors_;
}
void KxGClassMapperLog::Summary() {}
std::string KxGClassMapperLog::Text(int32_t, int32_t, const KxString&) const { return {}; }
std::string KxGClassMapperLog::NativeLines() const { return {}; }
