#pragma once
// One key of an INI ("profile") file per call. Windows: the system's profile
// functions, flushed after every call. Linux: UTF-8 files with the same
// section/key=value form; names match without regard to letter case, and a
// write replaces the whole file in one rename, so it is never half-written.
#include <string>

namespace platform {

// The key's value, or def when the file, the section or the key is missing.
// Blanks around the value and one pair of matching quotes are removed.
std::string ReadProfileKey(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def);

// Writes key=value into the section, creating the file, the section or the
// key as needed. False when the file could not be written.
bool WriteProfileKey(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value);

// The prefix of the temporary files a write of file makes beside it (for
// CreateUniqueFile's pattern); empty when writes make none.
std::string ProfileTempPrefix(const std::string& file);

} // namespace platform
