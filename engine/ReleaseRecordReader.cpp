#include "engine/ReleaseRecordReader.h"

#include "sources/RecordLayout.h"
#include "text/NormaliseWidth.h"

namespace yomida {

bool ReleaseRecordReader::ReadLine(std::string_view stored, size_t lineNumber, Release& release,
                                   std::string& scratch) {
    NormaliseWidthInto(stored, scratch);
    return release.Read(scratch, lineNumber) >= 2;
}

bool ReleaseRecordReader::Next(Release& release) {
    while (file_.ReadLine(line_)) {
        if (ReadLine(line_, lineNumber_++, release, plain_)) {
            return true;
        }
    }
    return false;
}

bool ReleaseRecordReader::IsHeader(const Release& release) {
    return release.RawField(kNumberCol) == kNumberCaption;
}

}  // namespace yomida
