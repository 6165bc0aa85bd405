#pragma once
// Where the settings file and the help file are. The settings file stays
// beside the program while the user may write there (a portable copy, the
// build tree); a program installed where the user cannot write keeps its
// settings in the user's configuration directory instead. The help file is
// looked for beside the program, then in the installed data directory.

#include "shell/core/ShellState.h"

#include <string>
#include <string_view>

namespace lemnar {

constexpr std::string_view SettingsFileName = "Lemnar.ini";
constexpr std::string_view HelpFileName = "Lemnar.hlp";

// $XDG_CONFIG_HOME/Lemnar/Lemnar.ini, or home/.config/Lemnar/Lemnar.ini when
// configHome is unset, empty or relative (a relative one is invalid and
// ignored). Empty when home is no absolute directory either.
std::string UserSettingsPath(const char* configHome, const char* home);

// The same from this process's environment: XDG_CONFIG_HOME, and HOME or,
// without it, the user's entry in the password database.
std::string UserSettingsPath();

// true: the user may create files in dir (false also when dir is missing).
bool DirectoryWritable(const char* dir);

// Chooses SettingsPath. With programDirWritable it stays beside the program,
// where InitShellState put it; otherwise it becomes userPath. An empty
// userPath, or one too long for the field, leaves it beside the program,
// where saving then fails and says so.
void PlaceSettings(TShellState& state, bool programDirWritable, std::string_view userPath);

// The file the settings are read from: SettingsPath once it exists. Before
// that, a settings file beside the program is read if there is one, so a copy
// that came with its settings in a read-only place starts from them; the first
// save then writes SettingsPath.
std::string SettingsReadPath(const TShellState& state);

// Creates the missing directories above SettingsPath, each readable by the
// user alone. false: one of them cannot be created.
bool MakeSettingsDirectory(const TShellState& state);

// The installed data directory for a program in programDir (which ends in a
// separator), ending in a separator: the place the install puts the help
// file, found from the program's own place so that an unpacked copy of the
// installed tree finds it too.
std::string DataDir(std::string_view programDir);

} // namespace lemnar
