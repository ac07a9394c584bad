#include "platform/VersionResource.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WinText.h"

namespace platform {

std::uint32_t VersionInfoSize(const std::string& path)
{
    DWORD handle = 0;
    return ::GetFileVersionInfoSizeW(win::Wide(path).c_str(), &handle);
}

bool ReadVersionInfo(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>& data)
{
    data.assign(size, 0);
    // The handle argument is ignored by the system.
    return size > 0 && ::GetFileVersionInfoW(win::Wide(path).c_str(), 0, size, data.data()) != FALSE;
}

VersionLookup LookUpVersionInfo(const std::vector<std::uint8_t>& data)
{
    VersionLookup result;
    if (data.empty())
        return result;
    // VerQueryValueW takes a non-const block; it only reads it here.
    std::vector<std::uint8_t> block(data);
    void* value = nullptr;
    UINT length = 0;
    result.hasTranslation =
        ::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) != FALSE && value != nullptr;
    value = nullptr;
    length = 0;
    if (::VerQueryValueW(block.data(), L"\\", &value, &length) != FALSE && value != nullptr) {
        const auto* begin = static_cast<const std::uint8_t*>(value);
        const auto* end = block.data() + block.size();
        // Never trust a declared length beyond the copy's end.
        if (begin >= block.data() && begin <= end) {
            result.hasRoot = true;
            const std::size_t available = static_cast<std::size_t>(end - begin);
            result.root.assign(begin, begin + std::min<std::size_t>(length, available));
        }
    }
    return result;
}

} // namespace platform
