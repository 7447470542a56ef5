#include "common/Clock.h"

#include <array>
#include <chrono>
#include <ctime>

namespace folionix {
namespace {

void AppendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + (value / 10) % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

} // namespace

LocalTime CurrentLocalTime() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::string FormatClockTime(const LocalTime& time) {
    std::string text;
    AppendTwoDigits(text, time.hour);
    text.push_back(':');
    AppendTwoDigits(text, time.minute);
    text.push_back(':');
    AppendTwoDigits(text, time.second);
    return text;
}

std::string FormatDate(const LocalTime& time) {
    std::string text;
    AppendTwoDigits(text, time.month);
    text.push_back('-');
    AppendTwoDigits(text, time.day);
    text.push_back('-');
    AppendTwoDigits(text, time.year / 100);
    AppendTwoDigits(text, time.year % 100);
    return text;
}

} // namespace folionix
