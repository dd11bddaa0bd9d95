#pragma once

#include <functional>
#include <string>

namespace yomida {

// The logic of the dialog "YOMIDA バージョン情報": its five lines, the last a link to the user
// manual. Texts are CP932.
class VersionInfo {
public:
    // The program's version, set once by the build.
    static const char* const kVersion;

    // `manualLink` gives the manual's path as the link shows it; `openLink` opens it.
    VersionInfo(std::function<std::string()> manualLink,
                std::function<void(const std::string&)> openLink)
        : manualLink_(std::move(manualLink)), openLink_(std::move(openLink)) {}

    std::string LblVer1;  // the program's purpose
    std::string LblVer2;  // name and version
    std::string LblVer3;  // edition
    std::string LblVer4;  // where to read on
    std::string LblVer5;  // the link to the manual

    void FormShow();
    void LblVer5Click();

private:
    std::function<std::string()> manualLink_;
    std::function<void(const std::string&)> openLink_;
};

}  // namespace yomida
