#include "sources/Convert.h"

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TemporaryFile.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "sources/ConverterContext.h"
#include "sources/ListItems.h"
#include "sources/NeoWingCsv.h"
#include "sources/ProductList.h"
#include "sources/TableRows.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// Writes the page as the category's converter reads it into `processed`; false when the
// converter reads the page as it stands.
bool PreProcess(ConverterKind kind, const std::filesystem::path& input, TextFileWriter& processed) {
    switch (kind) {
        case ConverterKind::ProductList:
            BuildMarkerPage(input, processed);
            return true;
        case ConverterKind::BookTownTable:
        case ConverterKind::MangaNoMoriTable:
            JoinTableRows(input, processed);
            return true;
        case ConverterKind::TaiyoshaBunko:
        case ConverterKind::TaiyoshaComic:
            NormaliseLineBreaks(input, processed);
            return true;
        case ConverterKind::ProductListExtractor:
        case ConverterKind::WeeklyList:
        case ConverterKind::NeoWingCsv:
            return false;
    }
    return false;
}

bool RunConverter(ConverterKind kind, ConverterContext& context) {
    switch (kind) {
        case ConverterKind::ProductList:
        case ConverterKind::ProductListExtractor:
            return ExtractProductList(context);
        case ConverterKind::BookTownTable:
            return ConvertBookTownRows(context);
        case ConverterKind::MangaNoMoriTable:
            return ConvertMangaNoMoriRows(context);
        case ConverterKind::TaiyoshaBunko:
            return ConvertTaiyoshaBunko(context);
        case ConverterKind::TaiyoshaComic:
            return ConvertTaiyoshaComic(context);
        case ConverterKind::WeeklyList:
            return ConvertWeeklyList(context);
        case ConverterKind::NeoWingCsv:
            return ConvertNeoWingCsv(context);
    }
    return true;
}

}  // namespace

std::filesystem::path PreviousVersionPath(const std::filesystem::path& dataFile) {
    std::filesystem::path previous = dataFile;
    previous += ".prev";
    return previous;
}

bool Convert(const ConvertRequest& request, Ui& ui) {
    if (!FileExists(request.input)) {
        ui.ShowError("ダウンロードファイルが見つかりません。"_sj);
        return false;
    }
    HourglassCursor hourglass(ui);
    const CategoryInfo* category = FindCategory(request.category);
    if (category == nullptr) {
        return true;
    }
    // The page is pre-processed into a scratch copy beside the data file: the user's file stays
    // as it was, so a failed or repeated import can always start again from it. The copy is
    // written and read back through the descriptor that made it, never reopened by name, so a
    // link put in its place cannot lead the page into another file.
    const TemporaryFile processed(request.output);
    bool preProcessed = false;
    {
        TextFileWriter scratch = processed.Writer();
        preProcessed = PreProcess(category->converter, request.input, scratch);
        scratch.Close();
    }

    TextFileReader in = preProcessed ? processed.Reader() : TextFileReader(request.input);
    FileReplacement out(request.output);
    RecordWriter writer(out.Writer(), request.output, request.stampPrefix);
    ConverterContext context{in, writer, request, ui};
    const bool ranToEnd = RunConverter(category->converter, context);
    in.Close();
    if (request.records != nullptr) {
        *request.records = static_cast<int>(writer.Counted());
    }
    if (writer.Counted() > 0) {
        // The list as it was, for telling which titles the new one has dropped.
        out.KeepPrevious(PreviousVersionPath(request.output));
        out.Commit();
    } else if (ranToEnd && request.records == nullptr) {
        // Without a word the user would take the unchanged list for the new one.
        std::string text = "ページに発売情報がありませんでした。"_sj;
        if (FileExists(request.output)) {
            text += "\n\r前の一覧をそのまま表示します。"_sj;
        }
        ui.ShowWarning(text);
    }
    return ranToEnd;
}

}  // namespace yomida
