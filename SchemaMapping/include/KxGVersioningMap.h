// Versioning maps: the comparison of a stored schema (the old schema map, built from the gateway's
// tables) with the schema map of the current dictionary (the new schema map), and the statements that
// move the relational schema and its rows from the old form to the new one.
//
//   KxGVersioningMap           one class on one side. The new side's map is made first (no partner),
//                              then the old side's map with the new one as partner; the old side's map
//                              classifies both classes' columns into its column lists and the phase
//                              operations read them. Subclasses by store kind of the class:
//                                KxGDefaultVersioningMap     kind 0, a table of its own
//                                KxGAllVersioningMap         kind 1, STORE ALL
//                                KxGUniversalVersioningMap   kind 3, STORE UNIVERSAL
//                                KxGUniChildVersioningMap    kind 4, below a universal class
//                                KxGVirtualVersioningMap     kind 5, rows in the base's table
//                                KxGNewVersioningMap         the class is missing on this side
//                              Run (called on the new side's map) calls the old side's operation that
//                              belongs to the new side's kind: ToDefault, ToAll, ToUniversal,
//                              ToUniChild or ToVirtual.
//   KxGSetVersioningMap        one changed set member: KxGSetChangeVersioningMap (same element class),
//                              KxGSetRefVersioningMap (a reference set with its own table whose element
//                              class changed), KxGSetTypeVersioningMap (any other element change),
//                              KxGSetCreateVersioningMap (a new set table), KxGSetDeleteVersioningMap
//                              (the class's rows leave a set table), KxGSetDropVersioningMap (a set
//                              table no longer used).
//   KxGVersioningMapArray      the maps of one side, indexed by class number.
//   KxGSchemaVersioning        the whole comparison: builds the maps of both sides, classifies them
//                              and appends the statements of phases 0 to 9 to a statement list.
//
// Phases (each map appends only statements with at least one column):
//   1 set rows of a class deleted          2 new tables created (a kept class keeps its table name)
//   3 columns added                         4 rows copied into another table
//   5 converted columns filled              6 rows deleted from a table they leave
//   7 replaced or dropped columns dropped   8 tables no longer used dropped
//   9 rows of subclasses copied into a STORE ALL table
//
// A column whose type cannot be converted is never dropped: the new column starts empty beside it and
// the warning KXG_W_POSSIBLE_DATA_LOSS (text "<class>.<member>": "Warning : Type of member '...' is
// changed, possible loss of data") is reported; the run goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGStatementTemplate.h"
#include "KxString.h"

class KxGClass;
class KxGClassMap;
class KxGCreationSchemaMap;
class KxGDatabaseInfo;
class KxGMemberColumn;
class KxGSchemaMap;
class KxGSetMemberMap;
class KxGTypeConvHdlMgr;
class KxGVersioningMap;
class KxGVersioningMapArray;

// Warnings of a versioning run (a positive status and a text; the run goes on).
constexpr int32_t KXG_W_NULL_CONVERSION = 6152;      // a conversion gives NULL for every row
constexpr int32_t KXG_W_SET_TO_BLOB = 6153;          // a set became a blob set
constexpr int32_t KXG_W_BLOB_TO_SET = 6154;          // a blob set became a set with its own table
constexpr int32_t KXG_W_POSSIBLE_DATA_LOSS = 6156;   // a retyped member without conversion

// Receives the warnings of a run: code and text.
using KxGVersioningReporter = std::function<void(int32_t code, const KxString& text)>;

// ---- set versioning maps ----------------------------------------------------------------------------

class KxGSetVersioningMap {
public:
    virtual ~KxGSetVersioningMap();
    // Appends the statements of a phase; 0 or an error status.
    virtual int32_t Run(KxGStatementTemplateList& list, int32_t phase) = 0;

protected:
    // oldSet / newSet: the set member maps of the two sides (either may be null as the kind says).
    KxGSetVersioningMap(KxGSetMemberMap* oldSet, KxGSetMemberMap* newSet, KxGSchemaMap* schemaMap);
    KxGSetVersioningMap(const KxGSetVersioningMap&) = delete;
    KxGSetVersioningMap& operator=(const KxGSetVersioningMap&) = delete;

    KxGSetMemberMap* oldSet_;
    KxGSetMemberMap* newSet_;
    KxGSchemaMap* schemaMap_;
};

using KxGSetVersioningMapList = std::vector<std::unique_ptr<KxGSetVersioningMap>>;

// Same element class: columns added (3), converted (5), replaced ones dropped (7); the new set member
// takes over the old set table's name.
class KxGSetChangeVersioningMap : public KxGSetVersioningMap {
public:
    KxGSetChangeVersioningMap(KxGSetMemberMap* oldSet, KxGSetMemberMap* newSet, KxGSchemaMap* schemaMap,
                              uint16_t newVersion);
    ~KxGSetChangeVersioningMap() override;
    int32_t Run(KxGStatementTemplateList& list, int32_t phase) override;

private:
    int32_t Classify();

    uint16_t newVersion_;
    bool classified_ = false;
    KxGColumnList oldColumns_;    // owned copies of the old set table's columns
    KxGColumnList newColumns_;    // owned copies of the new set table's columns (named)
    KxGColumnList added_;
    KxGColumnList convertedOld_;
    KxGColumnList convertedNew_;
    KxGColumnList dropped_;
};

// A new set table (2); filled from the old class's member of the same name when it was a value (4).
class KxGSetCreateVersioningMap : public KxGSetVersioningMap {
public:
    // oldClass: the old side's class (may be null).
    KxGSetCreateVersioningMap(KxGSetMemberMap* newSet, KxGClass* oldClass, KxGSchemaMap* schemaMap);
    int32_t Run(KxGStatementTemplateList& list, int32_t phase) override;

private:
    KxGClass* oldClass_;
};

// The element class changed: a new table (2), the old one dropped (8).
class KxGSetTypeVersioningMap : public KxGSetVersioningMap {
public:
    KxGSetTypeVersioningMap(KxGSetMemberMap* oldSet, KxGSetMemberMap* newSet, KxGSchemaMap* schemaMap)
        : KxGSetVersioningMap(oldSet, newSet, schemaMap)
    {
    }
    int32_t Run(KxGStatementTemplateList& list, int32_t phase) override;
};

// A reference set with its own table whose element class changed: as the type map.
class KxGSetRefVersioningMap : public KxGSetTypeVersioningMap {
public:
    using KxGSetTypeVersioningMap::KxGSetTypeVersioningMap;
};

// The rows of a class leave a set table (1).
class KxGSetDeleteVersioningMap : public KxGSetVersioningMap {
public:
    KxGSetDeleteVersioningMap(KxGSetMemberMap* oldSet, uint16_t classNumber, KxGSchemaMap* schemaMap);
    int32_t Run(KxGStatementTemplateList& list, int32_t phase) override;

private:
    uint16_t classNumber_;
};

// A set table no longer used is dropped (8).
class KxGSetDropVersioningMap : public KxGSetVersioningMap {
public:
    KxGSetDropVersioningMap(KxGSetMemberMap* oldSet, KxGSchemaMap* schemaMap);
    int32_t Run(KxGStatementTemplateList& list, int32_t phase) override;
};

// ---- class versioning maps --------------------------------------------------------------------------

// What the maps of one run share.
struct KxGVersioningContext {
    KxGSchemaMap* oldMap = nullptr;
    KxGSchemaMap* newMap = nullptr;
    KxGDatabaseInfo* info = nullptr;
    KxGTypeConvHdlMgr* conversions = nullptr;
    uint16_t newVersion = 0;           // the new schema's revision (versioned column names)
    KxGVersioningReporter reporter;    // warnings (may be empty)
    // Records a warning and hands it to the reporter (set by KxGSchemaVersioning).
    std::function<void(int32_t code, const std::string& text)> warn;
    bool changed = false;              // the schema counts as changed
};

class KxGVersioningMap {
public:
    // schemaMap: the side's map; mappedClass: the class on that side (null when missing); partner: the
    // other side's map (null on the new side). context: shared by the run; not owned.
    KxGVersioningMap(KxGSchemaMap* schemaMap, KxGClass* mappedClass, KxGVersioningMap* partner,
                     KxGVersioningContext* context);
    virtual ~KxGVersioningMap();
    KxGVersioningMap(const KxGVersioningMap&) = delete;
    KxGVersioningMap& operator=(const KxGVersioningMap&) = delete;

    virtual uint16_t IsUniChild() const { return 0; }
    // Called on the new side's map with the old side's map: the old map's operation for this kind.
    virtual int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) = 0;
    virtual int32_t ToDefault(KxGStatementTemplateList& list, int32_t phase);
    virtual int32_t ToVirtual(KxGStatementTemplateList& list, int32_t phase);
    virtual int32_t ToUniChild(KxGStatementTemplateList& list, int32_t phase);
    virtual int32_t ToUniversal(KxGStatementTemplateList& list, int32_t phase);
    virtual int32_t ToAll(KxGStatementTemplateList& list, int32_t phase);

    // Pairs the columns of the old class (this, the old side) with the partner's (once). 0 or an
    // error status.
    int32_t Classify(const KxGVersioningMapArray& oldMaps, const KxGVersioningMapArray& newMaps);
    bool IsClassified() const { return classified_ != 0; }

    KxGSchemaMap* GetSchemaMap() const { return schemaMap_; }
    KxGClass* GetClass() const { return class_; }
    KxGVersioningMap* GetPartner() const { return partner_; }
    KxGSetVersioningMapList& GetSetMaps() { return setMaps_; }
    // The class's warning status (6152 after a conversion to NULL; 0 otherwise).
    int32_t GetWarning() const { return warning_; }

    // The column lists (on the old side's map; read by the phase operations).
    KxGColumnList& UnchangedNew() { return unchangedNew_; }
    KxGColumnList& UnchangedOld() { return unchangedOld_; }
    KxGColumnList& ConvertedNew() { return convertedNew_; }
    KxGColumnList& ConvertedOld() { return convertedOld_; }
    KxGColumnList& Dropped() { return dropped_; }
    KxGColumnList& DroppedOwn() { return droppedOwn_; }
    KxGColumnList& OldOwn() { return oldOwn_; }
    KxGColumnList& MovedDownKept() { return movedDownKept_; }
    KxGColumnList& MovedDown() { return movedDown_; }
    KxGColumnList& Added() { return added_; }
    KxGColumnList& ConvertedInPlace() { return convertedInPlace_; }
    KxGColumnList& AddedOwn() { return addedOwn_; }
    KxGColumnList& MovedUpKept() { return movedUpKept_; }
    KxGColumnList& MovedUpNew() { return movedUpNew_; }
    // Old columns of pairs that have no conversion: kept in the table, never dropped.
    KxGColumnList& KeptUnconverted() { return keptUnconverted_; }

protected:
    KxGVersioningContext& Context() const { return *context_; }
    // The class table of the side's class (through its store handler); 0 or an error status.
    int32_t ClassTable(KxGTable& table) const;
    // Appends the statement made on the class table: 0, the table's status, or the append's status.
    int32_t AppendOnClassTable(KxGStatementTemplateList& list,
                               const std::function<KxGStatementTemplate*(const KxGTable&)>& make) const;
    // Appends the copy of a class's rows from one table into another: the unchanged and the converted
    // columns, old side to new side. 0 or the append's status.
    int32_t AppendCopy(KxGStatementTemplateList& list, const KxGTable& from, const KxGTable& into,
                       int32_t classNumber);
    // Phase helpers on the old side's map (this) towards the partner (the new side).
    int32_t KeepTableName();                                       // 2, a kept table
    int32_t CreateNewTable(KxGStatementTemplateList& list);        // 2, the partner's table
    int32_t AddColumns(KxGStatementTemplateList& list);            // 3
    int32_t CopyRows(KxGStatementTemplateList& list, int32_t classNumber);   // 4 and 9
    int32_t UpdateConverted(KxGStatementTemplateList& list);       // 5
    int32_t DeleteRows(KxGStatementTemplateList& list);            // 6
    int32_t DropColumns(KxGStatementTemplateList& list);           // 7
    int32_t DropOldTable(KxGStatementTemplateList& list);          // 8
    int32_t RunSets(KxGStatementTemplateList& list, int32_t phase);
    // The class keeps its kind and table: name kept (2), columns added (3), converted (5), dropped (7).
    int32_t KeepKind(KxGStatementTemplateList& list, int32_t phase);
    // The class changes kind: new table (2), rows copied (4), rows leaving a shared table deleted (6),
    // old table dropped (8).
    int32_t ChangeKind(KxGStatementTemplateList& list, int32_t phase);
    // A class that became STORE ALL: its subclasses' rows copied into its new table (9).
    int32_t CopySubclassRows(KxGStatementTemplateList& list);
    void Warn(int32_t code, const std::string& text);

private:
    friend class KxGSchemaVersioning;
    int32_t ClassifySets(const KxGVersioningMapArray& oldMaps, const KxGVersioningMapArray& newMaps);
    // Gives the new column the versioned name of this run; position: the member position.
    void NameVersioned(KxGMemberColumn& column, uint16_t position);
    // Whether the column carries the name the creation schema map makes (not a RENAME).
    bool IsMadeName(const KxGMemberColumn& column, uint16_t position) const;
    // A column added to a kept table: the versioned name unless it has a name of its own that differs
    // from the old column's.
    void NameAdded(KxGMemberColumn& column, uint16_t position, const KxGMemberColumn* old);

    KxGSchemaMap* schemaMap_;
    KxGClass* class_;
    KxGVersioningMap* partner_;
    KxGVersioningContext* context_;
    KxGColumnList unchangedNew_;
    KxGColumnList unchangedOld_;
    KxGColumnList convertedNew_;
    KxGColumnList convertedOld_;
    KxGColumnList dropped_;
    KxGColumnList droppedOwn_;
    KxGColumnList oldOwn_;
    KxGColumnList movedDownKept_;
    KxGColumnList movedDown_;
    KxGColumnList added_;
    KxGColumnList convertedInPlace_;
    KxGColumnList addedOwn_;
    KxGColumnList movedUpKept_;
    KxGColumnList movedUpNew_;
    KxGColumnList keptUnconverted_;
    KxGSetVersioningMapList setMaps_;
    uint16_t classified_ = 0;
    int32_t warning_ = 0;
    std::vector<std::unique_ptr<KxGColumn>> owned_;   // id columns copied into the lists
};

class KxGDefaultVersioningMap : public KxGVersioningMap {
public:
    using KxGVersioningMap::KxGVersioningMap;
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToDefault(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToVirtual(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToUniChild(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToUniversal(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToAll(KxGStatementTemplateList& list, int32_t phase) override;
};

class KxGAllVersioningMap : public KxGDefaultVersioningMap {
public:
    using KxGDefaultVersioningMap::KxGDefaultVersioningMap;
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
};

class KxGUniversalVersioningMap : public KxGDefaultVersioningMap {
public:
    using KxGDefaultVersioningMap::KxGDefaultVersioningMap;
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
};

class KxGUniChildVersioningMap : public KxGDefaultVersioningMap {
public:
    using KxGDefaultVersioningMap::KxGDefaultVersioningMap;
    uint16_t IsUniChild() const override { return 1; }
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToUniChild(KxGStatementTemplateList& list, int32_t phase) override;
};

class KxGVirtualVersioningMap : public KxGDefaultVersioningMap {
public:
    using KxGDefaultVersioningMap::KxGDefaultVersioningMap;
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToVirtual(KxGStatementTemplateList& list, int32_t phase) override;
};

// The class is missing on this side: as the old side, every operation creates the partner's table
// (a class added to the dictionary); as the new side, Run does nothing.
class KxGNewVersioningMap : public KxGVersioningMap {
public:
    using KxGVersioningMap::KxGVersioningMap;
    int32_t Run(KxGVersioningMap& oldMap, KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToDefault(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToVirtual(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToUniChild(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToUniversal(KxGStatementTemplateList& list, int32_t phase) override;
    int32_t ToAll(KxGStatementTemplateList& list, int32_t phase) override;
};

// ---- the maps of one side -----------------------------------------------------------------------------

class KxGVersioningMapArray {
public:
    explicit KxGVersioningMapArray(uint32_t capacity = 200, uint32_t step = 50);
    ~KxGVersioningMapArray();
    KxGVersioningMapArray(const KxGVersioningMapArray&) = delete;
    KxGVersioningMapArray& operator=(const KxGVersioningMapArray&) = delete;

    // The map of a class number; null past the end or when none was set.
    KxGVersioningMap* Get(uint32_t index) const;
    // Places a map (a map there already is deleted). Grows to the larger of capacity + step and
    // index + step; KXG_E_NO_MEMORY (-2030) when that fails.
    int32_t Set(uint32_t index, std::unique_ptr<KxGVersioningMap> map);
    uint32_t GetCapacity() const { return static_cast<uint32_t>(maps_.size()); }

private:
    uint32_t step_;
    std::vector<std::unique_ptr<KxGVersioningMap>> maps_;
};

// ---- the comparison ---------------------------------------------------------------------------------------

class KxGSchemaVersioning {
public:
    // oldMap: the stored schema (its classes loaded, columns named as stored); newMap: the current
    // dictionary's map (its classes loaded). newVersion: the new schema's revision, used in versioned
    // column names. Neither map is owned; both must outlive this object.
    KxGSchemaVersioning(KxGSchemaMap& oldMap, KxGSchemaMap& newMap, uint16_t newVersion);
    ~KxGSchemaVersioning();
    KxGSchemaVersioning(const KxGSchemaVersioning&) = delete;
    KxGSchemaVersioning& operator=(const KxGSchemaVersioning&) = delete;

    void SetReporter(KxGVersioningReporter reporter) { context_.reporter = std::move(reporter); }

    // Builds the maps of both sides, classifies them and appends the statements of phases 0 to 9 to
    // list (the list's holder owns them). Runs once; a second call appends nothing and answers 0. On
    // success a new side that is a creation schema map has its names recorded again (kept table
    // names, column names taken over from the old schema) for KELVOX_CLASSES and KELVOX_MEMBERS.
    // 0, or the first error status.
    int32_t Run(KxGStatementTemplateList& list);

    // After Run: whether the schema changed (a class added, retyped, a column added or dropped, a class
    // version differs) -- the flag the version command reads.
    bool IsChanged() const { return context_.changed; }
    // After Run: the warnings reported, in order (also handed to the reporter).
    struct Warning {
        int32_t code;
        std::string text;
    };
    const std::vector<Warning>& GetWarnings() const { return warnings_; }

    const KxGVersioningMapArray& GetOldMaps() const { return oldMaps_; }
    const KxGVersioningMapArray& GetNewMaps() const { return newMaps_; }

private:
    int32_t Build();
    uint32_t ClassCount() const;

    KxGVersioningContext context_;
    KxGVersioningMapArray oldMaps_;
    KxGVersioningMapArray newMaps_;
    std::vector<Warning> warnings_;
    bool done_ = false;
};
