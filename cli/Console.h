#pragma once
// What hayeskvd-cli needs of the system it runs on, one source per platform
// (cli/PosixConsole.cpp, cli/WindowsConsole.cpp): its command line and its
// folder as UTF-8 text, and standard output and error that show the
// program's UTF-8 text as it is meant.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hk::cli {

// The words of the command line after the program's name, in UTF-8. On
// Windows they are taken from the UTF-16 command line, since argv holds them
// in the ANSI code page, which has no room for most letters.
std::vector<std::string> CommandLineWords(int argc, char* argv[]);

// The folder of the running program, in UTF-8, ending with '/'.
std::string ExecutableFolder(const char* argv0);

// Whether standard error is the operator's terminal (progress goes there).
bool ErrorIsTerminal();

// For the whole run of the program: on a Windows console, standard output
// and error are written as UTF-16 (WriteConsoleW), so Russian text reads
// right whatever the console's code page and however old the console;
// redirected to a file or a pipe they carry the UTF-8 bytes as written (no
// CR added before LF). Elsewhere nothing changes.
class ConsoleText {
public:
    ConsoleText();
    ~ConsoleText();
    ConsoleText(const ConsoleText&) = delete;
    ConsoleText& operator=(const ConsoleText&) = delete;

private:
    struct Streams;
    std::unique_ptr<Streams> streams_;
};

// How many of `bytes` form whole UTF-8 characters: the part that can be
// shown now, while the bytes of a character cut off at the end wait for the
// rest. A byte that can start no character counts as whole (it is shown as
// a replacement character).
std::size_t WholeUtf8Length(std::string_view bytes);

}  // namespace hk::cli
