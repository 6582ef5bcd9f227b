// KxAgent: the base of every agent, the object an agent module makes in its openAgent function.
// The agent manager and the documents talk to agents only through its virtual operations.
// KxAgentWindow: the MDI child window base of agents. VERB: the verbs agents and documents exchange.
#pragma once

#include <memory>

#include "KxBench.h"
#include "KxDocument.h"
#include "KxErrorCode.h"
#include "KxString.h"
#include "svmenu.h"
#include "svres.h"
#include "svwindow.h"

enum E_VERB {
    VERB_OPEN = 0,
    VERB_CLOSE = 1,
    VERB_GETS_FOCUS = 2,
    VERB_LOOSES_FOCUS = 3,
    VERB_COPY = 4,
    VERB_DELETE = 5,
    VERB_SAVEAS = 6,
    VERB_GET_FOCUSED = 7,
    VERB_COMPILE = 8,
    VERB_DESTROY = 9,
    VERB_CLEAR = 10
};

// The text of a verb ("open", "close" ...); "unknown verb, please modify VERB()" for any other value.
const KxString& VERB(E_VERB verb);

class KxAgent : public KxBenchCallback {
public:
    explicit KxAgent(KxBench* bench);
    // A copy works for the same bench; the switch of resource managers stays with the original.
    KxAgent(const KxAgent& other);
    KxAgent& operator=(const KxAgent& other);
    virtual ~KxAgent();

    // May the agent close? 1 by default.
    virtual int queryClose();
    // May the document close? Asks the user by default (the requester is not used).
    virtual int queryCloseDocument(KxDocument* doc, KxAgent* requester);
    virtual KxErrorCode openDocument(KxDocument& doc, const KxString& verb);
    virtual int opensDocumentExternally();
    virtual int canHandleDocument(KxDocument& doc, const KxString& verb) = 0;
    virtual KxDocumentTypes getDocumentTypes() = 0;
    // A description of the agent for its module's own use; the workbench never asks for it.
    virtual KxString getDescription() = 0;
    virtual KxString getName() = 0;
    // Switches the class library's resources to the agent's module file.
    virtual void setResMgr();
    // Switches back to the resources active before setResMgr; harmless without it.
    virtual void unsetResMgr();
    virtual void activate();
    virtual void deactivate();

    KxBench* getBench();

private:
    KxBench* bench_;
    ResMgr* savedResMgr_ = nullptr;
    ResMgr* ownResMgr_ = nullptr;
};

// The MDI child window base of agents.
class KxAgentWindow : public MDIWindow {
public:
    KxAgentWindow(WorkWindow* parent, unsigned short windowBits);
    KxAgentWindow(WorkWindow* parent, ResId& id);
    ~KxAgentWindow() override;

    // Both answer 0; agents override them.
    virtual long menuHdl(Menu* menu);
    virtual long acceleratorHdl(Accelerator* accelerator);

private:
    struct Record;
    std::unique_ptr<Record> record_;
};
