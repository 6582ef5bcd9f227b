// Shared by the view tests: a dialog window the views draw in, the event loop, the texts of an
// outliner's items, and a view that records the events posted to it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KvDialogs.h"
#include "KvView.h"
#include "KxOutliner.h"
#include "sv.h"
#include "svinject.h"

namespace viewtest {

using Lines = std::vector<std::string>;

inline void Run() { GetpApp()->Execute(); }

// The items shown (visible nodes), indented two blanks a level.
inline Lines Items(const KxOutliner& outliner) {
    Lines lines;
    for (unsigned short i = 0; KxOutlinerNode* node = outliner.GetEntry(i); ++i)
        lines.push_back(std::string(2 * node->indentLevel(), ' ') + node->textualRepresentation().GetStr());
    return lines;
}

// A click on a list item of an outliner that fills the dialog (items are 17 pixels high).
inline void ClickItem(Window* dialog, int item, uint16_t clicks = 1, uint16_t buttons = MOUSE_LEFT) {
    SvPostClick(dialog, Point(30, 17 * item + 8), buttons, clicks);
}

// A frame window "Browse" of 400 by 300 pixels in which the views draw.
inline std::unique_ptr<KvAppWindowDialog> MakeDialog(const char* title = "Browse") {
    auto dialog = std::make_unique<KvAppWindowDialog>(nullptr, 0);
    dialog->SetText(title);
    dialog->SetOutputSizePixel(Size(400, 300));
    dialog->Show();
    return dialog;
}

// Records the events posted to it: the verb and the first aspect's text or subject.
class ListenerView : public KvView {
public:
    ListenerView() : KvView(nullptr, nullptr) {}
    ~ListenerView() override { haveBeenKilled(); }
    void update(long, const KvVerb&) override {}
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override {
        verbs.push_back(verb.getVerb() != nullptr ? verb.getVerb() : "");
        sender = from;
        KvAspect* first = set.getObject(0);
        firstSubject = first != nullptr ? first->getSubjectPtr() : nullptr;
        firstId = first != nullptr ? (first->aspectId().idStr() != nullptr ? first->aspectId().idStr() : "") : "";
        sets.push_back(&set);
    }
    Lines verbs;
    KvView* sender = nullptr;
    KvSubject* firstSubject = nullptr;
    std::string firstId;
    std::vector<KvAspectSet*> sets;
};

}  // namespace viewtest
