#pragma once
// The file name of a screen capture.

#include <ctime>
#include <string>

namespace lemnar {

// "RUV_" + day-month-year_hour-minute-second + ".bmp", two digits each and a
// four-digit year: RUV_07-12-2026_02-30-28.bmp. Two captures within the same
// second get the same name.
std::string CaptureFileName(const std::tm& time);

} // namespace lemnar
