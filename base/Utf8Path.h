#pragma once
// File names as the program keeps them: UTF-8 text (the command line's
// words, the folders it finds, the names it shows in messages). Linux takes
// those bytes as they are. Windows would read a narrow name in the ANSI code
// page and lose every letter outside it, so each file call goes through a
// path made here, which carries the name to the system in UTF-16.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace hk {

std::filesystem::path PathFromUtf8(std::string_view name);
std::string Utf8FromPath(const std::filesystem::path& path);
// The same with '/' between the parts, as the program joins its folders.
std::string GenericUtf8FromPath(const std::filesystem::path& path);

// std::fopen of a UTF-8 name; nullptr with errno set on failure.
std::FILE* OpenFileUtf8(const std::string& name, const char* mode);

// `dir` ending with a separator ('/' added when it ends with none; on
// Windows '\' counts as one too). An empty folder stays empty.
std::string WithTrailingSeparator(std::string dir);

}  // namespace hk
