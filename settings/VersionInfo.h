#pragma once

#include <functional>
#include <string>

#include "platform/Ui.h"

namespace yomida {

// The logic of the dialog "YOMIDA バージョン情報": its five lines, the last a link to the user
// manual. Texts are CP932.
class VersionInfo {
public:
    // The program's version, set once by the build.
    static const char* const kVersion;

    // `manualLink` gives the manual's path as the link shows it.
    VersionInfo(Ui& ui, std::function<std::string()> manualLink)
        : ui_(ui), manualLink_(std::move(manualLink)) {}

    std::string LblVer1;  // the program's purpose
    std::string LblVer2;  // name and version
    std::string LblVer3;  // edition
    std::string LblVer4;  // where to read on
    std::string LblVer5;  // the link to the manual

    void FormShow();
    void LblVer5Click();

private:
    Ui& ui_;
    std::function<std::string()> manualLink_;
};

}  // namespace yomida
