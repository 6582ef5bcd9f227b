// The DB2 conversion manager: conversion codes, the factory and the cache.
#include "KxGDB2TypeConvHdlMgr.h"

#include "KxGColumn.h"

using namespace kxgdb2;

KxGDB2TypeConvHdlMgr::~KxGDB2TypeConvHdlMgr()
{
    for (KxGTypeConvHdl*& handler : cache_) {
        delete handler;
        handler = nullptr;
    }
}

void KxGDB2TypeConvHdlMgr::SetOptions(KxGOptionList*) {}

uint16_t KxGDB2TypeConvHdlMgr::ConversionCode(uint16_t typeCode, uint8_t kind)
{
    if (typeCode != 11 && typeCode != 20 && typeCode != 21) {
        return typeCode;
    }
    const uint16_t var = typeCode == 11 ? 47 : typeCode == 20 ? 52 : 54;
    if (kind == 1) {
        return var;
    }
    if (kind == 2) {
        return var + 1;
    }
    return typeCode;
}

KxGTypeConvHdl* KxGDB2TypeConvHdlMgr::MakeHandler(uint16_t code, uint32_t size)
{
    switch (code) {
    case 0: return new KxGCharTypeConvHdl(size);
    case 1: case 5: case 27: return new KxGShortTypeConvHdl(size);
    case 2: case 6: case 7: case 8: case 9: case 26: case 42: case 43: return new KxGIntTypeConvHdl(size);
    case 3: case 4: return new KxGFloatTypeConvHdl(size);
    case 10: return new KxGByteTypeConvHdl(size);
    case 11: case 20: case 21: return new KxGStringTypeConvHdl(size);
    case 12: return new KxGDateTypeConvHdl(size);
    case 13: return new KxGTimeTypeConvHdl(size);
    case 15: case 17: return new KxGOIDTypeConvHdl();
    case 16: return new KxGODRegTypeConvHdl();
    case 18: return new KxGBlobTypeConvHdl(size);
    case 19: return new KxGDateTimeTypeConvHdl(size);
    case 47: case 52: case 54: return new KxGStringVarTypeConvHdl(size);
    case 48: case 53: case 55: return new KxGStringLongTypeConvHdl(size);
    default: return nullptr;
    }
}

KxGTypeConvHdl* KxGDB2TypeConvHdlMgr::Lookup(uint16_t typeCode, uint8_t kind, uint32_t size)
{
    const uint16_t code = ConversionCode(typeCode, kind);
    if (code > KXG_DB2_CONV_LAST) {
        return nullptr;
    }
    if (cache_[code] != nullptr) {
        cache_[code]->SetSize(size);
    } else {
        cache_[code] = MakeHandler(code, size);
    }
    return cache_[code];
}

int32_t KxGDB2TypeConvHdlMgr::BuildConversion(const KxGColumn& source, const KxGColumn& target, KxString& out)
{
    KxGTypeConvHdl* from = Lookup(source.GetTypeCode(), source.GetKind(), target.GetSize());
    KxGTypeConvHdl* to = Lookup(target.GetTypeCode(), target.GetKind(), target.GetSize());
    if (from == nullptr || to == nullptr) {
        return CONV_NOT_CONVERTIBLE;
    }
    const int32_t result = to->ConvertFrom(*from, source.GetName(), out);
    if (result != CONV_SAME) {
        return result;
    }
    return from->ConvertSize(source.GetSize(), source.GetName(), out);
}

int32_t KxGDB2TypeConvHdlMgr::CanConvert(const KxGColumn& source, const KxGColumn& target)
{
    KxString scratch;
    return BuildConversion(source, target, scratch);
}
