#include <gtest/gtest.h>

#include <memory>

#include "KvSurrogate.h"

namespace {

KxBase* FakeBase(int n) { return reinterpret_cast<KxBase*>(static_cast<uintptr_t>(0x1000 * n)); }

TEST(KvSurrogate, EachKindAnswersOnlyItsOwnReader) {
    int object = 0;
    const KvSurrogate none, ptr(static_cast<const void*>(&object)), num(7L), txt("x"),
        oid(KxObjId(42, 1));
    struct Row {
        const KvSurrogate& s;
        long kind, number;
        const void* pointer;
        const char* text;  // null: no text
        const char* printed;
        uint64_t id;
    } rows[] = {
        {none, 0, 0, nullptr, nullptr, "", 0},
        {ptr, 1, 0, &object, nullptr, "", 0},
        {num, 2, 7, nullptr, nullptr, "7", 0},
        {txt, 3, 0, nullptr, "x", "x", 0},
        {oid, 4, 0, nullptr, nullptr, "4294967338:0.0", (uint64_t(1) << 32) + 42},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(r.s.getKind(), r.kind);
        EXPECT_EQ(r.s.getLong(), r.number);
        EXPECT_EQ(r.s.getVoidPtr(), r.pointer);
        if (r.text) EXPECT_STREQ(r.s.getConstCharPtr(), r.text);
        else EXPECT_EQ(r.s.getConstCharPtr(), nullptr);
        EXPECT_STREQ(r.s.getKxString().StrGet(), r.printed);
        EXPECT_EQ(r.s.getKxObjId().Get64(), r.id);
    }
    EXPECT_EQ(oid.getKvKelvoxObjectId().getRef().GetObjId(), KxObjId(42, 1));
    EXPECT_EQ(num.getKvKelvoxObjectId(), KvKelvoxObjectId());
}

TEST(KvSurrogate, CopiesOwnTheirTextAndObjectId) {
    auto source = std::make_unique<KvSurrogate>(KxString("entry"));
    KvSurrogate copy(*source);
    KvSurrogate assigned;
    assigned = *source;
    source.reset();
    EXPECT_STREQ(copy.getConstCharPtr(), "entry");
    EXPECT_STREQ(assigned.getConstCharPtr(), "entry");

    KvKelvoxObjectId id(KxRef(KxObjId(9), KxClassId(3, 1)), FakeBase(1));
    auto objectSource = std::make_unique<KvSurrogate>(id);
    KvSurrogate objectCopy(*objectSource);
    objectSource.reset();
    EXPECT_EQ(objectCopy.getKvKelvoxObjectId(), id);
    EXPECT_TRUE(objectCopy == KvSurrogate(id));

    // Assigning another kind releases the held object id (the sanitizer sees a leak otherwise),
    // and assigning a surrogate to itself keeps its text.
    objectCopy = 5L;
    EXPECT_EQ(objectCopy.getKind(), KvSurrogate::number);
    EXPECT_EQ(objectCopy.getKxObjId(), KxObjId());
    copy = copy;
    EXPECT_STREQ(copy.getConstCharPtr(), "entry");
    copy.clear();
    EXPECT_EQ(copy.getKind(), KvSurrogate::none);
}

TEST(KvSurrogate, EqualityNeedsTheSameKindAndValue) {
    EXPECT_TRUE(KvSurrogate(3L) == KvSurrogate(3L));
    EXPECT_FALSE(KvSurrogate(3L) == KvSurrogate(4L));
    EXPECT_TRUE(KvSurrogate("a") == KvSurrogate(KxString("a")));
    EXPECT_FALSE(KvSurrogate("3") == KvSurrogate(3L));
    EXPECT_FALSE(KvSurrogate() == KvSurrogate());
}

TEST(KvKelvoxObjectId, ReferenceAndDatabase) {
    EXPECT_TRUE(KvKelvoxObjectId() == KvKelvoxObjectId());
    KvKelvoxObjectId a, b;
    a.setBase(FakeBase(1));
    b.setBase(FakeBase(1));
    EXPECT_TRUE(a == b);  // two empty ids of one database
    b.setBase(FakeBase(2));
    EXPECT_FALSE(a == b);

    KvKelvoxObjectId id(KxRef(KxObjId(5), KxClassId(2, 1)), FakeBase(1));
    id = KxObjId(6);  // a fresh reference: class id and marker dropped, database kept
    EXPECT_EQ(id.getRef(), KxRef(KxObjId(6)));
    EXPECT_EQ(id.getBase(), FakeBase(1));
    KvKelvoxObjectId copy(id);
    EXPECT_TRUE(copy == id);
    id.clear();
    EXPECT_EQ(id.getRef(), KxRef());
    EXPECT_EQ(id.getBase(), FakeBase(1));
    EXPECT_TRUE(id == KvKelvoxObjectId(KxRef(), FakeBase(1)));
    copy = id;
    EXPECT_TRUE(copy == id);
}

}  // namespace
