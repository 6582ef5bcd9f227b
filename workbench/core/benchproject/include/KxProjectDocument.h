// The project document: one workbench project (a KxProjectObj) stored in a workbook. It creates
// projects with options, ODL options and directories filled from the settings file "kxxxopts.ini"
// beside the agent module, copies, stores, refreshes and deletes them, mirrors the document's
// title, topic, author and time into the project, and keeps the agent's editing state.
#pragma once

#include <cstdint>

#include "KxDocument.h"
#include "KxErrorCode.h"
#include "KxString.h"

class KxAgent;
class KxBase;
class KxObject;
class KxDocumentManager;
class KxProjectDirectories;
class KxProjectItem;
class KxProjectODLOptions;
class KxProjectObj;
class KxProjectOptions;
class KxWbConfig;
class KxWorkBookDocument;

// How the agent compiles a project (the agent sets it before it reads it).
enum KxCompileMode : int32_t { KxCompileModified = 0, KxCompileAll = 1 };

class KxProjectDocument : public KxDocument {
public:
    // No project, no workbook; settings from the directory of the agent's module (none without
    // agent or module).
    KxProjectDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr);
    // Holds (and remembers) the project in the workbook; a project without ODL options gets them
    // (from the settings) and is stored.
    KxProjectDocument(KxString& name, KxProjectObj* project, KxWorkBookDocument* workbook, KxAgent* agent,
                      KxDocumentManager* docMgr);
    // Forgets the project (it stays in the database) and deletes the settings.
    ~KxProjectDocument() override;

    // The module-wide type "KxProjectDocument".
    static KxDocumentType getDocumentType();
    KxDocumentType getType() override;
    int isA(KxDocumentType& type) override;

    // Title, topic and author are the project's (empty without project); setting them sets the
    // document's field and the project's.
    KxString getTitle() override;
    void setTitle(const KxString& title) override;
    KxString getTopic() override;
    void setTopic(const KxString& topic) override;
    KxString getAuthor() override;
    void setAuthor(const KxString& author) override;
    KxDateTime getLastTimeModified() override;
    void setLastTimeModified(const KxDateTime& time) override;
    KxDateTime touchDocument() override;

    // Reads the project and its options, ODL options and directories again from the database.
    virtual int refresh();

    KxProjectObj* getProject();
    // Forgets the held project and holds this one (see the constructor).
    void setProject(KxProjectObj* project);
    KxWorkBookDocument* getAssignedWorkBook();
    int isModified() const;
    void setModified(int modified);
    int isIncludePathModified() const;
    void setIncludePathModified(int modified);
    KxCompileMode getCompileMode() const;
    void setCompileMode(KxCompileMode mode);
    KxErrorClass getCompileState() const;
    void setCompileState(KxErrorClass state);
    const KxString& getProjectPath() const;
    void setProjectPath(const KxString& path);
    // The settings read from the agent's directory; null without.
    KxWbConfig* getSettings();

    // A new project titled "Untitled" in the assigned workbook, with options, directories and ODL
    // options; "Can't create project." when one of them cannot be made.
    KxErrorCode createProject();
    // A new item added to the project; null (after showing "No opened Workbook available.\nCan't
    // create project item.") when it cannot be made.
    KxProjectItem* createItem(KxProjectObj* project);
    // New objects with their defaults in the workbook; with a project filled from the settings and
    // set on it.
    KxProjectOptions* createOptions(KxProjectObj* project);
    KxProjectDirectories* createDirectories(KxProjectObj* project);
    KxProjectODLOptions* createODLOptions(KxProjectObj* project);
    void initOptions(KxProjectOptions* options);
    void initDirectories(KxProjectDirectories* directories);
    void initODLOptions(KxProjectODLOptions* options);

    // -1 without project (the workbook is remembered for createProject); else assigns the project
    // to the workbook's base when it is not stored.
    int assignToWorkBook(KxWorkBookDocument* workbook);
    int store(int32_t depthMode);
    int storeOptions();
    int storeODLOptions();
    int storeDirectories();
    int storeItems();
    // Deletes a stored project (and what it reaches) from the database; 0 for one not stored.
    int deleteProjectFromDatabase();
    // A copy of the project (null without project or when a part cannot be copied).
    KxProjectObj* copyProject();
    // 0 on success, 1 on failure.
    int copyProjectItems(KxProjectObj* target);
    int copyProjectOptions(KxProjectObj* target);
    int copyProjectODLOptions(KxProjectObj* target);
    int copyProjectDirectories(KxProjectObj* target);

private:
    void readSettings(KxAgent* agent);
    void holdProject(KxProjectObj* project);
    void releaseProject();
    // The first entry of a settings key; false when the list is empty.
    bool firstEntry(const char* key, KxString& value);
    // The base new objects are made in: the assigned workbook's, or the project's.
    KxBase* targetBase();
    // Assigns a sub-object to the workbook's base when needed and stores it; the status.
    int storeObject(KxObject* object);

    KxProjectObj* project_ = nullptr;
    KxWorkBookDocument* workbook_ = nullptr;
    int modified_ = 0;
    int includePathModified_ = 0;
    KxCompileMode compileMode_ = KxCompileModified;
    KxErrorClass compileState_ = KxErrNone;
    KxWbConfig* settings_ = nullptr;
    KxString projectPath_;
};
