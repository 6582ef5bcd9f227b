#include "KxGClassMapperCmd.h"

#include "KxGCreationSchemaMap.h"
#include "KxGStatusCodes.h"

KxGClassMapperCmd::KxGClassMapperCmd(KxGClassMapper* mapper) : mapper_(mapper) {}
KxGClassMapperCmd::~KxGClassMapperCmd() = default;

int32_t KxGClassMapperCmd::Prepare() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

std::unique_ptr<KxGClassMapperCmd> KxGClassMapperCmd::Make(int32_t kind, KxGClassMapper* mapper) {
    switch (kind) {
    case KXG_MAPPER_CMD_EMPTY: return std::make_unique<KxGClassMapperEmptyCmd>(mapper);
    case KXG_MAPPER_CMD_DROP: return std::make_unique<KxGClassMapperDropCmd>(mapper);
    case KXG_MAPPER_CMD_CREATE: return std::make_unique<KxGClassMapperCreateCmd>(mapper);
    case KXG_MAPPER_CMD_CONVERT: return std::make_unique<KxGClassMapperConvertCmd>(mapper);
    case KXG_MAPPER_CMD_VERSION: return std::make_unique<KxGClassMapperVersionCmd>(mapper);
    case KXG_MAPPER_CMD_LIST: return std::make_unique<KxGClassMapperListCmd>(mapper);
    default: return nullptr;
    }
}

KxGClassMapperCreateCmd::KxGClassMapperCreateCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}
KxGClassMapperCreateCmd::~KxGClassMapperCreateCmd() = default;
int32_t KxGClassMapperCreateCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapperCreateCmd::Prepare() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

KxGClassMapperDropCmd::KxGClassMapperDropCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}
KxGClassMapperDropCmd::~KxGClassMapperDropCmd() = default;
int32_t KxGClassMapperDropCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

KxGClassMapperEmptyCmd::KxGClassMapperEmptyCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}
KxGClassMapperEmptyCmd::~KxGClassMapperEmptyCmd() = default;
int32_t KxGClassMapperEmptyCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

KxGClassMapperListCmd::KxGClassMapperListCmd(KxGClassMapper* mapper) : KxGClassMapperCmd(mapper) {}
KxGClassMapperListCmd::~KxGClassMapperListCmd() = default;
int32_t KxGClassMapperListCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

KxGClassMapperVersionCmd::KxGClassMapperVersionCmd(KxGClassMapper* mapper)
    : KxGClassMapperCmd(mapper), KxGClassMapperCreateCmd(mapper), KxGClassMapperDropCmd(mapper) {}
KxGClassMapperVersionCmd::~KxGClassMapperVersionCmd() = default;
int32_t KxGClassMapperVersionCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapperVersionCmd::Prepare() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }

KxGClassMapperConvertCmd::KxGClassMapperConvertCmd(KxGClassMapper* mapper)
    : KxGClassMapperCmd(mapper), KxGClassMapperCreateCmd(mapper), KxGClassMapperDropCmd(mapper) {}
KxGClassMapperConvertCmd::~KxGClassMapperConvertCmd() = default;
int32_t KxGClassMapperConvertCmd::Run() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
int32_t KxGClassMapperConvertCmd::Prepare() { return KXG_E_MAPPER_NOT_IMPLEMENTED; }
