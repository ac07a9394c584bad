#pragma once
// Raw access to a file's version resource. Windows: GetFileVersionInfoSizeW,
// GetFileVersionInfoW and VerQueryValueW. Linux has no version resources: a
// program's own executable carries the build's version (the four words the
// build defines, with a language table present), every other file none.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Size in bytes of the file's version resource; 0 when it has none.
std::uint32_t VersionInfoSize(const std::string& path);
// Copies the resource of the given size; false when it cannot be read.
bool ReadVersionInfo(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>& data);

// The two look-ups the reader makes in a copied resource.
struct VersionLookup {
    bool hasTranslation = false;     // "\VarFileInfo\Translation" found
    bool hasRoot = false;            // "\" found
    std::vector<std::uint8_t> root;  // the root block, as long as the resource declares it
};
VersionLookup LookUpVersionInfo(const std::vector<std::uint8_t>& data);

} // namespace platform
