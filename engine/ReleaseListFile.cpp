#include "engine/ReleaseListFile.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ReleaseRecordReader.h"
#include "engine/ResultOrder.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "sources/RecordLayout.h"
#include "text/CommaText.h"
#include "text/ScrambledFile.h"

namespace yomida {
namespace {

// The lines of a data file as stored, and the fingerprint of the list they hold.
struct StoredLines {
    std::vector<std::string> text;
    uint64_t fingerprint = ReleaseRecordReader::kFingerprintStart;
};

// Whether a stored line is one the list reads as a record; asked only of the lines a save
// changes.
bool IsRecordLine(std::string_view stored) {
    std::string scratch;
    Release release;
    return ReleaseRecordReader::ReadLine(stored, 0, release, scratch);
}

StoredLines ReadStoredLines(const std::filesystem::path& dataFile) {
    StoredLines lines;
    ScrambledReader in(dataFile);
    std::string line;
    while (in.ReadLine(line)) {
        ReleaseRecordReader::AddToFingerprint(line, lines.fingerprint);
        lines.text.push_back(line);
    }
    return lines;
}

// The line with only its flag changed, so that a save touches no other byte of a record.
std::string WithFlag(const std::string& line, bool ticked) {
    const std::optional<std::pair<size_t, size_t>> flag = FieldSpan(line, kCheckCol);
    std::string changed = line;
    if (flag) {
        changed.replace(flag->first, flag->second - flag->first, StoredFlag(ticked));
    }
    return changed;
}

// Whether the line's stored flag says what `ticked` says.
bool FlagSays(const std::string& line, bool ticked) {
    const std::optional<std::pair<size_t, size_t>> flag = FieldSpan(line, kCheckCol);
    return flag && StoredFlagTicked(std::string_view(line).substr(
                       flag->first, flag->second - flag->first)) == ticked;
}

}  // namespace

int ReleaseListFile::Load(const std::filesystem::path& dataFile, const SearchQuery& query,
                          int order) {
    ReleaseRecordReader file(dataFile);
    table_.header.Clear();
    table_.rows.clear();
    table_.columns = 0;
    file.TakeFingerprint();
    bool headerTaken = false;
    Release release;
    try {
        while (file.Next(release)) {
            // The header line is shown whatever the query says; the first line kept heads the
            // list, header or not.
            if (!ReleaseRecordReader::IsHeader(release) && !query.Matches(release)) {
                continue;
            }
            table_.columns = std::max(table_.columns, release.FieldCount());
            if (!headerTaken) {
                table_.header = release;
                headerTaken = true;
            } else {
                table_.rows.push_back(release);
            }
        }
    } catch (...) {
        file.Close();
        loadedList_ = 0;
        Order(order);
        throw;
    }
    file.Close();
    loadedList_ = file.Fingerprint();
    Order(order);
    return static_cast<int>(table_.rows.size());
}

Collator& ReleaseListFile::SortCollator() {
    if (!collator_) {
        collator_ = std::make_unique<Collator>("ja");
    }
    return *collator_;
}

void ReleaseListFile::Order(int order) {
    if (order < kByDate || order > kByPrice) {
        return;
    }
    OrderRows(table_.rows, order, SortCollator());
}

int ReleaseListFile::CompareRows(size_t a, size_t b, int order) {
    std::string keyA;
    std::string keyB;
    AppendRowKey(table_.rows.at(a), order, SortCollator(), keyA);
    AppendRowKey(table_.rows.at(b), order, SortCollator(), keyB);
    const int c = keyA.compare(keyB);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TickSave ReleaseListFile::SaveTicks(const std::filesystem::path& dataFile) {
    TickSave result;
    if (!FileExists(dataFile)) {
        return result;
    }
    // The replacement holds the file's lock, so the lines read below are the latest saved ones
    // and no other writer's save is lost between the read and the rename.
    FileReplacement out(dataFile);
    StoredLines lines = ReadStoredLines(dataFile);
    const bool sameList = lines.fingerprint == loadedList_;
    // Another list stands in the file: each release is found by what it is, not by its line.
    std::unordered_map<std::string, std::vector<size_t>> linesOf;
    if (!sameList) {
        // Rare: only then is every line read as a release.
        std::string scratch;
        Release stored;
        for (size_t i = lines.text.size(); i-- > 0;) {
            if (ReleaseRecordReader::ReadLine(lines.text[i], i, stored, scratch)) {
                linesOf[stored.Identity()].push_back(i);
            }
        }
    }
    std::vector<std::optional<bool>> flags(lines.text.size());
    std::vector<Release*> placed;
    for (Release& release : table_.rows) {
        // Only the user's own changes are written: a tick nobody changed here keeps what the
        // file says, another window's save included.
        if (!release.HasTick() || release.Ticked() == release.TickedInFile()) {
            continue;
        }
        std::optional<size_t> line;
        if (sameList) {
            line = release.StoredLine();
        } else if (auto found = linesOf.find(release.Identity());
                   found != linesOf.end() && !found->second.empty()) {
            line = found->second.back();
            found->second.pop_back();
        }
        if (!line || *line >= flags.size() || !IsRecordLine(lines.text[*line]) ||
            !FieldSpan(lines.text[*line], kCheckCol)) {
            result.unplaced.emplace_back(release.Title());
            continue;
        }
        flags[*line] = release.Ticked();
        placed.push_back(&release);
    }

    ScrambledWriter writer(out.Writer(), dataFile);
    for (size_t i = 0; i < lines.text.size(); ++i) {
        const std::string& line = lines.text[i];
        writer.WriteLine(flags[i] && !FlagSays(line, *flags[i]) ? WithFlag(line, *flags[i]) : line);
    }
    out.Commit();
    for (Release* release : placed) {
        release->SetTickedInFile(release->Ticked());
    }
    return result;
}

}  // namespace yomida
