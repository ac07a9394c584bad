#include "app/PortalNavigation.h"

#include "app/Endpoints.h"
#include "app/UrlOrigin.h"
#include "util/TextUtil.h"

namespace app {

TopNavigation DecideTopNavigation(std::string_view url, bool userAsked, std::string_view ownPages)
{
    if (IsPortalPage(url))
        return TopNavigation::Show;
    if (!ownPages.empty() && url.size() >= ownPages.size() && text::SameText(url.substr(0, ownPages.size()), ownPages))
        return TopNavigation::Show;
    return OpensInBrowser(url, userAsked) ? TopNavigation::OpenInBrowser : TopNavigation::Ignore;
}

bool OpensInBrowser(std::string_view url, bool userAsked)
{
    return userAsked && ParseOrigin(url).has_value();
}

} // namespace app
