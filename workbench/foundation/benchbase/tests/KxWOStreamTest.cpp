// The diagnostic stream inside a process that has streams already (those of the library's own
// units): what each operator writes, and streams made, assigned and destroyed alongside.
// The first stream of a process, the console and the last stream are seen in the probe program
// (WOStreamProbeTest.cpp).
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "KxWOStream.h"
#include "StreamCapture.h"

namespace {

KxWOStream theStream;

TEST(KxWOStreamTest, EachOperatorWritesItsFormat) {
    StreamCapture out;
    struct Case {
        void (*write)(KxWOStream&);
        const char* text;
    };
    const Case cases[] = {
        {[](KxWOStream& s) { s << "text unchanged %d\t"; }, "text unchanged %d\t"},
        {[](KxWOStream& s) { s << static_cast<const char*>(nullptr); }, ""},
        {[](KxWOStream& s) { s << -42; }, "-42"},
        {[](KxWOStream& s) { s << 4000000000u; }, "4000000000"},
        {[](KxWOStream& s) { s << static_cast<short>(-1); }, "-1"},
        {[](KxWOStream& s) { s << static_cast<unsigned short>(65535); }, "65535"},
        {[](KxWOStream& s) { s << LONG_MIN; }, "-9223372036854775808"},
        {[](KxWOStream& s) { s << 18446744073709551615ul; }, "18446744073709551615"},
        {[](KxWOStream& s) { s << 1.5f; }, "1.500000"},
        {[](KxWOStream& s) { s << -0.25; }, "-0.250000"},
        {[](KxWOStream& s) { s << 'x'; }, "x"},
        {[](KxWOStream& s) { s << reinterpret_cast<void*>(0x1F); }, "0x1f"},
        {[](KxWOStream& s) { s << static_cast<void*>(nullptr); }, "0x0"},
        {[](KxWOStream& s) { s << endl; }, "\n"},
        {[](KxWOStream& s) { s << flush; }, ""},
        {[](KxWOStream& s) { s.flush(); }, ""},
    };
    for (const Case& c : cases) {
        c.write(theStream);
        EXPECT_EQ(c.text, out.Take());
    }
    // The large double needs more than a small buffer.
    theStream << 1e300;
    const std::string big = out.Take();
    EXPECT_EQ(301u, big.find('.'));
    EXPECT_EQ("1000000000000", big.substr(0, 13));
}

TEST(KxWOStreamTest, OperatorsChainAndLinesEndWithEndl) {
    StreamCapture out;
    theStream << "KxFileSystem" << " : " << 3 << '/' << 7u << endl << "next" << endl;
    EXPECT_EQ("KxFileSystem : 3/7\nnext\n", out.Take());
}

TEST(KxWOStreamTest, FurtherStreamsPrintNoBannerAndAssignmentKeepsOneReferenceEach) {
    StreamCapture out;
    {
        KxWOStream a;
        auto* b = new KxWOStream;
        a = *b;
        *b = *b;
        delete b;
        a << "a";
    }
    // Destroying both streams released one reference each: the sink is still open.
    theStream << "still here" << endl;
    EXPECT_EQ("astill here\n", out.Take());
}

}  // namespace
