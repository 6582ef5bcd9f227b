// AspectEdit: the modal dialog in which the user changes the value of one aspect. The input
// control follows the aspect's type code; a one-line hint names the accepted format, an "Is NULL"
// check box serves the types that can hold a null value, and a KxString also offers its code set,
// its language and a font. On OK the entered text is checked against the type (a value the type
// cannot hold is refused with an error box and the dialog stays open) and parsed back into the
// aspect; Cancel leaves the aspect unchanged.
#pragma once

#include "KvAspect.h"
#include "KxBlob.h"
#include "sv.h"

class AspectEdit : public ModalDialog {
public:
    // The dialog resource 2001 of this library; the aspect is not owned.
    AspectEdit(Window* parent, KvAspect* aspect);
    ~AspectEdit() override;

    bool Close() override;  // answers 1
    // Runs the dialog when there is a value control (else 0); 1 after OK with the aspect set.
    short Execute() override;

    // On: value and time controls disabled on the disabled-field colour showing the null text, the
    // combo boxes disabled. Off: the controls enabled and empty, the code set "NONE".
    void SetNullBehavior(int on);
    // Whether the text is edited as Unicode: never on a Windows 9x system, else for code set 253.
    int canWeUseUnicodeEditbox();

    // The type's check of the entered text: empty when it is acceptable, else the reason.
    String checkInput();
    // Parses the controls back into the aspect.
    void mapStringToAspect();

    Window* getValueControl() const { return value_; }
    TimeField* getTimeControl() const { return time_; }
    CheckBox* getNullBox() const { return isNull_; }
    FixedText* getHintText() const { return hint_; }
    ComboBox* getCodeSetBox() const { return codeSet_; }
    ComboBox* getLanguageBox() const { return language_; }
    ComboBox* getBooleanBox() const { return boolean_; }
    int usesUnicodeEdit() const { return unicode_; }

private:
    SV_DECL_LINK(okHdl, Button*);
    SV_DECL_LINK(cancelHdl, Button*);
    SV_DECL_LINK(nullHdl, Button*);
    SV_DECL_LINK(fontHdl, Button*);

    void buildControls();
    void showNullBox(bool isNullValue);
    bool nullTicked() const;
    // The text of the value control (an 8-bit text, or a Unicode text read from UTF-8).
    KxString enteredString() const;

    Window* value_ = nullptr;
    TimeField* time_ = nullptr;
    NumericField* numeric_ = nullptr;
    Edit* date_ = nullptr;  // the date field (a KxDateField)
    ComboBox* language_ = nullptr;
    ComboBox* codeSet_ = nullptr;
    FixedText* codeSetLabel_ = nullptr;
    FixedText* languageLabel_ = nullptr;
    ComboBox* boolean_ = nullptr;
    OKButton* ok_ = nullptr;
    CancelButton* cancel_ = nullptr;
    PushButton* font_ = nullptr;
    KvAspect* aspect_;
    CheckBox* isNull_ = nullptr;
    GroupBox* group_ = nullptr;
    FixedText* hint_ = nullptr;
    int unicode_ = 0;
    KxBlob blob_;
};
