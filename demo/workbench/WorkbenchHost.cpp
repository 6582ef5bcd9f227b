// The workbench as a user runs it, headless: a host program that creates the workbench's application
// object and runs its main routine on the shop database that tessaform_demo made in <folder>.
//
//   tessaform_workbench_demo <folder>
//
// It writes into <folder>/workbench the workbench's settings (the group "kxagentmanager" names the
// folder of the demo's agent module VO110VS.agt and selects it), and lets the application start the
// kernel with <folder>/kx.ini, load the agent module and run its event loop on the script in
// SV_SCRIPT (default: shop.sv beside this source): the script clicks the agent's tool-bar button,
// answers the kernel's log-in dialog and chooses in the browsers. Every window's paint log and
// picture land in <folder>/workbench (SV_PAINT_DIR), the message boxes in boxes.log there.
// Exit status 0 when the main window and the three browsers were drawn.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KxBenchApplication.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& file, const std::string& text) {
    FILE* out = std::fopen(file.c_str(), "w");
    if (out == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && ok;
}

// The pictures of one window: files whose name is the window's title (as the class library writes
// it), a "-", a number and ".png".
std::vector<std::string> Pictures(const std::vector<std::string>& files, const std::string& title) {
    std::vector<std::string> found;
    for (const std::string& name : files) {
        if (name.rfind(title + "-", 0) != 0 || name.size() < 5 || name.compare(name.size() - 4, 4, ".png") != 0) continue;
        const std::string number = name.substr(title.size() + 1, name.size() - title.size() - 5);
        if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            found.push_back(name);
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaform_workbench_demo <folder>   (the folder tessaform_demo worked in)\n");
        return 1;
    }
    const fs::path folder = fs::absolute(argv[1]);
    const fs::path config = folder / "kx.ini";
    if (!fs::exists(config) || !fs::exists(folder / "shopserver")) {
        std::fprintf(stderr, "%s holds no shop database: run tessaform_demo %s first\n", folder.c_str(), folder.c_str());
        return 1;
    }
    const fs::path out = folder / "workbench";
    std::error_code error;
    fs::remove_all(out, error);
    fs::create_directories(out, error);
    if (error) {
        std::fprintf(stderr, "cannot make %s: %s\n", out.c_str(), error.message().c_str());
        return 1;
    }

    // The workbench's settings: the agent path (each entry ends with a separator) and the one agent.
    const fs::path settings = out / "workbench.ini";
    if (!WriteFile(settings, "[kxagentmanager]\nagentpath=" + std::string(DEMO_AGENT_DIR) + "/\nagents=S\n")) {
        std::fprintf(stderr, "cannot write %s\n", settings.c_str());
        return 1;
    }
    setenv("SV_CONFIG", settings.c_str(), 1);
    setenv("SV_PAINT_DIR", out.c_str(), 1);
    const char* script = std::getenv("SV_SCRIPT");
    if (script == nullptr || *script == '\0') setenv("SV_SCRIPT", DEMO_WORKBENCH_SCRIPT, 1);
    // The Oracle adapter finds the engine's server folder as relgen and tessaform_demo did.
    setenv("ROG_ENGINE_SERVERS", ("SHOPSRV=" + (folder / "shopserver").string()).c_str(), 1);

    std::printf("workbench on the shop database in %s (script %s)\n", folder.c_str(), std::getenv("SV_SCRIPT"));
    std::fflush(stdout);
    {
        std::string program = argv[0];
        std::string option = "-config";
        std::string file = config.string();
        char* args[] = {program.data(), option.data(), file.data(), nullptr};
        KxBenchApplication app("Tessaform Workbench demo");
        app.Main(3, args);
    }

    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    // What each picture shows, by the window it comes from.
    const std::vector<std::pair<std::string, const char*>> kinds = {
        {"Tessaform_Workbench", "the main window at the end of the run"},
        {"Customers", "the extent of Customer (outliner view), as the agent closed it"},
        {"Object", "the generic object view, as the agent closed it"},
        {"Order_navigation", "the object navigation view, as the agent closed it"},
        {"Log-in", "the log-in dialog, as answered"},
        {"untitled", "the start-up picture"},
    };
    std::printf("\npictures in %s (each with its paint log, the same name with .log):\n", out.c_str());
    for (const auto& [title, what] : kinds) {
        for (const std::string& name : Pictures(files, title)) std::printf("  %-28s %s\n", name.c_str(), what);
    }
    for (const std::string& name : files) {
        if (name.rfind("object-", 0) == 0 && fs::path(name).extension() == ".png")
            std::printf("  %-28s %s\n", name.c_str(), "the object view after a choice");
    }
    if (fs::exists(out / "boxes.log")) std::printf("  %-28s %s\n", "boxes.log", "the message boxes shown");
    bool ok = true;
    for (const char* title : {"Tessaform_Workbench", "Customers", "Object", "Order_navigation"}) {
        if (Pictures(files, title).empty()) {
            std::fprintf(stderr, "no picture of the window \"%s\"\n", title);
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
