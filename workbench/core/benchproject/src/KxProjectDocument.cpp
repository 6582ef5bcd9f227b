#include "KxProjectDocument.h"

#include "KxAgent.h"
#include "KxAgentManager.h"
#include "KxBase.h"
#include "KxBench.h"
#include "KxFileSystem.h"
#include "KxProjectSchema.h"
#include "KxWbConfig.h"
#include "KxWorkBookDocument.h"

static const char projectDocumentTypeName[] = "KxProjectDocument";
static const KxDocumentType projectDocumentType(projectDocumentTypeName);
static const KxErrorCode cannotCreateProject(KxErrFatal, "Can't create project.");
static const KxErrorCode cannotCreateItem(KxErrFatal, "No opened Workbook available.\nCan't create project item.");
static const char settingsFileName[] = "kxxxopts";
static const char settingsFileExtension[] = "ini";

namespace {

// A stored object: assigned to a base and given an object id.
bool IsStored(const KxObject* object) {
    return object != nullptr && object->GetBase() != nullptr && !object->GetObjId().IsNull();
}

KxString TextOf(const char* text) { return KxString(text != nullptr ? text : ""); }

}  // namespace

KxProjectDocument::KxProjectDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr)
    : KxDocument(name, agent, docMgr), projectPath_("") {
    readSettings(agent);
}

KxProjectDocument::KxProjectDocument(KxString& name, KxProjectObj* project, KxWorkBookDocument* workbook,
                                     KxAgent* agent, KxDocumentManager* docMgr)
    : KxDocument(name, agent, docMgr), workbook_(workbook), projectPath_("") {
    readSettings(agent);
    project_ = project;
    if (project_ != nullptr) {
        project_->Remember();
        if (project_->getODLOptions() == nullptr) {
            createODLOptions(project_);
            store(0);
        }
    }
}

KxProjectDocument::~KxProjectDocument() {
    releaseProject();
    delete settings_;
}

void KxProjectDocument::readSettings(KxAgent* agent) {
    // The settings lie beside the agent's module: none without agent or when its module is not
    // known (a file of the working directory is not taken instead).
    KxBench* bench = agent != nullptr ? agent->getBench() : nullptr;
    KxAgentManager* manager = bench != nullptr ? bench->getAgentMgr() : nullptr;
    const KxPath module = manager != nullptr ? manager->getModuleName(agent) : KxPath();
    if (module.isEmpty()) return;
    KxString file = module.getDriveAndDirectory();
    file += KxString(settingsFileName);
    file += KxString(".");
    file += KxString(settingsFileExtension);
    settings_ = new KxWbConfig(file);
}

void KxProjectDocument::releaseProject() {
    if (project_ != nullptr) project_->Forget();
    project_ = nullptr;
}

KxDocumentType KxProjectDocument::getDocumentType() { return projectDocumentType; }
KxDocumentType KxProjectDocument::getType() { return projectDocumentType; }

int KxProjectDocument::isA(KxDocumentType& type) {
    if (type == projectDocumentType) return 1;
    return KxDocument::isA(type);
}

// ---- title, topic, author, time -----------------------------------------------------------------------

KxString KxProjectDocument::getTitle() { return project_ != nullptr ? TextOf(project_->getTitle()) : KxString(""); }
KxString KxProjectDocument::getTopic() { return project_ != nullptr ? TextOf(project_->getSubject()) : KxString(""); }
KxString KxProjectDocument::getAuthor() { return project_ != nullptr ? TextOf(project_->getAuthor()) : KxString(""); }

void KxProjectDocument::setTitle(const KxString& title) {
    KxDocument::setTitle(title);
    if (project_ != nullptr) project_->setTitle(title.StrGet());
}

void KxProjectDocument::setTopic(const KxString& topic) {
    KxDocument::setTopic(topic);
    if (project_ != nullptr) project_->setSubject(topic.StrGet());
}

void KxProjectDocument::setAuthor(const KxString& author) {
    KxDocument::setAuthor(author);
    if (project_ != nullptr) project_->setAuthor(author.StrGet());
}

KxDateTime KxProjectDocument::getLastTimeModified() {
    return project_ != nullptr ? project_->getLastTimeModified() : KxDocument::getLastTimeModified();
}

void KxProjectDocument::setLastTimeModified(const KxDateTime& time) {
    KxDocument::setLastTimeModified(time);
    if (project_ != nullptr) project_->setLastTimeModified(time);
}

KxDateTime KxProjectDocument::touchDocument() {
    if (project_ != nullptr) project_->touch();
    return KxDocument::touchDocument();
}

// ---- accessors --------------------------------------------------------------------------------------

KxProjectObj* KxProjectDocument::getProject() { return project_; }

void KxProjectDocument::setProject(KxProjectObj* project) {
    releaseProject();
    project_ = project;
    if (project_ == nullptr) return;
    if (project_->getODLOptions() == nullptr) {
        createODLOptions(project_);
        store(0);
    }
    project_->Remember();
}

KxWorkBookDocument* KxProjectDocument::getAssignedWorkBook() { return workbook_; }
int KxProjectDocument::isModified() const { return modified_; }
void KxProjectDocument::setModified(int modified) { modified_ = modified; }
int KxProjectDocument::isIncludePathModified() const { return includePathModified_; }
void KxProjectDocument::setIncludePathModified(int modified) { includePathModified_ = modified; }
KxCompileMode KxProjectDocument::getCompileMode() const { return compileMode_; }
void KxProjectDocument::setCompileMode(KxCompileMode mode) { compileMode_ = mode; }
KxErrorClass KxProjectDocument::getCompileState() const { return compileState_; }
void KxProjectDocument::setCompileState(KxErrorClass state) { compileState_ = state; }
const KxString& KxProjectDocument::getProjectPath() const { return projectPath_; }
void KxProjectDocument::setProjectPath(const KxString& path) { projectPath_ = path; }
KxWbConfig* KxProjectDocument::getSettings() { return settings_; }

// ---- creating -----------------------------------------------------------------------------------------

KxBase* KxProjectDocument::targetBase() {
    if (workbook_ != nullptr && workbook_->getBase() != nullptr && workbook_->getBase()->IsOpen())
        return workbook_->getBase();
    return project_ != nullptr ? project_->GetBase() : nullptr;
}

KxErrorCode KxProjectDocument::createProject() {
    // New objects are made in the assigned workbook's open base (this kernel makes every object in
    // a base): without one nothing can be made.
    KxBase* base = workbook_ != nullptr ? workbook_->getBase() : nullptr;
    KxProjectObj* project = base != nullptr && base->IsOpen() ? KxProjectObj::make(base) : nullptr;
    if (project == nullptr) return cannotCreateProject;
    releaseProject();
    project_ = project;   // the hold of make is the document's
    project_->setTitle("Untitled");
    if (createOptions(project_) == nullptr || createDirectories(project_) == nullptr ||
        createODLOptions(project_) == nullptr)
        return cannotCreateProject;
    return KxErrorCode();
}

KxProjectItem* KxProjectDocument::createItem(KxProjectObj* project) {
    KxBase* base = project != nullptr && project->GetBase() != nullptr ? project->GetBase() : targetBase();
    KxProjectItem* item = base != nullptr ? KxProjectItem::make(base) : nullptr;
    if (item == nullptr) {
        cannotCreateItem.display();
        return nullptr;
    }
    if (project != nullptr) {
        // The project's items hold it from now on.
        project->addItem(item);
        item->Forget();
    }
    return item;
}

KxProjectOptions* KxProjectDocument::createOptions(KxProjectObj* project) {
    KxBase* base = project != nullptr && project->GetBase() != nullptr ? project->GetBase() : targetBase();
    KxProjectOptions* options = base != nullptr ? KxProjectOptions::make(base) : nullptr;
    if (options != nullptr && project != nullptr) {
        initOptions(options);
        project->setOptions(options);
        options->Forget();
    }
    return options;
}

KxProjectDirectories* KxProjectDocument::createDirectories(KxProjectObj* project) {
    KxBase* base = project != nullptr && project->GetBase() != nullptr ? project->GetBase() : targetBase();
    KxProjectDirectories* directories = base != nullptr ? KxProjectDirectories::make(base) : nullptr;
    if (directories != nullptr && project != nullptr) {
        initDirectories(directories);
        project->setDirectories(directories);
        directories->Forget();
    }
    return directories;
}

KxProjectODLOptions* KxProjectDocument::createODLOptions(KxProjectObj* project) {
    KxBase* base = project != nullptr && project->GetBase() != nullptr ? project->GetBase() : targetBase();
    KxProjectODLOptions* options = base != nullptr ? KxProjectODLOptions::make(base) : nullptr;
    if (options != nullptr && project != nullptr) {
        initODLOptions(options);
        project->setODLOptions(options);
        options->Forget();
    }
    return options;
}

bool KxProjectDocument::firstEntry(const char* key, KxString& value) {
    KxWbStringList* list = settings_->readKey(KxString(key));
    const bool found = list != nullptr && list->Count() > 0 && list->at(0) != nullptr;
    if (found) value = *list->at(0);
    if (list != nullptr) {
        list->deleteStrings();
        delete list;
    }
    return found;
}

void KxProjectDocument::initOptions(KxProjectOptions* options) {
    if (settings_ == nullptr || options == nullptr) return;
    settings_->SetGroup(String("SYSTEMS"));
    if (settings_->GetKeyCount() > 0) {
        options->setSystem(TextOf(settings_->GetKeyName(0).GetStr()));
        options->setSettings(TextOf(settings_->ReadKey(uint16_t(0)).GetStr()));
    }
    settings_->SetGroup(String(KxWbConfig::kGroup));
    KxString value;
    if (firstEntry("DEFINES", value)) options->setDefines(value);
    if (firstEntry("UNDEFINES", value)) options->setUnDefines(value);
    if (firstEntry("HOST", value)) options->setHostName(value);
    if (firstEntry("BASE", value)) options->setBaseName(value);
    if (firstEntry("DICTIONARY", value)) options->setDictionaryName(value);
}

void KxProjectDocument::initDirectories(KxProjectDirectories* directories) {
    if (settings_ == nullptr || directories == nullptr) return;
    KxString value;
    if (firstEntry("OUTPUTPATH", value)) directories->setOutputDir(value);
    if (firstEntry("FACTORYHEADERPATH", value)) directories->setFactoryHeaderDir(value);
    if (firstEntry("FACTORYSOURCEPATH", value)) directories->setFactorySourceDir(value);
    if (firstEntry("INCLUDESPATH", value)) directories->setIncludeDir(value);
    KxFileSystem files;
    const char* temp = files.getTempDir();
    if ((temp == nullptr || *temp == '\0') && firstEntry("TMPPATH", value)) directories->setTempDir(value);
}

void KxProjectDocument::initODLOptions(KxProjectODLOptions* options) {
    if (settings_ == nullptr || options == nullptr) return;
    KxString value;
    if (firstEntry("INCLUDESPATH", value)) options->setIncludes(value);
    if (firstEntry("ODLTEMPFILENAME", value)) options->setTempFilename(value);
    if (firstEntry("DEFINES", value)) options->setDefines(value);
    if (firstEntry("UNDEFINES", value)) options->setUnDefines(value);
    if (firstEntry("HOST", value)) options->setHostName(value);
    if (firstEntry("BASE", value)) options->setBaseName(value);
    if (firstEntry("DICTIONARY", value)) options->setDictionaryName(value);
}

// ---- the workbook database ---------------------------------------------------------------------------

int KxProjectDocument::assignToWorkBook(KxWorkBookDocument* workbook) {
    if (project_ == nullptr) {
        // Remembered all the same: createProject makes the project in the workbook's base (this
        // kernel makes every object in a base).
        if (workbook != nullptr) workbook_ = workbook;
        return -1;
    }
    if (workbook != nullptr) {
        if (workbook_ != nullptr && workbook_ != workbook) project_->UnAssign();
        workbook_ = workbook;
    }
    if (workbook_ == nullptr || workbook_->getBase() == nullptr || IsStored(project_)) return 0;
    return project_->Assign(workbook_->getBase(), nullptr);
}

int KxProjectDocument::storeObject(KxObject* object) {
    if (object == nullptr) return 0;
    if (!IsStored(object) && workbook_ != nullptr && workbook_->getBase() != nullptr) {
        const int status = object->Assign(workbook_->getBase(), nullptr);
        if (status != 0) return status;
    }
    touchDocument();
    return object->Store(0, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

int KxProjectDocument::storeOptions() { return project_ != nullptr ? storeObject(project_->getOptions()) : 0; }
int KxProjectDocument::storeODLOptions() { return project_ != nullptr ? storeObject(project_->getODLOptions()) : 0; }
int KxProjectDocument::storeDirectories() {
    return project_ != nullptr ? storeObject(project_->getDirectories()) : 0;
}

int KxProjectDocument::storeItems() {
    if (project_ == nullptr) return 0;
    for (long i = 0;; ++i) {
        KxProjectItem* item = project_->getItem(i);
        if (item == nullptr) return 0;
        const int status = storeObject(item);
        project_->ungetItem(item);
        if (status != 0) return status;
    }
}

int KxProjectDocument::store(int32_t depthMode) {
    int status = storeOptions();
    if (status == 0) status = storeODLOptions();
    if (status == 0) status = storeDirectories();
    if (status == 0) status = storeItems();
    if (status != 0) return status;
    if (!IsStored(project_)) {
        status = assignToWorkBook(nullptr);
        if (status != 0) return status;
    }
    touchDocument();
    return project_->Store(depthMode, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

int KxProjectDocument::refresh() {
    if (project_ == nullptr) return 0;
    int status = 0;
    if (KxProjectOptions* options = project_->getOptions()) status = options->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (status != 0) return status;
    if (KxProjectODLOptions* odl = project_->getODLOptions()) status = odl->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (status != 0) return status;
    if (KxProjectDirectories* dirs = project_->getDirectories())
        status = dirs->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
    if (status != 0) return status;
    return project_->Refresh(KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

int KxProjectDocument::deleteProjectFromDatabase() {
    if (!IsStored(project_)) return 0;
    return project_->Delete(3, KX_SPEC_DEFAULT, KX_SPEC_DEFAULT);
}

// ---- copying ------------------------------------------------------------------------------------------

KxProjectObj* KxProjectDocument::copyProject() {
    if (project_ == nullptr) return nullptr;
    KxBase* base = targetBase();
    KxProjectObj* copy = base != nullptr ? KxProjectObj::make(base) : nullptr;
    if (copy == nullptr) return nullptr;
    copy->setTitle(project_->getTitle());
    copy->setSubject(project_->getSubject());
    copy->setAuthor(project_->getAuthor());
    if (copyProjectItems(copy) != 0 || copyProjectOptions(copy) != 0 || copyProjectODLOptions(copy) != 0 ||
        copyProjectDirectories(copy) != 0) {
        copy->Forget();
        return nullptr;
    }
    return copy;
}

int KxProjectDocument::copyProjectItems(KxProjectObj* target) {
    if (target == nullptr || project_ == nullptr) return 1;
    for (long i = 0;; ++i) {
        KxProjectItem* item = project_->getItem(i);
        if (item == nullptr) return 0;
        if ((item->getState() & 2) == 0) {
            KxProjectItem* copy = createItem(target);
            if (copy == nullptr) {
                project_->ungetItem(item);
                return 1;
            }
            copy->setName(item->getName());
            copy->setPath(item->getPath());
            copy->setOptions(item->getOptions());
            copy->setDirectories(item->getDirectories());
        }
        project_->ungetItem(item);
    }
}

int KxProjectDocument::copyProjectOptions(KxProjectObj* target) {
    KxProjectOptions* from = project_ != nullptr ? project_->getOptions() : nullptr;
    if (target == nullptr || from == nullptr) return 1;
    KxProjectOptions* to = createOptions(target);
    if (to == nullptr) return 1;
#define KX_COPY_SWITCH(n, member, Stem) to->set##Stem##Switch(from->get##Stem##Switch());
#define KX_COPY_TEXT(n, member, Stem) to->set##Stem(from->get##Stem());
    KX_PROJECT_OPTIONS_SWITCHES(KX_COPY_SWITCH)
    KX_PROJECT_OPTIONS_TEXTS(KX_COPY_TEXT)
    return 0;
}

int KxProjectDocument::copyProjectODLOptions(KxProjectObj* target) {
    KxProjectODLOptions* from = project_ != nullptr ? project_->getODLOptions() : nullptr;
    if (target == nullptr || from == nullptr) return 1;
    KxProjectODLOptions* to = createODLOptions(target);
    if (to == nullptr) return 1;
    to->setIncludes(from->getIncludes());
    to->setTempFilename(from->getTempFilename());
    to->setDefines(from->getDefines());
    to->setUnDefines(from->getUnDefines());
    to->setHostName(from->getHostName());
    to->setBaseName(from->getBaseName());
    to->setDictionaryName(from->getDictionaryName());
    to->setWarningLevelSwitch(from->getWarningLevelSwitch());
    to->setDiscardCommentsSwitch(from->getDiscardCommentsSwitch());
    to->setPreprocessOnlySwitch(from->getPreprocessOnlySwitch());
    to->setAnalyseOnlySwitch(from->getAnalyseOnlySwitch());
    to->setAsEmbeddedMembersSwitch(from->getAsEmbeddedMembersSwitch());
    to->setAsOndemandMembersSwitch(from->getAsOndemandMembersSwitch());
    to->setAsPointerMembersSwitch(from->getAsPointerMembersSwitch());
    return 0;
}

int KxProjectDocument::copyProjectDirectories(KxProjectObj* target) {
    KxProjectDirectories* from = project_ != nullptr ? project_->getDirectories() : nullptr;
    if (target == nullptr || from == nullptr) return 1;
    KxProjectDirectories* to = createDirectories(target);
    if (to == nullptr) return 1;
    to->setIncludeDir(from->getIncludeDir());
    to->setOutputDir(from->getOutputDir());
    to->setFactoryHeaderDir(from->getFactoryHeaderDir());
    to->setFactorySourceDir(from->getFactorySourceDir());
    to->setTempDir(from->getTempDir());
    return 0;
}
