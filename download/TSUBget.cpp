#include "download/TSUBget.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Convert.h"
#include "text/CommaText.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr int kNeoWingCategory = 11;

std::string FolderText(const std::filesystem::path& file) {
    return Utf8ToCp932((file.parent_path() / "").string());
}

}  // namespace

std::string TSUBget::ReadStoredStamp(const std::filesystem::path& dataFile) {
    if (!FileExists(dataFile)) {
        return {};
    }
    HourglassCursor hourglass(ui_);
    TextFileReader in(dataFile);
    scrambler_.ResetScramble();
    std::string line;
    if (!in.ReadLine(line)) {
        return {};
    }
    scrambler_.ScrambleLineInPlace(line);
    const std::vector<std::string> items = SplitCommaText(line);
    return items.empty() ? std::string() : items[0];
}

bool TSUBget::FetchSource(FetchContext& context) {
    *context.forcedDownload = false;
    scrambler_.ResetScramble();  // the plain-text marker sends every fetch to the import paths
    if (*context.directFetch) {
        return DownloadDirectly(context);
    }
    if (context.category == kNeoWingCategory) {
        return ImportCsv(context);
    }
    return ImportHtml(context);
}

bool TSUBget::DownloadDirectly(FetchContext&) {
    // The program's own HTTP download is not there yet: a direct fetch fails as a failed
    // request does.
    ui_.ShowError("データ取得処理：エラー！！"_sj);
    return false;
}

bool TSUBget::ImportCsv(FetchContext& context) {
    if (!ui_.Confirm("KOSUMIRAで取り込んだCSVファイルが必要です。\n\r"
                     "YOMIDAでそのファイルを読み込ませて下さい。"_sj)) {
        return true;
    }
    const std::filesystem::path& sibling = context.settings->siblingProgram;
    if (FileExists(sibling)) {
        ui_.StartProgram(sibling, {});
    }
    FileDialogRequest request;
    request.initialFolder = Cp932ToUtf8(context.settings->neoWingFolder);
    request.filter = "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*"_sj;
    const std::optional<std::filesystem::path> chosen = ui_.OpenFileDialog(request);
    if (!chosen) {
        return true;
    }
    context.settings->neoWingFolder = FolderText(*chosen);
    return ConvertFile(context, *chosen);
}

bool TSUBget::ImportHtml(FetchContext& context) {
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
    FileDialogRequest request;
    request.initialFolder = Cp932ToUtf8(context.settings->htmlFolder);
    request.filter = "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*"_sj;
    const std::optional<std::filesystem::path> chosen = ui_.OpenFileDialog(request);
    if (!chosen) {
        return true;
    }
    context.settings->htmlFolder = FolderText(*chosen);
    return ConvertFile(context, *chosen);
}

bool TSUBget::ConvertFile(FetchContext& context, const std::filesystem::path& input) {
    ConvertRequest request;
    request.category = context.category;
    request.input = input;
    request.output = context.dataFile;
    request.stampPrefix = *context.stampPrefix;
    request.target = context.target;
    return Convert(request, scrambler_, ui_);
}

}  // namespace yomida
