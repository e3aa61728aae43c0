#pragma once
// The little a stand-in needs of the system beyond the system layer: its own
// paths, and files. Paths and texts are UTF-8.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace jobhost::stand_in {

// The running executable's path; empty when it cannot be read.
std::string OwnExecutablePath();
// The path of the library (or executable) that holds this code.
std::string OwnModulePath();

// Appends text to the file with one write, creating it when missing.
bool AppendToFile(const std::string& path, std::string_view text);
// The whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Opens the file in binary mode for reading; nullptr on failure.
std::FILE* OpenForReading(const std::string& path);

}  // namespace jobhost::stand_in
