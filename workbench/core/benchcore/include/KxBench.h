// KxBench: what the workbench hands to every agent. From it an agent reaches the application, the
// main window, the agent manager, the document manager and the printer, and writes status-bar
// messages. Creating the application's bench loads and activates every agent module, then creates
// the document manager; deleting it closes every agent without asking.
#pragma once

#include <memory>

class KxAgentManager;
class KxBenchApplication;
class KxBenchWindow;
class KxDocumentManager;
class KxPrintManager;
class Printer;

// Base of the objects that receive bench callbacks.
class KxBenchCallback {
public:
    KxBenchCallback& operator=(const KxBenchCallback&) { return *this; }
};

class KxBenchCallbackRef {
public:
    KxBenchCallbackRef() = default;
    KxBenchCallback* getObject() const { return object_; }

protected:
    KxBenchCallback* object_ = nullptr;
};

// A callback object with one of its member functions, called with a code and a text.
class KxDoubleAgentCallbackRef : public KxBenchCallbackRef {
public:
    typedef void (KxBenchCallback::*Function)(unsigned long code, const char* text);

    KxDoubleAgentCallbackRef() = default;
    void setCallback(KxBenchCallback* object, Function function);
    // object->function(code, text) when both are set; otherwise nothing.
    void callCallback(unsigned long code, const char* text);

private:
    Function function_ = nullptr;
};

class KxBench {
public:
    // Opens and activates every agent module, then creates the document manager.
    explicit KxBench(KxBenchApplication& application);
    // Without application and without agents.
    KxBench();
    // Copies share the bench's record; the last of them closes the agents and frees it.
    KxBench(const KxBench& other);
    KxBench& operator=(const KxBench& other);
    virtual ~KxBench();

    KxBenchApplication* getApplication();
    KxBenchWindow* getAppWindow();
    KxAgentManager* getAgentMgr();
    KxDocumentManager* getDocumentMgr();
    // Never created here: always null.
    KxPrintManager* getPrintMgr();
    // Created on first use, deleted with the bench.
    Printer* getPrinter();

    void openFile();
    // The open-agent file dialog: loads the agent module chosen.
    void openAgent();
    // printf-style texts (cut to 255 characters) in the main window's status bar.
    void statusMessage(const char* format, ...);
    void statusHelpText(const char* format, ...);
    void debugMessage(unsigned long level, const char* format, ...);
    void doPrintSetupDialog();

    // Keeps one double-agent callback (a later one replaces it); the bench never calls it.
    void registerDoubleAgent(KxBenchCallback* object, KxDoubleAgentCallbackRef::Function function);
    KxDoubleAgentCallbackRef& getDoubleAgentCallback();

private:
    struct Record;
    std::shared_ptr<Record> record_;
};
