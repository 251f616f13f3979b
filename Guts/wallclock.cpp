#include "wallclock.h"

#include <chrono>
#include <ctime>

WallClock wallclock() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    WallClock c{};
    c.hour = local.tm_hour;
    c.minute = local.tm_min;
    c.second = local.tm_sec;
    c.hundredths = static_cast<int>(ms / 10);
    c.year = local.tm_year + 1900;
    c.month = local.tm_mon + 1;
    c.day = local.tm_mday;
    return c;
}

double seconds_of_day(const WallClock& c) {
    return 3600.0 * c.hour + 60.0 * c.minute + c.second + 0.01 * c.hundredths;
}

double elapsed_seconds(double t0, double t1) {
    double d = t1 - t0;
    if (d < 0.0) d += 86400.0;
    return d;
}
