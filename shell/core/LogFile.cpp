#include "shell/core/LogFile.h"

#include "keyboard/Cp1251.h"
#include "terminal/LogWriter.h"

namespace lemnar {

std::string ConnectFailedText(std::string_view host) {
    std::string text = "Удалённый сервер ";
    text += host;
    text += " не отвечает. Проверьте правильность адреса";
    return text;
}

std::string LogNotWrittenText(std::string_view path) {
    std::string text = "Не удалось записать в лог ";
    text += path;
    return text;
}

std::FILE* OpenLog(const char* path) {
    return std::fopen(path, "a+");
}

bool TestLog(const char* path) {
    std::FILE* file = OpenLog(path);
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool WriteLogError(std::FILE* log, std::string_view text) {
    if (log == nullptr) {
        return true;
    }
    std::string line = Utf8ToCp1251(text);
    line += '\n';
    std::fseek(log, 0, SEEK_END);
    const bool written = LogWrite(log, line.data(), line.size());
    return std::fflush(log) == 0 && written;
}

} // namespace lemnar
