#include "keyboard/CaptureFileName.h"

#include <cstdio>

namespace lemnar {

std::string CaptureFileName(const std::tm& time) {
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%02d_%02d-%02d-%02d", time.tm_mday,
                  time.tm_mon + 1, time.tm_year + 1900, time.tm_hour, time.tm_min, time.tm_sec);
    return std::string("RUV_") + stamp + ".bmp";
}

} // namespace lemnar
