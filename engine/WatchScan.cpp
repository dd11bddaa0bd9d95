#include "engine/WatchScan.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <tuple>
#include <utility>

#include "engine/Release.h"
#include "engine/ReleaseRecordReader.h"
#include "engine/ResultOrder.h"
#include "engine/SearchQuery.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "sources/DataFileName.h"
#include "sources/RecordLayout.h"
#include "text/Dates.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;

void DateMatch(const WatchFile& file, WatchMatch& m) {
    const std::string& day = m.Cell(kDateCol);
    if (file.weekDay && day.empty()) {
        m.month = year_month{file.weekDay->year(), file.weekDay->month()};
        m.dateText = FormatSlashDate(*file.weekDay);
        m.dayKey = DateKey(TwoDigits(static_cast<unsigned>(file.weekDay->day())));
        return;
    }
    m.month = file.month;
    m.dayKey = DateKey(day);
    const std::optional<int> number = AllDigits(day) ? TryStrToInt(day) : std::nullopt;
    if (number && *number >= 1 && *number <= 31) {
        m.dateText = MonthPrefix(file.month) + TwoDigits(static_cast<unsigned>(*number));
    } else {
        m.dateText = MonthPrefix(file.month) + day;
    }
}

// What a scan of one file looks for: the watch words, the next volumes of the followed series,
// or both. The reader is the worker's own.
struct WatchTargets {
    const SearchQuery& query;
    bool words = false;
    const FollowedSeriesIndex* series = nullptr;
    SeriesTitleReader* reader = nullptr;
};

WatchMatch MatchOfRecord(const WatchFile& file, const Release& release) {
    WatchMatch m;
    m.category = file.category->number;
    m.fileName = file.path.filename().string();
    m.periodKey = file.periodKey;
    m.cells.resize(static_cast<size_t>(release.FieldCount()));
    for (int i = 0; i < release.FieldCount(); ++i) {
        m.cells[static_cast<size_t>(i)] = ShownField(release, i);
    }
    m.recordNumber = TryStrToInt(m.Cell(kNumberCol)).value_or(0);
    DateMatch(file, m);
    return m;
}

// The matches of one file, in file order; throws when the file cannot be read.
std::vector<WatchMatch> ScanOneFile(const WatchFile& file, const WatchTargets& targets) {
    // A FIFO would keep the scan waiting for ever and a device never ends; a data file is
    // always a regular file.
    if (!FileExists(file.path)) {
        throw IoError(IoError::Op::Open, file.path, EINVAL);
    }
    std::vector<WatchMatch> matches;
    ReleaseRecordReader reader(file.path);
    Release release;
    SeriesTitle title;
    while (reader.Next(release)) {
        if (ReleaseRecordReader::IsHeader(release)) {
            continue;
        }
        const bool watched = targets.words && targets.query.Matches(release);
        const FollowedSeries* next =
            targets.series != nullptr && release.FieldCount() > kTitleCol
                ? targets.series->NextVolumeOf(*targets.reader, release.RawField(kTitleCol), title)
                : nullptr;
        if (!watched && next == nullptr) {
            continue;
        }
        WatchMatch m = MatchOfRecord(file, release);
        m.watched = watched;
        if (next != nullptr) {
            m.isNext = true;
            m.volume = title.volume;
            m.seriesKey = next->key;
        }
        matches.push_back(std::move(m));
    }
    reader.Close();
    return matches;
}

}  // namespace

std::optional<WatchFile> ParseWatchFileName(const std::filesystem::path& file,
                                            const WeekNumbering& weeks) {
    const std::optional<DataFileName> name = DataFileName::Parse(file.filename().string());
    if (!name) {
        return std::nullopt;
    }
    WatchFile w;
    w.path = file;
    w.category = &name->Category();
    w.periodKey = name->PeriodKey();
    if (name->Weekly()) {
        w.weekDay = weeks.FirstDay(name->Week());
        w.month = year_month{w.weekDay->year(), w.weekDay->month()};
    } else {
        w.month = name->Month();
    }
    return w;
}

std::vector<WatchFile> FindWatchFiles(const std::filesystem::path& dataFolder,
                                      const WeekNumbering& weeks) {
    std::vector<WatchFile> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dataFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        // Anything else with a data file's name is tried, so a file that cannot be read is
        // counted rather than passed over in silence.
        if (it->is_directory(ec)) {
            continue;
        }
        if (std::optional<WatchFile> w = ParseWatchFileName(it->path(), weeks)) {
            files.push_back(std::move(*w));
        }
    }
    std::sort(files.begin(), files.end(),
              [](const WatchFile& a, const WatchFile& b) { return a.path < b.path; });
    return files;
}

const std::string& WatchMatch::Cell(size_t col) const {
    static const std::string empty;
    return col < cells.size() ? cells[col] : empty;
}

std::string WatchMatch::Identity() const {
    std::string id = std::to_string(category);
    for (const std::string* part :
         {&periodKey, &Cell(kPublisherCol), &Cell(kTitleCol), &Cell(kAuthorCol)}) {
        id += '\t';
        id += *part;
    }
    return id;
}

std::string WatchMatch::NextIdentity() const {
    return "next\t" + Identity();
}

WatchScanWorker::WatchScanWorker(std::vector<WatchFile> files, const WatchWords& words,
                                 std::optional<size_t> workers)
    : WatchScanWorker(std::move(files), words, {}, workers) {}

WatchScanWorker::WatchScanWorker(std::vector<WatchFile> files, const WatchWords& words,
                                 std::vector<FollowedSeries> followed,
                                 std::optional<size_t> workers)
    : files_(std::move(files)),
      // The words as the search boxes would take them; no date range, every marker.
      query_(SearchQuery::FromTypedTexts(words.publisher, words.title, words.author)),
      // No words would let every record through; a watch list with nothing on it watches
      // nothing.
      hasWords_(query_.HasWords()) {
    if (!followed.empty()) {
        series_ = std::make_unique<const FollowedSeriesIndex>(std::move(followed));
    }
    if (!hasWords_ && !series_) {
        files_.clear();
    }
    const size_t total = files_.size();
    const size_t threads = workers.value_or(TaskPool::DefaultWorkers(total));
    perFile_.resize(total);
    read_.assign(total, 0);
    // One reader per worker slot and one for the owner's thread, made before any worker runs.
    readers_.resize(series_ ? threads + 1 : 0);
    pool_ = std::make_unique<TaskPool>(
        total,
        [this](size_t i, size_t slot) {
            try {
                const WatchTargets targets{query_, hasWords_, series_.get(),
                                           series_ ? &readers_.at(slot) : nullptr};
                perFile_[i] = ScanOneFile(files_[i], targets);
                read_[i] = 1;
            } catch (...) {
                perFile_[i].clear();
            }
        },
        threads);
}

WatchScanWorker::~WatchScanWorker() = default;

size_t WatchScanWorker::Done() const {
    return pool_->Done();
}

size_t WatchScanWorker::Total() const {
    return pool_->Total();
}

bool WatchScanWorker::Finished() const {
    return pool_->Finished();
}

bool WatchScanWorker::Step() {
    return pool_->Step();
}

void WatchScanWorker::Cancel() {
    pool_->Cancel();
}

bool WatchScanWorker::Cancelled() const {
    return pool_->Cancelled();
}

WatchScanResult WatchScanWorker::Wait() {
    pool_->Wait();
    WatchScanResult result;
    for (size_t i = 0; i < perFile_.size(); ++i) {
        if (read_[i] != 0) {
            ++result.filesRead;
            std::move(perFile_[i].begin(), perFile_[i].end(), std::back_inserter(result.matches));
        } else if (!pool_->Cancelled()) {
            ++result.filesSkipped;
        }
    }
    perFile_.clear();
    read_.clear();
    OrderWatchMatches(result.matches);
    return result;
}

WatchScanResult ScanWatchFiles(const std::vector<WatchFile>& files, const WatchWords& words) {
    return WatchScanWorker(files, words).Wait();
}

WatchScanResult ScanWatchFiles(const std::vector<WatchFile>& files, const WatchWords& words,
                               const std::vector<FollowedSeries>& followed) {
    return WatchScanWorker(files, words, followed).Wait();
}

void OrderWatchMatches(std::vector<WatchMatch>& matches) {
    std::stable_sort(matches.begin(), matches.end(), [](const WatchMatch& a, const WatchMatch& b) {
        return std::tie(a.month, a.dayKey, a.category, a.recordNumber) <
               std::tie(b.month, b.dayKey, b.category, b.recordNumber);
    });
}

}  // namespace yomida
