// A separate program for the settings-file tests:
//   svconfig_child read <file> <group> <key>         prints the value
//   svconfig_child write <file> <group> <prefix> <n> writes the keys <prefix>0 ... with their numbers
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "svconfig.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "read") == 0) {
        Config config{String(argv[2])};
        config.SetGroup(String(argv[3]));
        std::printf("%s", config.ReadKey(String(argv[4]), String("<missing>")).GetStr());
        return 0;
    }
    if (argc == 6 && std::strcmp(argv[1], "write") == 0) {
        Config config{String(argv[2])};
        config.SetGroup(String(argv[3]));
        const int n = std::atoi(argv[5]);
        for (int i = 0; i < n; ++i) {
            const String key = String(argv[4]) + String(i);
            if (!config.WriteKey(key, String(i))) return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: svconfig_child read|write ...\n");
    return 2;
}
