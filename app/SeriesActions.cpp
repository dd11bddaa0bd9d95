#include "app/SeriesActions.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "engine/SeriesFollowing.h"
#include "engine/SeriesStore.h"
#include "engine/WatchScan.h"
#include "platform/Cp932.h"
#include "sources/Catalogue.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

std::string SeriesVolumeText(int volume) {
    return volume > 0 ? std::to_string(volume) + "巻"_sj : std::string();
}

// "進撃の巨人 34巻", or the key alone when no volume is known.
std::string SeriesFollowedText(const FollowedSeries& s) {
    return s.volume > 0 ? s.key + " "_sj + SeriesVolumeText(s.volume) : s.key;
}

std::string SeriesCategoryName(int number) {
    const CategoryInfo* info = FindCategory(number);
    return info == nullptr ? std::string() : Utf8ToCp932(info->displayName);
}

}  // namespace

SeriesActions::SeriesActions(Ui& ui, const SettingsRecord& settings, StatusPanel& status)
    : ui_(ui), settings_(settings), status_(status) {}

std::vector<Release> SeriesActions::RowsToFollow(const ComboGrid& grid) {
    std::vector<Release> rows;
    for (const Release& r : grid.Rows()) {
        if (r.Ticked()) {
            rows.push_back(r);
        }
    }
    if (rows.empty() && grid.Row() >= ComboGrid::kFirstRecordRow && grid.Row() <= grid.LastRow()) {
        const Release& current = grid.RowAt(grid.Row());
        // The blank row of a list without releases is nothing to follow.
        if (!current.Title().empty()) {
            rows.push_back(current);
        }
    }
    return rows;
}

void SeriesActions::FollowExecute(const ComboGrid& grid, const std::filesystem::path& dataFile) {
    const std::vector<Release> rows = RowsToFollow(grid);
    if (rows.empty()) {
        ui_.ShowWarning("追うシリーズの行にチェックを付けるか、カーソルを置いてください"_sj);
        return;
    }
    const std::optional<WatchFile> list =
        dataFile.empty() ? std::nullopt : ParseWatchFileName(dataFile, settings_.Weeks());
    const FollowTitlesResult result = FollowRecords(list, rows, settings_.dataFolder);
    // One series ticked in several volumes is named once, as the file has it at the end.
    std::vector<std::pair<std::string, std::string>> followed;  // key, text
    std::string nameless;
    for (const TitleFollow& t : result.titles) {
        if (t.series.key.empty()) {
            nameless += (nameless.empty() ? "" : "\n") + t.series.title;
            continue;
        }
        const auto same = std::find_if(followed.begin(), followed.end(),
                                       [&t](const auto& f) { return f.first == t.series.key; });
        if (same == followed.end()) {
            followed.emplace_back(t.series.key, SeriesFollowedText(t.series));
        } else {
            same->second = SeriesFollowedText(t.series);
        }
    }
    if (!followed.empty()) {
        status_.text = "シリーズを追います: "_sj;
        for (size_t i = 0; i < followed.size(); ++i) {
            status_.text += (i > 0 ? "、"_sj : std::string()) + followed[i].second;
        }
    }
    if (result.setAside > 0) {
        ui_.ShowWarning("series.txt の読めない行は series.txt.bad に残しました"_sj);
    }
    if (!nameless.empty()) {
        ui_.ShowWarning("シリーズ名を読み取れないタイトルは追えません:\n"_sj + nameless);
    }
}

std::vector<SeriesListRow> SeriesActions::Rows() {
    SeriesStore::Contents contents;
    try {
        contents = SeriesStore(settings_.dataFolder).Read();
    } catch (const std::exception& e) {
        ui_.ShowError("series.txt を読めません: "_sj + Utf8ToCp932(e.what()));
        return {};
    }
    if (contents.unreadable > 0) {
        ui_.ShowWarning("series.txt の読めない行 "_sj + std::to_string(contents.unreadable) +
                        "件は、次に変えるとき series.txt.bad に残します"_sj);
    }
    std::vector<SeriesListRow> rows;
    for (const FollowedSeries& s : contents.series) {
        SeriesListRow row;
        row.key = s.key;
        row.title = s.title;
        row.last = SeriesVolumeText(s.volume);
        row.lastDate = s.date;
        // A next volume is worth showing once it is dated; the scan only records listed ones.
        if (s.nextVolume > 0 && !s.nextDate.empty()) {
            row.next = SeriesVolumeText(s.nextVolume);
            row.nextDate = s.nextDate;
            row.nextCategory = SeriesCategoryName(s.nextCategory);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool SeriesActions::UnfollowExecute(const std::string& key) {
    const SeriesStore::UnfollowResult result = SeriesStore(settings_.dataFolder).Unfollow({key});
    const bool removed = !result.removed.empty() && result.removed[0];
    if (removed) {
        status_.text = "シリーズを追うのをやめました: "_sj + key;
    }
    return removed;
}

}  // namespace yomida
