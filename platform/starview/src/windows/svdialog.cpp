#include "svcore.h"

// ---- ModalDialog ----

ModalDialog::ModalDialog(Window* parent, WinBits style) : Dialog(RSC_MODALDIALOG, parent, style) {}
ModalDialog::ModalDialog(Window* parent, const ResId& id) : Dialog(RSC_MODALDIALOG, parent, id) {}
ModalDialog::ModalDialog(RESOURCE_TYPE type, Window* parent, WinBits style) : Dialog(type, parent, style) {}

ModalDialog::~ModalDialog() {
    if (executing_) svcore::Stop("modal dialog deleted while it runs: " + svcore::Describe(*this));
}

short ModalDialog::Execute() {
    svcore::CheckGuiThread("ModalDialog::Execute");
    if (executing_) svcore::Stop("modal dialog executed while it runs: " + svcore::Describe(*this));
    executing_ = true;
    ended_ = false;
    result_ = 0;
    Show();
    Update();
    svcore::RunLoop(this);
    executing_ = false;
    const short result = ended_ ? result_ : short(0);
    Hide();
    svcore::WritePaintFiles(this);
    return result;
}

void ModalDialog::EndDialog(short result) {
    result_ = result;
    ended_ = true;
}

bool ModalDialog::IsInExecute() const { return executing_; }

bool ModalDialog::Close() {
    if (!executing_) return Window::Close();
    EndDialog(0);
    return true;
}

// ---- message boxes ----

namespace {

const char* AnswerName(short answer) {
    switch (answer) {
        case RET_CANCEL: return "cancel";
        case RET_OK: return "ok";
        case RET_YES: return "yes";
        case RET_NO: return "no";
        case RET_RETRY: return "retry";
    }
    return "?";
}

std::vector<short> ButtonsOf(WinBits style) {
    if (style & WB_RETRY_CANCEL) return {RET_RETRY, RET_CANCEL};
    if (style & WB_YES_NO_CANCEL) return {RET_YES, RET_NO, RET_CANCEL};
    if (style & WB_YES_NO) return {RET_YES, RET_NO};
    if (style & WB_OK_CANCEL) return {RET_OK, RET_CANCEL};
    return {RET_OK};
}

}  // namespace

MessBox::MessBox(Window* parent, WinBits style, const String& text) : MessBox("MessBox", parent, style, text) {}

MessBox::MessBox(const char* kind, Window* parent, WinBits style, const String& text)
    : ModalDialog(RSC_MODALDIALOG, parent, style), kind_(kind), text_(text) {}

void MessBox::SetMessText(const String& text) { text_ = text; }
const String& MessBox::GetMessText() const { return text_; }

void MessBox::SetButtonText(short button, const String& text) {
    for (auto& [id, shown] : buttonTexts_)
        if (id == button) {
            shown = text;
            return;
        }
    buttonTexts_.emplace_back(button, text);
}

String MessBox::GetButtonText(short button) const {
    for (const auto& [id, shown] : buttonTexts_)
        if (id == button) return shown;
    return String();
}

short MessBox::Execute() {
    svcore::CheckGuiThread("MessBox::Execute");
    const std::vector<short> buttons = ButtonsOf(GetStyle());
    size_t def = 0;
    if ((GetStyle() & WB_DEF_BUTTON2) && buttons.size() > 1) def = 1;
    if ((GetStyle() & WB_DEF_BUTTON3) && buttons.size() > 2) def = 2;

    svcore::BoxQuestion q;
    q.box = this;
    q.kind = kind_;
    SvBoxRecord record;
    record.kind = kind_;
    record.parent = GetParent() != nullptr ? std::string(GetParent()->GetText().GetStr()) : std::string();
    record.text = std::string(text_.GetStr(), text_.Len());
    for (short b : buttons) {
        const String custom = GetButtonText(b);
        q.buttons.emplace_back(b, !custom ? std::string() : std::string(custom.GetStr()));
        if (!record.buttons.empty()) record.buttons += ",";
        record.buttons += AnswerName(b);
        if (!!custom) record.buttons += "=" + svcore::Quote(custom);
    }
    const int answer = svcore::ScriptAnswerBox(q, record.text);
    record.scripted = answer >= 0;
    record.answer = record.scripted ? static_cast<short>(answer) : buttons[def];
    svcore::LogBox(record);
    return record.answer;
}

InfoBox::InfoBox(Window* parent, const String& text) : MessBox("InfoBox", parent, WB_OK, text) {}
WarningBox::WarningBox(Window* parent, WinBits style, const String& text) : MessBox("WarningBox", parent, style, text) {}
ErrorBox::ErrorBox(Window* parent, WinBits style, const String& text) : MessBox("ErrorBox", parent, style, text) {}
QueryBox::QueryBox(Window* parent, WinBits style, const String& text) : MessBox("QueryBox", parent, style, text) {}

std::string SvBoxRecord::Line() const {
    return kind + " parent=" + svcore::Quote(parent) + " text=" + svcore::Quote(text) + " buttons=" + buttons +
           " answer=" + AnswerName(answer) + (scripted ? "" : " unscripted");
}
