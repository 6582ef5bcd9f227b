// A program the process tests start.
//   w32child report <file> [args...]  writes its arguments, directory, $W32_CHILD_VAR and whether
//                                     its input is at end to <file>, one per line
//   w32child block <fifo> <code>      waits until the FIFO's writer closes it, then exits with code
//   w32child exit <code>              exits with code
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) return 100;
    const std::string mode = argv[1];
    if (mode == "exit") return std::atoi(argv[2]);
    if (mode == "block") {
        const int fd = open(argv[2], O_RDONLY);   // waits for the writer
        if (fd < 0) return 101;
        char c;
        while (read(fd, &c, 1) > 0) {
        }
        return argc > 3 ? std::atoi(argv[3]) : 0;
    }
    if (mode == "report") {
        FILE* out = std::fopen(argv[2], "w");
        if (out == nullptr) return 102;
        for (int i = 0; i < argc; ++i) std::fprintf(out, "arg[%d]=%s\n", i, argv[i]);
        char cwd[4096];
        std::fprintf(out, "cwd=%s\n", getcwd(cwd, sizeof cwd) != nullptr ? cwd : "?");
        const char* var = std::getenv("W32_CHILD_VAR");
        std::fprintf(out, "var=%s\n", var != nullptr ? var : "(unset)");
        std::fprintf(out, "home=%s\n", std::getenv("HOME") != nullptr ? "set" : "(unset)");
        pollfd p = {0, POLLIN, 0};
        bool atEnd = false;
        if (poll(&p, 1, 0) == 1 && (p.revents & (POLLIN | POLLHUP))) atEnd = read(0, cwd, 1) == 0;
        std::fprintf(out, "input=%s\n", atEnd ? "end" : "open");
        std::fclose(out);
        return 0;
    }
    return 103;
}
