#include "terminal/LogWriter.h"

#include <cstring>

namespace lemnar {

void LogWrite(std::FILE* file, const void* data, std::size_t n) {
    if (file == nullptr)
        return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] != '\n')
            continue;
        std::fwrite(bytes + start, 1, i - start, file);
        std::fwrite("\r\n", 1, 2, file);
        start = i + 1;
    }
    std::fwrite(bytes + start, 1, n - start, file);
}

void LogWrite(std::FILE* file, const char* text) {
    LogWrite(file, text, std::strlen(text));
}

} // namespace lemnar
