// The standard dialogs for files and fonts. Nothing is shown: Execute takes the answer from the
// script's next line (file "PATH" or file cancel; font "NAME" [HEIGHT] or font cancel) and appends
// the dialog to the box log (SvTakeBoxLog); without such a line the dialog is cancelled and marked
// "unscripted".
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "svgdi.h"
#include "svwindow.h"

// The kind of a file dialog, in its style bits (0x1024 opens, 0x2024 saves).
constexpr WinBits WB_OPEN = 0x1000;
constexpr WinBits WB_SAVEAS = 0x2000;

// A dialog choosing a file to open or to save as: a title (the window text), filters (name and
// pattern) in the order added, and a path. Execute answers 1 with the scripted path, or 0 (the
// path unchanged). The box log shows the title, the filters and the path.
class FileDialog : public ModalDialog {
public:
    FileDialog(Window* parent, WinBits style);

    void AddFilter(const String& name, const String& pattern);
    void RemoveFilter(const String& name);
    void ClearFilters();
    uint16_t GetFilterCount() const;
    String GetFilterName(uint16_t n) const;
    String GetFilterPattern(uint16_t n) const;
    void SetPath(const String& path);
    const String& GetPath() const;
    bool IsSaveAs() const;

    short Execute() override;

private:
    std::vector<std::pair<String, String>> filters_;
    String path_;
};

// A dialog choosing a font, starting from the current font. Execute answers 1 with the scripted
// font (the current font with the scripted name and, when given, height), or 0.
class FontDialog : public ModalDialog {
public:
    FontDialog(Window* parent, WinBits style = 0);

    void SetCurFont(const Font& font);
    const Font& GetCurFont() const;

    short Execute() override;

private:
    Font font_;
};
