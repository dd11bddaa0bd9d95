#include "sources/Convert.h"

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "sources/ConverterContext.h"
#include "sources/DefinedSourceConverter.h"
#include "sources/ListItems.h"
#include "sources/NeoWingCsv.h"
#include "sources/ProductList.h"
#include "sources/TableRows.h"
#include "text/Messages.h"

namespace yomida {
namespace {

// The text the category's converter reads: the page rewritten by the category's pre-processor,
// or the page as it stands.
std::string ConverterInput(ConverterKind kind, std::string page) {
    switch (kind) {
        case ConverterKind::ProductList:
            return BuildMarkerPage(page);
        case ConverterKind::BookTownTable:
        case ConverterKind::MangaNoMoriTable:
            return JoinTableRows(page);
        case ConverterKind::TaiyoshaBunko:
        case ConverterKind::TaiyoshaComic:
            return NormaliseLineBreaks(page);
        case ConverterKind::ProductListExtractor:
        case ConverterKind::WeeklyList:
        case ConverterKind::NeoWingCsv:
        case ConverterKind::DefinedSource:
            return page;
    }
    return page;
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
        case ConverterKind::DefinedSource:
            return ConvertDefinedSource(context);
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
        ui.ShowError(MsgText(Msg::DownloadedFileMissing));
        return false;
    }
    HourglassCursor hourglass(ui);
    const CategoryInfo* category = FindCategory(request.category);
    if (category == nullptr) {
        return true;
    }
    // The page is read once and pre-processed in memory: the user's file stays as it was, so a
    // failed or repeated import can always start again from it, and nothing but the data file's
    // new version is written beside the data file.
    const std::string page = ConverterInput(category->converter, ReadWholeFile(request.input));
    LineReader in(page);
    FileReplacement out(request.output);
    RecordWriter writer(out.Writer(), request.output, request.stampPrefix);
    ConverterContext context{in, writer, request, ui};
    const bool ranToEnd = RunConverter(category->converter, context);
    if (request.records != nullptr) {
        *request.records = static_cast<int>(writer.Counted());
    }
    if (writer.Counted() > 0) {
        // The list as it was, for telling which titles the new one has dropped.
        out.KeepPrevious(PreviousVersionPath(request.output));
        out.Commit();
    } else if (ranToEnd && request.records == nullptr) {
        // Without a word the user would take the unchanged list for the new one.
        std::string text = MsgText(Msg::NoReleasesOnPage);
        if (FileExists(request.output)) {
            text += MsgText(Msg::ShowingPreviousList);
        }
        ui.ShowWarning(text);
    }
    return ranToEnd;
}

}  // namespace yomida
