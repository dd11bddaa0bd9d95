#include "download/FetchOutcome.h"

#include <array>

#include "text/SjisLiteral.h"

namespace yomida {
namespace {

struct OutcomeName {
    FetchOutcome outcome;
    std::string_view word;
    const std::string& text;
};

const std::array<OutcomeName, 11>& Names() {
    static const std::array<OutcomeName, 11> names{{
        {FetchOutcome::Updated, "updated", "更新"_sj},
        {FetchOutcome::Unchanged, "unchanged", "変更なし"_sj},
        {FetchOutcome::Imported, "imported", "取り込み"_sj},
        {FetchOutcome::NoRecords, "no-records", "発売情報なし"_sj},
        {FetchOutcome::NotServed, "not-served", "対象外"_sj},
        {FetchOutcome::HttpStatus, "http-status", "HTTP"_sj},
        {FetchOutcome::TransportError, "transport-error", "通信エラー"_sj},
        {FetchOutcome::CertificateError, "certificate-error", "証明書エラー"_sj},
        {FetchOutcome::Cancelled, "cancelled", "中止"_sj},
        {FetchOutcome::ConversionError, "conversion-error", "変換エラー"_sj},
        {FetchOutcome::ManualImport, "manual-import", "手動取り込み"_sj},
    }};
    return names;
}

const OutcomeName& NameOf(FetchOutcome outcome) {
    for (const OutcomeName& n : Names()) {
        if (n.outcome == outcome) {
            return n;
        }
    }
    return Names().back();
}

}  // namespace

bool Succeeded(FetchOutcome outcome) {
    return outcome == FetchOutcome::Updated || outcome == FetchOutcome::Unchanged ||
           outcome == FetchOutcome::Imported;
}

std::string_view FetchOutcomeWord(FetchOutcome outcome) {
    return NameOf(outcome).word;
}

std::optional<FetchOutcome> FetchOutcomeFromWord(std::string_view word) {
    for (const OutcomeName& n : Names()) {
        if (n.word == word) {
            return n.outcome;
        }
    }
    return std::nullopt;
}

const std::string& FetchOutcomeText(FetchOutcome outcome) {
    return NameOf(outcome).text;
}

}  // namespace yomida
