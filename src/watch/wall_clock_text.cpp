#include "watch/wall_clock_text.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace halvane {

std::string wall_clock_text(std::chrono::system_clock::time_point when,
                            std::chrono::seconds utc_offset) {
    using namespace std::chrono;
    const auto local = floor<milliseconds>(when) + utc_offset;
    const auto day = floor<days>(local);
    const year_month_day date(day);
    const hh_mm_ss time(local - day);
    const auto offset_minutes = std::abs(duration_cast<minutes>(utc_offset).count());

    char text[48];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
        static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
        static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
        static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
        static_cast<int>(time.subseconds().count()), utc_offset < seconds::zero() ? '-' : '+',
        static_cast<int>(offset_minutes / 60), static_cast<int>(offset_minutes % 60));
    return text;
}

std::chrono::seconds local_utc_offset(std::chrono::system_clock::time_point when) {
    const std::time_t time = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &time);
    std::tm utc{};
    gmtime_s(&utc, &time);
    utc.tm_isdst = local.tm_isdst;
    return std::chrono::seconds(
        static_cast<long long>(std::difftime(std::mktime(&local), std::mktime(&utc))));
#else
    localtime_r(&time, &local);
    return std::chrono::seconds(local.tm_gmtoff);
#endif
}

std::string local_wall_clock_text(std::chrono::system_clock::time_point when) {
    return wall_clock_text(when, local_utc_offset(when));
}

}  // namespace halvane
