// A program that loads the diagnostic stream as a workbench program does, with a library: the
// first stream of the process, the console and the last stream. It prints what reached the
// console and the debugger output, and the console calls, step by step:
//   benchbase_wostream_probe <module>
// The environment decides the sink ("KXHOME"); the probe removes "KXHOME" before it loads the
// module a second time.
#include <windows.h>
#include <w32test.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Quoted(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// Prints the step's name, what it wrote, then the console calls it made.
template <typename Action>
void Step(const char* name, Action action) {
    std::printf("%s\n", name);
    action();
    for (const std::string& call : w32test::TakeConsoleCalls()) std::printf("  call %s\n", call.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    w32test::SetConsoleHook([](int stream, const std::string& text) {
        std::printf("  console %d \"%s\"\n", stream, Quoted(text).c_str());
    });
    w32test::SetDebugOutputHook([](const std::string& text) { std::printf("  debug \"%s\"\n", Quoted(text).c_str()); });
    for (int round = 1; round <= 2; ++round) {
        HMODULE module = nullptr;
        Step("load", [&] { module = LoadLibraryA(argv[1]); });
        if (module == nullptr) return 3;
        auto write = reinterpret_cast<void (*)(const char*)>(GetProcAddress(module, "ProbeWrite"));
        auto more = reinterpret_cast<void (*)()>(GetProcAddress(module, "ProbeMoreStreams"));
        if (write == nullptr || more == nullptr) return 4;
        Step("write", [&] { write("hello"); });
        Step("more streams", [&] { more(); });
        Step("unload", [&] { FreeLibrary(module); });
        unsetenv("KXHOME");
    }
    return 0;
}
