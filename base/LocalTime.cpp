#include "base/LocalTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace hk {
namespace {

std::tm LocalTm(std::int64_t wallMs) {
    const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &seconds);
#else
    localtime_r(&seconds, &tm);
#endif
    return tm;
}

}  // namespace

std::int64_t SystemWallMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string LocalTimeText(std::int64_t wallMs) {
    const std::tm tm = LocalTm(wallMs);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(((wallMs % 1000) + 1000) % 1000));
    return text;
}

std::string LocalDateText(std::int64_t wallMs) {
    const std::tm tm = LocalTm(wallMs);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday);
    return text;
}

}  // namespace hk
