// Entry points of the gateway module relgate.
//
// The kernel's module registry checks, describes and initialises the module through the protocol
// functions KxCheckDll, KxDescribeDll and KxInitDll (declared in KxModule.h); the kernel obtains
// the gateway's connection factory through GetGatewayClientFactory. All are looked up by name.
#pragma once

#include <cstdint>

#include "KxModule.h"
#include "KxString.h"

class KxConnectionFactory;

// Version of the gateway module.
constexpr int32_t KXG_VERSION_MAJOR = 11;
constexpr int32_t KXG_VERSION_MINOR = 0;
constexpr int32_t KXG_VERSION_RELEASE = 3;
constexpr int32_t KXG_VERSION_BUILD = 50;

// Module name and description text reported by KxDescribeDll.
constexpr const char* KXG_MODULE_NAME = "relgate";
constexpr const char* KXG_MODULE_DESCRIPTION = "Tessaform SQL Gateway";

// The build's date and time: month abbreviation, day and year, then hh:mm:ss.
const char* KxGBuildStamp();

// What a module of the gateway family (the gateway or an adapter) reports through KxDescribeDll.
struct KxGModuleIdentity {
    int32_t major;
    int32_t minor;
    int32_t release;
    int32_t build;
    const char* name;
    const char* buildStamp;
    const char* description;
};

// Writes a module's description into the out-parameters of KxDescribeDll (each may be null): the
// version, 0, the name, the build stamp, "unknown", the compiler's version number and name, and an
// empty text; answers the description text.
const char* KxGDescribeModule(const KxGModuleIdentity& module, int32_t* major, int32_t* minor, int32_t* release,
                              int32_t* build, int32_t* reserved, KxString* name, KxString* buildStamp,
                              KxString* unknownText, int32_t* compilerVersion, KxString* compilerName,
                              KxString* extra);

// The version check of a module's KxCheckDll: the kernel's CheckKxVersionNumber with the module's
// version, 0, and flags with its two lowest bits set.
int32_t KxGCheckModule(const KxGModuleIdentity& module, int32_t flags);

// Defines the protocol functions KxCheckDll and KxDescribeDll of a module of the gateway family (the
// gateway or an adapter); identity is an expression giving the module's KxGModuleIdentity. Written
// once, in the module's entry file; each module defines its own KxInitDll.
#define KXG_MODULE_PROTOCOL(identity)                                                                        \
    extern "C" int32_t KxCheckDll(int32_t flags)                                                             \
    {                                                                                                        \
        return KxGCheckModule((identity), flags);                                                            \
    }                                                                                                        \
    extern "C" const char* KxDescribeDll(int32_t* major, int32_t* minor, int32_t* release, int32_t* build,   \
                                         int32_t* reserved, KxString* name, KxString* buildStamp,            \
                                         KxString* unknownText, int32_t* compilerVersion,                    \
                                         KxString* compilerName, KxString* extra)                            \
    {                                                                                                        \
        return KxGDescribeModule((identity), major, minor, release, build, reserved, name, buildStamp,       \
                                 unknownText, compilerVersion, compilerName, extra);                         \
    }

extern "C" {
// A new KxGatewayClientFactory for the product (e.g. "Oracle" or "DB2", any case); the caller owns
// it and deletes it through its virtual destructor. Null when memory runs out.
KxConnectionFactory* GetGatewayClientFactory(const KxString& product);

// The process-wide gateway version: the version read from the root block of the first database
// opened in this process, 0 before any was opened.
int32_t GetROGVersion();
}

typedef KxConnectionFactory* (*KxGGetGatewayClientFactoryFunc)(const KxString& product);
typedef int32_t (*KxGGetROGVersionFunc)();

// Sets the process-wide gateway version when it is still 0 (the first database open that reaches
// the version check); later calls change nothing. Answers the version in force.
int32_t SetROGVersion(int32_t version);
// Sets the process-wide gateway version back to 0, as in a process that has opened no database
// (for tests that open databases of several versions in one process).
void ResetROGVersion();
