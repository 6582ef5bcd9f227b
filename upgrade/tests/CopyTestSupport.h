// The class dictionary of the attribute copy's tests and of its end-to-end step library: customers in
// two class versions derived from Person (an embedded address, a reference to a company, a set of
// order references, a set of integers, a set of embedded addresses), a class with a member of each
// kernel value type, classes whose members clash in type, a class with a set of on-demand references
// and an embedded class with members the copy does not support.
#pragma once

#include "WrapperTestSupport.h"

namespace upgrade_test {

inline const char kCopyDictionary[] = R"(dictionary dict server=LOCAL logical=dict revision=1
class 1.1 Company
member name string
member generation int
class 2.1 Person
member name string
member boss ondemand:Company
class 3.1 Address embedded
member street string
member zip int
class 4.1 Order
member number int
class 5.1 CustomerV1 bases=Person
member address embedded:Address
member company ondemand:Company
member orders set:OrderSet
member numbers set:NumberSet
member places set:AddressSet
class 6.1 CustomerV2 bases=Person
member address embedded:Address
member company ondemand:Company
member orders set:OrderSet
member numbers set:NumberSet
member places set:AddressSet
member rating int
class 7.1 Values
member c char
member s short
member i int
member d double
member f float
member us ushort
member ui uint
member l long
member ul ulong
member i4 int4
member b byte
member str string
member dt date
member tm time
member bl blob
member dtm datetime
member i64 kxint64
member bo boolean
member big int64
class 8.1 Flat
member zip int
class 9.1 Deep
member zip embedded:Address
class 10.1 Clash
member zip string
class 11.1 Odd
member number int
member refs set:OrderRefs
class 12.1 Rare embedded
member note nlsstring
member big int64
objectset 900.1 OrderSet Order
typeset 901.1 NumberSet int
classset 902.1 AddressSet Address
ondemandset 903.1 OrderRefs Order
)";

// The copy's installation, made once per process.
class CopySite : public StorageSite {
public:
    static constexpr const char* kServer = "COPYSRV";
    static CopySite& Get(const char* relgen) {
        static CopySite site(relgen);
        return site;
    }

private:
    explicit CopySite(const char* relgen)
        : StorageSite(relgen, kServer, [](const TempDir& dir) { dir.Write("dicts/dict/classes.kxd", kCopyDictionary); }) {}
};

}  // namespace upgrade_test
