// KxWbConfig: the workbench's settings, one group ("Tessaform Workbench") of a settings file. Every
// value is a list of texts joined by a separator (default ','); writing a value puts it first and
// drops its older copies, so that combo boxes offer the most recently used entries first.
#pragma once

#include "KxString.h"
#include "svconfig.h"
#include "svlist.h"

// A list of heap texts in list order. Whoever receives a list owns its texts (deleteStrings).
class KxWbStringList : public Container {
public:
    KxWbStringList() : Container(1024, 16, 16) {}
    KxString* at(uint32_t i) const { return static_cast<KxString*>(GetObject(i)); }
    void append(KxString* s) { Insert(s, CONTAINER_APPEND); }
    // Deletes every text and empties the list.
    void deleteStrings();
};

class KxWbConfig : public Config {
public:
    static constexpr const char* kGroup = "Tessaform Workbench";

    KxWbConfig();                             // the default settings file
    explicit KxWbConfig(const KxString& file);
    KxWbConfig(const KxWbConfig& other);
    KxWbConfig& operator=(const KxWbConfig& other);
    ~KxWbConfig() override;

    char setSeparator(char separator);        // answers the old one
    char getSeparator() const { return separator_; }

    // A new list with one text per token of the key's value.
    KxWbStringList* readKey(const KxString& key);
    // The same; an empty list gets one text, the default.
    KxWbStringList* readKey(const KxString& key, const KxString& defaultValue);
    // Puts the value first; its older copies go (exact comparison).
    void writeKey(const KxString& key, const KxString& value);
    // Appends the values that the stored value does not hold yet.
    void writeKey(const KxString& key, KxWbStringList& values);
    // Removes every token equal to the value.
    void deleteKey(const KxString& key, const KxString& value);
    void deleteKey(const KxString& key, KxWbStringList& values);

private:
    String stored(const KxString& key) const;
    char separator_ = ',';
};
