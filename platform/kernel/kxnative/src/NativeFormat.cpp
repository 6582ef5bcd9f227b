#include "NativeFormat.h"

#include <cstring>

#include "KxBlob.h"
#include "KxDateTime.h"
#include "KxIString.h"
#include "KxInt64.h"
#include "KxMetaType.h"
#include "KxObject.h"
#include "KxTypeMgr.h"

namespace kxn {

namespace {

// ---- bytes ------------------------------------------------------------------------------------------
class Writer {
public:
    void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(uint16_t v) { Little(v, 2); }
    void U32(uint32_t v) { Little(v, 4); }
    void I32(int32_t v) { Little(static_cast<uint32_t>(v), 4); }
    void U64(uint64_t v) { Little(v, 8); }
    void Bytes(const std::string& bytes)
    {
        U32(static_cast<uint32_t>(bytes.size()));
        out_ += bytes;
    }
    void Ref(const KxRef& ref)
    {
        U64(ref.GetObjId().Get64());
        U16(ref.GetClassId().GetClassNumber());
        U16(ref.GetClassId().GetVersion());
    }
    std::string& Out() { return out_; }

private:
    void Little(uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i) {
            out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    }
    std::string out_;
};

class Reader {
public:
    Reader(const char* data, size_t size) : p_(data), end_(data + size) {}
    explicit Reader(const std::string& s) : Reader(s.data(), s.size()) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return p_ == end_; }
    uint8_t U8() { return static_cast<uint8_t>(Little(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Little(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Little(4)); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64() { return Little(8); }
    // A length-prefixed run of bytes (a view into the record).
    bool Bytes(const char*& data, uint32_t& size)
    {
        size = U32();
        if (!ok_ || static_cast<size_t>(end_ - p_) < size) {
            ok_ = false;
            return false;
        }
        data = p_;
        p_ += size;
        return true;
    }
    KxRef Ref()
    {
        const uint64_t id = U64();
        const uint16_t number = U16();
        const uint16_t version = U16();
        KxObjId objId;
        if (objId.Set64(id) != 0) {
            ok_ = false;
        }
        return KxRef(objId, KxClassId(number, version));
    }

private:
    uint64_t Little(int n)
    {
        if (!ok_ || end_ - p_ < n) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            v |= static_cast<uint64_t>(static_cast<uint8_t>(p_[i])) << (8 * i);
        }
        p_ += n;
        return v;
    }
    const char* p_;
    const char* end_;
    bool ok_ = true;
};

KxTypeMgr& Types() { return *KxTypeMgr::GetDefault(); }

// The stored form of one value.
std::string StoredForm(int32_t code, const void* address)
{
    const uint32_t length = Types().DiskLenGet(static_cast<uint8_t>(code), address);
    std::string bytes(length, '\0');
    if (length > 0 && Types().Store(static_cast<uint8_t>(code), address, reinterpret_cast<uint8_t*>(bytes.data())) < 0) {
        bytes.clear();
    }
    return bytes;
}

bool LoadForm(int32_t code, void* address, const char* data, uint32_t size)
{
    return Types().Load(static_cast<uint8_t>(code), address, reinterpret_cast<const uint8_t*>(data), size) >= 0;
}

uint8_t* ElementAt(uint8_t* instance, const KxMember& m, uint32_t i)
{
    return instance + m.GetOffset() + i * m.GetElementSize();
}

void EncodeRecord(Writer& w, const KxMetaClass& cls, const uint8_t* instance);

void EncodeMember(Writer& w, const KxMember& m, uint8_t* instance)
{
    Writer p;
    const uint32_t count = m.GetElementCount();
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE:
        for (uint32_t i = 0; i < count; ++i) {
            p.Bytes(StoredForm(m.GetTypeCode(), ElementAt(instance, m, i)));
        }
        break;
    case KX_MEMBER_EMBEDDED:
        for (uint32_t i = 0; i < count; ++i) {
            Writer record;
            EncodeRecord(record, *m.GetClass(), ElementAt(instance, m, i));
            p.Bytes(record.Out());
        }
        break;
    case KX_MEMBER_POINTER:
        for (uint32_t i = 0; i < count; ++i) {
            KxObject* target = *reinterpret_cast<KxObject**>(ElementAt(instance, m, i));
            p.Ref(target != nullptr ? target->GetRef() : KxRef());
        }
        break;
    case KX_MEMBER_ONDEMAND:
        for (uint32_t i = 0; i < count; ++i) {
            p.Ref(reinterpret_cast<KxOnDemand*>(ElementAt(instance, m, i))->GetRef());
        }
        break;
    case KX_MEMBER_OBJECT_SET:
    case KX_MEMBER_ONDEMAND_SET: {
        const auto* set = reinterpret_cast<const KxSet*>(ElementAt(instance, m, 0));
        p.U32(set->Count());
        for (uint32_t i = 0; i < set->Count(); ++i) {
            KxRef ref;
            set->GetElementRef(i, ref);
            p.Ref(ref);
        }
        break;
    }
    case KX_MEMBER_TYPE_SET: {
        auto* set = reinterpret_cast<KxTypeSet*>(ElementAt(instance, m, 0));
        const int32_t code = set->GetElementTypeCode();
        p.I32(code);
        p.U32(set->Count());
        void* value = Types().Create(static_cast<uint8_t>(code));
        for (uint32_t i = 0; i < set->Count(); ++i) {
            set->Get(i, value);
            p.Bytes(StoredForm(code, value));
        }
        Types().Delete(static_cast<uint8_t>(code), value);
        break;
    }
    case KX_MEMBER_CLASS_SET: {
        auto* set = reinterpret_cast<KxClassSet*>(ElementAt(instance, m, 0));
        p.U32(set->Count());
        for (uint32_t i = 0; i < set->Count(); ++i) {
            Writer record;
            EncodeRecord(record, *set->GetElementClass(), set->At(i));
            p.Bytes(record.Out());
        }
        break;
    }
    case KX_MEMBER_CONTAINER: {
        // Element kind, element type code (-1 but for basic types), count, then the elements:
        // stored values, references, or records of embedded instances.
        auto* container = reinterpret_cast<KxBasicContainer*>(ElementAt(instance, m, 0));
        const KxMetaPersContainer* desc = container->GetDescription();
        p.U8(static_cast<uint8_t>(desc->GetElementKind()));
        p.I32(desc->GetElementTypeCode());
        p.U32(container->Count());
        for (uint32_t i = 0; i < container->Count(); ++i) {
            void* element = container->GetElementAddress(i);
            switch (desc->GetElementKind()) {
            case KX_CONTAINER_BASIC_TYPE: p.Bytes(StoredForm(desc->GetElementTypeCode(), element)); break;
            case KX_CONTAINER_PERS_CLASS:
            case KX_CONTAINER_ONDEMAND: p.Ref(static_cast<KxOnDemand*>(element)->GetRef()); break;
            case KX_CONTAINER_NONPERS_CLASS: {
                Writer record;
                EncodeRecord(record, *desc->GetElementClass(), static_cast<uint8_t*>(element));
                p.Bytes(record.Out());
                break;
            }
            }
        }
        break;
    }
    }
    const std::string name = m.GetName().ToUtf8();
    w.Bytes(name);
    w.U8(static_cast<uint8_t>(m.GetMemberType()));
    w.I32(m.GetTypeCode());
    w.U32(count);
    w.Bytes(p.Out());
}

void EncodeRecord(Writer& w, const KxMetaClass& cls, const uint8_t* instance)
{
    std::vector<const KxMember*> stored;
    for (const KxMember* m : cls.GetAllMembers()) {
        if (IsStored(*m)) {
            stored.push_back(m);
        }
    }
    w.U32(static_cast<uint32_t>(stored.size()));
    for (const KxMember* m : stored) {
        EncodeMember(w, *m, const_cast<uint8_t*>(instance));
    }
}

// ---- reading ------------------------------------------------------------------------------------
struct StoredMember {
    std::string name;
    uint8_t type = 0;
    int32_t code = 0;
    uint32_t count = 0;
    const char* data = nullptr;
    uint32_t size = 0;
    bool used = false;
};

bool Parse(const char* data, size_t size, std::vector<StoredMember>& members)
{
    Reader r(data, size);
    const uint32_t n = r.U32();
    for (uint32_t i = 0; r.Ok() && i < n; ++i) {
        StoredMember m;
        const char* name = nullptr;
        uint32_t nameSize = 0;
        if (!r.Bytes(name, nameSize)) {
            return false;
        }
        m.name.assign(name, nameSize);
        m.type = r.U8();
        m.code = r.I32();
        m.count = r.U32();
        if (!r.Bytes(m.data, m.size)) {
            return false;
        }
        members.push_back(std::move(m));
    }
    return r.Ok() && r.AtEnd();
}

bool DecodeRecord(const char* data, size_t size, const KxMetaClass& cls, uint8_t* instance, KxBase* base,
                  std::vector<Fixup>& fixups);

bool DecodeMember(const StoredMember& s, const KxMember& m, uint8_t* instance, KxBase* base, std::vector<Fixup>& fixups)
{
    Reader r(s.data, s.size);
    const uint32_t count = m.GetElementCount();
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE:
        for (uint32_t i = 0; i < s.count; ++i) {
            const char* form = nullptr;
            uint32_t formSize = 0;
            if (!r.Bytes(form, formSize)) {
                return false;
            }
            if (i < count && !LoadForm(m.GetTypeCode(), ElementAt(instance, m, i), form, formSize)) {
                return false;
            }
        }
        break;
    case KX_MEMBER_EMBEDDED:
        for (uint32_t i = 0; i < s.count; ++i) {
            const char* record = nullptr;
            uint32_t recordSize = 0;
            if (!r.Bytes(record, recordSize)) {
                return false;
            }
            if (i < count && !DecodeRecord(record, recordSize, *m.GetClass(), ElementAt(instance, m, i), base, fixups)) {
                return false;
            }
        }
        break;
    case KX_MEMBER_POINTER:
        for (uint32_t i = 0; i < s.count; ++i) {
            const KxRef ref = r.Ref();
            if (i < count) {
                Fixup fix;
                fix.slot = reinterpret_cast<KxObject**>(ElementAt(instance, m, i));
                fix.refs.push_back(ref);
                fixups.push_back(std::move(fix));
            }
        }
        break;
    case KX_MEMBER_ONDEMAND:
        for (uint32_t i = 0; i < s.count; ++i) {
            const KxRef ref = r.Ref();
            if (i < count) {
                auto* reference = reinterpret_cast<KxOnDemand*>(ElementAt(instance, m, i));
                if (ref.IsInvalid()) {
                    reference->Clear();
                } else {
                    reference->Assign(base, ref, base);
                }
            }
        }
        break;
    case KX_MEMBER_OBJECT_SET: {
        Fixup fix;
        fix.set = reinterpret_cast<KxObjectSet*>(ElementAt(instance, m, 0));
        fix.set->Clear();
        const uint32_t n = r.U32();
        for (uint32_t i = 0; r.Ok() && i < n; ++i) {
            fix.refs.push_back(r.Ref());
        }
        fixups.push_back(std::move(fix));
        break;
    }
    case KX_MEMBER_ONDEMAND_SET: {
        auto* set = reinterpret_cast<KxOnDemandSet*>(ElementAt(instance, m, 0));
        set->Clear();
        const uint32_t n = r.U32();
        for (uint32_t i = 0; r.Ok() && i < n; ++i) {
            KxOnDemand element;
            element.Assign(base, r.Ref(), base);
            set->Add(element);
        }
        break;
    }
    case KX_MEMBER_TYPE_SET: {
        auto* set = reinterpret_cast<KxTypeSet*>(ElementAt(instance, m, 0));
        const int32_t code = r.I32();
        if (code != set->GetElementTypeCode()) {
            return r.Ok();   // another element type: not the same member
        }
        set->Clear();
        const uint32_t n = r.U32();
        void* value = Types().Create(static_cast<uint8_t>(code));
        bool ok = value != nullptr;
        for (uint32_t i = 0; ok && r.Ok() && i < n; ++i) {
            const char* form = nullptr;
            uint32_t formSize = 0;
            ok = r.Bytes(form, formSize) && LoadForm(code, value, form, formSize) && set->Add(value) == 0;
        }
        if (value != nullptr) {
            Types().Delete(static_cast<uint8_t>(code), value);
        }
        if (!ok) {
            return false;
        }
        break;
    }
    case KX_MEMBER_CLASS_SET: {
        auto* set = reinterpret_cast<KxClassSet*>(ElementAt(instance, m, 0));
        const KxMetaClass* element = set->GetElementClass();
        set->Clear();
        const uint32_t n = r.U32();
        uint8_t* empty = element != nullptr ? element->NewInstance() : nullptr;
        bool ok = empty != nullptr;
        for (uint32_t i = 0; ok && r.Ok() && i < n; ++i) {
            const char* record = nullptr;
            uint32_t recordSize = 0;
            // Decoded in place, so that references inside the element are filled where they stay.
            ok = r.Bytes(record, recordSize) && set->Add(empty) == 0 &&
                 DecodeRecord(record, recordSize, *element, set->At(set->Count() - 1), base, fixups);
        }
        if (empty != nullptr) {
            element->DeleteInstance(empty);
        }
        if (!ok) {
            return false;
        }
        break;
    }
    case KX_MEMBER_CONTAINER: {
        auto* container = reinterpret_cast<KxBasicContainer*>(ElementAt(instance, m, 0));
        const KxMetaPersContainer* desc = container->GetDescription();
        const uint8_t kind = r.U8();
        const int32_t code = r.I32();
        if (kind != static_cast<uint8_t>(desc->GetElementKind()) || code != desc->GetElementTypeCode()) {
            return r.Ok();   // another element: not the same member
        }
        container->Clear();
        container->AttachToBase(base);
        const uint32_t n = r.U32();
        bool ok = true;
        for (uint32_t i = 0; ok && r.Ok() && i < n; ++i) {
            switch (desc->GetElementKind()) {
            case KX_CONTAINER_BASIC_TYPE: {
                const char* form = nullptr;
                uint32_t formSize = 0;
                ok = r.Bytes(form, formSize) && container->Add(nullptr) == 0 &&
                     LoadForm(code, container->GetElementAddress(container->Count() - 1), form, formSize);
                break;
            }
            case KX_CONTAINER_PERS_CLASS:
            case KX_CONTAINER_ONDEMAND: {
                KxOnDemand element;
                const KxRef ref = r.Ref();
                if (!ref.IsInvalid()) {
                    element.Assign(base, ref, base);
                }
                ok = container->Add(&element) == 0;
                break;
            }
            case KX_CONTAINER_NONPERS_CLASS: {
                const char* record = nullptr;
                uint32_t recordSize = 0;
                // Decoded in place, so that references inside the element are filled where they stay.
                ok = r.Bytes(record, recordSize) && container->Add(nullptr) == 0 &&
                     DecodeRecord(record, recordSize, *desc->GetElementClass(),
                                  static_cast<uint8_t*>(container->GetElementAddress(container->Count() - 1)), base,
                                  fixups);
                break;
            }
            }
        }
        if (!ok) {
            return false;
        }
        break;
    }
    }
    return r.Ok();
}

bool Matches(const StoredMember& s, const KxMember& m)
{
    if (s.type != static_cast<uint8_t>(m.GetMemberType()) || s.code != m.GetTypeCode()) {
        return false;
    }
    return m.GetMemberType() != KX_MEMBER_EMBEDDED || m.GetClass() != nullptr;
}

bool DecodeRecord(const char* data, size_t size, const KxMetaClass& cls, uint8_t* instance, KxBase* base,
                  std::vector<Fixup>& fixups)
{
    std::vector<StoredMember> stored;
    if (!Parse(data, size, stored)) {
        return false;
    }
    for (const KxMember* m : cls.GetAllMembers()) {
        if (!IsStored(*m)) {
            continue;
        }
        const std::string name = m->GetName().ToUtf8();
        for (StoredMember& s : stored) {
            if (s.used || s.name != name) {
                continue;
            }
            s.used = true;
            if (Matches(s, *m) && !DecodeMember(s, *m, instance, base, fixups)) {
                return false;
            }
            break;
        }
    }
    return true;
}

bool CollectRefs(const char* data, size_t size, std::vector<KxRef>& refs)
{
    std::vector<StoredMember> stored;
    if (!Parse(data, size, stored)) {
        return false;
    }
    for (const StoredMember& s : stored) {
        Reader r(s.data, s.size);
        switch (s.type) {
        case KX_MEMBER_POINTER:
        case KX_MEMBER_ONDEMAND:
            for (uint32_t i = 0; r.Ok() && i < s.count; ++i) {
                refs.push_back(r.Ref());
            }
            break;
        case KX_MEMBER_OBJECT_SET:
        case KX_MEMBER_ONDEMAND_SET: {
            const uint32_t n = r.U32();
            for (uint32_t i = 0; r.Ok() && i < n; ++i) {
                refs.push_back(r.Ref());
            }
            break;
        }
        case KX_MEMBER_EMBEDDED:
        case KX_MEMBER_CLASS_SET: {
            const uint32_t n = s.type == KX_MEMBER_EMBEDDED ? s.count : r.U32();
            for (uint32_t i = 0; r.Ok() && i < n; ++i) {
                const char* record = nullptr;
                uint32_t recordSize = 0;
                if (!r.Bytes(record, recordSize) || !CollectRefs(record, recordSize, refs)) {
                    return false;
                }
            }
            break;
        }
        case KX_MEMBER_CONTAINER: {
            const uint8_t kind = r.U8();
            r.I32();
            const uint32_t n = r.U32();
            for (uint32_t i = 0; r.Ok() && i < n; ++i) {
                if (kind == KX_CONTAINER_PERS_CLASS || kind == KX_CONTAINER_ONDEMAND) {
                    refs.push_back(r.Ref());
                    continue;
                }
                const char* element = nullptr;
                uint32_t elementSize = 0;
                if (!r.Bytes(element, elementSize) ||
                    (kind == KX_CONTAINER_NONPERS_CLASS && !CollectRefs(element, elementSize, refs))) {
                    return false;
                }
            }
            break;
        }
        default:
            break;
        }
        if (!r.Ok()) {
            return false;
        }
    }
    return true;
}

// ---- conversion to the current version ----------------------------------------------------------
bool ConvertRecord(const char* data, size_t size, const KxMetaClass& cls, Writer& out);

// The default (empty) stored form of one element of a member.
void DefaultElement(Writer& p, const KxMember& m, uint8_t* empty)
{
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE: p.Bytes(StoredForm(m.GetTypeCode(), ElementAt(empty, m, 0))); break;
    case KX_MEMBER_EMBEDDED: {
        Writer record;
        EncodeRecord(record, *m.GetClass(), ElementAt(empty, m, 0));
        p.Bytes(record.Out());
        break;
    }
    default: p.Ref(KxRef()); break;
    }
}

bool ConvertMember(const StoredMember& s, const KxMember& m, uint8_t* empty, Writer& p)
{
    Reader r(s.data, s.size);
    switch (m.GetMemberType()) {
    case KX_MEMBER_VALUE:
    case KX_MEMBER_EMBEDDED:
    case KX_MEMBER_POINTER:
    case KX_MEMBER_ONDEMAND:
        for (uint32_t i = 0; i < m.GetElementCount(); ++i) {
            if (i >= s.count) {
                DefaultElement(p, m, empty);
            } else if (m.GetMemberType() == KX_MEMBER_POINTER || m.GetMemberType() == KX_MEMBER_ONDEMAND) {
                p.Ref(r.Ref());
            } else {
                const char* element = nullptr;
                uint32_t elementSize = 0;
                if (!r.Bytes(element, elementSize)) {
                    return false;
                }
                if (m.GetMemberType() == KX_MEMBER_VALUE) {
                    p.Bytes(std::string(element, elementSize));
                } else {
                    Writer record;
                    if (!ConvertRecord(element, elementSize, *m.GetClass(), record)) {
                        return false;
                    }
                    p.Bytes(record.Out());
                }
            }
        }
        return r.Ok();
    case KX_MEMBER_CLASS_SET: {
        const KxMetaClass* element = m.GetSetType() != nullptr ? m.GetSetType()->GetElementClass() : nullptr;
        const uint32_t n = r.U32();
        p.U32(n);
        for (uint32_t i = 0; element != nullptr && r.Ok() && i < n; ++i) {
            const char* record = nullptr;
            uint32_t recordSize = 0;
            Writer converted;
            if (!r.Bytes(record, recordSize) || !ConvertRecord(record, recordSize, *element, converted)) {
                return false;
            }
            p.Bytes(converted.Out());
        }
        return r.Ok() && element != nullptr;
    }
    default:
        // Sets of references and values keep their stored form.
        p.Out().assign(s.data, s.size);
        return true;
    }
}

bool ConvertRecord(const char* data, size_t size, const KxMetaClass& cls, Writer& out)
{
    std::vector<StoredMember> stored;
    if (!Parse(data, size, stored)) {
        return false;
    }
    std::vector<const KxMember*> members;
    for (const KxMember* m : cls.GetAllMembers()) {
        if (IsStored(*m)) {
            members.push_back(m);
        }
    }
    uint8_t* empty = cls.NewInstance();
    if (empty == nullptr) {
        return false;
    }
    bool ok = true;
    out.U32(static_cast<uint32_t>(members.size()));
    for (const KxMember* m : members) {
        const std::string name = m->GetName().ToUtf8();
        StoredMember* match = nullptr;
        for (StoredMember& s : stored) {
            if (!s.used && s.name == name) {
                s.used = true;
                match = &s;
                break;
            }
        }
        // A type set of another element type is another member.
        if (match != nullptr && Matches(*match, *m) && m->GetMemberType() == KX_MEMBER_TYPE_SET) {
            Reader r(match->data, match->size);
            if (r.I32() != m->GetSetType()->GetElementTypeCode()) {
                match = nullptr;
            }
        }
        if (match == nullptr || !Matches(*match, *m)) {
            EncodeMember(out, *m, empty);
            continue;
        }
        Writer p;
        if (!ConvertMember(*match, *m, empty, p)) {
            ok = false;
            break;
        }
        out.Bytes(name);
        out.U8(static_cast<uint8_t>(m->GetMemberType()));
        out.I32(m->GetTypeCode());
        out.U32(m->GetElementCount());
        out.Bytes(p.Out());
    }
    cls.DeleteInstance(empty);
    return ok;
}

// ---- keys ---------------------------------------------------------------------------------------
void BigEndian(std::string& out, uint64_t v)
{
    for (int i = 7; i >= 0; --i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// Bytes whose order is kept, ended by 00 00 (a 00 inside becomes 00 FF).
void Escaped(std::string& out, const std::string& bytes)
{
    for (char c : bytes) {
        out.push_back(c);
        if (c == '\0') {
            out.push_back(static_cast<char>(0xFF));
        }
    }
    out.push_back('\0');
    out.push_back('\0');
}

class KeyCollector : public KxIndexEntryFunctor {
public:
    KeyCollector(const KxMetaClass& cls, const uint8_t* instance, const std::map<const void*, KxRef>* pointers)
        : cls_(cls), instance_(instance), pointers_(pointers) {}
    int32_t OnSimpleIndex(const KxIndexDef& index) override { return Add(index); }
    int32_t OnCompoundIndex(const KxIndexDef& index) override { return Add(index); }
    std::vector<KeyEntry> entries;

private:
    int32_t Add(const KxIndexDef& index)
    {
        KeyEntry entry;
        entry.index = index.GetNumber();
        entry.unique = index.IsUnique();
        for (uint32_t k = 0; k < index.GetKeyCount(); ++k) {
            uint32_t offset = 0;
            const KxMember* member = cls_.FindMemberPath(index.GetKey(k).path, &offset);
            if (member == nullptr) {
                return 0;   // not a key of this class's objects
            }
            const uint8_t* at = instance_ + offset;
            if (member->GetMemberType() == KX_MEMBER_VALUE) {
                if (ScalarOf(member->GetTypeCode(), at).kind == Scalar::kNull) {
                    entry.unique = false;
                }
                AppendKeyPart(entry.key, member->GetTypeCode(), at);
            } else if (member->GetMemberType() == KX_MEMBER_POINTER || member->GetMemberType() == KX_MEMBER_ONDEMAND) {
                KxRef ref;
                if (member->GetMemberType() == KX_MEMBER_ONDEMAND) {
                    ref = reinterpret_cast<const KxOnDemand*>(at)->GetRef();
                } else if (const KxObject* target = *reinterpret_cast<KxObject* const*>(at)) {
                    ref = target->GetRef();
                } else if (pointers_ != nullptr && pointers_->count(at) != 0) {
                    ref = pointers_->at(at);
                }
                const uint64_t id = ref.GetObjId().Get64();
                AppendKeyPart(entry.key, KX_TYPE_UINT64, &id);
            } else {
                return 0;   // a set is no key
            }
        }
        entries.push_back(std::move(entry));
        return 0;
    }
    const KxMetaClass& cls_;
    const uint8_t* instance_;
    const std::map<const void*, KxRef>* pointers_;
};

}  // namespace

Scalar ScalarOf(int32_t typeCode, const void* address)
{
    Scalar s;
    auto integer = [&s](int64_t v) {
        s.kind = Scalar::kInt;
        s.i = v;
    };
    auto unsignedInt = [&s](uint64_t v) {
        s.kind = Scalar::kUInt;
        s.u = v;
    };
    switch (typeCode) {
    case KX_TYPE_CHAR: integer(*static_cast<const unsigned char*>(address)); break;
    case KX_TYPE_SHORT: integer(*static_cast<const int16_t*>(address)); break;
    case KX_TYPE_INT:
    case KX_TYPE_LONG:
    case KX_TYPE_INT4: integer(*static_cast<const int32_t*>(address)); break;
    case KX_TYPE_DOUBLE:
        s.kind = Scalar::kReal;
        s.r = *static_cast<const double*>(address);
        break;
    case KX_TYPE_FLOAT:
        s.kind = Scalar::kReal;
        s.r = *static_cast<const float*>(address);
        break;
    case KX_TYPE_USHORT: unsignedInt(*static_cast<const uint16_t*>(address)); break;
    case KX_TYPE_UINT:
    case KX_TYPE_ULONG: unsignedInt(*static_cast<const uint32_t*>(address)); break;
    case KX_TYPE_BYTE: unsignedInt(*static_cast<const uint8_t*>(address)); break;
    case KX_TYPE_STRING:
    case KX_TYPE_ISTRING:
    case KX_TYPE_CASEISTRING: {
        const auto* text = static_cast<const KxString*>(address);
        if (text->IsActive()) {
            s.kind = Scalar::kText;
            s.s = text->ToUtf8();
        }
        break;
    }
    case KX_TYPE_DATE: {
        const auto* d = static_cast<const KxDate*>(address);
        integer(int64_t(d->GetYear()) * 10000 + d->GetMonth() * 100 + d->GetDay());
        break;
    }
    case KX_TYPE_TIME: {
        const auto* t = static_cast<const KxTime*>(address);
        integer(int64_t(t->GetHour()) * 10000 + t->GetMinute() * 100 + t->GetSecond());
        break;
    }
    case KX_TYPE_DATETIME: {
        const auto* t = static_cast<const KxDateTime*>(address);
        integer((int64_t(t->GetYear()) * 10000 + t->GetMonth() * 100 + t->GetDay()) * 1000000 +
                t->GetHour() * 10000 + t->GetMinute() * 100 + t->GetSecond());
        break;
    }
    case KX_TYPE_OBJID:
    case KX_TYPE_OBJID2: unsignedInt(static_cast<const KxObjId*>(address)->Get64()); break;
    case KX_TYPE_CLASSID: {
        const auto* id = static_cast<const KxClassId*>(address);
        unsignedInt((uint64_t(id->GetClassNumber()) << 16) | id->GetVersion());
        break;
    }
    case KX_TYPE_BLOB: {
        const auto* blob = static_cast<const KxBlob*>(address);
        s.kind = Scalar::kBytes;
        s.s.assign(reinterpret_cast<const char*>(blob->Data()), blob->Length());
        break;
    }
    case KX_TYPE_KXINT64: integer(static_cast<int64_t>(*static_cast<const KxInt64*>(address))); break;
    case KX_TYPE_BOOLEAN: unsignedInt(static_cast<const KxBoolean*>(address)->IsTrue() ? 1 : 0); break;
    case KX_TYPE_INT64: integer(*static_cast<const int64_t*>(address)); break;
    case KX_TYPE_UINT64: unsignedInt(*static_cast<const uint64_t*>(address)); break;
    default: break;
    }
    return s;
}

void AppendKeyPart(std::string& key, int32_t typeCode, const void* address)
{
    const Scalar s = ScalarOf(typeCode, address);
    if (s.kind == Scalar::kNull) {
        key.push_back('\0');
        return;
    }
    key.push_back('\1');
    switch (s.kind) {
    case Scalar::kInt: BigEndian(key, static_cast<uint64_t>(s.i) ^ (uint64_t(1) << 63)); break;
    case Scalar::kUInt: BigEndian(key, s.u); break;
    case Scalar::kReal: {
        uint64_t bits = 0;
        const double r = s.r == 0 ? 0.0 : s.r;   // -0 and 0 are one key
        std::memcpy(&bits, &r, sizeof bits);
        // Negative numbers: every bit turned; positive: the sign bit set. Byte order then follows value order.
        bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t(1) << 63);
        BigEndian(key, bits);
        break;
    }
    case Scalar::kText:
    case Scalar::kBytes: {
        std::string bytes = s.s;
        if (typeCode == KX_TYPE_CASEISTRING) {
            for (char& c : bytes) {
                if (c >= 'A' && c <= 'Z') {
                    c = static_cast<char>(c - 'A' + 'a');
                }
            }
        }
        Escaped(key, bytes);
        break;
    }
    default: break;
    }
}

bool IsStored(const KxMember& member)
{
    return !member.IsTransient() && !member.HasQualifier(KX_QUAL_NOT_STORED) &&
           member.GetKind() != KX_MEMBER_KIND_NOT_STORED;
}

std::string Encode(const KxMetaClass& cls, const uint8_t* instance)
{
    Writer w;
    EncodeRecord(w, cls, instance);
    return std::move(w.Out());
}

bool Decode(const std::string& record, const KxMetaClass& cls, uint8_t* instance, KxBase* base,
            std::vector<Fixup>& fixups)
{
    return DecodeRecord(record.data(), record.size(), cls, instance, base, fixups);
}

bool ReferencesOf(const std::string& record, std::vector<KxRef>& refs)
{
    return CollectRefs(record.data(), record.size(), refs);
}

bool Convert(const std::string& record, const KxMetaClass& cls, std::string& out)
{
    Writer w;
    if (!ConvertRecord(record.data(), record.size(), cls, w)) {
        return false;
    }
    out = std::move(w.Out());
    return true;
}

std::vector<KeyEntry> KeysOf(const KxMetaClass& cls, const uint8_t* instance, const std::map<const void*, KxRef>* pointers)
{
    KeyCollector collector(cls, instance, pointers);
    cls.ApplyToIndexes(collector);
    return std::move(collector.entries);
}

}  // namespace kxn
