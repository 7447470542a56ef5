#pragma once

#include <string>

namespace folionix {

// A local date and clock time, as the PDF header and the completion message show it.
struct LocalTime {
    int year{};   // four digits
    int month{};  // 1..12
    int day{};    // 1..31
    int hour{};   // 0..23
    int minute{}; // 0..59
    int second{}; // 0..59
};

// The system clock's current local time. The run takes its times from its host instead, so that
// a test can pin the header's date line and the completion times.
LocalTime CurrentLocalTime();

// "hh:mm:ss", 24-hour clock, two digits each.
std::string FormatClockTime(const LocalTime& time);

// "mm-dd-yyyy".
std::string FormatDate(const LocalTime& time);

} // namespace folionix
