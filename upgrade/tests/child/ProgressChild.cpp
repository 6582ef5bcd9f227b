// Prints through the upgrade library's forwarders as an upgrade step does, then exits:
//   schemalift_progress_child display <controls file>   with a progress window and its log
//   schemalift_progress_child console                   without a progress output
// In display mode every text update of the window is written to the controls file, one update a
// line: the control's id (0 for the title), a tab and the text with "\r" and "\n" written as "\r"
// and "\n" escapes.
#include <windows.h>
#include <w32test.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "XKxBaseFunctions.h"
#include "XKxException.h"
#include "XLogging.h"
#include "XProgressOutput.h"

namespace {

void RunSteps() {
    Print(u"Upgrading databases", XProgressOutput::kIndentAfter | XProgressOutput::kTimeStamp);
    PrintStepStart(u"Open <database>");
    StartStepTimer();
    for (int i = 0; i < 3; ++i) ProgressTick();
    FinishStep(true);
    EndStep();
    Print(u"Scripts", XProgressOutput::kIndentAfter);
    PrintStepStart(u"a.sql");
    Print(u"ok", XProgressOutput::kContinueLine);
    const XKxException denied(-1017, u".\\xkxdatabasebase", u"XKxErrorCallBack::Receive",
                              u"ORA-01017: invalid username/password; logon denied");
    LogErrorBlock(denied);
    LogErrorBlock(denied);   // the same error again: one block
    LogErrorBlock(XKxException(u".\\xregistry", u"XRegistry::GetValue",
                               u"Error getting registry value <SchemaDelta> in <SOFTWARE\\Brenlow\\LiftRunner>!"));
    Print(u"finished", XProgressOutput::kResetIndent);
}

std::string Escaped(const CString& text) {
    std::string out;
    for (const char c : std::string(CStringA(text).GetString())) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "console" && !(mode == "display" && argc > 2)) {
        std::fprintf(stderr, "usage: schemalift_progress_child display <controls file> | console\n");
        return 2;
    }
    // The run time's clock moves 250 ms at every reading, so that each tick is shown.
    long now = 1000;
    w32test::SetClockHook([&now] { return now += 250; });
    try {
        std::unique_ptr<XProgressOutput> display;
        if (mode == "display") {
            auto log = std::make_unique<XLogging>(u"5.4 SP00", false);
            log->StartLogging(u"LiftRun");
            display = std::make_unique<XProgressOutput>(u"LiftRunner", std::move(log), nullptr);
            SetProgressOutput(display.get());
        }
        RunSteps();
        if (display) {
            SetProgressOutput(nullptr);
            std::ofstream controls(argv[2], std::ios::binary);
            for (const CWndTextUpdate& update : display->GetTextUpdates())
                controls << update.id << '\t' << Escaped(update.text) << '\n';
        }
    } catch (const XKxException& e) {
        std::fprintf(stderr, "%s\n", CStringA(e.GetMessage()).GetString());
        return 1;
    }
    return 0;
}
