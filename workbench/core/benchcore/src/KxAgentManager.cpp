#include "KxAgentManager.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <vector>

#include "KxAgent.h"
#include "KxBench.h"
#include "KxBenchApplication.h"
#include "KxBenchWindow.h"
#include "KxFileSystem.h"
#include "KxWOStream.h"
#include "KxWbConfig.h"
#include "svmsgbox.h"
#include "svres.h"

static KxWOStream theStream;

static const KxErrorCode couldNotOpenDll(KxErrFatal, "could not open dll");
static const KxErrorCode moduleAlreadyLoaded(KxErrWarning, "module already loaded");
static const KxErrorCode noAgentDll(KxErrInfo, "no agent dll");
static const KxErrorCode agentWithoutCloseFunction(KxErrInfo, "agent without close function");
static const KxErrorCode agentNotFound(KxErrFatal, "agent not found");
static const KxErrorCode noAgentCloseFunction(KxErrInfo, "no agent close function");
static const KxErrorCode noModuleHandle(KxErrWarning, "no module handle available");
static const KxErrorCode success(KxErrNone, "");

const char* const KxAgentManager::openFunctionName = "?openAgent@@YAPAVKxAgent@@PAVKxBench@@@Z";
const char* const KxAgentManager::closeFunctionName = "?closeAgent@@YAXXZ";
const char* const KxAgentManager::modulePattern = "VO110V*.agt";

// The agent manager of the process (the one made last and not yet destroyed).
static KxAgentManager* theCurrentManager = nullptr;

namespace {

const char* Text(const KxString& s) { return s.IsEmpty() ? "" : s.StrGet(); }

std::string Upper(const KxString& s) {
    std::string text = Text(s);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// "KxAgentMgr : <context> : an error occured calling <function>, error= <code> that means : <text>. "
void WriteSystemError(const char* context, const char* function, const char* file, int line) {
    const DWORD code = GetLastError();
    theStream << "KxAgentMgr : " << context << " : an error occured calling " << function << ", error= "
              << static_cast<unsigned long>(code);
    char* message = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                        0, reinterpret_cast<LPSTR>(&message), 80, nullptr);
    if (length != 0 && message != nullptr) {
        theStream << " that means : " << message << ". ";
    } else {
        theStream << ". Cannot obtain error message for that.";
    }
    if (message != nullptr) LocalFree(message);
    theStream << "[" << file << ", " << line << "]" << endl;
}

// The file names matching the pattern, ascending by text; equal names keep their order.
std::vector<std::string> FindModules(const std::string& pattern) {
    std::vector<std::string> names;
    KxFileSystem fileSystem;
    KxFindFileInfoBlock search;
    if (!fileSystem.findFirst(pattern.c_str(), &search)) return names;
    do {
        names.emplace_back(search.fileName());
    } while (fileSystem.findNext(&search));
    std::stable_sort(names.begin(), names.end());
    return names;
}

}  // namespace

struct KxAgentManager::Record {
    KxAgentInfoContainer agents;
    KxBench* bench = nullptr;
};

KxAgentManager::KxAgentManager(KxBench* bench) : record_(std::make_shared<Record>()) {
    record_->bench = bench;
    theCurrentManager = this;
}

KxAgentManager::KxAgentManager(const KxAgentManager& other) = default;
KxAgentManager& KxAgentManager::operator=(const KxAgentManager& other) = default;

KxAgentManager::~KxAgentManager() {
    if (theCurrentManager == this) theCurrentManager = nullptr;
    if (record_.use_count() > 1) return;   // a copy still uses the agents
    KxAgentManager::deactivateAllAgents();
    while (record_->agents.Count() != 0) {
        auto* info = static_cast<KxAgentInfo*>(record_->agents.Remove(uint32_t(0)));
        KxAgentManager::closeAgent(info);
    }
}

void KxAgentManager::openAllAgents() {
    assert(record_->bench != nullptr);
    KxString defaultPath("");
    if (KxBenchApplication* application = record_->bench->getApplication()) {
        defaultPath = KxPath(application->getApplicationPathAndName().GetStr()).getDriveAndDirectory();
    }
    KxWbConfig config;
    config.SetGroup("kxagentmanager");
    KxWbStringList* paths = config.readKey("agentpath", defaultPath);
    KxWbStringList* agents = config.readKey("agents");
    for (uint32_t i = 0; i < paths->Count(); ++i) openAllAgentsAtPath(*paths->at(i), *agents);
    paths->deleteStrings();
    agents->deleteStrings();
    delete paths;
    delete agents;
    activateAllAgents();
}

void KxAgentManager::openAllAgentsAtPath(const KxString& path, KxWbStringList& filter) {
    const std::string pattern = std::string(Text(path)) + modulePattern;
    const std::vector<std::string> names = FindModules(pattern);
    if (names.empty()) {
        if (record_->bench != nullptr) record_->bench->statusMessage("no agents found in %s", pattern.c_str());
        return;
    }
    for (const std::string& name : names) {
        KxString fullName((std::string(Text(path)) + name).c_str());
        if (KxAgentInfo* loaded = get(fullName)) {
            theStream << "KxAgentManager : module <" << Text(fullName)
                      << "> is already loaded. Workbench uses the module located under <"
                      << Text(loaded->modulePath.getPath()) << "> instead. <" << Text(fullName) << "> Ignored. "
                      << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
            continue;
        }
        bool open = filter.Count() == 0;
        if (!open && name.size() > 6) {
            const std::string selector = Upper(KxString(name.substr(6, 1)));
            for (uint32_t i = 0; i < filter.Count() && !open; ++i) open = Upper(*filter.at(i)) == selector;
        }
        if (!open) continue;
        const KxErrorCode result = openAgent(fullName);
        if (result) result.display();
    }
}

KxErrorCode KxAgentManager::openAgent(KxString& path) {
    auto* info = new KxAgentInfo;
    HINSTANCE module = LoadLibraryA(Text(path));
    if (module == nullptr) {
        WriteSystemError("KxAgentManager::openAgent", "LoadLibrary", __FILE__, __LINE__);
        const std::string text = std::string("Agent Manager : cannot load agent '") + Text(path) +
                                 "', the return code of LoadLibrary() is '0'.";
        KxBenchWindow* window = record_->bench != nullptr ? record_->bench->getAppWindow() : nullptr;
        WarningBox(window, 0x10, String(text.c_str())).Execute();
        theStream << text.c_str() << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
        delete info;
        return couldNotOpenDll;
    }
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
        if (record_->agents.at(i)->module == module) {
            theStream << "KxAgentManager::openAgent: Agent already loaded" << endl;
            FreeLibrary(module);
            delete info;
            return moduleAlreadyLoaded;
        }
    }
    info->module = module;
    char fileName[251];
    const DWORD length = GetModuleFileNameA(module, fileName, sizeof fileName);
    info->modulePath = KxPath(KxString(fileName, length < sizeof fileName ? length : sizeof fileName - 1));

    info->openFunction = reinterpret_cast<KxOpenAgentFunction>(GetProcAddress(module, openFunctionName));
    if (info->openFunction == nullptr) {
        theStream << "KxAgentMgr : " << "openFunc('" << openFunctionName << "') == NULL for module '" << Text(path)
                  << "'. " << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
        WriteSystemError("KxAgentManager::openAgent", "GetProcAddress", __FILE__, __LINE__);
        FreeLibrary(module);
        delete info;
        return noAgentDll;
    }
    info->closeFunction = reinterpret_cast<KxCloseAgentFunction>(GetProcAddress(module, closeFunctionName));
    if (info->closeFunction == nullptr) {
        theStream << "KxAgentMgr : " << "closeFunc('" << closeFunctionName << "') == NULL for module '" << Text(path)
                  << "'. " << "[" << __FILE__ << ", " << __LINE__ << "]" << endl;
        WriteSystemError("KxAgentManager::openAgent", "GetProcAddress", __FILE__, __LINE__);
        agentWithoutCloseFunction.display();
    }

    // The module builds its agent with its own resources active.
    ResMgr* saved = Resource::GetResManager();
    auto* own = new ResMgr(Text(info->modulePath.getPath()));
    Resource::SetResManager(own);
    info->agent = info->openFunction(record_->bench);
    Resource::SetResManager(saved);
    delete own;

    if (info->agent == nullptr) {
        FreeLibrary(module);
        delete info;
        return success;
    }
    info->documentTypes = info->agent->getDocumentTypes();
    record_->agents.Insert(info, CONTAINER_APPEND);
    if (record_->bench != nullptr) {
        record_->bench->statusMessage("Agent '%s' registered", Text(info->agent->getName()));
    }
    return success;
}

void KxAgentManager::closeAgent(KxAgentInfo* info) {
    if (info == nullptr) return;
    if (info->closeFunction != nullptr) {
        info->closeFunction();
    } else {
        noAgentCloseFunction.display();
    }
    if (info->module != nullptr) {
        FreeLibrary(info->module);
    } else {
        noModuleHandle.display();
    }
    delete info;
}

void KxAgentManager::closeAgent(KxAgent& agent) {
    if (KxAgentInfo* info = get(agent)) {
        record_->agents.Remove(info);
        closeAgent(info);
    }
}

void KxAgentManager::closeAgent(KxString& name) {
    if (KxAgentInfo* info = get(name)) {
        if (record_->bench != nullptr) record_->bench->statusMessage("closing '%s'", Text(info->agent->getName()));
        record_->agents.Remove(info);
        closeAgent(info);
    }
}

int KxAgentManager::closeAllAgents(int ask) {
    if (ask) {
        for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
            if (!record_->agents.at(i)->agent->queryClose()) return 0;
        }
    }
    deactivateAllAgents();
    while (record_->agents.Count() != 0) {
        auto* info = static_cast<KxAgentInfo*>(record_->agents.Remove(uint32_t(0)));
        closeAgent(info);
    }
    return 1;
}

void KxAgentManager::activateAllAgents() {
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) record_->agents.at(i)->agent->activate();
}

void KxAgentManager::deactivateAllAgents() {
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) record_->agents.at(i)->agent->deactivate();
}

KxAgent* KxAgentManager::sendMeAnAgent(KxDocument& doc, KxAgent& sender, const KxString& verb) {
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
        KxAgent* agent = record_->agents.at(i)->agent;
        if (agent != &sender && agent->canHandleDocument(doc, verb)) return agent;
    }
    return nullptr;
}

int KxAgentManager::broadcastDocument(KxDocument& doc, const KxString& verb, KxAgent& sender) {
    int called = 0;
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
        KxAgentInfo* info = record_->agents.at(i);
        if (info->agent == &sender) continue;
        bool registered = false;
        for (uint32_t t = 0; t < info->documentTypes.Count() && !registered; ++t) {
            registered = doc.isA(*info->documentTypes.GetObject(t)) != 0;
        }
        if (!registered) continue;
        info->agent->openDocument(doc, verb);
        ++called;
    }
    return called;
}

KxAgentInfo* KxAgentManager::get(KxAgent& agent) {
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
        if (record_->agents.at(i)->agent == &agent) return record_->agents.at(i);
    }
    agentNotFound.display();
    return nullptr;
}

KxAgentInfo* KxAgentManager::get(KxString& name) {
    const KxPath wanted(name);
    const std::string wantedFile = Upper(wanted.getFileNameWithExtension());
    for (uint32_t i = 0; i < record_->agents.Count(); ++i) {
        KxAgentInfo* info = record_->agents.at(i);
        if (info->modulePath == wanted) return info;
        if (Upper(info->modulePath.getFileNameWithExtension()) == wantedFile) return info;
    }
    return nullptr;
}

void KxAgentManager::unloadAgent(KxAgentInfo* info) {
    if (info == nullptr) return;
    if (info->module != nullptr) {
        FreeLibrary(info->module);
    } else {
        noModuleHandle.display();
    }
    delete info;
}

void KxAgentManager::setBench(KxBench* bench) {
    assert(bench != nullptr);
    record_->bench = bench;
}

KxBench* KxAgentManager::getBench() { return record_->bench; }

KxAgentInfoContainer* KxAgentManager::getAgentsInfos() { return &record_->agents; }

KxPath KxAgentManager::getModuleName(KxAgent* agent) {
    for (uint32_t i = 0; agent != nullptr && i < record_->agents.Count(); ++i) {
        if (record_->agents.at(i)->agent == agent) return record_->agents.at(i)->modulePath;
    }
    return KxPath();
}

unsigned long KxAgentManager::getKey(KxAgentInfo& info) { return reinterpret_cast<unsigned long>(info.agent); }

void KxAgentManager::emergencyExit() {
    while (record_->agents.Count() != 0) {
        auto* info = static_cast<KxAgentInfo*>(record_->agents.Remove(uint32_t(0)));
        unloadAgent(info);
    }
}

void KxAgentManager::globalEmergencyExit() {
    if (theCurrentManager != nullptr) {
        theCurrentManager->emergencyExit();
    } else {
        theStream << "KxAgentManager already terminated, cannot unload agents. " << "[" << __FILE__ << ", "
                  << __LINE__ << "]" << endl;
    }
}
