// The store handlers: where the rows of a class live and how its extent is read.
//
//   KxGStoreDefaultHdl         kind 0: the class's own table; its extent is that table, or a view that
//                              unites it with its subclasses' selects.
//   KxGStoreKxObjectHdl        kind 0, the root class: no table; a view over its subclasses.
//   KxGStoreAllHdl             kind 1 (STORE ALL): its own table, which also receives the rows of its
//                              subclasses through triggers on their tables; the view is that table.
//   KxGStoreUniversalHdl       kind 3 (STORE UNIVERSAL): one table for the class and all its
//                              subclasses, holding every descendant's columns.
//   KxGStoreUniversalChildHdl  kind 4: a class below a UNIVERSAL class; its table is the universal
//                              ancestor's, its view that table restricted to its class numbers.
//   KxGStoreVirtualHdl         kind 5: a class without members of its own whose rows live in the table
//                              of its only base class; its view is that table restricted to its
//                              class numbers, united with its subclasses.
#pragma once

#include <memory>

#include "KxGClassMap.h"
#include "KxGStatementTemplate.h"

class KxGStoreDefaultHdl : public KxGStoreHdl {
public:
    explicit KxGStoreDefaultHdl(KxGClassMap* classMap);
    ~KxGStoreDefaultHdl() override;

    uint16_t GetStoreKind() const override { return KXG_STORE_DEFAULT; }
    int32_t GetClassTable(KxGTable& table) override;
    int32_t GetExtentTable(KxGTable& table) override;
    int32_t CreateClassTable(KxGStatementTemplateList& list) override;
    int32_t CreateExtentView(KxGStatementTemplateList& list) override;
    int32_t CreateTriggers(KxGStatementTemplateList& list) override;
    KxGSelectStatementTemplate* GetSelectTemplate() override;
    int32_t AddToExtent(std::vector<uint16_t>& classIds, const std::vector<KxGMemberMap*>& memberMaps,
                        KxGStatementTemplate& target, bool skipSelf) override;
    KxGClassMap* FindStoreAllBase() override;
    int32_t AddViewCondition(KxGStatementTemplate& view) override;
    void CollectClassIds(std::vector<uint16_t>& classIds) override;

protected:
    // Whether the class has a table of its own.
    virtual bool OwnsTable() const { return true; }
    // Walks the subclasses into the extent (AddToExtent of each); -6081 for one without class map.
    int32_t AddSubclasses(std::vector<uint16_t>& classIds, const std::vector<KxGMemberMap*>& memberMaps,
                          KxGStatementTemplate& target);
    // The select of the id columns and the given member maps' columns from the class table.
    int32_t BuildSelect(const std::vector<KxGMemberMap*>& memberMaps, KxGStatementTemplate& select);
    // The class-id condition "CID IN (n, m)" through the adapter's Where.
    int32_t AddClassIdCondition(KxGStatementTemplate& view);
    bool SeveralBases() const;

private:
    std::unique_ptr<KxGSelectStatementTemplate> select_;
};

class KxGStoreKxObjectHdl : public KxGStoreDefaultHdl {
public:
    using KxGStoreDefaultHdl::KxGStoreDefaultHdl;
    int32_t CreateClassTable(KxGStatementTemplateList&) override { return 0; }
    int32_t AddViewCondition(KxGStatementTemplate& view) override;

protected:
    bool OwnsTable() const override { return false; }
};

class KxGStoreAllHdl : public KxGStoreDefaultHdl {
public:
    using KxGStoreDefaultHdl::KxGStoreDefaultHdl;
    uint16_t GetStoreKind() const override { return KXG_STORE_ALL; }
    int32_t AddViewCondition(KxGStatementTemplate&) override { return 0; }
};

class KxGStoreUniversalHdl : public KxGStoreDefaultHdl {
public:
    using KxGStoreDefaultHdl::KxGStoreDefaultHdl;
    uint16_t GetStoreKind() const override { return KXG_STORE_UNIVERSAL; }
    int32_t AddViewCondition(KxGStatementTemplate&) override { return 0; }
};

class KxGStoreUniversalChildHdl : public KxGStoreDefaultHdl {
public:
    KxGStoreUniversalChildHdl(KxGClassMap* classMap, KxGStoreHdl* universal);
    uint16_t GetStoreKind() const override { return KXG_STORE_UNIVERSAL_CHILD; }
    int32_t GetClassTable(KxGTable& table) override { return universal_->GetClassTable(table); }
    int32_t CreateClassTable(KxGStatementTemplateList&) override { return 0; }
    int32_t CreateTriggers(KxGStatementTemplateList&) override { return 0; }
    // Only into the view columns; the table columns go to the universal ancestor (once each, and one
    // blob container: the largest of the hierarchy).
    void AddMemberMap(KxGMemberMap* memberMap) override;
    int32_t AddViewCondition(KxGStatementTemplate& view) override { return AddClassIdCondition(view); }
    KxGStoreHdl* GetUniversal() const { return universal_; }

protected:
    bool OwnsTable() const override { return false; }

private:
    KxGStoreHdl* universal_;
};

class KxGStoreVirtualHdl : public KxGStoreDefaultHdl {
public:
    using KxGStoreDefaultHdl::KxGStoreDefaultHdl;
    uint16_t GetStoreKind() const override { return KXG_STORE_VIRTUAL; }
    // The table of the base class (which owns one: a Virtual class has exactly one such base).
    int32_t GetClassTable(KxGTable& table) override;
    int32_t CreateClassTable(KxGStatementTemplateList&) override { return 0; }
    int32_t CreateTriggers(KxGStatementTemplateList&) override { return 0; }
    int32_t AddViewCondition(KxGStatementTemplate& view) override;

protected:
    bool OwnsTable() const override { return false; }
};
