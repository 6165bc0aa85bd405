#include "terminal/LogWriter.h"

#include <cstring>

namespace lemnar {

bool LogWrite(std::FILE* file, const void* data, std::size_t n) {
    if (file == nullptr)
        return true;
    const auto* bytes = static_cast<const unsigned char*>(data);
    bool written = true;
    const auto write = [&](const void* from, std::size_t size) {
        written = std::fwrite(from, 1, size, file) == size && written;
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] != '\n')
            continue;
        write(bytes + start, i - start);
        write("\r\n", 2);
        start = i + 1;
    }
    write(bytes + start, n - start);
    return written;
}

bool LogWrite(std::FILE* file, const char* text) {
    return LogWrite(file, text, std::strlen(text));
}

} // namespace lemnar
