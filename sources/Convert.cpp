#include "sources/Convert.h"

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "sources/ConverterContext.h"
#include "sources/ProductList.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

void PreProcess(ConverterKind kind, const std::filesystem::path& input) {
    switch (kind) {
        case ConverterKind::ProductList:
            BuildMarkerPage(input);
            break;
        default:
            break;
    }
}

bool RunConverter(ConverterKind kind, ConverterContext& context) {
    switch (kind) {
        case ConverterKind::ProductList:
        case ConverterKind::ProductListExtractor:
            return ExtractProductList(context);
        default:
            return true;  // no converter: nothing is written
    }
}

}  // namespace

bool Convert(const ConvertRequest& request, Scrambler& scrambler, Ui& ui) {
    if (!FileExists(request.input)) {
        ui.ShowError("ダウンロードファイルが見つかりません。"_sj);
        return false;
    }
    HourglassCursor hourglass(ui);
    const CategoryInfo* category = FindCategory(request.category);
    if (category == nullptr) {
        return true;
    }
    PreProcess(category->converter, request.input);

    TextFileReader in(request.input);
    FileReplacement out(request.output);
    scrambler.ResetScramble();
    RecordWriter writer(out.Writer(), scrambler, request.stampPrefix);
    ConverterContext context{in, writer, request, ui};
    const bool ranToEnd = RunConverter(category->converter, context);
    in.Close();
    if (writer.counter > 0) {
        out.Commit();
    }
    return ranToEnd;
}

}  // namespace yomida
