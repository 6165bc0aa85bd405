#pragma once
// The log file: opened for appending ("a+"), every LF stored as CR LF. Besides
// the received-data dump it holds, in quiet mode, the errors that would
// otherwise be message boxes, as code page 1251 text.

#include <cstdio>
#include <string>
#include <string_view>

namespace lemnar {

// Message box text when the log cannot be opened; it never goes to the log.
constexpr std::string_view LogOpenErrorText = "Ошибка открытия лога на запись";

// Error texts of quiet mode (UTF-8, without the final line feed that
// WriteLogError adds).
constexpr std::string_view ScriptNoHostLogText =
    "Невозможно запустить сценарий на выполнение. Не указан IP-адрес сервера.";
constexpr std::string_view ScriptOpenErrorText = "Ошибка открытия файла сценария";
constexpr std::string_view ScriptNoLoginText = "Не удалось считать логин";
constexpr std::string_view ScriptNoPasswordText = "Не удалось считать пароль";

// "Удалённый сервер <host> не отвечает. Проверьте правильность адреса".
std::string ConnectFailedText(std::string_view host);

// "Не удалось записать в лог <path>": the first failed write to the log, once
// a run.
std::string LogNotWrittenText(std::string_view path);

// Opens the log for the run; nullptr when it cannot be opened.
std::FILE* OpenLog(const char* path);

// Opens the log and closes it again. true: it can be written.
bool TestLog(const char* path);

// Appends one error line: text (UTF-8) in code page 1251, then CR LF. The
// stream is flushed, since the program ends right after an error line.
// false: the line could not be written whole.
bool WriteLogError(std::FILE* log, std::string_view text);

} // namespace lemnar
