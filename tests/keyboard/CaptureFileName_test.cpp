#include "keyboard/CaptureFileName.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace lemnar {
namespace {

std::tm Time(int day, int month, int year, int hour, int minute, int second) {
    std::tm time{};
    time.tm_mday = day;
    time.tm_mon = month - 1;
    time.tm_year = year - 1900;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(CaptureFileName, DayMonthYearThenTime) {
    EXPECT_EQ(CaptureFileName(Time(7, 12, 2026, 2, 30, 28)), "RUV_07-12-2026_02-30-28.bmp");
    EXPECT_EQ(CaptureFileName(Time(31, 1, 1999, 23, 59, 59)), "RUV_31-01-1999_23-59-59.bmp");
    EXPECT_EQ(CaptureFileName(Time(1, 1, 2000, 0, 0, 0)), "RUV_01-01-2000_00-00-00.bmp");
}

} // namespace
} // namespace lemnar
