#pragma once
// The example lists of the source tree (examples/), or of the folder named
// by HK_EXAMPLES_DIR in the environment: the unprivileged run
// (scripts/unprivileged-tests.sh) reads them from a copy its user can reach.

#include <cstdlib>
#include <string>

namespace hk::test {

inline std::string ExampleFile(const std::string& name) {
    const char* dir = std::getenv("HK_EXAMPLES_DIR");
    return std::string(dir && *dir ? dir : HK_EXAMPLES_DIR) + "/" + name;
}

}  // namespace hk::test
