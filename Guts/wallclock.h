// The platform's wall clock: local time of day to hundredths, and the date.
#pragma once

struct WallClock {
    int hour, minute, second, hundredths;
    int year, month, day;
};

WallClock wallclock();

// Where a run reads its clock; tests give a scripted one.
using ClockSource = WallClock (*)();

// Time of day in seconds: 3600*hour + 60*minute + second + 0.01*hundredths.
double seconds_of_day(const WallClock& c);

// Elapsed seconds between two time-of-day readings; a span over midnight gives
// a negative difference, to which a whole day is added.
double elapsed_seconds(double t0, double t1);
