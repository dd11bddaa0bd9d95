#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/UFRMmain.h"
#include "platform/Cp932.h"
#include "platform/IoError.h"
#include "settings/IniFile.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr int kDefaultColumnWidths[8] = {0, 24, 104, 64, 191, 107, 61, 60};

std::string Numbered(const char* prefix, size_t n) {
    return prefix + std::to_string(n);
}

std::string IntText(int v) {
    return std::to_string(v);
}

const char* BoolText(bool v) {
    return v ? "1" : "0";
}

}  // namespace

void TFRMmain::LoadSettings() {
    const IniFile ini(Settings.settingsFile);
    auto str = [&](const char* section, const char* key, const std::string& fallback) {
        return ini.Read(section, key).value_or(fallback);
    };
    auto num = [&](const char* section, const char* key, int fallback) {
        return IniToInt(ini.Read(section, key), fallback);
    };

    Settings.proxy = str("INTERNET", "PROXY", "");
    Settings.port = num("INTERNET", "PORT", 0);
    Settings.dialUp = IniToBool(ini.Read("INTERNET", "DIALUP"), false);

    Geometry.top = num("WINDOW", "TOP", 69);
    Geometry.left = num("WINDOW", "LEFT", 204);
    Geometry.width = num("WINDOW", "WIDTH", 691);
    Geometry.height = num("WINDOW", "HEIGHT", 614);
    Geometry.maximized = num("WINDOW", "MAX", 0) == 1;
    TView.width = num("WINDOW", "T_WIDTH", 120);

    for (int c = 0; c < 8; ++c) {
        ComboGrid1.SetColWidth(
            c, num("GRID", Numbered("WIDTH", c + 1).c_str(), kDefaultColumnWidths[c]));
    }
    ComboGrid1.SetEighthColWidth(ComboGrid1.ColWidth(7));
    GridRowHeight = num("GRID", "HEIGHT", 24);

    Settings.fontName = str("FONT", "NAME", "ＭＳ ゴシック"_sj);
    Settings.fontSize = num("FONT", "SIZE", 9);

    Settings.category = num("SERCH", "TAISYOU", 1);
    if (FindCategory(Settings.category) == nullptr) {
        Settings.category = 1;  // only a hand-edited file holds another number
    }
    const int sort = num("SERCH", "SORT", 0);
    CmbSort.itemIndex = sort >= 0 && sort < static_cast<int>(CmbSort.items.size()) ? sort : -1;
    Settings.listId = str("SERCH", "LISTID", "2003/05");

    for (int box = 1; box <= 3; ++box) {
        std::vector<std::string>& history = SearchBox(box).items;
        history.clear();
        for (size_t n = 1; n <= kMaxHistory; ++n) {
            const std::string key = std::to_string(box) + "_" + std::to_string(n);
            const std::string value = str("SERCH", key.c_str(), "");
            std::string_view entry = TrimControls(value);
            if (!entry.empty()) {
                history.emplace_back(entry);
            }
        }
    }

    static const char* const kConditionKeys[5] = {"NAME_", "DATE_", "JKN1_", "JKN2_", "JKN3_"};
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        for (size_t k = 0; k < 5; ++k) {
            Settings.conditions[n][k] =
                str("JOUKEN_SERCH", Numbered(kConditionKeys[k], n + 1).c_str(), "");
        }
    }

    // A hand-edited file may leave a free slot before a used one; the list dialog maps its
    // entries to slots by position, so the used slots move together.
    std::stable_partition(Settings.conditions.begin(), Settings.conditions.end(),
                          [](const SavedCondition& c) { return !TrimControls(c[0]).empty(); });

    Settings.checkSave = IniToBool(ini.Read("CHECK", "CHECK"), true);
    Settings.updateCheck = false;  // the stored HEADER is never read back

    Settings.weekBaseDate =
        ParseSlashDate(str("SYOSEKI_SERCH", "DATE", "")).value_or(SettingsRecord{}.weekBaseDate);
    Settings.weekBaseNumber = num("SYOSEKI_SERCH", "NO", 1200);

    Settings.onOffLine = str("FILE", "ON_OFF_LINE", "ON");
    Settings.htmlFolder = str("FILE", "TAI_PATH", "");
    Settings.neoWingFolder = str("FILE", "NEO_PATH", "");
    Settings.csvFolder = str("FILE", "CSV_PATH", "");

    // The shop of the shop search is configuration, as are the source hosts below.
    ShopHost = str("SHOP", "HOST", ShopHost);
    ShopTag = str("SHOP", "TAG", ShopTag);

    // Source hosts can be pointed elsewhere without rebuilding the program.
    for (SourceSite site : {SourceSite::MangaOh, SourceSite::WeeklyList, SourceSite::Taiyosha,
                            SourceSite::BookTown, SourceSite::MangaNoMori, SourceSite::NeoWing}) {
        std::optional<std::string> host =
            ini.Read(HostTable::SectionName(), HostTable::KeyName(site));
        if (host && !host->empty()) {
            Hosts.SetHost(site, *host);
        }
    }
}

void TFRMmain::ApplySettings() {
    NMHTTP1.Proxy = Settings.proxy;
    NMHTTP1.ProxyPort = Settings.port;
    GridRowHeight = std::abs(ui_.FontPixelHeight(Settings.fontName, Settings.fontSize)) + 2;
    for (size_t n = 0; n < kSavedConditionCount; ++n) {
        Jouken[n].caption = Settings.conditions[n][0];
        Jouken[n].hint = Settings.conditions[n][0];
    }
}

void TFRMmain::SaveSettings() {
    try {
        IniFile ini(Settings.settingsFile);
        ini.Write("INTERNET", "PROXY", Settings.proxy);
        ini.Write("INTERNET", "PORT", IntText(Settings.port));
        ini.Write("INTERNET", "DIALUP", BoolText(Settings.dialUp));

        for (int c = 0; c < 7; ++c) {
            const int width =
                c < ComboGrid1.ColCount() ? ComboGrid1.ColWidth(c) : kDefaultColumnWidths[c];
            ini.Write("GRID", Numbered("WIDTH", static_cast<size_t>(c) + 1), IntText(width));
        }
        ini.Write("GRID", "WIDTH8", IntText(ComboGrid1.EighthColWidth()));
        ini.Write("GRID", "HEIGHT", IntText(GridRowHeight));

        if (Geometry.maximized) {
            ini.Write("WINDOW", "MAX", "1");
        } else {
            ini.Write("WINDOW", "MAX", "0");
            ini.Write("WINDOW", "TOP", IntText(Geometry.top));
            ini.Write("WINDOW", "LEFT", IntText(Geometry.left));
            ini.Write("WINDOW", "WIDTH", IntText(Geometry.width));
            ini.Write("WINDOW", "HEIGHT", IntText(Geometry.height));
        }
        if (TView.width == 0) {
            TView.width = 1;  // a tree of width 0 could never be dragged open again
        }
        ini.Write("WINDOW", "T_WIDTH", IntText(TView.width));

        ini.Write("FONT", "NAME", Settings.fontName);
        ini.Write("FONT", "SIZE", IntText(Settings.fontSize));

        ini.Write("SERCH", "TAISYOU", IntText(Settings.category));
        ini.Write("SERCH", "SORT", IntText(CmbSort.itemIndex));
        ini.Write("SERCH", "LISTID", Settings.listId);
        for (int box = 1; box <= 3; ++box) {
            const std::vector<std::string>& history = SearchBox(box).items;
            for (size_t n = 1; n <= kMaxHistory; ++n) {
                ini.Write("SERCH", std::to_string(box) + "_" + std::to_string(n),
                          n <= history.size() ? history[n - 1] : std::string());
            }
        }

        static const char* const kConditionKeys[5] = {"NAME_", "DATE_", "JKN1_", "JKN2_", "JKN3_"};
        for (size_t n = 0; n < kSavedConditionCount; ++n) {
            for (size_t k = 0; k < 5; ++k) {
                ini.Write("JOUKEN_SERCH", Numbered(kConditionKeys[k], n + 1),
                          Settings.conditions[n][k]);
            }
        }

        ini.Write("CHECK", "CHECK", BoolText(Settings.checkSave));
        ini.Write("CHECK", "HEADER", BoolText(Settings.updateCheck));

        ini.Write("SYOSEKI_SERCH", "DATE", FormatSlashDate(Settings.weekBaseDate));
        ini.Write("SYOSEKI_SERCH", "NO", IntText(Settings.weekBaseNumber));

        ini.Write("FILE", "ON_OFF_LINE", Settings.onOffLine);
        ini.Write("FILE", "TAI_PATH", Settings.htmlFolder);
        ini.Write("FILE", "NEO_PATH", Settings.neoWingFolder);
        ini.Write("FILE", "CSV_PATH", Settings.csvFolder);

        ini.Save(Settings.settingsFile);
    } catch (const std::exception&) {
        std::string text = "%s に書き込めません"_sj;
        text.replace(text.find("%s"), 2, Utf8ToCp932(Settings.settingsFile.string()));
        ui_.ShowError(text);
    }
}

}  // namespace yomida
