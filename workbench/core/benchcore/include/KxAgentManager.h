// KxAgentManager: loads the agent modules found in the configured agent directories, lets each
// build its agent with its own resources active, keeps one record per loaded agent, activates and
// deactivates the agents, asks them before closing, routes documents between them and unloads the
// modules.
//
// Agent module protocol: a module (a file matching "VO110V*.agt") exports the plain functions
//     KxAgent* openAgent(KxBench*);   // makes the module's agent; null declines
//     void closeAgent();              // releases it, before the module is unloaded
// found under their decorated names. The manager never deletes an agent.
#pragma once

#include <memory>

#include "KxDocument.h"
#include "KxErrorCode.h"
#include "KxPath.h"
#include "KxString.h"
#include "svlist.h"
#include "windows.h"

class KxAgent;
class KxBench;
class KxWbStringList;

typedef KxAgent* (*KxOpenAgentFunction)(KxBench*);
typedef void (*KxCloseAgentFunction)();

// One loaded agent module.
class KxAgentInfo {
public:
    KxAgentInfo() = default;
    KxAgent* agent = nullptr;                    // not owned: the module releases it
    KxOpenAgentFunction openFunction = nullptr;
    KxCloseAgentFunction closeFunction = nullptr;
    KxDocumentTypes documentTypes;               // what the agent's getDocumentTypes answered
    KxPath modulePath;                           // the full file name of the loaded module
    HINSTANCE module = nullptr;
};

// The records of the loaded agents, in load order.
class KxAgentInfoContainer : public Container {
public:
    KxAgentInfoContainer() = default;
    KxAgentInfo* at(uint32_t pos) const { return static_cast<KxAgentInfo*>(GetObject(pos)); }
};

class KxAgentManager {
public:
    // The decorated export names of the module protocol, and the module file pattern.
    static const char* const openFunctionName;
    static const char* const closeFunctionName;
    static const char* const modulePattern;

    // Becomes the process-wide current agent manager.
    explicit KxAgentManager(KxBench* bench);
    // Copies share the records; the last of them unloads the agents.
    KxAgentManager(const KxAgentManager& other);
    KxAgentManager& operator=(const KxAgentManager& other);
    virtual ~KxAgentManager();

    // Opens the modules of every configured agent path, then activates all agents.
    virtual void openAllAgents();
    virtual void openAllAgentsAtPath(const KxString& path, KxWbStringList& filter);
    // Loads one module and registers its agent.
    virtual KxErrorCode openAgent(KxString& path);
    // Calls the module's close function, frees the module and deletes the record (which the
    // caller has taken out of the list).
    virtual void closeAgent(KxAgentInfo* info);
    virtual void closeAgent(KxAgent& agent);
    virtual void closeAgent(KxString& name);
    // With `ask`, 0 at the first agent refusing to close (nothing closed); else closes them all: 1.
    virtual int closeAllAgents(int ask);
    virtual void activateAllAgents();
    virtual void deactivateAllAgents();
    // The first agent other than the sender that can handle the document; null when none.
    virtual KxAgent* sendMeAnAgent(KxDocument& doc, KxAgent& sender, const KxString& verb);
    // Hands the document to every other agent registered for its type; answers how many.
    virtual int broadcastDocument(KxDocument& doc, const KxString& verb, KxAgent& sender);
    // The agent's record; displays "agent not found" when it has none.
    virtual KxAgentInfo* get(KxAgent& agent);
    // The record of a module by path, or by file name in another directory (case ignored).
    virtual KxAgentInfo* get(KxString& name);
    // Frees the module and deletes the record without calling the close function.
    virtual void unloadAgent(KxAgentInfo* info);

    void setBench(KxBench* bench);
    KxBench* getBench();
    KxAgentInfoContainer* getAgentsInfos();
    // The module file of the agent; the empty path for null or an agent without record.
    KxPath getModuleName(KxAgent* agent);
    unsigned long getKey(KxAgentInfo& info);
    // Unloads every module without calling agent code.
    void emergencyExit();
    // emergencyExit of the current agent manager.
    static void globalEmergencyExit();

private:
    struct Record;
    std::shared_ptr<Record> record_;
};
