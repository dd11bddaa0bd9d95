#include "settings/VersionInfo.h"

#include "text/SjisLiteral.h"

namespace yomida {

const char* const VersionInfo::kVersion = YOMIDA_VERSION;

void VersionInfo::FormShow() {
    LblVer1 = "書籍発売日検索プログラム"_sj;
    LblVer2 = std::string("YOMIDA Ver. ") + kVersion;
    LblVer3 = "YOMIDA for Linux"_sj;
    LblVer4 = "使い方は下記のマニュアルをご覧下さい"_sj;
    LblVer5 = manualLink_();
}

void VersionInfo::LblVer5Click() {
    openLink_(LblVer5);
}

}  // namespace yomida
