#include "KxWbConfig.h"

namespace {
String toString(const KxString& s) { return String(s.StrGet()); }
}  // namespace

void KxWbStringList::deleteStrings() {
    for (uint32_t i = 0; i < Count(); ++i) delete at(i);
    Clear();
}

KxWbConfig::KxWbConfig() { SetGroup(kGroup); }

KxWbConfig::KxWbConfig(const KxString& file) : Config(toString(file)) { SetGroup(kGroup); }

KxWbConfig::KxWbConfig(const KxWbConfig& other) : Config(other), separator_(other.separator_) { SetGroup(kGroup); }

KxWbConfig& KxWbConfig::operator=(const KxWbConfig& other) {
    Config::operator=(other);
    separator_ = other.separator_;
    SetGroup(kGroup);
    return *this;
}

// Every write of the settings file is complete when it returns: nothing is left to close.
KxWbConfig::~KxWbConfig() { SetGroup(kGroup); }

char KxWbConfig::setSeparator(char separator) {
    const char old = separator_;
    separator_ = separator;
    return old;
}

String KxWbConfig::stored(const KxString& key) const { return ReadKey(toString(key)); }

KxWbStringList* KxWbConfig::readKey(const KxString& key) {
    auto* list = new KxWbStringList;
    const String value = stored(key);
    const uint16_t n = value.GetTokenCount(separator_);
    for (uint16_t i = 0; i < n; ++i) list->append(new KxString(value.GetToken(i, separator_).GetStr()));
    return list;
}

KxWbStringList* KxWbConfig::readKey(const KxString& key, const KxString& defaultValue) {
    KxWbStringList* list = readKey(key);
    if (list->Count() == 0) list->append(new KxString(defaultValue));
    return list;
}

void KxWbConfig::writeKey(const KxString& key, const KxString& value) {
    const String old = stored(key);
    const String first = toString(value);
    String result = first;
    const uint16_t n = old.GetTokenCount(separator_);
    for (uint16_t i = 0; i < n; ++i) {
        const String token = old.GetToken(i, separator_);
        if (token == first) continue;
        result += separator_;
        result += token;
    }
    WriteKey(toString(key), result);
}

void KxWbConfig::writeKey(const KxString& key, KxWbStringList& values) {
    if (values.Count() == 0) return;
    const String old = stored(key);
    const uint16_t n = old.GetTokenCount(separator_);
    String result = old;
    for (uint32_t v = 0; v < values.Count(); ++v) {
        const String value = toString(*values.at(v));
        bool present = false;
        for (uint16_t i = 0; i < n && !present; ++i) present = old.GetToken(i, separator_) == value;
        if (present) continue;
        if (result.Len() != 0) result += separator_;
        result += value;
    }
    WriteKey(toString(key), result);
}

void KxWbConfig::deleteKey(const KxString& key, const KxString& value) {
    const String old = stored(key);
    const String gone = toString(value);
    String result;
    bool first = true;
    const uint16_t n = old.GetTokenCount(separator_);
    for (uint16_t i = 0; i < n; ++i) {
        const String token = old.GetToken(i, separator_);
        if (token == gone) continue;
        if (!first) result += separator_;
        result += token;
        first = false;
    }
    WriteKey(toString(key), result);
}

void KxWbConfig::deleteKey(const KxString& key, KxWbStringList& values) {
    for (uint32_t v = 0; v < values.Count(); ++v) deleteKey(key, *values.at(v));
}
