#include "KxGClassMapper.h"

#include <ostream>

#include "KxGClassMapperCmd.h"
#include "KxGClassMapperLog.h"
#include "KxGStatusCodes.h"

KxGClassMapper::KxGClassMapper(int argc, const char* const* argv)
    : log_(std::make_unique<KxGClassMapperLog>(this, logStream_, echo_)), argc_(argc), argv_(argv),
      dictionaryServer_("LOCAL") {}

KxGClassMapper::~KxGClassMapper() = default;

int32_t KxGClassMapper::Execute() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
void KxGClassMapper::ShowBanner(std::ostream& out) { out.flush(); }
void KxGClassMapper::ShowUsage(std::ostream& out) { out.flush(); }
int32_t KxGClassMapper::CreateDBDirect(const KxString&, const KxString&, const KxString&, const KxString&,
                                       KxParameterSet*) {
    return KXG_E_MAPPER_NOT_IMPLEMENTED;
}
int32_t KxGClassMapper::DeleteDBDirect(const KxString&, const KxString&, const KxString&, KxBase*, KxParameterSet*) {
    return KXG_E_MAPPER_NOT_IMPLEMENTED;
}
int32_t KxGClassMapper::ParseArguments() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::Connect(bool) { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::ReadSchemaFacts() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::EndConnection(int32_t result) { return result; }
int32_t KxGClassMapper::ExecuteStatement(KxGStatementTemplate&) { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::ExecuteList(KxGStatementTemplateList&) { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::CheckSchemaOwner() { return 0; }
int32_t KxGClassMapper::ReadOptionFile(KxGOptionRegistry&) { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapper::Report(int32_t code, const KxString& text, int32_t native) {
    log_->Report(code, native, text);
    return code;
}
void KxGClassMapper::Print(const KxString& text) { log_->Output(text); }
void KxGClassMapper::SetCommandFactory(CommandFactory factory) { factory_ = std::move(factory); }
