#pragma once
// Portal requests a hostile or broken page could send, and ordinary ones of
// about the same number, shared by the unit tests and the benchmark. Header
// only: the benchmark links no test library.
#include <string>
#include <vector>

namespace testing_support {

struct NamedRequest {
    std::string name;
    std::string text;
};

struct ScreenCase {
    int width;
    int height;
};

inline const std::vector<ScreenCase>& RequestScreens()
{
    static const std::vector<ScreenCase> screens = {{1920, 1080}, {1600, 900}, {1366, 768}, {0, 0}};
    return screens;
}

inline std::vector<NamedRequest> HostileRequests()
{
    const std::string mega(1 << 20, 'a');
    auto repeat = [](const std::string& piece, std::size_t bytes) {
        std::string s;
        s.reserve(bytes + piece.size());
        while (s.size() < bytes)
            s += piece;
        return s;
    };
    std::string tenThousand = "http://host/v.jpg?v=";
    std::string tenThousandHuge = tenThousand;
    for (int i = 0; i < 10000; ++i) {
        tenThousand += "p/e" + std::to_string(i) + ",7,3.jpg;";
        tenThousandHuge += "p/" + std::to_string(i) + ",99999999999,2147483647.jpg;";
    }
    const std::string nul(1, '\0');
    return {
        {"1 MB list entry", "http://host/v.jpg?v=" + mega},
        {"1 MB host", "http://" + mega + "/v.jpg?v=p/a,1920,1080.jpg"},
        {"1 MB of commas and dots", "http://host/v.jpg?v=" + repeat(",.", 1 << 20)},
        {"1 MB of semicolons", "http://host/v.jpg?v=" + repeat(";", 1 << 20)},
        {"1 MB of slashes", "http://host/" + repeat("/", 1 << 20) + "?v=x"},
        {"1 MB of backslashes", "http://host\\" + repeat("\\", 1 << 20)},
        {"1 MB of '='", repeat("=", 1 << 20)},
        {"1 MB name", "http://host/v.jpg?v=p/" + mega + ",1920,1080.jpg"},
        {"10 000 entries", tenThousand},
        {"10 000 entries, last fits", tenThousand + "p/hit,1920,1080.jpg"},
        {"10 000 entries of huge numbers", tenThousandHuge},
        {"entries of commas and dots", "http://host/v.jpg?v=,,,,....;,.,.,.;1920,,1080..jpg;,,;..;,16,9.;.,1920,1080.jpg"},
        {"%00 in the name", "http://host/v.jpg?v=p/a%00,1920,1080.jpg;p/b%00.jpg"},
        {"NUL in the name", "http://host/v.jpg?v=p/a" + nul + ",1920,1080.jpg"},
        {"NUL in the host", "http://ho" + nul + "st/v.jpg?v=p/a,1920,1080.jpg"},
        {"NUL before the mark", "http://host/v" + nul + ".jpg?v=x"},
        {"lone surrogate", "http://host/v.jpg?v=p/\xED\xA0\x80,1920,1080.jpg"},
        {"invalid UTF-8", "http://host/\xFF\xFE.jpg?v=p/\xC0\xAF\xE4\xB8,1920,1080.jpg"},
        {"dot-dot entry", "http://host/v.jpg?v=../../../etc/passwd,1920,1080.jpg"},
        {"dot-dot name", "http://host/v.jpg?v=p/..,1920,1080.jpg;..;."},
        {"backslash escape", "http://host/v.jpg?v=..\\..\\Windows\\x,1920,1080.jpg"},
        {"drive letter", "http://host/v.jpg?v=C:\\Windows\\x,1920,1080.jpg;C:x,16,9.jpg"},
        {"stream name", "http://host/v.jpg?v=p/a.jpg:evil,1920,1080.jpg"},
        {"encoded dot-dot", "http://host/v.jpg?v=%2e%2e%2f%2e%2e%2fx,1920,1080.jpg"},
        {"device name", "http://host/nul.jpg?v=p/con.jpg;p/aux,16,9.jpg"},
        {"trailing dot and blank", "http://host/v.jpg.?v=p/x,1920,1080.jpg .;p/y,16,9.jpg."},
        {"absolute entry", "http://host/v.jpg?v=/etc/x,1920,1080.jpg;//evil/x,16,9.jpg"},
        {"other scheme", "file:///etc/passwd?v=etc/shadow,1920,1080.jpg"},
        {"scheme in an entry", "http://host/v.jpg?v=file://c:/x,1920,1080.jpg"},
        {"no scheme", "host/v.jpg?v=p/a,1920,1080.jpg"},
        {"name too long", "http://host/v.jpg?v=p/" + std::string(300, 'n') + ",1920,1080.jpg"},
        {"empty", ""},
        {"only a mark", "?"},
    };
}

inline std::vector<NamedRequest> GoodRequests()
{
    const std::string three = "http://host/pic/view.jpg?v=pic/a,1920,1080.jpg;pic/a,1280,1024.jpg;pic/a,1024,768.jpg";
    std::vector<NamedRequest> good = {
        {"three sizes", three},
        {"two sizes", "http://host/pic/view.jpg?v=pic/a,1920,1080.jpg;pic/a,1280,1024.jpg"},
        {"upper-case extension", "http://host/v.jpg?v=pic/a,1920,1080.JPG"},
        {"https with port", "https://me@host:8443/v.jpg?v=p/a,1920,1080.jpg"},
        {"own path fits", "http://host/pic/b,1920,1080.jpg?v=pic/a,1280,1024.jpg"},
        {"no list", "http://host/pic/view.jpg"},
        {"Chinese name", "http://host/v.jpg?v=p/\xE5\x9B\xBE\xE7\x89\x87,1920,1080.jpg"},
    };
    // As many as the hostile table, so the two totals compare.
    const std::size_t count = HostileRequests().size();
    for (std::size_t i = good.size(); i < count; ++i)
        good.push_back({"portal pick " + std::to_string(i),
                        "http://img.host/pic/" + std::to_string(i) + "/view.jpg?v=pic/" + std::to_string(i) +
                            "/a,1920,1080.jpg;pic/" + std::to_string(i) + "/a,1366,768.jpg"});
    return good;
}

} // namespace testing_support
