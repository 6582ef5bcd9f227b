#include "CaseSite.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "KxBase.h"
#include "KxParameter.h"
#include "KxRoot.h"
#include "sqlengine.h"

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const CaseSiteSpec* g_logIn = nullptr;

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString(g_logIn->user);
    password = KxString(g_logIn->password);
    return 1;
}

}  // namespace

void SetCaseLogIn(const CaseSiteSpec& spec)
{
    g_logIn = &spec;
    KxBase::KELVOX()->SetUserNameFunction(&LogIn);
}

const CaseSite& PrepareCaseSite(const CaseSiteSpec& spec, const char* relgen)
{
    static std::map<std::string, CaseSite> sites;
    CaseSite& site = sites[spec.dictionary];
    if (!site.folder.empty()) {
        return site;
    }
    char pattern[] = "/tmp/kxsite_XXXXXX";
    site.folder = mkdtemp(pattern) != nullptr ? pattern : "";
    EXPECT_FALSE(site.folder.empty());
    const std::string& folder = site.folder;
    const std::string dictionary = spec.dictionary;
    std::filesystem::create_directories(folder + "/dicts/" + dictionary);
    std::ofstream(folder + "/dicts/" + dictionary + "/classes.kxd") << spec.declarations;
    site.config = folder + "/kx.ini";
    std::ofstream(site.config) << "[servers\\LOCAL]\nDictionaryPath=" << folder << "/dicts\n"
                               << "[servers\\NATIVE]\nname=Kelvox$local\n"
                               << "[databases\\" << spec.nativeDatabase << "]\nname=" << folder << "/native\n"
                               << "[servers\\GATEWAY]\nname=Oracle$" << spec.engineServer << "\n";

    sqlengine::Error err;
    const std::string serverFolder = folder + "/server";
    {
        auto server = sqlengine::Engine::Instance().RegisterServer(spec.engineServer, serverFolder, &err);
        EXPECT_TRUE(server && server->AddUser(spec.user, spec.password, false, &err) &&
                    server->GrantSystem(spec.user, "CREATE ROLE", err))
            << err.message;
        sqlengine::Engine::Instance().UnregisterServer(spec.engineServer);
    }
    setenv("ROG_ENGINE_SERVERS", (std::string(spec.engineServer) + "=" + serverFolder).c_str(), 1);
    const std::string command = "cd " + Quote(folder) + " && " + Quote(relgen) + " -c -D " + dictionary + " -S " +
                                Quote(std::string("Oracle$") + spec.engineServer) + " -B " + spec.user + " -u " +
                                spec.user + " -p " + spec.password + " -r -config kx.ini > relgen.out 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(folder + "/relgen.out");

    KxParameterList params;
    params.Append("ClientName", "cases");
    params.Append("ConfigFile", site.config.c_str());
    EXPECT_EQ(0, InitKelvox(&params));
    KxBase native(KxString(spec.nativeDatabase));
    EXPECT_EQ(0, native.Connect(KxString("NATIVE")));
    EXPECT_EQ(0, native.CreateDatabase(KxString(spec.dictionary)));
    native.Disconnect();
    EXPECT_EQ(0, DeinitKelvox());
    return site;
}
