#include "download/DownloadManager.h"

#include <cstdio>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "sources/Convert.h"
#include "text/CommaText.h"
#include "text/Dates.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

std::string FolderText(const std::filesystem::path& file) {
    return Utf8ToCp932((file.parent_path() / "").string());
}

bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The stamp as the first item of the header line: in quotes, a quote doubled, so that the line
// reads back with the stamp whole and every caption in its place.
std::string QuotedStamp(std::string stamp) {
    std::erase(stamp, '\0');
    std::string quoted;
    AppendQuoted(stamp, quoted);
    return quoted + ',';
}

std::filesystem::path DownloadFileOf(const FetchContext& context) {
    return context.downloadFile.empty()
               ? context.settings->dataFolder / DownloadManager::DownloadFileName()
               : context.downloadFile;
}

}  // namespace

bool FetchesDirectly(int category, const SettingsRecord& settings) {
    const CategoryInfo* c = FindCategory(category);
    return c != nullptr &&
           (c->acquisition == Acquisition::DirectFetch ||
            (c->acquisition == Acquisition::DirectOrBrowserPage && settings.directFetch));
}

std::string DownloadManager::ReadStoredStamp(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return {};
    }
    HourglassCursor hourglass(ui_);
    ScrambledReader in(dataFile);
    std::string line;
    if (!in.ReadLine(line)) {
        return {};
    }
    const std::vector<std::string> items = SplitCommaText(line);
    return items.empty() ? std::string() : items[0];
}

bool DownloadManager::FetchSource(FetchContext& context) {
    *context.forcedDownload = false;
    context.directFailure.clear();
    const CategoryInfo* category = FindCategory(context.category);
    // The plain-text marker sends every fetch to the import paths.
    if (context.directFetch && !ScramblingOffIn(context.settings->dataFolder)) {
        if (category != nullptr && category->acquisition == Acquisition::DirectOrBrowserPage) {
            return DownloadOrImport(context);
        }
        return DownloadDirectly(context);
    }
    if (category != nullptr && category->acquisition == Acquisition::KosumiraCsv) {
        return ImportCsv(context);
    }
    return ImportHtml(context);
}

std::string DownloadManager::ParseUpdateStamp(std::string_view header,
                                              std::chrono::year_month_day today) {
    std::string stamp;
    const size_t at = header.find("Last-Modified:");
    if (at != std::string_view::npos) {
        const size_t start = at + 14;
        const size_t cr = header.find('\r', start);
        if (cr != std::string_view::npos) {
            stamp = header.substr(start, cr - start);
        }
    }
    if (stamp.empty()) {
        stamp = FormatSlashDate(today);
    }
    return CleanStamp(stamp);
}

std::string DownloadManager::CleanStamp(std::string_view stamp) {
    std::string kept;
    for (char c : stamp) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            kept += c;
        }
    }
    // A lead byte without its trail byte would take the closing quote of the stored field for
    // one, and the header line would no longer split as it was written.
    std::string clean;
    for (size_t i = 0; i < kept.size(); ++i) {
        const auto b = static_cast<unsigned char>(kept[i]);
        if (!IsLeadByte(b)) {
            clean += kept[i];
        } else if (i + 1 < kept.size() && IsTrailByte(static_cast<unsigned char>(kept[i + 1]))) {
            clean.append(kept, i, 2);
            ++i;
        }
    }
    return std::string(TrimControls(clean));
}

bool DownloadManager::CheckForUpdate(FetchContext& context) {
    const CategoryInfo* category = FindCategory(context.category);
    if (category == nullptr || !category->updateCheck) {
        return false;
    }
    HttpClient& http = *context.http;
    std::string stored;
    {
        HourglassCursor hourglass(ui_);
        stored = ReadStoredStamp(context.dataFile);
        http.InputFileMode = true;
        http.ReplaceBodyFile = true;
        http.BodyFile = DownloadFileOf(context);
        try {
            http.Head(context.sourceUrl);
        } catch (const std::exception& e) {
            context.requestError = e.what();
            ui_.SetCursor(CursorShape::Default);
            ui_.ShowError("ヘッダー取得処理：エラー！！"_sj);
            return false;
        }
    }
    // A stamp stored before hostile bytes were dropped still matches the page it came from.
    return ParseUpdateStamp(http.Header, clock_.Today()) != CleanStamp(stored);
}

bool DownloadManager::DownloadOrImport(FetchContext& context) {
    std::string failure;
    const bool result = DownloadDirectly(context, &failure);
    if (failure.empty()) {
        return result;
    }
    context.directFailure = failure;
    if (!ui_.Confirm("直接取得できませんでした。ブラウザで保存したページから取り込みますか？"_sj +
                     "\n\r\n\r" + failure)) {
        return true;  // the old list, if any, is shown as it was
    }
    return ImportHtml(context);
}

bool DownloadManager::DownloadDirectly(FetchContext& context, std::string* failure) {
    HttpClient& http = *context.http;
    const std::filesystem::path download = DownloadFileOf(context);
    HourglassCursor hourglass(ui_);
    *context.successFlag = false;
    context.setBusyDisplay(true);
    const ScopeExit busyOff([&context] { context.setBusyDisplay(false); });

    http.InputFileMode = true;
    http.ReplaceBodyFile = true;
    http.BodyFile = download;
    try {
        http.Get(context.sourceUrl);
    } catch (const std::exception& e) {
        context.requestError = http.Error.empty() ? std::string(e.what()) : http.Error;
        if (failure != nullptr) {
            *failure = http.Error.empty() ? std::string(e.what()) : http.Error;
            return false;
        }
        ui_.ShowError("データ取得処理：エラー！！"_sj);
        return false;
    }
    // Only the page itself is a list: a redirect that led nowhere or a partial answer is not.
    if (!*context.successFlag || (failure != nullptr && http.Status != 200)) {
        DeleteFile(download);  // an error page is no list
        if (failure != nullptr) {
            *failure = "HTTP " + std::to_string(http.Status);
        }
        return true;
    }
    *context.stampPrefix = QuotedStamp(ParseUpdateStamp(http.Header, clock_.Today()));
    context.setStatusText("変換処理中・・・"_sj);
    int records = 0;
    const bool converted = ConvertFile(context, download, failure != nullptr ? &records : nullptr);
    if (failure != nullptr && records == 0) {
        *failure = "ページに発売情報がありませんでした。"_sj;
    }
    return converted;
}

std::optional<std::string> DownloadManager::ProbeBookTownMonth(FetchContext& context,
                                                               const std::string& host) {
    using namespace std::chrono;
    const CategoryInfo* row = FindCategory(context.category);
    if (row == nullptr || row->monthProbe.url == nullptr) {
        return std::string();  // the category's site has no month to ask for
    }
    UrlValues probe;
    probe.host = host;
    const year_month_day today = clock_.Today();
    const auto monthIndex = [](year_month_day d) {
        return static_cast<int>(d.year()) * 12 + static_cast<int>(static_cast<unsigned>(d.month()));
    };
    const int target = monthIndex(context.target);
    const int now = monthIndex(today);
    const std::string& outOfRange = "指定年月は範囲外の為ダウンロード出来ません。"_sj;
    if (target < now - 1 || target > now + 1) {
        ui_.ShowError(outOfRange);
        return std::nullopt;
    }

    HttpClient& http = *context.http;
    HourglassCursor hourglass(ui_);
    *context.successFlag = false;
    context.setBusyDisplay(true);
    // The client goes back to writing bodies to a file, and the busy display away, on every way
    // out.
    const ScopeExit restore([&context, &http] {
        http.InputFileMode = true;
        context.setBusyDisplay(false);
    });

    http.InputFileMode = false;
    http.Body.clear();
    try {
        http.Get(ExpandUrlTemplate(row->monthProbe.url, probe));
    } catch (const std::exception&) {
        ui_.ShowError("データ取得処理－－URL不正－－"_sj);
        return std::nullopt;
    }
    if (!*context.successFlag) {
        return std::nullopt;
    }
    int current = 0;
    for (int s = 1; s <= 12 && current == 0; ++s) {
        probe.target = context.target.year() / month{static_cast<unsigned>(s)} / 1;
        if (http.Body.find(ExpandUrlTemplate(row->monthProbe.marker, probe)) != std::string::npos) {
            current = s;
        }
    }
    if (current == 0) {
        ui_.ShowError("「本やタウン」のWeb形式が変更になりました。"_sj);
        return std::nullopt;
    }
    const int month = static_cast<int>(static_cast<unsigned>(context.target.month()));
    if (month == current) {
        return std::string();
    }
    if (month == (current == 1 ? 12 : current - 1)) {
        return std::string("_old");
    }
    ui_.ShowError(outOfRange);
    return std::nullopt;
}

bool DownloadManager::ImportCsv(FetchContext& context) {
    if (!ui_.Confirm("KOSUMIRAで取り込んだCSVファイルが必要です。\n\r"
                     "YOMIDAでそのファイルを読み込ませて下さい。"_sj)) {
        return true;
    }
    const std::filesystem::path& sibling = context.settings->siblingProgram;
    if (FileExists(sibling)) {
        ui_.StartProgram(sibling, {});
    }
    return ChooseAndConvert(context, "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj,
                            context.settings->neoWingFolder);
}

bool DownloadManager::ImportHtml(FetchContext& context) {
    if (!ui_.Confirm("発売日一覧のページをブラウザで表示します。\n\r"
                     "全て表示後ブラウザでCtrl+Sを押し「名前を付けて保存」し、\n\r"
                     "YOMIDAでそのファイルを読み込ませて下さい。\n\r\n\r"
                     "※ファイルの種類は”HTMLのみ”\n\r\n\r※エンコードは”UTF-8”で保存"_sj)) {
        return true;
    }
    {
        HourglassCursor hourglass(ui_);
        ui_.ShellOpen(context.sourceUrl);
    }
    return ChooseAndConvert(context, "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*"_sj,
                            context.settings->htmlFolder);
}

bool DownloadManager::ChooseAndConvert(FetchContext& context, const std::string& filter,
                                       std::string& rememberedFolder) {
    FileDialogRequest request;
    request.initialFolder = Cp932ToUtf8(rememberedFolder);
    request.filter = filter;
    const std::optional<std::filesystem::path> chosen = ui_.OpenFileDialog(request);
    if (!chosen) {
        return true;  // cancelled: an older list, if any, is shown
    }
    rememberedFolder = FolderText(*chosen);
    return ConvertFile(context, *chosen);
}

bool DownloadManager::ImportFile(FetchContext& context, const std::filesystem::path& file) {
    *context.forcedDownload = false;
    const CategoryInfo* category = FindCategory(context.category);
    std::string& folder = category != nullptr && category->acquisition == Acquisition::KosumiraCsv
                              ? context.settings->neoWingFolder
                              : context.settings->htmlFolder;
    folder = FolderText(file);
    return ConvertFile(context, file);
}

bool DownloadManager::ConvertFile(FetchContext& context, const std::filesystem::path& input,
                                  int* records) {
    context.conversionStarted = true;
    ConvertRequest request;
    request.category = context.category;
    request.input = input;
    request.output = context.dataFile;
    request.stampPrefix = *context.stampPrefix;
    request.target = context.target;
    request.records = records;
    return Convert(request, ui_);
}

}  // namespace yomida
