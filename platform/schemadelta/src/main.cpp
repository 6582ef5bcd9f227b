// SchemaDelta: the schema tool the upgrade runs to write the change file of a step.
//
//   SchemaDelta [-q] [-o] [--summary <true|false>] [-d] --logfile <log> -dr <dictionary root>
//               -cr <change directory> -l <from> -l <to> -c <change file> <database>
//
// Reads the class dictionaries "<root>\<from>\_objects.dat" and "<root>\<to>\_objects.dat" (with
// their "_objects.idx") and writes "<change directory>\<change file>": one SQL comment line for each
// class or member that <to> adds or removes, in class-number order, and no statement. Paths are
// Windows paths mapped as the Win32 stand-in maps them (Linux paths stay as written). The log file
// gets what the run did; without -q the same lines go to standard output. A dictionary that is
// missing or cannot be read gives its log line, no change file and exit code 1.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxClassDict.h"
#include "KxMetaType.h"
#include "standin_support.h"
#include "w32path.h"

namespace {

struct Options {
    bool quiet = false;
    std::string logFile, root, changeDir, changeFile, database;
    std::vector<std::string> dictionaries;
};

class Log {
public:
    Log(const std::string& file, bool quiet) : quiet_(quiet) {
        if (!file.empty()) out_.open(file, std::ios::binary | std::ios::trunc);
    }
    void Line(const std::string& text) {
        if (out_.is_open()) out_ << text << "\n" << std::flush;
        if (!quiet_) std::cout << text << std::endl;
    }

private:
    bool quiet_;
    std::ofstream out_;
};

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    return w32path::IsSeparator(dir.back()) ? dir + name : dir + "\\" + name;
}

// The user classes of a dictionary by number: name and the names of the members it declares.
using Classes = std::map<uint16_t, std::pair<std::string, std::vector<std::string>>>;

Classes UserClasses(const KxClassDict& dict) {
    Classes classes;
    for (uint32_t i = 0; i < dict.GetDescriptorCount(); ++i) {
        const KxClassDescriptor* descriptor = nullptr;
        if (dict.GetDescriptor(i, descriptor) != 0 || descriptor == nullptr || !descriptor->IsUserClass()) continue;
        const KxMetaClass* cls = descriptor->GetMetaClass();
        if (cls == nullptr) continue;
        auto& entry = classes[descriptor->GetClassNumber()];
        entry.first = cls->GetName().ToUtf8();
        for (uint32_t m = 0; m < cls->GetMemberCount(); ++m) entry.second.push_back(cls->GetMember(m)->GetName().ToUtf8());
    }
    return classes;
}

// The change lines: classes matched by name, members by name within a class.
std::vector<std::string> Changes(const Classes& from, const Classes& to) {
    auto byName = [](const Classes& classes, const std::string& name) -> const std::vector<std::string>* {
        for (const auto& entry : classes)
            if (entry.second.first == name) return &entry.second.second;
        return nullptr;
    };
    auto has = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<std::string> lines;
    for (const auto& entry : to) {
        const std::string& name = entry.second.first;
        const std::vector<std::string>* old = byName(from, name);
        if (old == nullptr) {
            lines.push_back("-- class " + name + " added");
            continue;
        }
        for (const std::string& member : *old)
            if (!has(entry.second.second, member)) lines.push_back("-- member " + name + "." + member + " removed");
        for (const std::string& member : entry.second.second)
            if (!has(*old, member)) lines.push_back("-- member " + name + "." + member + " added");
    }
    for (const auto& entry : from)
        if (byName(to, entry.second.first) == nullptr) lines.push_back("-- class " + entry.second.first + " removed");
    return lines;
}

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) return false;
            target = argv[++i];
            return true;
        };
        if (arg == "-q") options.quiet = true;
        else if (arg == "-o" || arg == "-d") continue;   // overwrite the change file, differences only: always so
        else if (arg == "--summary") {
            std::string ignored;
            if (!value(ignored)) return false;
        } else if (arg == "--logfile") {
            if (!value(options.logFile)) return false;
        } else if (arg == "-dr") {
            if (!value(options.root)) return false;
        } else if (arg == "-cr") {
            if (!value(options.changeDir)) return false;
        } else if (arg == "-c") {
            if (!value(options.changeFile)) return false;
        } else if (arg == "-l") {
            std::string name;
            if (!value(name)) return false;
            options.dictionaries.push_back(name);
        } else if (!arg.empty() && arg[0] == '-') {
            return false;
        } else {
            options.database = arg;
        }
    }
    return options.dictionaries.size() == 2 && !options.root.empty() && !options.changeDir.empty() &&
           !options.changeFile.empty();
}

}  // namespace

int main(int argc, char** argv) {
    standin::RecordRun("SchemaDelta", argc, argv);
    Options options;
    const bool parsed = Parse(argc, argv, options);
    Log log(options.logFile.empty() ? std::string() : standin::LocalPath(options.logFile), options.quiet);
    if (!parsed) {
        log.Line("SchemaDelta: usage: SchemaDelta [-q] [-o] [--summary <b>] [-d] --logfile <log> -dr <root> "
                 "-cr <change directory> -l <from> -l <to> -c <change file> <database>");
        return 1;
    }
    log.Line("SchemaDelta: comparing <" + options.dictionaries[0] + "> with <" + options.dictionaries[1] + "> for <" +
             options.database + ">");
    std::unique_ptr<KxClassDict> dicts[2];
    for (int i = 0; i < 2; ++i) {
        const std::string dir = Join(options.root, options.dictionaries[i]);
        const std::string file = Join(dir, KX_DICTIONARY_DATA_FILE);
        if (!std::filesystem::is_regular_file(standin::LocalPath(file))) {
            log.Line("SchemaDelta: the dictionary <" + file + "> does not exist!");
            return 1;
        }
        KxString error;
        if (KxClassDict::Load(KxString(standin::LocalPath(dir)), dicts[i], &error) != 0) {
            log.Line("SchemaDelta: the dictionary <" + file + "> cannot be read: " + error.ToUtf8());
            return 1;
        }
    }
    const std::vector<std::string> lines = Changes(UserClasses(*dicts[0]), UserClasses(*dicts[1]));
    const std::string changeDir = standin::LocalPath(options.changeDir);
    std::error_code ec;
    std::filesystem::create_directories(changeDir, ec);
    const std::string target = Join(options.changeDir, options.changeFile);
    std::ofstream out(changeDir + "/" + options.changeFile, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
    out.close();
    if (!out) {
        log.Line("SchemaDelta: the change file <" + target + "> cannot be written!");
        return 1;
    }
    log.Line("SchemaDelta: " + std::to_string(lines.size()) + " change(s) written to <" + target + ">");
    return 0;
}
