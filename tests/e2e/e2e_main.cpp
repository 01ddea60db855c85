// The end-to-end test program: the parent runs the tests; "--e2e-step"
// makes it a child that runs the program through one step.

#include "e2e_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Whatever a run does, it stays on this machine: where the system allows,
// the whole test program (servers and children) moves into a network
// namespace of its own that has only loopback.
void enterPrivateNetwork(int argc, char **argv)
{
    if (std::getenv("PELLORAN_E2E_PRIVATE_NET"))
        return;
    setenv("PELLORAN_E2E_PRIVATE_NET", "1", 1);
    for (const char *flags : {"-n", "-rn"}) {
        const std::string probe = std::string("unshare ") + flags + " true >/dev/null 2>&1";
        if (std::system(probe.c_str()) != 0)
            continue;
        std::vector<char *> args{const_cast<char *>("unshare"), const_cast<char *>(flags),
                                 const_cast<char *>("sh"), const_cast<char *>("-c"),
                                 const_cast<char *>("ip link set lo up && exec \"$@\""),
                                 const_cast<char *>("sh"),
                                 const_cast<char *>("/proc/self/exe")};
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        // /proc/self/exe would name unshare once it runs: resolve it first.
        static char self[4096];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            return;
        self[length] = '\0';
        args[6] = self;
        execvp("unshare", args.data());
        return;
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--e2e-step") == 0)
            return runStepChild(argc, argv);
    }
    enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
