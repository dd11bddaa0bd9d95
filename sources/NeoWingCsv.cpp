#include "sources/NeoWingCsv.h"

#include <string>
#include <vector>

#include "text/CommaText.h"
#include "text/Dates.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
bool ConvertNeoWingCsv(ConverterContext& context) {
    context.out.WriteHeader(ListKind::AudioVisual);
    context.out.NumberFrom(0);  // KOSUMIRA's lists are numbered from 0
    const auto target = context.request.target;
    std::string_view line;
    std::vector<std::string> f;
    while (context.in.ReadLine(line)) {
        SplitCommaText(ReplaceAllSjis(NormaliseWidth(line), " ", "　"_sj), f);
        // Lines without a readable release date, or of another month, are left out.
        if (f.size() < 6) {
            continue;
        }
        const std::optional<std::chrono::year_month_day> date = ParseSlashDate(f[5]);
        if (!date || date->year() != target.year() || date->month() != target.month()) {
            continue;
        }
        const std::string artist = ReplaceAllSjis(f[0], ",", "，"_sj);
        const std::string title = ReplaceAllSjis(f[1], ",", "，"_sj);
        const std::string record =
            Trimmed(f[3]) + "," + std::to_string(static_cast<unsigned>(date->day())) + "," +
            Trimmed(title) + "," + Trimmed(artist) + "," + Trimmed(f[4]) + "," + Trimmed(f[2]);
        context.out.WriteRecord(record);
    }
    return true;
}

}  // namespace yomida
