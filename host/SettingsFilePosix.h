// The per-user settings of the Linux edition: the registry key
// Software\<vendor>\<product> kept as one text file,
// $XDG_CONFIG_HOME/<vendor>/<product>/settings (else ~/.config/...), one
// "Name=value" a line with the value a 32-bit unsigned decimal, after a first
// comment line naming the product.
//
// Several editors of one process and several processes (a host and its
// plug-in scanner, two hosts) write the same file, so every write holds an
// exclusive flock on "settings.lock" beside it, re-reads the file, changes only
// its own value and replaces the file by a rename of a fully written and synced
// temporary file: a value another writer stored meanwhile survives, and a crash
// leaves the old file or the new one, never half of one. Readers take no lock:
// the rename makes each read see one whole file.
//
// Reading is tolerant: a file that is missing, unreadable or of another kind
// holds nothing, and a line that does not parse is skipped (and dropped by the
// next write) without costing the lines that do. A file that is there but cannot
// be read is not written over: its values are not ours to lose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qp {

// Tens of values are ever stored (two per parameter and the editor's zoom):
// anything past this is not ours, and only the lines before it are read.
constexpr std::size_t kSettingsFileLimit = 64 * 1024;
constexpr const char* kSettingsFileName = "settings";
constexpr const char* kSettingsLockName = "settings.lock";

struct SettingsLocation {
    std::string product;
    // The folders to create for a write, outermost first: the configuration
    // root, the vendor's folder, the product's folder (the last holds the file).
    std::vector<std::string> folders;
    std::string file;
    std::string lock;
};

// Where the key path's values live; nothing for a key path that is not
// Software\<vendor>\<product> with both names plain folder names (no '/', not
// "." or ".."), and when neither an absolute XDG_CONFIG_HOME nor an absolute
// HOME is given (XDG's rule: a relative XDG_CONFIG_HOME is ignored).
std::optional<SettingsLocation> settingsLocation(const char* keyPath, const char* xdgConfigHome,
                                                 const char* home);

using SettingsEntries = std::vector<std::pair<std::string, std::uint32_t>>;

// A name a line can hold and give back: not empty, no '=', no control
// character, not starting with '#' (a comment).
bool isStorableName(std::string_view name);

// The lines of text that parse, in file order; a name given twice keeps its
// last value at its first place. cut says the text stops inside the file, so its
// last line may be cut short and is skipped.
SettingsEntries parseSettings(std::string_view text, bool cut);
std::string formatSettings(const std::string& product, const SettingsEntries& entries);

// The values in the file; empty for a missing or unreadable file.
SettingsEntries readSettingsFile(const std::string& file);
bool settingsFileExists(const std::string& file);

// Stores one value, making the folders (mode 0700) as needed. False when the
// name cannot be stored, a folder cannot be made, the file or its folder is
// not writable or not readable, or the user made the file or its folder
// read-only (root included): the old file then stays.
bool writeSettingsValue(const SettingsLocation& location, const char* name, std::uint32_t value);

}  // namespace qp
