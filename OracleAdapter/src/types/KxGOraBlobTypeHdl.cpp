// The Oracle handlers of blobs: long raw, raw and BLOB columns bound inline, and BLOB columns bound
// through LOB locators.
#include <algorithm>
#include <cstring>

#include "KxBlob.h"
#include "KxGDatabase.h"
#include "KxGOraOciAccess.h"
#include "KxGOraTypeHdl.h"
#include "KxGSQLBuffer.h"
#include "KxGUnaligned.h"
#include "oci.h"

using kxgora::HandlesOf;
using kxgora::OciHandles;
using kxgora::Succeeded;

namespace {

constexpr int32_t kPrefix = 4;
constexpr ub1 kCharacterSetFormImplicit = 1;

using kxg_unaligned::Load;
using kxg_unaligned::Save;

OCILobLocator* LocatorOf(const void* slot)
{
    return Load<OCILobLocator*>(slot);
}

}  // namespace

// ---- KxGOraBlobTypeHdl and variants -------------------------------------------------------------

KxGOraBlobTypeHdl::KxGOraBlobTypeHdl(const KxGContext& context) : KxGOraTypeHdl(context, 18)
{
}

int32_t KxGOraBlobTypeHdl::ColumnSize(int32_t size)
{
    return size;
}

int32_t KxGOraBlobTypeHdl::BufferSize(int32_t size)
{
    return size;
}

void* KxGOraBlobTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxBlob& blob = *static_cast<KxBlob*>(variable);
    if (IsNull(indicator) || size < kPrefix) {
        blob.Empty();
        return variable;
    }
    const uint8_t* slot = static_cast<const uint8_t*>(sqlValue);
    const int32_t length = std::clamp(Load<int32_t>(slot), 0, size - kPrefix);
    return blob.SetTo(slot + kPrefix, uint32_t(length)) == 0 ? variable : nullptr;
}

void* KxGOraBlobTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t size, KxGContext*)
{
    if (sqlValue == nullptr || variable == nullptr || size < kPrefix) {
        return nullptr;
    }
    const KxBlob& blob = *static_cast<const KxBlob*>(variable);
    uint8_t* slot = static_cast<uint8_t*>(sqlValue);
    int64_t length = blob.Length();
    const bool cut = length + kPrefix > size;
    if (cut) {
        length = size - kPrefix;
    }
    Save<int32_t>(slot, static_cast<int32_t>(length));
    if (length > 0) {
        std::memcpy(slot + kPrefix, blob.Data(), size_t(length));
    }
    if (blob.IsEmpty()) {
        SetNull(indicator);
    } else {
        SetNotNull(indicator);
    }
    return cut ? nullptr : sqlValue;
}

void KxGOraBlobTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue != nullptr) {
        text << "Blob data";
    }
}

void KxGOraBlobTypeHdl::SetDataLength(void* sqlValue, void*, int32_t size)
{
    if (sqlValue != nullptr) {
        Save<int32_t>(sqlValue, size < kPrefix ? 0 : size - kPrefix);
    }
}

uint16_t KxGOraBlobTypeHdl::NativeType()
{
    return SQLT_LVB;
}

KxGOraBlobRawTypeHdl::KxGOraBlobRawTypeHdl(const KxGContext& context) : KxGOraBlobTypeHdl(context)
{
}

uint16_t KxGOraBlobRawTypeHdl::SQLTypeName(int32_t size, KxString& text)
{
    text << "RAW (" << size << ")";
    return 1;
}

KxGOraBlobNoHandleTypeHdl::KxGOraBlobNoHandleTypeHdl(const KxGContext& context) : KxGOraBlobTypeHdl(context)
{
}

uint16_t KxGOraBlobNoHandleTypeHdl::SQLTypeName(int32_t, KxString& text)
{
    text << "BLOB DEFAULT EMPTY_BLOB()";
    return 1;
}

// ---- KxGOraBlobBlobTypeHdl ----------------------------------------------------------------------

KxGOraBlobBlobTypeHdl::KxGOraBlobBlobTypeHdl(const KxGContext& context) : KxGOraTypeHdl(context, 18)
{
}

int32_t KxGOraBlobBlobTypeHdl::ColumnSize(int32_t)
{
    return 0;
}

int32_t KxGOraBlobBlobTypeHdl::BufferSize(int32_t)
{
    return static_cast<int32_t>(sizeof(OCILobLocator*));
}

void KxGOraBlobBlobTypeHdl::ValueToText(const void* sqlValue, KxString& text, int32_t, KxGContext*)
{
    if (sqlValue != nullptr) {
        text << "Blob data";
    }
}

uint16_t KxGOraBlobBlobTypeHdl::IsHandle()
{
    return 1;
}

uintptr_t KxGOraBlobBlobTypeHdl::CreateHandle(void* address, uint16_t* kind, const KxGContext& context)
{
    KxGDatabase* database = context.GetDatabase() != nullptr ? context.GetDatabase() : GetContext().GetDatabase();
    if (database == nullptr) {
        return 0;
    }
    uintptr_t handle = 0;
    if (database->AllocDescriptor(KXG_ORA_LOB_DESCRIPTOR, &handle) != 0 || handle == 0) {
        return 0;
    }
    if (address != nullptr) {
        Save(address, reinterpret_cast<OCILobLocator*>(handle));
    }
    if (kind != nullptr) {
        *kind = KXG_ORA_LOB_DESCRIPTOR;
    }
    return handle;
}

uint16_t KxGOraBlobBlobTypeHdl::NativeType()
{
    return SQLT_BLOB;
}

bool KxGOraBlobBlobTypeHdl::ReadLob(void* sqlValue, KxGContext* context,
                                    uint8_t* (*prepare)(void* target, uint32_t length), void* target)
{
    OCILobLocator* locator = LocatorOf(sqlValue);
    if (locator == nullptr) {
        return true;   // no locator in the slot: nothing to read
    }
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    ub4 length = 0;
    if (!Succeeded(handles, OCILobGetLength(handles.service, handles.error, locator, &length))) {
        return false;
    }
    uint8_t* destination = prepare(target, length);
    if (length == 0) {
        return true;
    }
    if (destination == nullptr) {
        return false;   // out of memory
    }
    ub4 amount = length;
    return Succeeded(handles, OCILobRead(handles.service, handles.error, locator, &amount, 1, destination, length,
                                         nullptr, nullptr, 0, kCharacterSetFormImplicit));
}

bool KxGOraBlobBlobTypeHdl::WriteLob(void* sqlValue, const uint8_t* data, uint32_t length, KxGContext* context)
{
    const OciHandles handles = HandlesOf(DatabaseOf(context));
    OCILobLocator* locator = LocatorOf(sqlValue);
    if (locator == nullptr) {
        return Succeeded(handles, OCI_INVALID_HANDLE);
    }
    if (length > 0) {
        ub4 amount = length;
        if (!Succeeded(handles, OCILobWrite(handles.service, handles.error, locator, &amount, 1,
                                            const_cast<uint8_t*>(data), length, OCI_ONE_PIECE, nullptr, nullptr, 0,
                                            kCharacterSetFormImplicit))) {
            return false;
        }
    }
    // A shorter value must leave no bytes of the previous one behind.
    return Succeeded(handles, OCILobTrim(handles.service, handles.error, locator, length));
}

// ---- KxGOraBlobBlobAsKxBlobTypeHdl --------------------------------------------------------------

KxGOraBlobBlobAsKxBlobTypeHdl::KxGOraBlobBlobAsKxBlobTypeHdl(const KxGContext& context)
    : KxGOraBlobBlobTypeHdl(context)
{
}

void* KxGOraBlobBlobAsKxBlobTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t,
                                             KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxBlob& blob = *static_cast<KxBlob*>(variable);
    if (IsNull(indicator)) {
        blob.Empty();
        return variable;
    }
    auto prepare = [](void* target, uint32_t length) -> uint8_t* {
        KxBlob& into = *static_cast<KxBlob*>(target);
        if (into.Resize(length) != 0) {
            return nullptr;
        }
        into.Seek(0);
        return into.Data();
    };
    return ReadLob(sqlValue, context, prepare, &blob) ? variable : nullptr;
}

void* KxGOraBlobBlobAsKxBlobTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t,
                                             KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    SetNotNull(indicator);
    const KxBlob& blob = *static_cast<const KxBlob*>(variable);
    return WriteLob(sqlValue, blob.Data(), blob.Length(), context) ? sqlValue : nullptr;
}

// ---- KxGOraBlobBlobAsSQLObjectBufferTypeHdl -----------------------------------------------------

KxGOraBlobBlobAsSQLObjectBufferTypeHdl::KxGOraBlobBlobAsSQLObjectBufferTypeHdl(const KxGContext& context)
    : KxGOraBlobBlobTypeHdl(context)
{
}

void* KxGOraBlobBlobAsSQLObjectBufferTypeHdl::SQLToVar(void* sqlValue, void* variable, void* indicator, int32_t,
                                                      KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    KxGSQLBuffer& buffer = *static_cast<KxGSQLBuffer*>(variable);
    if (IsNull(indicator)) {
        buffer.Free();
        return variable;
    }
    auto prepare = [](void* target, uint32_t length) -> uint8_t* {
        KxGSQLBuffer& into = *static_cast<KxGSQLBuffer*>(target);
        const int64_t needed = int64_t(length) + kPrefix;
        if (needed > INT32_MAX) {
            return nullptr;
        }
        if (into.GetRowWidth() < needed) {
            into.Free();
            into.SetRowWidth(static_cast<int32_t>(needed));
        }
        if (into.GetData() == nullptr || into.GetRowCount() < 1) {
            into.Allocate(1);
        }
        if (into.GetData() == nullptr) {
            return nullptr;
        }
        Save<int32_t>(into.GetData(), static_cast<int32_t>(length));
        return into.GetData() + kPrefix;
    };
    return ReadLob(sqlValue, context, prepare, &buffer) ? variable : nullptr;
}

void* KxGOraBlobBlobAsSQLObjectBufferTypeHdl::VarToSQL(void* variable, void* sqlValue, void* indicator, int32_t,
                                                      KxGContext* context)
{
    if (sqlValue == nullptr || variable == nullptr) {
        return nullptr;
    }
    SetNotNull(indicator);
    const KxGSQLBuffer& buffer = *static_cast<const KxGSQLBuffer*>(variable);
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    if (buffer.GetData() != nullptr && buffer.GetRowCount() > 0 && buffer.GetRowWidth() > kPrefix) {
        data = buffer.GetData() + kPrefix;
        length = uint32_t(buffer.GetRowWidth() - kPrefix);
    }
    return WriteLob(sqlValue, data, length, context) ? sqlValue : nullptr;
}
