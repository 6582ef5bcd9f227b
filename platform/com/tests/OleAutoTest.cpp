// BSTR, VARIANT, SAFEARRAY and GUID text.
#include <gtest/gtest.h>

#include <string>

#include "oleauto.h"

namespace {

std::u16string Text(BSTR b) { return b ? std::u16string(b, SysStringLen(b)) : std::u16string(); }

TEST(BstrTest, LengthNotTerminatorEndsTheText) {
  const char16_t units[] = u"a\0b\U0001F600";
  BSTR b = SysAllocStringLen(units, 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(Text(b), std::u16string(units, 5));
  EXPECT_EQ(b[5], u'\0');  // terminated after the length
  SysFreeString(b);

  BSTR zeroed = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(Text(zeroed), std::u16string(3, u'\0'));
  SysFreeString(zeroed);

  BSTR upToNul = SysAllocString(u"ab\0cd");
  EXPECT_EQ(SysStringLen(upToNul), 2u);
  SysFreeString(upToNul);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocStringLen(u"x", 0x7FFFFFFF), nullptr);
}

TEST(VariantTest, ClearAndCopyOwnTheirValues) {
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);
  EXPECT_EQ(src.vt, VT_EMPTY);

  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(u"x\0y", 3);
  dst.vt = VT_I4;
  dst.lVal = 7;
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(Text(dst.bstrVal), std::u16string(u"x\0y", 3));
  EXPECT_EQ(VariantCopy(&dst, &dst), S_OK);

  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, &src), S_OK);
  VARIANT arr;
  arr.vt = VT_ARRAY | VT_VARIANT;
  arr.parray = psa;
  ASSERT_EQ(VariantCopy(&dst, &arr), S_OK);  // clears the BSTR it held, copies deeply
  EXPECT_NE(dst.parray, psa);
  VARIANT got;
  ASSERT_EQ(SafeArrayGetElement(dst.parray, &i, &got), S_OK);
  EXPECT_EQ(Text(got.bstrVal), std::u16string(u"x\0y", 3));
  VariantClear(&got);

  EXPECT_EQ(VariantClear(&arr), S_OK);
  EXPECT_EQ(arr.vt, VT_EMPTY);
  EXPECT_EQ(VariantClear(&dst), S_OK);
  EXPECT_EQ(VariantClear(&src), S_OK);
}

TEST(VariantTest, UnknownTypesAreRefused) {
  for (VARTYPE vt : {VARTYPE(VT_DISPATCH), VARTYPE(VT_UNKNOWN), VARTYPE(VT_DECIMAL), VARTYPE(VT_I4 | VT_BYREF),
                     VARTYPE(VT_ARRAY | VT_DISPATCH), VARTYPE(99)}) {
    SCOPED_TRACE(vt);
    VARIANT v{}, d{};
    v.vt = vt;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, vt);
    d.vt = VT_I4;
    EXPECT_EQ(VariantCopy(&d, &v), DISP_E_BADVARTYPE);
    EXPECT_EQ(d.vt, VT_I4);  // left as it was
  }
}

TEST(SafeArrayTest, TwoDimensionsBoundsAndElements) {
  SAFEARRAYBOUND bounds[2] = {{3, -1}, {2, 10}};  // dimension 1: -1..1, dimension 2: 10..11
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 2u);
  EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
  VARTYPE vt;
  ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
  EXPECT_EQ(vt, VT_I4);
  LONG lb, ub;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, -1);
  EXPECT_EQ(ub, 1);
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lb), S_OK);
  EXPECT_EQ(lb, 10);
  EXPECT_EQ(SafeArrayGetLBound(psa, 3, &lb), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &lb), DISP_E_BADINDEX);

  for (LONG j = 10; j <= 11; ++j) {
    for (LONG i = -1; i <= 1; ++i) {
      LONG at[2] = {i, j};
      LONG v = 100 * j + i;
      ASSERT_EQ(SafeArrayPutElement(psa, at, &v), S_OK);
    }
  }
  LONG* data;
  ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
  EXPECT_EQ(data[0], 999);   // (-1, 10)
  EXPECT_EQ(data[1], 1000);  // dimension 1 varies fastest
  EXPECT_EQ(data[3], 1099);  // (-1, 11)
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnlock(psa), E_UNEXPECTED);

  LONG outside[2] = {2, 10};
  LONG v;
  EXPECT_EQ(SafeArrayGetElement(psa, outside, &v), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayPutElement(psa, outside, &v), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArrayTest, BstrElementsAreCopiedInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 1, 2);
  ASSERT_NE(psa, nullptr);
  BSTR s = SysAllocStringLen(u"p\0q", 3);
  LONG i = 2;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);
  ASSERT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);  // replaces (frees) the earlier copy
  SysFreeString(s);
  BSTR got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);
  EXPECT_EQ(Text(got), std::u16string(u"p\0q", 3));
  SysFreeString(got);
  i = 1;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArrayTest, AbsurdShapesAreRefused) {
  SAFEARRAYBOUND huge[2] = {{0x10000, 0}, {0x10000, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_R8, 2, huge), nullptr);
  SAFEARRAYBOUND past[1] = {{2, 0x7FFFFFFF}};  // the upper bound would not fit a LONG
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, past), nullptr);
  SAFEARRAYBOUND one[1] = {{1, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_DISPATCH, 1, one), nullptr);
  SAFEARRAY* empty = SafeArrayCreateVector(VT_I4, 5, 0);
  ASSERT_NE(empty, nullptr);
  LONG ub;
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &ub), S_OK);
  EXPECT_EQ(ub, 4);
  SafeArrayDestroy(empty);
}

TEST(GuidTextTest, BracedUpperCaseBothWays) {
  const GUID g = {0x376f6e2b, 0x18ed, 0x41fa, {0x9d, 0x24, 0xcd, 0xb5, 0xec, 0xdb, 0x83, 0xf5}};
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(g, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5}");
  EXPECT_EQ(StringFromGUID2(g, text, 38), 0);

  CLSID back{};
  EXPECT_EQ(CLSIDFromString(u"{376f6e2b-18ed-41fa-9D24-cdb5ecdb83f5}", &back), S_OK);
  EXPECT_TRUE(IsEqualGUID(back, g));
  for (const char16_t* bad : {u"376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5", u"{376F6E2B-18ED-41FA-9D24-CDB5ECDB83F}",
                              u"{376F6E2B_18ED-41FA-9D24-CDB5ECDB83F5}", u"{376F6E2B-18ED-41FA-9D24-CDB5ECDB83FG}",
                              u""}) {
    CLSID c = g;
    EXPECT_EQ(CLSIDFromString(bad, &c), CO_E_CLASSSTRING);
    EXPECT_TRUE(IsEqualGUID(c, g));
    EXPECT_EQ(IIDFromString(bad, &c), E_INVALIDARG);
  }
}

}  // namespace
