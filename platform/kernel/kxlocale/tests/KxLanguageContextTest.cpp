#include <gtest/gtest.h>

#include "kxlocale.h"

TEST(KxLanguageContext, DefaultAndNativeCodeSetsAreTheWesternEightBitSet) {
    EXPECT_EQ(KxLanguageContext::GetDefault8CodeSet(), 1);
    EXPECT_EQ(KxLanguageContext::GetNativeCodeSet(), 1);
}

TEST(KxLanguageContext, CodeSetsUpTo224AreEightBit) {
    EXPECT_TRUE(KxLanguageContext::Is8BitCodeSet(0));
    EXPECT_TRUE(KxLanguageContext::Is8BitCodeSet(224));
    EXPECT_FALSE(KxLanguageContext::Is8BitCodeSet(225));
    EXPECT_FALSE(KxLanguageContext::Is8BitCodeSet(253));
}
