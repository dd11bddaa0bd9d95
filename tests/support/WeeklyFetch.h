#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace yomida::test {

// A server's answer that the weekly list changed on 2003/05/05, before the page itself.
inline const std::string kWeeklyOk =
    "HTTP/1.0 200 OK\r\nLast-Modified: Mon, 05 May 2003 10:00:00 GMT\r\n\r\n";

// The weekly category's sample page, in CP932 as its server sends it.
inline std::string WeeklyPage() {
    return Sj(ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "weekly.html"));
}

// `yomida-cli fetch` of the weekly list of week 1321 into DATA, the hosts read from SETTINGS.
inline std::vector<std::string> WeeklyFetchArgs(const std::filesystem::path& data,
                                                const std::filesystem::path& settings) {
    return {"fetch", "--category", "2",           "--month", "2003-05",        "--week",
            "1321",  "--data",     data.string(), "--hosts", settings.string()};
}

}  // namespace yomida::test
