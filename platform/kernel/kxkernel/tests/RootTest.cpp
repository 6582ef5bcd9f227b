#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "KxRoot.h"
#include "TestSupport.h"

namespace {

// The file name without directory: a library of that name may exist beside the kernel library.
std::string Base(const KxString& file) {
    const std::string f = file.ToUtf8();
    const size_t slash = f.rfind('/');
    return slash == std::string::npos ? f : f.substr(slash + 1);
}

// Starts the kernel with the given parameters and stops it again at the end of the scope.
class KernelSession {
public:
    explicit KernelSession(KxParameterSet* params) : rc_(InitKelvox(params)) {}
    ~KernelSession() {
        if (rc_ == 0) DeinitKelvox();
    }
    int32_t Result() const { return rc_; }

private:
    int32_t rc_;
};

TEST(RootTest, InitKelvoxNestsAndReadsParametersOnce) {
    KxRoot* root = KxBase::KELVOX();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(root, KxBase::KELVOX());
    EXPECT_EQ(KX_KERNEL_E_NOT_INITIALISED, DeinitKelvox());

    TempDir dir;
    const std::string file = dir.Write("kx.ini", "[modules]\nGx=/somewhere/libfake.so\n");
    KxParameterList params;
    ASSERT_EQ(0, params.Append("EnableMultiThreading", ""));
    ASSERT_EQ(0, params.Append("ConfigFile", file));
    ASSERT_EQ(0, params.Append("ClientName", "VEDUrereze"));
    ASSERT_EQ(0, InitKelvox(0, &params, 0));
    EXPECT_EQ(1, root->GetInitCount());
    EXPECT_EQ("VEDUrereze", root->GetClientName().ToUtf8());
    ASSERT_NE(nullptr, root->GetConfig());
    EXPECT_EQ(file, root->GetConfig()->GetFileName().ToUtf8());

    // A nested call is counted; its parameters are not read.
    KxParameterList other;
    ASSERT_EQ(0, other.Append("ClientName", "second"));
    EXPECT_EQ(0, InitKelvox(&other));
    EXPECT_EQ(2, root->GetInitCount());
    EXPECT_EQ("VEDUrereze", root->GetClientName().ToUtf8());

    KxBase base("shop?ROG_RowNum=100&mode");
    EXPECT_EQ("VEDUrereze", base.GetClientName().ToUtf8());
    EXPECT_EQ("shop?ROG_RowNum=100&mode", base.GetLogicalName().ToUtf8());
    EXPECT_EQ(root->ThreadMgr(), base.ThreadMgr());
    EXPECT_NE(nullptr, base.GetTypeMgr());
    base.GetNonConstClientId() = int64_t(1) << 40;
    EXPECT_EQ(int64_t(1) << 40, base.GetClientId());

    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_EQ(1, root->GetInitCount());
    EXPECT_NE(nullptr, root->GetConfig());
    EXPECT_EQ(0, DeinitKelvox());
    EXPECT_EQ(0, root->GetInitCount());
    EXPECT_EQ(nullptr, root->GetConfig());
    EXPECT_EQ(KX_KERNEL_E_NOT_INITIALISED, DeinitKelvox());
}

TEST(RootTest, ConfigurationIsOptionalButMustBeReadable) {
    KxRoot* root = KxBase::KELVOX();
    {
        KernelSession session(nullptr);
        ASSERT_EQ(0, session.Result());
        EXPECT_EQ(nullptr, root->GetConfig());
        EXPECT_NE(nullptr, root->ThreadMgr());
        EXPECT_NE(nullptr, root->GetDllManager());
    }
    TempDir dir;
    KxParameterSet params;
    ASSERT_EQ(0, params.Append("ConfigFile", dir.Path() + "/absent.ini"));
    EXPECT_EQ(KX_KERNEL_E_CONFIG_FILE, InitKelvox(&params));
    EXPECT_EQ(0, root->GetInitCount());
}

TEST(RootTest, LogicalNamesMapThroughTheConfiguration) {
    KxRoot* root = KxBase::KELVOX();
    KxString physical;
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->MapLogicalName("shop", physical, 3, 0, "ROG"));   // no configuration
    EXPECT_EQ("shop", physical.ToUtf8());

    TempDir dir;
    KxParameterSet params;
    ASSERT_EQ(0, params.Append("ConfigFile", dir.Write("kx.ini", "[LogicalNames\\ROG]\nshop = SHOP_2024\n")));
    KernelSession session(&params);
    ASSERT_EQ(0, session.Result());
    EXPECT_EQ(0, root->MapLogicalName("SHOP", physical, 3, 0, "ROG"));
    EXPECT_EQ("SHOP_2024", physical.ToUtf8());
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->MapLogicalName("stock", physical, 3, 0, "ROG"));
    EXPECT_EQ("stock", physical.ToUtf8());
    EXPECT_EQ(KX_KERNEL_E_NOT_FOUND, root->MapLogicalName("shop", physical, 3, 0, "OTHER"));
}

int32_t g_calls = 0;
int32_t g_flags = -1;

int32_t Confirm(KxString& user, KxString& password, int32_t flags) {
    ++g_calls;
    g_flags = flags;
    user = "scott";
    password = "tiger";
    return 1;
}

int32_t Refuse(KxString&, KxString&, int32_t) {
    ++g_calls;
    return 2;
}

TEST(RootTest, CallLoginFuncUsesTheInstalledCallback) {
    KernelSession session(nullptr);
    KxRoot* root = KxBase::KELVOX();
    const KxString descriptor("shop");

    // Without a callback the log-in is confirmed and the texts stay as they are.
    KxString user("proposed");
    KxString password;
    EXPECT_EQ(1, root->CallLoginFunc(&user, &password, 0, &descriptor));
    EXPECT_EQ("proposed", user.ToUtf8());
    EXPECT_FALSE(password.IsActive());

    g_calls = 0;
    EXPECT_EQ(nullptr, root->SetUserNameFunction(&Confirm));
    EXPECT_EQ(1, root->CallLoginFunc(&user, &password, 0, &descriptor));
    EXPECT_EQ(1, g_calls);
    EXPECT_EQ(0, g_flags);
    EXPECT_EQ("scott", user.ToUtf8());
    EXPECT_EQ("tiger", password.ToUtf8());
    EXPECT_EQ(1, root->CallLoginFunc(nullptr, nullptr, 0, nullptr));   // null texts are allowed

    EXPECT_EQ(&Confirm, root->SetUserNameFunction(&Refuse));
    EXPECT_EQ(2, root->CallLoginFunc(&user, &password, 0, &descriptor));
    EXPECT_EQ(3, g_calls);
    root->SetUserNameFunction(nullptr);
}

TEST(RootTest, GetDllNameMapsShortNames) {
    TempDir dir;
    const std::string fake = dir.Write("libfake.so", "");
    dir.Write("libGs.so", "");
    const std::string file = dir.Write(
        "kx.ini", "[modules]\nGx=" + fake + "\nGy = libelsewhere.so\n");

    DllNameClass::SetSearchPath(KxString());
    unsetenv("KX_MODULE_PATH");
    struct Case {
        const char* shortName;
        std::string expected;
    };
    {
        KernelSession session(nullptr);   // no configuration: only the kernel's table
        const Case cases[] = {
            {"Go", "librelgate_ora.so"},
            {"Gd", "librelgate_db2.so"},
            {"Gx", "libGx.so"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.shortName);
            EXPECT_EQ(c.expected, Base(DllNameClass::GetDllName(c.shortName)));
        }
    }

    KxParameterSet params;
    ASSERT_EQ(0, params.Append("ConfigFile", file));
    KernelSession session(&params);
    ASSERT_EQ(0, session.Result());
    DllNameClass::SetSearchPath(KxString::FromUtf8("/nonexistent:" + dir.Path()));
    EXPECT_EQ("/nonexistent:" + dir.Path(), DllNameClass::GetSearchPath().ToUtf8());
    const Case cases[] = {
        {"Gx", fake},                          // configured file with a directory
        {"gx", fake},                          // configuration keys ignore case
        {"Gy", "libelsewhere.so"},             // configured, not in the search path
        {"Gs", dir.Path() + "/libGs.so"},      // found in the search path
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shortName);
        EXPECT_EQ(c.expected, DllNameClass::GetDllName(c.shortName).ToUtf8());
    }

    // The environment's search path is used as well.
    DllNameClass::SetSearchPath(KxString());
    EXPECT_EQ("libGs.so", DllNameClass::GetDllName("Gs").ToUtf8());
    setenv("KX_MODULE_PATH", dir.Path().c_str(), 1);
    EXPECT_EQ(dir.Path() + "/libGs.so", DllNameClass::GetDllName("Gs").ToUtf8());
    unsetenv("KX_MODULE_PATH");
}

}  // namespace
