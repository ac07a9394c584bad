// ChooseImageUrl on any request and a screen picked by the first byte: the
// result is empty, the request before "?", or base plus one candidate (the
// first one naming the size, when any does). Without a screen size (a side of
// zero or below) it is always the request before "?". DownloadFileName never hands
// back a name that could leave the wallpaper folder.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Check.h"
#include "engine/ImageChoice.h"
#include "engine/Url.h"
#include "util/TextUtil.h"

namespace {

struct Screen {
    int width;
    int height;
};

constexpr Screen kScreens[] = {{1920, 1080}, {1600, 900}, {1366, 768}, {1280, 1024}, {1024, 768},
                               {0, 0},       {0, 1080},   {-1920, -1080}, {INT_MAX, INT_MAX - 18}, {1, 1}};

std::vector<std::string> Candidates(const std::string& request)
{
    std::vector<std::string> out;
    const std::size_t equals = request.find('=');
    std::string list = equals == std::string::npos ? request : request.substr(equals + 1);
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        out.push_back(list.substr(0, semicolon));
        list = semicolon == std::string::npos ? std::string() : list.substr(semicolon + 1);
    }
    engine::TUrl url;
    url.SetUrl(request);
    std::string own = url.Path + url.Document;
    if (!own.empty() && own.front() == '/')
        own.erase(0, 1);
    out.push_back(own);
    return out;
}

void CheckName(const std::string& url)
{
    const std::optional<std::string> name = engine::DownloadFileName(url);
    if (!name)
        return;
    FUZZ_CHECK(!name->empty());
    FUZZ_CHECK(name->find_first_of("/\\:") == std::string::npos);
    FUZZ_CHECK(name->find("..") == std::string::npos);
    FUZZ_CHECK(url.size() > name->size() && url.compare(url.size() - name->size(), name->size(), *name) == 0);
    FUZZ_CHECK(engine::DownloadDestination("W/", url) == "W/" + *name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Screen screen = kScreens[data[0] % (sizeof kScreens / sizeof kScreens[0])];
    const std::string request(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string result = engine::ChooseImageUrl(request, screen.width, screen.height);

    const std::size_t mark = request.find('?');
    const std::string fallback = mark == std::string::npos ? std::string() : request.substr(0, mark);
    const std::vector<std::string> candidates = Candidates(request);
    engine::TUrl url;
    url.SetUrl(request);
    const bool bracket = url.Host.find(':') != std::string::npos;
    const std::string base = url.Protocol + "://" + (bracket ? "[" + url.Host + "]" : url.Host) +
                             (url.Port == 80 || url.Host.empty() ? std::string() : ":" + std::to_string(url.Port)) + "/";
    const std::string sizeText = std::to_string(screen.width) + "," + std::to_string(screen.height) + ".jpg";

    if (screen.width <= 0 || screen.height <= 0) {
        FUZZ_CHECK(result == fallback);
        CheckName(request);
        return 0;
    }

    bool found = false;
    for (const std::string& candidate : candidates) {
        if (text::AsciiLower(candidate).find(sizeText) != std::string::npos) {
            FUZZ_CHECK(result == base + candidate);
            found = true;
            break;
        }
    }
    if (!found && result != fallback) {
        bool isCandidate = false;
        for (const std::string& candidate : candidates)
            isCandidate = isCandidate || result == base + candidate;
        FUZZ_CHECK(isCandidate);
    }

    CheckName(result);
    CheckName(request);
    return 0;
}
