#pragma once
// Where the per-user settings database lives.

#include <optional>
#include <string>

namespace jobhost::linux {

// $JOBHOST_REGISTRY, else ${XDG_CONFIG_HOME:-$HOME/.config}/jobhost/registry.sqlite3;
// nullopt when neither variable gives a place.
std::optional<std::string> SettingsDatabasePath();

// Creates every missing directory above path (new ones private to the user).
bool CreateParentDirectories(const std::string& path);

}  // namespace jobhost::linux
