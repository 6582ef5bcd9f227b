// One INI text and a table of lookups in it, run through every reader of the INI rules (the
// kernel's KxConfig and the Win32 profile calls) so that both answer alike.
#pragma once

namespace w32ini_cases {

inline const char* const kIniText =
    "\xEF\xBB\xBF; kernel configuration\r\n"
    "onlyServerUnicode = 1\r\n"
    "[databases\\shop\\RelationalObjectGateway]\r\n"
    "TraceModules = SM,STM \r\n"
    "MaxConnectionPoolSize=12\n"
    "ConnectionPoolExpirationTime = -60\n"
    "Big = 70000\n"
    "Hex = 0x7fff\n"
    "Word = 0xFFFF\n"
    "NotANumber = 12abc\n"
    "Empty =\n"
    "Quoted = \"a b\" \n"
    "TraceModules = ALL\n"
    "   ; indented comment = not a key\n"
    "a line without equals sign\n"
    "= a value without key\n"
    "[ databases \\ stock \\ RelationalObjectGateway ]\n"
    "TraceFile = gw\n"
    "[RelationalObjectGateway]\n"
    "ConcurrencyControlService = LOCAL\n"
    "[servers\\ORA1]\n"
    "Text = caf\xC3\xA9\n"
    "Path = C:\\data\\shop\n"
    "[DATABASES\\Shop\\relationalobjectgateway]\n"
    "Added = yes\n"
    "MaxConnectionPoolSize = 99\n";

struct Lookup {
    const char* section;   // names joined by backslashes
    const char* key;
    const char* value;     // null: not found
};

inline const Lookup kLookups[] = {
    {"databases\\shop\\RelationalObjectGateway", "TraceModules", "SM,STM"},   // trimmed; first one counts
    {"Databases\\SHOP\\relationalObjectGateway", "tracemodules", "SM,STM"},   // case ignored
    {"databases\\shop\\RelationalObjectGateway", "Added", "yes"},             // a repeated header adds
    {"databases\\shop\\RelationalObjectGateway", "MaxConnectionPoolSize", "12"},   // ... not replaces
    {"databases\\shop\\RelationalObjectGateway", "Empty", ""},
    {"databases\\shop\\RelationalObjectGateway", "Quoted", "\"a b\""},         // quotes are kept
    {"databases\\stock\\RelationalObjectGateway", "TraceFile", "gw"},          // blanks around names
    {"databases \\ stock\\ RelationalObjectGateway", "TraceFile", "gw"},
    {"RelationalObjectGateway", "ConcurrencyControlService", "LOCAL"},
    {"servers\\ORA1", "Text", "caf\xC3\xA9"},
    {"servers\\ORA1", "Path", "C:\\data\\shop"},
    {"RelationalObjectGateway", "TraceModules", nullptr},                      // no fallback
    {"databases\\shop\\RelationalObjectGateway", "Missing", nullptr},
    {"databases\\nowhere\\RelationalObjectGateway", "TraceModules", nullptr},
    {"databases\\shop", "TraceModules", nullptr},                              // a parent path is no section
    {"databases\\shop\\RelationalObjectGateway", "; indented comment", nullptr},
    {"databases\\shop\\RelationalObjectGateway", "", nullptr},
    {"servers\\ORA1", "onlyServerUnicode", nullptr},
};

}  // namespace w32ini_cases
