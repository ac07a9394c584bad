#include "app/BridgeAccess.h"

#include "app/Endpoints.h"
#include "util/TextUtil.h"

namespace app {

std::string LoadingPageUrl(std::string_view programPath)
{
    const auto slash = programPath.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
    return "res://" + std::string(name) + "/Loading";
}

bool BridgeMayAnswer(std::string_view topLevelUrl, std::string_view loadingPageUrl)
{
    if (IsPortalPage(topLevelUrl))
        return true;
    // res: names a file and a resource, both found without regard to case.
    return !loadingPageUrl.empty() && text::SameText(topLevelUrl, loadingPageUrl);
}

bool BridgeMayAnswerCaller(std::string_view topLevelUrl, const std::optional<std::string>& callerUrl,
                           std::string_view loadingPageUrl)
{
    return BridgeMayAnswer(topLevelUrl, loadingPageUrl) && (!callerUrl || BridgeMayAnswer(*callerUrl, loadingPageUrl));
}

} // namespace app
