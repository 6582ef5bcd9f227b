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

#include <functional>
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

// ---- Writing ----
// Only what reads back unchanged is written: no line breaks and no blanks at either end; a key also
// not empty, without "=" and not beginning with ";" or "["; a section name also without "]". The
// top level is the empty path.
bool IsWritableKey(std::string_view key);
bool IsWritableValue(std::string_view value);
bool IsWritableSection(const std::vector<std::string>& path);

// Edits of an INI text by the reading rules above; comments, other lines and their order stay.
// SetValue replaces the line of the key's first occurrence in the section by key=value (the key
// spelt as in the file), or adds key=value after the section's last entry, or adds the section with
// the line at the end of the text. New lines end like the text's first line ("\r\n" or "\n").
std::string SetValue(std::string_view text, const std::vector<std::string>& path, std::string_view key,
                     std::string_view value);
// Drops every occurrence of the key in the section, so that no later one comes to light.
std::string RemoveKey(std::string_view text, const std::vector<std::string>& path, std::string_view key);

// Rewrites a file while holding a lock on its folder (so that writers in other processes take
// turns): reads it (a missing file reads as empty), lets `edit` change the text (false: nothing is
// written), writes the text to a temporary file in the same folder and renames it over the file. A
// symbolic link is followed. On any failure the file stays as it was and `error` says why.
bool UpdateFile(const std::string& path, const std::function<bool(std::string& text)>& edit, std::string& error);

}  // namespace w32ini
