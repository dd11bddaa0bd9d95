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
#include "text/DataFileRecords.h"
#include "text/Messages.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// The text the category's converter reads: the page rewritten by the category's pre-processor,
// or the page as it stands. In a CP932 page a lead byte that no trail byte follows would swallow
// the comma, quote or tag after it in every step, so it becomes "?" first. Defined sources'
// responses are UTF-8 and are read as such.
std::string ConverterInput(ConverterKind kind, std::string page) {
    if (kind != ConverterKind::ProductList && kind != ConverterKind::DefinedSource &&
        FindLoneLeadByte(page) != std::string::npos) {
        page = ReplaceLoneLeadBytes(page);
    }
    switch (kind) {
        case ConverterKind::BookTownTable:
        case ConverterKind::MangaNoMoriTable:
            return JoinTableRows(page);
        case ConverterKind::TaiyoshaBunko:
        case ConverterKind::TaiyoshaComic:
            return NormaliseLineBreaks(page);
        case ConverterKind::ProductList:
        case ConverterKind::ProductListExtractor:
        case ConverterKind::WeeklyList:
        case ConverterKind::NeoWingCsv:
        case ConverterKind::DefinedSource:
            return page;
    }
    return page;
}

// The converters that read the page's lines from memory.
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

// A record line without its tick: the number and the fields after ",0," or ",1,".
std::string_view WithoutTick(std::string_view line) {
    const size_t first = line.find(',');
    if (first == std::string_view::npos) {
        return line;
    }
    const size_t second = line.find(',', first + 1);
    return second == std::string_view::npos ? line.substr(0, first) : line.substr(second);
}

bool SameRecordNumbers(std::string_view a, std::string_view b) {
    return a.substr(0, a.find(',')) == b.substr(0, b.find(','));
}

// Whether the lines just converted are the stored list's records, whatever was ticked there.
bool SameRecords(const std::optional<std::vector<std::string>>& stored,
                 const std::vector<std::string>& converted) {
    if (!stored || stored->size() != converted.size()) {
        return false;
    }
    for (size_t i = 0; i < converted.size(); ++i) {
        const std::string_view a = (*stored)[i];
        const std::string_view b = converted[i];
        if (!SameRecordNumbers(a, b) || WithoutTick(a) != WithoutTick(b)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::filesystem::path PreviousVersionPath(const std::filesystem::path& dataFile) {
    std::filesystem::path previous = dataFile;
    previous += ".prev";
    return previous;
}

ConvertResult Convert(const ConvertRequest& request) {
    ConvertResult result;
    if (!FileExists(request.input)) {
        result.outcome = ConvertOutcome::InputMissing;
        result.message = MsgText(Msg::DownloadedFileMissing);
        return result;
    }
    const CategoryInfo* category = FindCategory(request.category);
    if (category == nullptr) {
        result.outcome = ConvertOutcome::NoReleases;
        return result;
    }
    FileReplacement out(request.output);
    RecordWriter writer(out.Writer(), request.output, request.stampPrefix);
    // Read under the replacement's lock: what is compared is what would be replaced.
    std::optional<std::vector<std::string>> stored;
    if (request.keepSameList) {
        stored = ReadRecordLines(request.output);
        writer.KeepRecordLines();
    }
    bool ranToEnd = true;
    if (category->converter == ConverterKind::ProductList) {
        // A saved product-list page is megabytes long: it goes through its marker page a piece
        // at a time, never whole in memory.
        ranToEnd = ConvertProductListPage(request.input, writer);
    } else {
        // The page is read once and pre-processed in memory: the user's file stays as it was,
        // so a failed or repeated import can always start again from it, and nothing but the
        // data file's new version is written beside the data file.
        const std::string page = ConverterInput(category->converter, ReadWholeFile(request.input));
        LineReader in(page);
        ConverterContext context{in, writer, request, {}};
        ranToEnd = RunConverter(category->converter, context);
        result.message = std::move(context.stopMessage);
    }
    result.records = writer.Records();
    if (ranToEnd && writer.Counted() > 0 && SameRecords(stored, writer.RecordLines())) {
        result.outcome = ConvertOutcome::SameList;
        return result;
    }
    if (writer.Counted() > 0) {
        // The list as it was, for telling which titles the new one has dropped.
        out.KeepPrevious(PreviousVersionPath(request.output));
        out.Commit();
    }
    if (!ranToEnd) {
        // The one converter that stops before the end does so at a list of another month.
        result.outcome = ConvertOutcome::OtherPeriod;
    } else if (writer.Counted() == 0) {
        // Without a word the user would take the unchanged list for the new one.
        result.outcome = ConvertOutcome::NoReleases;
        result.message = MsgText(Msg::NoReleasesOnPage);
        if (FileExists(request.output)) {
            result.message += MsgText(Msg::ShowingPreviousList);
        }
    }
    return result;
}

}  // namespace yomida
