// FileDialog and FontDialog: answered by the script, recorded in the box log.
#include "svstddlg.h"

#include "svcore.h"
#include "svmsgbox.h"

// ---- FileDialog ----

FileDialog::FileDialog(Window* parent, WinBits style) : ModalDialog(parent, style) {}

void FileDialog::AddFilter(const String& name, const String& pattern) { filters_.emplace_back(name, pattern); }

void FileDialog::RemoveFilter(const String& name) {
    for (auto it = filters_.begin(); it != filters_.end(); ++it)
        if (it->first == name) {
            filters_.erase(it);
            return;
        }
}

void FileDialog::ClearFilters() { filters_.clear(); }
uint16_t FileDialog::GetFilterCount() const { return static_cast<uint16_t>(filters_.size()); }
String FileDialog::GetFilterName(uint16_t n) const { return n < filters_.size() ? filters_[n].first : String(); }
String FileDialog::GetFilterPattern(uint16_t n) const { return n < filters_.size() ? filters_[n].second : String(); }
void FileDialog::SetPath(const String& path) { path_ = path; }
const String& FileDialog::GetPath() const { return path_; }
bool FileDialog::IsSaveAs() const { return (GetStyle() & WB_SAVEAS) != 0; }

short FileDialog::Execute() {
    svcore::CheckGuiThread("FileDialog::Execute");
    svcore::DialogAnswer answer;
    const bool scripted = svcore::ScriptTakeDialogAnswer("file", answer);
    const short result = scripted && !answer.cancel ? 1 : 0;
    if (result == 1) path_ = String(answer.text);
    SvBoxRecord record = svcore::DialogRecord("FileDialog", *this);
    record.details = IsSaveAs() ? "save" : "open";
    record.details += " filters=";
    for (size_t i = 0; i < filters_.size(); ++i)
        record.details += (i == 0 ? "" : ",") + svcore::Quote(filters_[i].first) + "=" + svcore::Quote(filters_[i].second);
    record.details += " path=" + svcore::Quote(path_);
    record.answer = result;
    record.scripted = scripted;
    svcore::LogBox(record);
    return result;
}

// ---- FontDialog ----

FontDialog::FontDialog(Window* parent, WinBits style) : ModalDialog(parent, style) {}

void FontDialog::SetCurFont(const Font& font) { font_ = font; }
const Font& FontDialog::GetCurFont() const { return font_; }

short FontDialog::Execute() {
    svcore::CheckGuiThread("FontDialog::Execute");
    svcore::DialogAnswer answer;
    const bool scripted = svcore::ScriptTakeDialogAnswer("font", answer);
    const short result = scripted && !answer.cancel ? 1 : 0;
    if (result == 1) {
        font_.ChangeName(String(answer.text));
        if (answer.height > 0) font_.ChangeSize(Size(font_.GetSize().Width(), static_cast<int32_t>(answer.height)));
    }
    SvBoxRecord record = svcore::DialogRecord("FontDialog", *this);
    record.details = "font=" + svcore::Quote(font_.GetName()) + "/" + std::to_string(font_.GetSize().Height());
    record.answer = result;
    record.scripted = scripted;
    svcore::LogBox(record);
    return result;
}
