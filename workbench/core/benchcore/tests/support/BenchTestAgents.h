// Helpers shared by the tests of the core and of the document libraries: an agent made in the test,
// the diagnostic output, and a run inside an application's main loop whose boxes a script answers.
#pragma once

#include <sv.h>
#include <svinject.h>
#include <w32test.h>

#include <functional>
#include <string>

#include "KxAgent.h"
#include "KxDocument.h"

namespace benchtest {

// An agent made in the test, known by its name; it handles no document type.
class LocalAgent : public KxAgent {
public:
    explicit LocalAgent(const char* name, KxBench* bench = nullptr) : KxAgent(bench), name_(name) {}
    int canHandleDocument(KxDocument&, const KxString&) override { return 0; }
    KxDocumentTypes getDocumentTypes() override { return KxDocumentTypes(); }
    KxString getDescription() override { return KxString(""); }
    KxString getName() override { return KxString(name_); }

private:
    const char* name_;
};

// The diagnostic lines written while the object lives.
class Diagnostics {
public:
    Diagnostics() {
        w32test::SetDebugOutputHook([this](const std::string& text) { text_ += text; });
    }
    ~Diagnostics() { w32test::SetDebugOutputHook(nullptr); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Runs the action inside an application's main loop; the script (named scriptName in its messages)
// answers its boxes.
inline void InMainLoop(const char* script, const char* scriptName, std::function<void()> action) {
    SvSetScript(script, scriptName);
    Application app;
    app.PostUserEvent(Link(&action, [](void* object, void*) -> long {
        (*static_cast<std::function<void()>*>(object))();
        return 0;
    }));
    app.Execute();
}

}  // namespace benchtest
