#include "app/gtk/UnreachablePage.h"

#include <glib/gi18n.h>

#include "app/Endpoints.h"
#include "platform/linux/GLibPtr.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;

// The address comes from the environment or the build: never markup.
std::string Escaped(const std::string& text)
{
    const GCharPtr escaped(g_markup_escape_text(text.c_str(), -1));
    return escaped.get();
}

std::string Paragraph(const char* text)
{
    return "<p>" + Escaped(text) + "</p>";
}

} // namespace

std::string UnreachablePage(const std::string& address, PortalTrouble why, const std::string& problem)
{
    const std::string title = Escaped(_("The portal cannot be reached"));
    const std::string where = Escaped(address);
    std::string detail;
    if (!problem.empty()) {
        detail = "<p class=\"problem\">" + Escaped(problem) + "</p>";
    } else {
        switch (why) {
        case PortalTrouble::NoAnswer:
            if (IsDemoPortal(address))
                detail = Paragraph(_("Start the demo portal: pictavo-demo-portal"));
            break;
        case PortalTrouble::BadCertificate:
            detail = Paragraph(_("The portal's certificate is not valid."));
            break;
        case PortalTrouble::ViewStopped:
            detail = Paragraph(_("The page stopped unexpectedly."));
            break;
        }
        // Trying again cannot move what stands in the way of the demo portal.
        detail += "<p><a id=\"retry\" href=\"" + where + "\">" + Escaped(_("Try again")) + "</a></p>";
    }
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title><style>"
           "html, body { height: 100%; margin: 0; }"
           "body { background: #EDEEF0; font-family: Tahoma, Sans, sans-serif; font-size: 8pt; color: #333;"
           " display: flex; align-items: center; justify-content: center; text-align: center; overflow: hidden;"
           " -webkit-user-select: none; user-select: none; }"
           "h1 { font-size: 12pt; font-weight: bold; margin: 0 0 8px; }"
           "p { margin: 6px 0; } .address { color: #666; } .problem { max-width: 480px; } a { color: #1a5fb4; }"
           "</style></head><body oncontextmenu=\"return false\"><div><h1>" + title + "</h1>"
           "<p class=\"address\">" + where + "</p>" + detail + "</div></body></html>";
}

} // namespace app
