// The schema mapper's commands: each turns the mapping of the dictionary's classes (a creation schema
// map, KxGCreationSchemaMap.h) into statements and hands every statement to the mapper's
// execute-one-statement step, which writes it to the script and, online, executes it.
//
//   KxGClassMapperCmd         the mapper and the creation schema map of the run (owned)
//   KxGClassMapperCreateCmd   creates the gateway schema (catalog tables, class tables, views,
//                             triggers, indexes, the schema user and its grants)
//   KxGClassMapperDropCmd     drops all of it again
//   KxGClassMapperEmptyCmd    deletes every row of the class tables and resets the surrogate counter
//   KxGClassMapperListCmd     prints the class mapping
//   KxGClassMapperVersionCmd  versions all classes of an existing schema to the dictionary's
//                             (tables, columns and rows through the versioning maps, then indexes,
//                             views, triggers, grants and the catalog rows of the new versions; the
//                             rows of older versions stay)
//   KxGClassMapperConvertCmd  converts a schema made by an older mapper
//
// Drop, empty and list of a connected run read the table and column names back from the schema's
// catalog tables; without connection they name everything as create would. Create refuses, whatever
// the continue flag, a table or view name that is no identifier or that two objects would share, and
// reports a schema role that exists already (another schema's) without granting anything to it.
//
// A command lives for one run: made by the factory (Make), prepared, run, destroyed with its map.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KxString.h"

class KxGClassMapper;
class KxGCreationSchemaMap;
class KxGRootblockEntry;
class KxGStatementTemplate;
class KxGStatementTemplateList;

// Command kinds of the factory.
enum : int32_t {
    KXG_MAPPER_CMD_EMPTY = 0,
    KXG_MAPPER_CMD_DROP = 1,
    KXG_MAPPER_CMD_CREATE = 2,
    KXG_MAPPER_CMD_CONVERT = 3,
    KXG_MAPPER_CMD_VERSION = 4,
    KXG_MAPPER_CMD_LIST = 5
};

class KxGClassMapperCmd {
public:
    // mapper: not owned; it outlives the command.
    explicit KxGClassMapperCmd(KxGClassMapper* mapper);
    virtual ~KxGClassMapperCmd();
    KxGClassMapperCmd(const KxGClassMapperCmd&) = delete;
    KxGClassMapperCmd& operator=(const KxGClassMapperCmd&) = delete;

    // The command's work, its prepare step first; 0 or an error code (already reported where the
    // command reports it; the mapper reports the returned code).
    virtual int32_t Run() = 0;
    // Connects and checks the stored schema against the dictionary, or (without connection) reads
    // the option file; makes the creation schema map. 0 or an error code.
    virtual int32_t Prepare();

    // The command of a kind (KXG_MAPPER_CMD_*), or null for any other kind.
    static std::unique_ptr<KxGClassMapperCmd> Make(int32_t kind, KxGClassMapper* mapper);

    KxGClassMapper* GetMapper() const { return mapper_; }
    // The creation schema map of the run (null before Prepare made it).
    KxGCreationSchemaMap* GetSchemaMap() const { return map_.get(); }

protected:
    // Makes the run's creation schema map on the mapper's dictionary and database; with reporting,
    // store-handler failures of the view build go to the mapper's message output.
    void MakeMap(bool reporting);
    // The adapter's terminator when the mapper has none.
    void EnsureTerminator();
    // The stored schema facts must describe the run's dictionary: 0 or -6197.
    int32_t CheckDictionary() const;
    // For a command on a stored schema: the mapper needs its database, dictionary and connection
    // option; connects and checks the schema owner (a failure ends the connection). 0 or an error code.
    int32_t ConnectToStoredSchema();
    // Hands a made statement (owned; null reports and answers -6151) to the mapper's execute step.
    int32_t Execute(KxGStatementTemplate* statement);
    int32_t Execute(const KxString& text);
    // Every statement of the list in order (a null entry reports and answers -6151); the first
    // non-zero result.
    int32_t ExecuteAll(KxGStatementTemplateList& list);
    // The schema name of the database.
    KxString SchemaName() const;
    // The schema user (role): the schema name cut to the table-name length minus 5, then "_USER".
    KxString SchemaUser() const;
    // The role's grants on the tables and views of the run's map, executed: the first non-zero result.
    int32_t ExecuteGrants(const KxString& role);
    // Prints a line through the mapper's message output.
    void Print(const char* text) const;

    // The statement that undoes a create statement just executed, kept while undo_ is set (a table,
    // view, index or trigger made by this run; other statements leave nothing).
    void RecordUndo(const KxGStatementTemplate& statement);

    KxGClassMapper* mapper_;
    std::unique_ptr<KxGCreationSchemaMap> map_;
    // While set, the undo statements of what the run made, oldest first.
    std::vector<std::unique_ptr<KxGStatementTemplate>>* undo_ = nullptr;
};

class KxGClassMapperCreateCmd : public virtual KxGClassMapperCmd {
public:
    explicit KxGClassMapperCreateCmd(KxGClassMapper* mapper);
    ~KxGClassMapperCreateCmd() override;

    int32_t Run() override;
    int32_t Prepare() override;

    // The concurrency-control server written into ROOTBLOCK (default empty).
    const std::string& GetConcurrencyControlServer() const { return concurrencyServer_; }
    void SetConcurrencyControlServer(const std::string& server) { concurrencyServer_ = server; }

protected:
    // Reports the options that did not take effect (-1 when one failed and the continue flag is
    // off) and the loaders' warnings, then tests the classes' status, the schema name and the names
    // of the create-table and view lists (-6152; refused names whatever the continue flag). 0 or
    // the result that stops the command.
    int32_t CheckOptionsAndNames();
    // Every name the run would write into SQL text or into a catalog column checked; each bad one is
    // reported. True when one was refused.
    bool RefuseBadNames();
    // The ROOTBLOCK rows of the schema as the map and the dictionary describe it (key, value).
    std::vector<std::pair<const KxGRootblockEntry*, KxString>> RootblockRows() const;
    // ROOTBLOCK updated key by key with RootblockRows (a key the table lacks is inserted; the table
    // is never emptied). 0 or the first failure.
    int32_t WriteRootblock();
    // Create steps 5 to 13: the gateway tables, the class tables, views, triggers and indexes, the
    // schema user. 0 or the first failure.
    int32_t CreateSchema();

    std::string concurrencyServer_;
};

class KxGClassMapperDropCmd : public virtual KxGClassMapperCmd {
public:
    explicit KxGClassMapperDropCmd(KxGClassMapper* mapper);
    ~KxGClassMapperDropCmd() override;

    int32_t Run() override;
};

class KxGClassMapperEmptyCmd : public KxGClassMapperCmd {
public:
    explicit KxGClassMapperEmptyCmd(KxGClassMapper* mapper);
    ~KxGClassMapperEmptyCmd() override;

    int32_t Run() override;
};

class KxGClassMapperListCmd : public KxGClassMapperCmd {
public:
    explicit KxGClassMapperListCmd(KxGClassMapper* mapper);
    ~KxGClassMapperListCmd() override;

    int32_t Run() override;
};

class KxGClassMapperVersionCmd : public KxGClassMapperCreateCmd, public KxGClassMapperDropCmd {
public:
    explicit KxGClassMapperVersionCmd(KxGClassMapper* mapper);
    ~KxGClassMapperVersionCmd() override;

    int32_t Run() override;
    int32_t Prepare() override;

private:
    // KELVOX_CLASSES and KELVOX_MEMBERS rows of the class versions this run writes (the stored rows
    // of those versions are deleted first; other versions' rows stay), then the OPTIONREGISTRY rows
    // the stored schema lacks. 0 or the first failure.
    int32_t WriteCatalogRows(KxGCreationSchemaMap& stored);
    // Drops the views and triggers of the stored schema, class by class, and any view or trigger that
    // bears the name of one the new schema makes; one that is not there is no fault. 0 or the first
    // failure.
    int32_t DropStoredViewsAndTriggers(KxGCreationSchemaMap& stored);
    // Executes the versioning statements. Online, each one done is marked in ROOTBLOCK and committed
    // with its mark, and the marked ones of an earlier run that failed part-way are passed over: DDL
    // commits as it goes, so a second run completes the first. 0 or the first failure.
    int32_t ExecuteResumable(KxGStatementTemplateList& list);
    // Removes the marks once the run has written the new catalog.
    int32_t ClearMarks();
};

class KxGClassMapperConvertCmd : public KxGClassMapperCreateCmd, public KxGClassMapperDropCmd {
public:
    explicit KxGClassMapperConvertCmd(KxGClassMapper* mapper);
    ~KxGClassMapperConvertCmd() override;

    int32_t Run() override;
    int32_t Prepare() override;

private:
    // Stored versions up to 511: names of the old layout, views and lock helpers made again, the
    // catalog tables made and filled, time columns fixed, grants, ROOTBLOCK at 1024.
    int32_t ConvertOldLayout();
    // Stored versions 512 to 767: views made again, catalog rows and options written anew.
    int32_t ConvertBeta1();
    // KELVOX_CLASSES, KELVOX_MEMBERS (created, or their rows of the map's class versions replaced)
    // and KELVOX_INDEXES (rows of the indexes the database has). 0 or the first failure.
    int32_t WriteCatalog(bool createTables);
};
