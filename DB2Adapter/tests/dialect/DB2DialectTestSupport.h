// Test doubles for the DB2 dialect's tests: a database whose type handlers give DB2 column types,
// and a conversion manager with readable expressions. Neither needs a server.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KxGColumn.h"
#include "KxGDB2DatabaseInfo.h"
#include "KxGDB2TypeHdlMgr.h"
#include "KxGFakeAdapter.h"
#include "KxGStatementTemplate.h"
#include "KxGTypeHdl.h"

namespace db2dialect {

inline std::string Str(const KxString& text)
{
    return text.IsActive() ? std::string(text.StrGet()) : std::string("<inactive>");
}

inline std::string Text(KxGStatementTemplate* statement)
{
    std::unique_ptr<KxGStatementTemplate> owned(statement);
    return owned ? Str(owned->GetSQLText()) : "<null>";
}

// A statement list that deletes its templates.
struct OwnedList : KxGStatementTemplateList {
    ~OwnedList() { ClearAll(); }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (uint32_t i = 0; i < Count(); ++i) {
            KxGStatementTemplate* statement = GetTemplate(i);
            texts.push_back(statement == nullptr ? std::string("<null>") : Str(statement->GetSQLText()));
        }
        return texts;
    }
};

// A type handler that only knows its column type: `pattern` with "#" replaced by the size; an empty
// pattern writes no type.
class ColumnTypeHdl : public KxGTypeHdl {
public:
    ColumnTypeHdl(uint8_t code, std::string pattern) : code_(code), pattern_(std::move(pattern)) {}

    uint8_t TypeCode() override { return code_; }
    uint16_t SQLTypeName(int32_t size, KxString& text) override
    {
        if (pattern_.empty()) {
            return 0;
        }
        std::string type = pattern_;
        const size_t at = type.find('#');
        if (at != std::string::npos) {
            type.replace(at, 1, std::to_string(size));
        }
        text << type.c_str();
        return 1;
    }
    int32_t IndSize() override { return 4; }
    int32_t ColumnSize(int32_t size) override { return size; }
    int32_t BufferSize(int32_t size) override { return size; }
    int32_t BindSize(int32_t size) override { return size; }
    int32_t ValueLength(const void*) override { return 0; }
    void* SQLToVar(void*, void* variable, void*, int32_t, KxGContext*) override { return variable; }
    void* VarToSQL(void*, void* sqlValue, void*, int32_t, KxGContext*) override { return sqlValue; }
    void ValueToText(const void*, KxString&, int32_t, KxGContext*) override {}
    uint16_t IsNullValue(const void*) override { return 0; }
    uint16_t IsNull(const void*) override { return 0; }
    void PrepareIndicator(void*) override {}
    void SetNull(void*) override {}
    void SetDataLength(void*, void*, int32_t) override {}

private:
    uint8_t code_;
    std::string pattern_;
};

// Converts a column by name: unchanged between equal types and sizes, else "INT(x)" into integer
// codes (6, 15) and "CHAR(x, n)" into a string of size n.
class NamingConvMgr : public KxGTypeConvHdlMgr {
public:
    void SetOptions(KxGOptionList*) override {}
    int32_t BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out) override
    {
        if (source.GetTypeCode() == target.GetTypeCode() && source.GetSize() == target.GetSize()) {
            out << source.GetName();
            return 0;
        }
        if (target.GetTypeCode() == 6 || target.GetTypeCode() == 15) {
            out << "INT(" << source.GetName() << ")";
        } else {
            out << "VARCHAR(" << source.GetName() << ", " << target.GetSize() << ")";
        }
        return 1;
    }
    int32_t CanConvert(const KxGColumn& source, const KxGColumn& target) override
    {
        KxString scratch;
        return BuildConversion(source, target, scratch);
    }
};

// The database that the dialect asks for type handlers, the schema name and error reports. Kernel type
// codes: 6 integer, 11 string (kind 0 fixed, 1 varying), 12 date, 15 object id, 16 class id; any
// other code has a handler without column type.
class DialectDatabase : public KxGFakeDatabase {
public:
    explicit DialectDatabase(const char* schema = "SHOP")
        : KxGFakeDatabase(KxString("LOCAL"), KxString(schema), KxString(""), KxString(""), nullptr, nullptr),
          schema_(schema)
    {
    }

    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t) override
    {
        const int32_t key = typeCode * 256 + kind;
        auto found = handlers_.find(key);
        if (found != handlers_.end()) {
            return found->second.get();
        }
        std::string pattern;
        switch (typeCode) {
        case 6:
        case 15:
            pattern = "INTEGER";
            break;
        case 11:
            pattern = kind == 1 ? "VARCHAR(#)" : "CHARACTER(#)";
            break;
        case 12:
            pattern = "DATE";
            break;
        case 16:
            pattern = "SMALLINT";
            break;
        default:
            break;
        }
        auto made = std::make_unique<ColumnTypeHdl>(static_cast<uint8_t>(typeCode), pattern);
        KxGTypeHdl* handler = made.get();
        handlers_[key] = std::move(made);
        return handler;
    }

    KxString* GetSchemaName(KxString* out) override
    {
        *out = KxString(schema_.c_str());
        return out;
    }

private:
    std::string schema_;
    std::map<int32_t, std::unique_ptr<ColumnTypeHdl>> handlers_;
};

// The same database with the DB2 type handlers in place of the doubles.
class DB2TypesDatabase : public DialectDatabase {
public:
    using DialectDatabase::DialectDatabase;

    KxGTypeHdl* GetTypeHdl(int32_t typeCode, int32_t kind, int32_t flags) override
    {
        return types_.GetTypeHdl(static_cast<uint8_t>(typeCode), static_cast<uint8_t>(kind),
                                 static_cast<uint8_t>(flags));
    }

private:
    KxGDB2TypeHdlMgr types_{this};
};

}  // namespace db2dialect
