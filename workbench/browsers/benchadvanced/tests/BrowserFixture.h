// The dictionary the browser tests describe: embedded, persistent and "_persistent" classes, members
// of every kind (values, arrays, embedded objects, pointers, on-demand references, object, on-demand,
// type and class sets, members kept in memory only, transient members) and index definitions; and
// a capture of the library's diagnostic lines.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KxClassDict.h"
#include "w32test.h"

namespace browsertest {

inline const char kDictionary[] = R"(dictionary browse server=LOCAL logical=browse revision=1
class 1.1 Spot embedded form=struct
member x int
member y int
class 2.1 Named
member name string
class 3.1 Item bases=Named
member count int
member weight double
member scores short count=3
member spot embedded:Spot
member owner ptr:Owner
member next ondemand:Item
member parts set:PartSet
member tags set:TagSet
member spots set:SpotSet
member refs set:ItemRefs
member cache int kind=2
member note string transient
index ItemBySpot spot.x,name
class 4.1 Owner
member name string
class 5.1 Part
member name string
member size int
class 6.1 Other
member label string
class 7.3 Ledger classflags=4
member total int
class 8.1 Both bases=Named,Item
member extra int
objectset 900.1 PartSet Part
typeset 901.1 TagSet string
classset 902.1 SpotSet Spot
ondemandset 903.1 ItemRefs Item
objectset 904.1 PartCSet Part setkind=1 byptr
typeset 905.1 OddSet int setkind=9
)";

inline std::unique_ptr<KxClassDict> ParseDictionary() {
    std::unique_ptr<KxClassDict> dict;
    KxString error;
    EXPECT_EQ(0, KxClassDict::Parse(kDictionary, "browse", dict, &error)) << error.ToUtf8();
    return dict;
}

// Collects the debugger output (the library's diagnostic lines) while it lives.
class DiagnosticCapture {
public:
    DiagnosticCapture() {
        w32test::SetDebugOutputHook([this](const std::string& text) { text_ += text; });
    }
    ~DiagnosticCapture() { w32test::SetDebugOutputHook(nullptr); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
    const std::string& Text() const { return text_; }
    bool Has(const std::string& part) const { return text_.find(part) != std::string::npos; }

private:
    std::string text_;
};

}  // namespace browsertest
