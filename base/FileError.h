#pragma once
// A failed file write: carries the operating system's own message. It travels
// up to the window handler that started the write, which the application's
// top-level handler ends, showing the message in the error box.

#include <stdexcept>
#include <string>

namespace hk {

class FileError : public std::runtime_error {
public:
    FileError(const std::string& systemMessage, int errorCode)
        : std::runtime_error(systemMessage), code_(errorCode) {}
    int Code() const { return code_; }

    // Builds the error from the current errno.
    static FileError FromErrno();

private:
    int code_;
};

}  // namespace hk
