// A program of the kernel libraries alone, as an application is built: the kernel loads the gateway
// for the brand of each server it is given and the gateway its adapter. It starts the kernel with the
// configuration file, opens and closes a base on every server named on the command line, ends the
// kernel and exits 0; any step that fails prints itself and exits 1.
//
//   kernel_shutdown_program <config file> <server>...
#include <cstdio>

#include "KxBase.h"
#include "KxRoot.h"

namespace {

int32_t LogIn(KxString& user, KxString& password, int32_t)
{
    user = KxString("SHOP");
    password = KxString("shop");
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <config file> <server>...\n", argv[0]);
        return 2;
    }
    KxParameterSet parameters;
    parameters.Append("ClientName", "shutdown");
    parameters.Append("ConfigFile", argv[1]);
    if (InitKelvox(&parameters) != 0) {
        std::fprintf(stderr, "InitKelvox failed\n");
        return 1;
    }
    KxBase::KELVOX()->SetUserNameFunction(&LogIn);
    for (int i = 2; i < argc; ++i) {
        KxBase base{KxString("SHOP")};
        int32_t rc = base.Connect(KxString(argv[i]));
        if (rc == 0) {
            rc = base.Open();
        }
        if (rc != 0) {
            std::fprintf(stderr, "%s: open failed with %d\n", argv[i], rc);
            return 1;
        }
        rc = base.Close();
        if (rc != 0) {
            std::fprintf(stderr, "%s: close failed with %d\n", argv[i], rc);
            return 1;
        }
    }
    if (DeinitKelvox() != 0) {
        std::fprintf(stderr, "DeinitKelvox failed\n");
        return 1;
    }
    return 0;
}
