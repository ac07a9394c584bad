#include "platform/PictureDecode.h"

namespace platform {

namespace {
constexpr const char* kNoDecoder = "this system has no decoder for icons and metafiles";
}

bool SystemPictureSize(const std::string&, int& width, int& height, std::string& error)
{
    width = height = 0;
    error = kNoDecoder;
    return false;
}

bool RenderSystemPicture(const std::string&, int, int, std::vector<std::uint8_t>& rgb,
                         std::string& error)
{
    rgb.clear();
    error = kNoDecoder;
    return false;
}

} // namespace platform
