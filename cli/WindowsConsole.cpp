// The command line, folder and console of hayeskvd-cli on Windows. The
// program works in UTF-8 throughout; here it meets the system's UTF-16.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <streambuf>

#include "base/Utf8Path.h"
#include "cli/Console.h"

namespace hk::cli {
namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));  // without the closing zero
    return out;
}

std::wstring WideFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int count = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, out.data(), size);
    return out;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

// A stream buffer that shows UTF-8 text on a console through WriteConsoleW.
// A character whose bytes arrive in two writes is held until it is whole.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {
        setp(buffer_, buffer_ + sizeof buffer_);
    }
    ~ConsoleBuffer() override { Flush(); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (Flush() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Flush(); }

private:
    int Flush() {
        pending_.append(pbase(), pptr());
        setp(buffer_, buffer_ + sizeof buffer_);
        const std::size_t whole = WholeUtf8Length(pending_);
        const std::wstring wide = WideFromUtf8(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        const wchar_t* next = wide.data();
        std::size_t left = wide.size();
        while (left > 0) {
            DWORD written = 0;
            const auto part = static_cast<DWORD>(std::min<std::size_t>(left, 4096));
            if (!::WriteConsoleW(console_, next, part, &written, nullptr) || written == 0)
                return -1;
            next += written;
            left -= written;
        }
        return 0;
    }

    HANDLE console_;
    char buffer_[1024];
    std::string pending_;  // the bytes of a character not yet whole
};

}  // namespace

std::vector<std::string> CommandLineWords(int argc, char* argv[]) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> words;
    for (int i = 1; i < count; ++i) words.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return words;
}

std::string ExecutableFolder(const char* argv0) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) {
            std::error_code ec;
            return GenericUtf8FromPath(std::filesystem::absolute(argv0, ec).parent_path()) + "/";
        }
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        name.resize(name.size() * 2);
    }
    return GenericUtf8FromPath(std::filesystem::path(name).parent_path()) + "/";
}

bool ErrorIsTerminal() { return IsConsole(::GetStdHandle(STD_ERROR_HANDLE)); }

struct ConsoleText::Streams {
    std::unique_ptr<ConsoleBuffer> out, err;
    std::streambuf* oldOut = nullptr;
    std::streambuf* oldErr = nullptr;
};

ConsoleText::ConsoleText() : streams_(std::make_unique<Streams>()) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    // Redirected, the bytes go out as the program writes them, as on Linux:
    // the C runtime's text mode would turn the CR LF of a list read to
    // standard output into CR CR LF.
    if (IsConsole(out)) {
        streams_->out = std::make_unique<ConsoleBuffer>(out);
        streams_->oldOut = std::cout.rdbuf(streams_->out.get());
    } else {
        ::_setmode(::_fileno(stdout), _O_BINARY);
    }
    if (IsConsole(err)) {
        streams_->err = std::make_unique<ConsoleBuffer>(err);
        streams_->oldErr = std::cerr.rdbuf(streams_->err.get());
    } else {
        ::_setmode(::_fileno(stderr), _O_BINARY);
    }
}

ConsoleText::~ConsoleText() {
    if (streams_->oldOut) {
        std::cout.flush();
        std::cout.rdbuf(streams_->oldOut);
    }
    if (streams_->oldErr) {
        std::cerr.flush();
        std::cerr.rdbuf(streams_->oldErr);
    }
}

}  // namespace hk::cli
