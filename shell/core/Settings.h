#pragma once
// The settings file, section "Options": what start-up reads for the values the
// command line left open, and what SaveSettings writes back.

#include "shell/core/CommandLine.h"
#include "shell/core/IniFile.h"
#include "shell/core/ShellState.h"

#include <optional>
#include <string>

namespace lemnar {

constexpr std::string_view SettingsSection = "Options";

// Window position, client size and font size: the command line's values where
// given, else the file's, else the current left, top and font size and a
// 640 x 480 client area.
TWindowGeometry ReadWindowSettings(const TStartOptions& options, const TIniFile& ini,
                                   int currentLeft, int currentTop, int currentFontSize);

// Without a P option: LogPath from the key Logfile and, when it names a file,
// the log test, which sets options.LogEnabled. The result is the log-open
// error text, after which start-up stops.
std::optional<std::string> ReadLogSetting(TShellState& state, TStartOptions& options,
                                          const TIniFile& ini);

// The start-up steps after the log is open for the run: QuietMode (from
// logEnabled and the command line's S and E only), Login and Host when still
// empty, ExitOnDisconnect when the command line left it open, and, unless the
// command line named one, the help file: beside the program, else in the
// installed data directory.
void ReadLateSettings(TShellState& state, const TStartOptions& options, bool logEnabled,
                      const TIniFile& ini);

// The most history rows the key Scrollback may ask for. A row keeps 672
// bytes (the widest grid's cells, its width and which cells were painted),
// so this is about 64 MiB; more is taken as this.
constexpr int MaxScrollbackRows = 100000;

// The key Scrollback, read at start-up: how many rows of history to keep,
// 0 for none. A value that is not a plain number of rows (empty, signed,
// other than digits) leaves def, so a typing error never turns the history
// off; more than MaxScrollbackRows gives MaxScrollbackRows. SaveSettings
// never writes the key: a line the user wrote stays as it is.
int ReadScrollbackSetting(const TIniFile& ini, int def);

// The most idle seconds the key KeepAlive may ask for, the system's own
// bound for the first keep-alive probe.
constexpr int MaxKeepAliveSeconds = 32767;
constexpr int DefaultKeepAliveSeconds = 60;

// The key KeepAlive, read at start-up: idle seconds before the connection
// is probed for a server that has vanished, 0 for no probing; read as
// Scrollback is, within MaxKeepAliveSeconds, and never written.
int ReadKeepAliveSetting(const TIniFile& ini);

// Script mode puts the script's login into Login and empties fields at the
// end; before a save, Login, Host and SaveDir are restored from the file so
// that it keeps its own values.
void RestoreSettingsFields(TShellState& state, const TIniFile& ini);

// Writes the eleven keys of section "Options", one write each, in their fixed
// order. Logfile is LogPath while logging is on, else empty. true: every
// write succeeded.
bool SaveSettings(const TShellState& state, const TIniFile& ini, bool logEnabled,
                  const TWindowGeometry& window);

// "Не удалось сохранить настройки в файл <path>": the one report of a
// settings file that cannot be written.
std::string SettingsNotSavedText(std::string_view path);

} // namespace lemnar
