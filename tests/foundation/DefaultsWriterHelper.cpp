// Writes COUNT keys "<PREFIX><i>" = i into a defaults suite, each write its own transaction;
// used to check that two processes writing one suite at once lose nothing.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/foundation/UserDefaults.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: foundation_defaults_writer SUITE PREFIX COUNT\n");
        return 2;
    }
    auto store = platform::UserDefaults::suite(argv[1]);
    if (!store) return 1;
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        if (!store->trySet(std::string(argv[2]) + std::to_string(i), platform::PropertyList(i))) {
            std::fprintf(stderr, "write %d failed\n", i);
            return 1;
        }
    }
    return 0;
}
