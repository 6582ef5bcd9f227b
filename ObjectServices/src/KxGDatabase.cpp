// The parts of the adapter contract that the gateway itself supplies.
#include "KxGDatabase.h"

#include <string>

#include "KxGErrorText.h"
#include "KxConfig.h"
#include "KxRoot.h"

KxGDatabase::~KxGDatabase() = default;
KxGDatabaseInfo::~KxGDatabaseInfo() = default;
KxGDatabaseError::~KxGDatabaseError() = default;

int32_t KxGDatabase::GetBatchSize(int32_t requested, uint16_t /*arrays*/)
{
    return requested;
}

namespace {

// Appends as much of text as the room left allows.
void AppendLimited(std::string& message, const char* text)
{
    if (text == nullptr || message.size() >= KXG_USER_ERROR_MAX) {
        return;
    }
    const size_t room = KXG_USER_ERROR_MAX - message.size();
    size_t length = 0;
    while (length < room && text[length] != '\0') {
        ++length;
    }
    message.append(text, length);
}

}  // namespace

void KxGDatabase::SetUserError(int32_t code, const char* detail, const char* more)
{
    std::string message;
    message.reserve(KXG_USER_ERROR_MAX);
    AppendLimited(message, KxGGetErrorText(code));
    AppendLimited(message, detail);
    AppendLimited(message, more);
    ReportError(code, message.c_str());
}

uint16_t GetMaxStatementHandle(const KxString& database)
{
    KxRoot* root = KxBase::KELVOX();
    KxConfig* config = root != nullptr ? root->GetConfig() : nullptr;
    // An empty name would end the section path early and read a section that is not the database's.
    if (config == nullptr || database.IsEmpty()) {
        return KXG_DEFAULT_STATEMENT_HANDLES;
    }
    const KxString path[] = {KxString("databases"), database, KxString("RelationalObjectGateway"), KxString()};
    int32_t value = 0;
    if (config->Get(KxString("MaxStatementHandleCacheSize"), value, path) != 0) {
        return KXG_DEFAULT_STATEMENT_HANDLES;
    }
    if (value < 0 || value > 0xFFFF) {
        return KXG_DEFAULT_STATEMENT_HANDLES;
    }
    return static_cast<uint16_t>(value);
}
