// The relational lock service with its statements' generic "?" markers numbered ":1", ":2" ... as the
// Oracle product writes them (the engine, like the server, refuses "?"), for tests that run the
// service on the embedded engine.
#pragma once

#include <string>

#include "KxGGenericLockService.h"
#include "KxGStatementTemplate.h"

namespace oratest {

class OracleMarkedLockService : public KxGGenericLockService {
public:
    OracleMarkedLockService(KxGDatabase* database, int32_t clientId) : KxGGenericLockService(database, clientId)
    {
        ReplaceStatements(new KxGInsertStatementTemplate(Marked(GetInsertTemplate())),
                          new KxGDeleteStatementTemplate(Marked(GetDeleteTemplate())),
                          new KxGSelectStatementTemplate(Marked(GetSelectTemplate())));
    }

private:
    static KxString Marked(const KxGStatementTemplate* statement)
    {
        std::string text = statement->GetSQLText().StrGet();
        int marker = 0;
        for (size_t at = text.find('?'); at != std::string::npos; at = text.find('?', at)) {
            text.replace(at, 1, ":" + std::to_string(++marker));
        }
        return KxString(text.c_str());
    }
};

}  // namespace oratest
