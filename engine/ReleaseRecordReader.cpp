#include "engine/ReleaseRecordReader.h"

#include <functional>

#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/NormaliseWidth.h"

namespace yomida {

bool ReleaseRecordReader::ReadLine(std::string_view stored, size_t lineNumber, Release& release,
                                   std::string& scratch) {
    NormaliseWidthInto(stored, scratch);
    return release.Read(scratch, lineNumber) >= 2;
}

namespace {

// Where the check field of a stored line lies, as FieldSpan finds it; a record line as the
// program writes it ("12,0,…") is read without going through the whole line's split.
std::optional<std::pair<size_t, size_t>> CheckFieldSpan(std::string_view stored) {
    size_t digits = 0;
    while (digits < stored.size() && stored[digits] >= '0' && stored[digits] <= '9') {
        ++digits;
    }
    const size_t flag = digits + 1;
    if (digits > 0 && flag < stored.size() && stored[digits] == ',' &&
        (stored[flag] == '0' || stored[flag] == '1') &&
        (flag + 1 == stored.size() || stored[flag + 1] == ',')) {
        return std::make_pair(flag, flag + 1);
    }
    return FieldSpan(stored, kCheckCol);
}

}  // namespace

void ReleaseRecordReader::AddToFingerprint(std::string_view stored, uint64_t& fingerprint) {
    constexpr uint64_t kPrime = 1099511628211ull;
    const auto add = [&fingerprint](std::string_view bytes) {
        fingerprint = (fingerprint ^ std::hash<std::string_view>{}(bytes)) * kPrime;
    };
    if (const std::optional<std::pair<size_t, size_t>> flag = CheckFieldSpan(stored)) {
        add(stored.substr(0, flag->first));
        add(flag->second < stored.size() ? stored.substr(flag->second) : std::string_view{});
    } else {
        add(stored);
    }
}

bool ReleaseRecordReader::Next(Release& release) {
    while (file_.ReadLine(line_)) {
        if (fingerprinting_) {
            AddToFingerprint(line_, fingerprint_);
        }
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
