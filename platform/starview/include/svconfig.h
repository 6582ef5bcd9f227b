// Config: settings in INI files (groups of keys with text values), read and written through the
// INI rules that the kernel's configuration file follows: groups and keys without regard to ASCII
// case, the first occurrence of a key counts, a group name is a path of names joined by
// backslashes. Every read sees the file as it is then; every write goes to the file at once.
#pragma once

#include <cstdint>

#include "svstring.h"

class Config {
public:
    Config();  // the default file
    explicit Config(const String& fileName);
    Config(const Config& other);
    Config& operator=(const Config& other);
    virtual ~Config();

    // The default file: $SV_CONFIG, else ".sv.ini" in the home folder.
    static String GetDefaultName();
    const String& GetPathName() const;

    // The group that the key operations use; the empty group is the top of the file.
    void SetGroup(const String& group);
    const String& GetGroup() const;

    // The key's value; the empty text, respectively the default, when the file, the group or the
    // key is missing.
    String ReadKey(const String& key) const;
    String ReadKey(const String& key, const String& defaultValue) const;
    // The value is kept byte for byte. The file is rewritten through a temporary file renamed over
    // it, so a failed write leaves it whole. A key or value that would not read back unchanged (a
    // line break, blanks at either end; a key also empty, with "=" or beginning with ";" or "[") and
    // a group with "]" or a line break are refused. False, with a message on standard error, when
    // nothing was written.
    bool WriteKey(const String& key, const String& value);
    // Removes every occurrence of the key in the group.
    bool DeleteKey(const String& key);

    // The keys of the group, each once, in the order of their first occurrence.
    uint16_t GetKeyCount() const;
    String GetKeyName(uint16_t index) const;
    String ReadKey(uint16_t index) const;

private:
    String file_;
    String group_;
};
