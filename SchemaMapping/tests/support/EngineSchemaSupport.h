// The schema as the schema mapper makes it for a dictionary, run on a session of the embedded engine:
// lock tables, the class tables, views and triggers of the store handlers, the catalog tables with the
// stored options, and the root block naming the dictionary. Header only; a test that includes it links
// catalog_test_support and ora_test_support.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CatalogTestSupport.h"
#include "KxClassDict.h"
#include "KxGClass.h"
#include "KxGClassLoader.h"
#include "KxGClassMap.h"
#include "KxGCreationSchemaMap.h"
#include "KxGDatabase.h"
#include "KxGOptionRegistry.h"
#include "KxGRootblock.h"
#include "KxGStatementTemplate.h"
#include "KxMetaType.h"
#include "OraTestSupport.h"
#include "sqlengine.h"

namespace cattest {

// Runs the schema's statements on the session (not committed). options, when given, sets store options
// before the classes load. Failures are fatal test failures: call it under ASSERT_NO_FATAL_FAILURE.
inline void MakeEngineSchema(KxGDatabase& database, KxClassDict& dictionary, sqlengine::Session& session,
                             const char* dictionaryName,
                             const std::function<void(KxGOptionRegistry&)>& options = nullptr)
{
    KxGCreationSchemaMap creation(&database, &dictionary, &KxGClassLoader::Instance());
    KxGOptionRegistry& registry = creation.GetOptionRegistry();
    if (options) {
        options(registry);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
    std::vector<KxGClassMap*> maps;
    for (uint32_t i = 0; i < dictionary.GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        ASSERT_EQ(dictionary.GetDescriptor(i, descriptor), 0);
        KxGClass* loaded = nullptr;
        ASSERT_EQ(creation.LoadClass(*descriptor->GetMetaType(), loaded, 0), 0) << descriptor->GetName().StrGet();
        maps.push_back(loaded->GetClassMap());
    }
    oratest::OwnedList list;
    database.GetDatabaseInfo()->CreateLocks(KxString("S"), list);
    for (KxGClassMap* classMap : maps) {
        ASSERT_EQ(classMap->GetStoreHdl()->CreateClassTable(list), 0);
    }
    for (KxGClassMap* classMap : maps) {
        ASSERT_EQ(classMap->GetStoreHdl()->CreateExtentView(list), 0);
        ASSERT_EQ(classMap->GetStoreHdl()->CreateTriggers(list), 0);
    }
    CatalogRows rows(database);
    for (const auto& row : creation.GetClassRows()) {
        rows.Class(row.id, row.className.c_str(), row.tableName.c_str());
    }
    for (const auto& row : creation.GetMemberRows()) {
        rows.Member(row.id, row.key.c_str(), row.columnName.c_str());
    }
    rows.Statements(list);
    ASSERT_EQ(registry.FillRegistry(database, list), 0);
    KxGRootblock root(&database);
    list.Append(root.CreateTemplate());
    std::vector<std::string> texts = list.Texts();
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"DictionaryName", dictionaryName}, {"DictionaryServer", "LOCAL"}, {"RO GW Version", "1279"}}) {
        KxString insert;
        root.SetValue(KxGRootblockEntry(key, KX_TYPE_STRING), KxString(value), insert);
        texts.push_back(insert.StrGet());
    }
    for (const std::string& text : texts) {
        oratest::RunOn(session, text);
    }
}

}  // namespace cattest
