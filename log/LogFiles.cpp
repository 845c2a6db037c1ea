#include "log/LogFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/LocalTime.h"
#include "base/Utf8Path.h"
#include "log/LogFormat.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "HayesKvd-";
constexpr const char* kSuffix = ".log";

// Days since 1970-01-01 of a "YYYY-MM-DD" date (the civil calendar).
std::optional<long> DayNumber(const std::string& date) {
    int y = 0, m = 0, d = 0;
    if (date.size() != 10 || std::sscanf(date.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3)
        return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

LogFiles::LogFiles(std::string folder, int keepDays, bool windowsLines)
    : folder_(ShownPath(std::move(folder))),
      keepDays_(keepDays),
      lineEnd_(LineEndOf(windowsLines)) {
    // Named in the log window and in messages: with the system's separators.
    if (!folder_.empty() && folder_.back() != '/' && folder_.back() != '\\')
        folder_ += kWindowsForm ? '\\' : '/';
    writer_ = std::thread([this] { Run(); });
}

std::unique_ptr<LogFiles> LogFiles::IntoFile(const std::string& path, bool windowsLines) {
    const fs::path file = PathFromUtf8(path);
    auto files = std::make_unique<LogFiles>(Utf8FromPath(file.parent_path()), 0, windowsLines);
    std::lock_guard<std::mutex> lock(files->mutex_);
    files->fixedFile_ = ShownPath(path);
    return files;
}

LogFiles::~LogFiles() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void LogFiles::Append(std::int64_t wallMs, std::string line) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back(LocalDateText(wallMs), std::move(line));
    }
    wake_.notify_one();
}

void LogFiles::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    drained_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

std::string LogFiles::FileFor(std::int64_t wallMs) const {
    if (!fixedFile_.empty()) return fixedFile_;
    return folder_ + kPrefix + LocalDateText(wallMs) + kSuffix;
}

std::string LogFiles::Problem() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return problem_;
}

void LogFiles::RemoveOld(const std::string& folder, const std::string& today, int keepDays) {
    const auto now = DayNumber(today);
    std::error_code ec;
    if (!now) return;
    for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        const std::size_t prefix = std::strlen(kPrefix);
        if (name.size() != prefix + 10 + std::strlen(kSuffix) || name.rfind(kPrefix, 0) != 0 ||
            !name.ends_with(kSuffix))
            continue;
        const auto day = DayNumber(name.substr(prefix, 10));
        std::error_code rm;
        if (day && *now - *day > keepDays) fs::remove(it->path(), rm);
    }
}

void LogFiles::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) break;  // stopped, everything written
        auto [date, line] = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        Write(date, line);
        lock.lock();
        busy_ = false;
        if (queue_.empty()) drained_.notify_all();
    }
    if (file_) std::fclose(file_);
    file_ = nullptr;
    drained_.notify_all();
}

void LogFiles::Write(const std::string& date, const std::string& line) {
    std::string fixed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fixed = fixedFile_;
    }
    if (date != openDate_ && !(file_ && !fixed.empty())) {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        openDate_ = date;
        std::error_code ec;
        if (!folder_.empty()) fs::create_directories(PathFromUtf8(folder_), ec);
        if (fixed.empty()) RemoveOld(folder_, date, keepDays_);
        const std::string name = fixed.empty() ? folder_ + kPrefix + date + kSuffix : fixed;
        file_ = OpenFileUtf8(name, "ab");
        if (!file_) {
            const std::string why = std::strerror(errno);
            std::lock_guard<std::mutex> lock(mutex_);
            problem_ = "Журнал не записывается в файл «" + name + "»: " + why;
        }
    }
    if (!file_) return;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
        std::fwrite(lineEnd_.data(), 1, lineEnd_.size(), file_) != lineEnd_.size() ||
        std::fflush(file_) != 0) {
        const std::string why = std::strerror(errno);
        std::lock_guard<std::mutex> lock(mutex_);
        problem_ = "Журнал не записывается в папку «" + folder_ + "»: " + why;
    }
}

}  // namespace hk
