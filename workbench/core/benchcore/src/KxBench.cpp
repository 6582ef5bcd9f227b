#include "KxBench.h"

#include <cassert>
#include <cstdarg>
#include <cstdio>

#include "KxAgentManager.h"
#include "KxBenchApplication.h"
#include "KxBenchWindow.h"
#include "KxDocument.h"
#include "KxErrorCode.h"
#include "svprint.h"
#include "svstddlg.h"

// ---- callbacks ----------------------------------------------------------------------------------------

void KxDoubleAgentCallbackRef::setCallback(KxBenchCallback* object, Function function) {
    object_ = object;
    function_ = function;
}

void KxDoubleAgentCallbackRef::callCallback(unsigned long code, const char* text) {
    if (object_ != nullptr && function_ != nullptr) (object_->*function_)(code, text);
}

// ---- the bench ------------------------------------------------------------------------------------------

struct KxBench::Record {
    KxBenchApplication* application = nullptr;
    KxAgentManager* agentMgr = nullptr;
    KxDocumentManager* documentMgr = nullptr;
    KxPrintManager* printMgr = nullptr;
    Printer* printer = nullptr;
    KxDoubleAgentCallbackRef doubleAgent;

    // The last bench sharing the record closes every agent without asking.
    ~Record() {
        if (agentMgr != nullptr) agentMgr->closeAllAgents(0);
        delete agentMgr;
        delete documentMgr;
        delete printer;
    }
};

KxBench::KxBench(KxBenchApplication& application) : record_(std::make_shared<Record>()) {
    record_->application = &application;
    record_->agentMgr = new KxAgentManager(this);
    record_->agentMgr->openAllAgents();
    record_->documentMgr = new KxDocumentManager;
}

KxBench::KxBench() : record_(std::make_shared<Record>()) {
    record_->agentMgr = new KxAgentManager(this);
    record_->documentMgr = new KxDocumentManager;
}

KxBench::KxBench(const KxBench& other) = default;
KxBench& KxBench::operator=(const KxBench& other) = default;

KxBench::~KxBench() = default;

KxBenchApplication* KxBench::getApplication() { return record_->application; }

KxBenchWindow* KxBench::getAppWindow() {
    return record_->application != nullptr ? record_->application->getAppWindow() : nullptr;
}

KxAgentManager* KxBench::getAgentMgr() { return record_->agentMgr; }
KxDocumentManager* KxBench::getDocumentMgr() { return record_->documentMgr; }
KxPrintManager* KxBench::getPrintMgr() { return record_->printMgr; }

Printer* KxBench::getPrinter() {
    if (record_->printer == nullptr) record_->printer = new Printer;
    return record_->printer;
}

void KxBench::openFile() {}

void KxBench::openAgent() {
    FileDialog dialog(getAppWindow(), 0x1024);
    dialog.AddFilter("TessaformAgent (kw*.agt)", "kw*.agt");
    if (dialog.Execute() != 0) {
        KxString path(dialog.GetPath().GetStr());
        record_->agentMgr->openAgent(path).display();
    }
}

namespace {

// Formats a status text (cut to 255 characters) and shows it with one of the main window's status
// operations.
void ShowStatus(KxBenchWindow* window, void (KxBenchWindow::*show)(const char*), const char* format, va_list args) {
    char text[256] = "";
    if (format != nullptr) std::vsnprintf(text, sizeof text, format, args);
    if (window != nullptr) (window->*show)(text);
}

}  // namespace

void KxBench::statusMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    ShowStatus(getAppWindow(), &KxBenchWindow::statusMessage, format, args);
    va_end(args);
}

void KxBench::statusHelpText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    ShowStatus(getAppWindow(), &KxBenchWindow::statusHelpText, format, args);
    va_end(args);
}

void KxBench::debugMessage(unsigned long, const char*, ...) {}

void KxBench::doPrintSetupDialog() {
    if (Printer* printer = getPrinter()) {
        PrinterSetupDialog dialog(getAppWindow(), 4);
        dialog.ChangePrinter(printer);
        dialog.Execute();
    } else {
        statusMessage("No printer available.");
    }
}

void KxBench::registerDoubleAgent(KxBenchCallback* object, KxDoubleAgentCallbackRef::Function function) {
    record_->doubleAgent.setCallback(object, function);
}

KxDoubleAgentCallbackRef& KxBench::getDoubleAgentCallback() { return record_->doubleAgent; }
