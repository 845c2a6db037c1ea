#pragma once
// Text files as the operator's own tools write and read them. Windows tools
// (Notepad, Excel) end lines with CR LF and may begin a UTF-8 file with a
// byte order mark; Linux tools end lines with LF and write no mark. The
// program reads either form on every system and writes the form of the
// system it runs on; each rule takes the system as a value, so that both
// forms can be checked on either.

#include <string>
#include <string_view>

namespace hk {

#ifdef _WIN32
inline constexpr bool kWindowsForm = true;
#else
inline constexpr bool kWindowsForm = false;
#endif

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// `text` without the UTF-8 byte order mark it may begin with.
std::string_view WithoutByteOrderMark(std::string_view text);
bool HasByteOrderMark(std::string_view text);

// "\r\n" on Windows, "\n" elsewhere.
constexpr std::string_view LineEndOf(bool windows) { return windows ? "\r\n" : "\n"; }

// A path as the operator reads it: on Windows with its own separator '\'
// between the parts (the program joins its folders with '/', Qt's file
// dialogs give '/' too); elsewhere as it is.
std::string ShownPath(std::string path, bool windows = kWindowsForm);

}  // namespace hk
