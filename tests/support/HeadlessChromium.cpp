#include "tests/support/HeadlessChromium.h"

#include <unistd.h>

#include <cstdlib>
#include <utility>

#include <gtest/gtest.h>

#include "platform/foundation/Text.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"

namespace tarvo_test {

std::optional<std::string> findChromium() {
    if (const char* p = std::getenv("TARVO_CHROMIUM"); p && *p) return std::string(p);
    for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
        if (access(p, X_OK) == 0) return std::string(p);
    }
    return std::nullopt;
}

platform::Json readBackPhones(const std::string& page, const std::string& phoneScript, const std::string& dir) {
    const auto chromium = findChromium();
    if (!chromium) {
        ADD_FAILURE() << "no chromium installed";
        return platform::Json::array();
    }
    std::string probed = page;
    probed.insert(probed.rfind("</body>"),
                  "<script>window.addEventListener('load', function () { var out = [];"
                  "document.querySelectorAll('.phone').forEach(function (phone) {" +
                      phoneScript +
                      "});"
                      "var pre = document.createElement('pre'); pre.id = 'readback';"
                      "pre.textContent = JSON.stringify(out); document.body.appendChild(pre); });</script>");
    const std::string file = dir + "/probed.html";
    writeFile(file, probed);
    const ProcessResult b = runProgram(
        *chromium,
        {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + dir + "/chromium", "--window-size=1200,1000", "--virtual-time-budget=3000",
         "--dump-dom", "file://" + file},
        "", {{"HOME", dir}});
    EXPECT_EQ(b.exitCode, 0) << b.err;
    const std::string open = "<pre id=\"readback\">";
    const auto begin = b.out.find(open);
    const auto end = b.out.find("</pre>", begin);
    if (begin == std::string::npos || end == std::string::npos) {
        ADD_FAILURE() << "no read-back in " << b.out.substr(0, 2000);
        return platform::Json::array();
    }
    std::string json = b.out.substr(begin + open.size(), end - begin - open.size());
    for (const auto& [entity, character] : {std::pair{"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        json = platform::text::replacingOccurrences(json, entity, character);
    }
    return platform::parseJson(json);
}

}  // namespace tarvo_test
