// w32ini: the INI file rules shared by the kernel's configuration (KxConfig) and the Win32 profile
// calls, so that one file reads alike through both.
//
//   ; a comment line
//   key=value                         (before any section: the top level)
//   [databases\shop\RelationalObjectGateway]
//   TraceModules = SM,STM
//
// A section name is a path of names joined by backslashes. Section names, path names and keys are
// matched without regard to ASCII case; blanks around names, keys and values are dropped. Within a
// section the first occurrence of a key counts; a section header that appears twice adds to the
// first. Lines that are neither a comment, a section header nor key=value are ignored, and so is a
// key=value line with an empty key. A leading UTF-8 byte-order mark is skipped. Values are kept
// byte for byte (no quotes are removed, no escapes are read).
//
// No dependencies beyond the standard library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace w32ini {

// Drops blanks (space, tab, CR, LF, VT, FF) at both ends.
std::string Trim(std::string_view s);
// Equal when the texts differ at most in the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);
// A section name split at its backslashes, each name trimmed: "a\ b" gives {"a", "b"}; an empty
// name gives one empty name.
std::vector<std::string> SplitSectionName(std::string_view name);
// The names joined with backslashes.
std::string JoinSectionName(const std::vector<std::string>& path);

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::vector<std::string> path;   // names as first written; empty for the top level
    std::vector<Entry> entries;      // in file order, repeated keys included
};

class Document {
public:
    Document();   // empty: only the top level

    // Replaces the contents by those of an INI text.
    void Parse(std::string_view text);

    // Sections in order of their first header; index 0 is the top level.
    const std::vector<Section>& Sections() const { return sections_; }
    // The section with that path (names compared without regard to ASCII case), or null.
    const Section* Find(const std::vector<std::string>& path) const;
    // The first value of the key (trimmed, case ignored) in that section, or null.
    const std::string* Lookup(const std::vector<std::string>& path, std::string_view key) const;
    // The names that follow the prefix in the paths of the sections below it, each once, in the
    // order of first appearance. True when the prefix is the top level or some section's path
    // begins with it.
    bool ChildNames(const std::vector<std::string>& prefix, std::vector<std::string>& names) const;

private:
    std::vector<Section> sections_;
};

// Reads a whole file into text; false (text unchanged) when it cannot be opened or read.
bool ReadFile(const std::string& path, std::string& text);

}  // namespace w32ini
