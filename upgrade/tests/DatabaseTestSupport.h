// Helpers of the database wrapper's tests: an installation as the installer leaves it (the registry
// file with the settings of the two application databases, kelvox.cfg, the class dictionaries), a
// database of the kernel's own storage made by the kernel's create call, and the upgrader's run
// context.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KxBase.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "UpgradeTestSupport.h"
#include "XApplicationDatabases.h"
#include "XLogging.h"
#include "XProgressOutput.h"

namespace upgrade_test {

// Registry keys of the two databases of the set's table, below the vendor key.
inline const char kMainKey[] = "ORBSERVER\\Tallyra\\Database";
inline const char kBaseKey[] = "ORBSERVER\\Tallyra\\configuration";

// A dictionary of one class, named `name`.
inline std::string DictionaryText(const std::string& name) {
    return "dictionary " + name + " server=LOCAL logical=" + name + " revision=1\n" +
           "class 1.1 Item\nmember name string\nmember count int\n";
}

// The quoted form of a .reg text value.
inline std::string RegText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

using RegistryValues = std::map<std::string, std::string>;

// The files an installer writes: registry (values per key below "SOFTWARE\Brenlow"), kelvox.cfg and
// the dictionaries "dict" and "configdict". Write() (again after changes) puts them on disk; the
// registry file is named by $W32_REGISTRY while the object lives.
class Installation {
public:
    Installation() : config_(dir_ / "kelvox.cfg") {
        for (const char* name : {"dict", "configdict"}) dir_.Write(std::string("dicts/") + name + "/classes.kxd", DictionaryText(name));
        registry[std::string("ORBSERVER\\KELVOX")] = {{"configfile", config_}};
    }

    const TempDir& Dir() const { return dir_; }
    const std::string& Config() const { return config_; }
    std::string DictionaryDir(const std::string& name) const { return dir_ / ("dicts/" + name); }

    void Write() {
        std::string body;
        for (const auto& [key, values] : registry) {
            body += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenlow\\" + key + "]\r\n";
            for (const auto& [name, value] : values) body += RegText(name) + "=" + RegText(value) + "\r\n";
            body += "\r\n";
        }
        registryFile_.reset();
        registryFile_ = std::make_unique<RegistryFile>(dir_, body);
        dir_.Write("kelvox.cfg", config);
    }

    std::map<std::string, RegistryValues> registry;
    std::string config;

private:
    TempDir dir_;
    std::string config_;
    std::unique_ptr<RegistryFile> registryFile_;
};

// Makes the database `name` on the server `server` with the kernel's create call, for the
// dictionary `dictionary` (the kernel is started and stopped around it).
inline void CreateNativeDatabase(const std::string& config, const std::string& server, const std::string& name,
                                 const std::string& dictionary) {
    KxParameterList params;
    params.Append("ClientName", "installer");
    params.Append("ConfigFile", config.c_str());
    ASSERT_EQ(InitKelvox(&params), 0);
    {
        KxBase base{KxString(name.c_str())};
        EXPECT_EQ(base.Connect(KxString(server.c_str())), 0);
        EXPECT_EQ(base.CreateDatabase(KxString(dictionary.c_str())), 0);
        base.Disconnect();
    }
    EXPECT_EQ(DeinitKelvox(), 0);
}

inline int32_t KernelStarts() { return KxBase::KELVOX()->GetInitCount(); }

// The upgrader's run context.
class TestOwner : public XApplicationDatabasesOwner {
public:
    CString GetScriptBaseDirectory() const override { return scriptDirectory; }
    XProgressOutput* GetProgressOutput() const override { return display; }
    int32_t GetOptionBits() const override { return optionBits; }

    CString scriptDirectory;
    XProgressOutput* display = nullptr;
    int32_t optionBits = 0;
};

// A progress display writing its log into a folder: the log's lines after the start banner, each
// without its time column. Given a logging directory, the log is started as the upgrader starts it,
// in the directory that the registry names ("LiftRunner" "Logging", which the caller writes).
class LoggedDisplay {
public:
    explicit LoggedDisplay(const std::string& loggingDirectory = std::string()) : logDir_(loggingDirectory) {
        auto log = std::make_unique<XLogging>(u"5.4", true);
        if (logDir_.empty()) {
            EXPECT_EQ(log->Open(CString(dir_.Path().c_str()), u"upgrade", u""), 0);
        } else {
            log->StartLogging(u"upgrade");
        }
        display_ = std::make_unique<XProgressOutput>(u"LiftRunner", std::move(log), nullptr);
    }
    XProgressOutput* Get() const { return display_.get(); }

    // The log file as written.
    std::string Text() const { return ReadAll((logDir_.empty() ? dir_.Path() : logDir_) + "/upgrade.log"); }

    std::vector<std::string> Lines() const {
        std::string text = Text();
        const std::string dashes(105, '-');
        const size_t at = text.find(dashes);
        if (at != std::string::npos) text = text.substr(at + dashes.size() + 2);
        std::vector<std::string> lines;
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (start > 0 || !line.empty()) lines.push_back(line.size() >= 10 ? line.substr(10) : line);
            if (end == std::string::npos) break;
            start = end + 2;
        }
        return lines;
    }

private:
    TempDir dir_;
    std::string logDir_;
    std::unique_ptr<XProgressOutput> display_;
};

}  // namespace upgrade_test
