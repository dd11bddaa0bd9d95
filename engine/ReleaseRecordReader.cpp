#include "engine/ReleaseRecordReader.h"

#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {

ReleaseRecordReader::ReleaseRecordReader(const std::filesystem::path& dataFile) : file_(dataFile) {}

bool ReleaseRecordReader::Next(std::vector<std::string>& fields) {
    const std::string& fullWidthSpace = "　"_sj;
    while (file_.ReadLine(line_)) {
        NormaliseWidthInto(line_, plain_);
        // Protect spaces so the split cuts at commas only.
        spaced_.clear();
        ReplaceAllSjisInto(plain_, " ", fullWidthSpace, spaced_);
        SplitCommaText(spaced_, fields);
        if (fields.size() >= 2 && fields[1] == kNumberCaption) {
            fields.erase(fields.begin());  // drop the update stamp in front of the header
        }
        if (fields.size() >= 2) {
            return true;
        }
    }
    return false;
}

bool ReleaseRecordReader::IsHeader(const std::vector<std::string>& fields) {
    return !fields.empty() && fields[kNumberCol] == kNumberCaption;
}

void AppendCellText(std::string_view field, std::string& scratch, std::string& cell) {
    scratch.clear();
    ReplaceAllSjisInto(field, "　"_sj, " ", scratch);
    cell.append(TrimControls(scratch));
}

std::string CellText(std::string_view field) {
    std::string scratch;
    std::string cell;
    AppendCellText(field, scratch, cell);
    return cell;
}

}  // namespace yomida
