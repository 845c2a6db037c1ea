// The command line, folder and terminal of hayeskvd-cli on Linux and other
// POSIX systems: the words and names are bytes the program takes as they are.
#include <unistd.h>

#include <filesystem>

#include "cli/Console.h"

namespace hk::cli {

std::vector<std::string> CommandLineWords(int argc, char* argv[]) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string ExecutableFolder(const char* argv0) {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.parent_path().string() + "/";
    const std::filesystem::path path = std::filesystem::absolute(argv0, ec);
    return path.parent_path().string() + "/";
}

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

struct ConsoleText::Streams {};
ConsoleText::ConsoleText() = default;
ConsoleText::~ConsoleText() = default;

}  // namespace hk::cli
