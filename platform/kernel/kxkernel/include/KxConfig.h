// KxConfig: the kernel's configuration, read from one INI file. The file rules are those of the
// INI library w32ini (platform/win32/w32ini), which the Win32 profile calls share:
//   ; a comment line
//   key=value                         (before any section: the top level)
//   [databases\shop\RelationalObjectGateway]
//   TraceModules = SM,STM
//
// A section name is a path of names joined by backslashes. Section names, path names and keys are
// matched without regard to ASCII case; blanks around names, keys and values are dropped. Within a
// section the first occurrence of a key counts; a section header that appears twice adds to the
// first. Lines that are neither a comment, a section header nor key=value are ignored. The file is
// read as UTF-8 (a leading byte-order mark is skipped); a value that is not valid UTF-8 is taken
// byte for byte as code set 1 text.
//
// A path argument is an array of section names ending with an empty (or inactive) KxString:
//   KxString path[] = {"databases", "shop", "RelationalObjectGateway", ""};
// A null path, or one whose first entry is empty, means the top level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KxKernelStatus.h"
#include "KxString.h"

class KxConfig {
public:
    KxConfig();
    ~KxConfig();
    KxConfig(const KxConfig&) = delete;
    KxConfig& operator=(const KxConfig&) = delete;

    // Replaces the contents by those of a file: 0, or KX_KERNEL_E_CONFIG_FILE when it cannot be read.
    int32_t ReadFile(const KxString& fileName);
    // Replaces the contents by the given INI text. Always 0.
    int32_t ReadText(const std::string& text);
    // The file last read (inactive when the contents came from ReadText).
    const KxString& GetFileName() const;

    // Value of key in the section given by path. 0 when found (out set), otherwise out is unchanged
    // and the result is KX_KERNEL_E_NOT_FOUND (no such section or key) or KX_KERNEL_E_VALUE (the text
    // is not a decimal or 0x-hexadecimal integer, or does not fit the width of out).
    int32_t Get(const KxString& key, KxString& out, const KxString path[]) const;
    int32_t Get(const KxString& key, int16_t& out, const KxString path[]) const;
    int32_t Get(const KxString& key, uint16_t& out, const KxString path[]) const;
    int32_t Get(const KxString& key, int32_t& out, const KxString path[]) const;

    // The names of the direct children of the section given by path (for the top level: the first
    // names of all section paths), each once, in the order of their first appearance. A child
    // exists when some section's path continues the given one, e.g. [databases\shop\X] makes
    // "shop" a child of "databases". 0 when the section or one of its descendants exists (names
    // may then be empty), else KX_KERNEL_E_NOT_FOUND and names is left empty.
    int32_t GetChildNames(const KxString path[], std::vector<KxString>& names) const;

    // The section path as written in a section header: the names joined with backslashes.
    static KxString JoinPath(const KxString path[]);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
