#include "cli/StatusCommand.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "cli/CliArgs.h"
#include "engine/SourceHealth.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "sources/Catalogue.h"

namespace yomida::cli {
namespace {

// A cell of a tab-separated line: UTF-8, without the tabs and line breaks that would split it.
std::string Cell(std::string_view cp932) {
    std::string text = Cp932ToUtf8(cp932);
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

std::string Marks(const CategoryHealth& h) {
    std::string marks = h.Failed() ? "failed" : "";
    if (h.Suspicious()) {
        marks += marks.empty() ? "suspicious" : ",suspicious";
    }
    return marks;
}

std::string Count(int n) {
    return n < 0 ? std::string() : std::to_string(n);
}

void PrintLine(std::ostream& out, const CategoryInfo& c, const std::optional<CategoryHealth>& h) {
    out << c.code << '\t' << c.number << '\t' << c.displayName;
    // A category never fetched has nothing more to say than what it is.
    if (!h) {
        out << '\n';
        return;
    }
    out << '\t' << h->list << '\t' << (h->lastAttempt ? StampText(*h->lastAttempt) : "") << '\t'
        << (h->lastSuccess ? StampText(*h->lastSuccess) : "") << '\t'
        << FetchOutcomeWord(h->outcome) << '\t'
        << (h->outcome == FetchOutcome::HttpStatus ? std::to_string(h->httpStatus) : "") << '\t'
        << Count(h->count) << '\t' << Count(h->previousCount) << '\t' << Marks(*h) << '\t'
        << Cell(h->detail) << '\n';
}

nlohmann::ordered_json JsonOf(const CategoryInfo& c, const std::optional<CategoryHealth>& h) {
    using json = nlohmann::ordered_json;
    json row = {{"code", c.code}, {"category", c.number}, {"name", c.displayName}};
    const auto stamp = [](const std::optional<std::chrono::local_seconds>& s) {
        return s ? json(StampText(*s)) : json(nullptr);
    };
    const auto count = [](int n) { return n < 0 ? json(nullptr) : json(n); };
    if (!h) {
        for (const char* key : {"list", "lastAttempt", "lastSuccess", "outcome", "httpStatus",
                                "count", "previousCount", "trend", "detail"}) {
            row[key] = nullptr;
        }
        row["failed"] = false;
        row["suspicious"] = false;
        return row;
    }
    row["list"] = h->list;
    row["lastAttempt"] = stamp(h->lastAttempt);
    row["lastSuccess"] = stamp(h->lastSuccess);
    row["outcome"] = std::string(FetchOutcomeWord(h->outcome));
    row["httpStatus"] =
        h->outcome == FetchOutcome::HttpStatus ? json(h->httpStatus) : json(nullptr);
    row["count"] = count(h->count);
    row["previousCount"] = count(h->previousCount);
    row["trend"] =
        h->count >= 0 && h->previousCount >= 0 ? json(h->count - h->previousCount) : json(nullptr);
    row["failed"] = h->Failed();
    row["suspicious"] = h->Suspicious();
    row["detail"] = Cp932ToUtf8(h->detail);
    return row;
}

}  // namespace

int StatusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"data"}, {"json"});
    if (!p.positional.empty()) {
        throw UsageError("status takes no arguments but --data DIR and --json");
    }
    const std::filesystem::path folder =
        p.Has("data")
            ? std::filesystem::path(p.values["data"])
            : ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current()).dataFolder;
    if (p.Has("data") && !DirectoryExists(folder)) {
        err << "yomida-cli: " << folder.string() << ": no such folder\n";
        return kExitFailure;
    }
    const SourceHealth health(folder);
    const SourceHealth::Contents contents = health.Read();
    if (contents.damaged) {
        err << "yomida-cli: " << health.Path().string()
            << " cannot be read; the next fetch sets it aside and starts it afresh\n";
    }
    const auto rowOf = [&contents](int category) -> std::optional<CategoryHealth> {
        for (const CategoryHealth& h : contents.rows) {
            if (h.category == category) {
                return h;
            }
        }
        return std::nullopt;
    };
    if (p.flags["json"]) {
        nlohmann::ordered_json rows = nlohmann::ordered_json::array();
        for (const CategoryInfo& c : Categories()) {
            rows.push_back(JsonOf(c, rowOf(c.number)));
        }
        const nlohmann::ordered_json document = {{"dataFolder", folder.string()},
                                                 {"damaged", contents.damaged},
                                                 {"suspiciousText", Cp932ToUtf8(SuspiciousText())},
                                                 {"categories", rows}};
        out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return kExitOk;
    }
    for (const CategoryInfo& c : Categories()) {
        PrintLine(out, c, rowOf(c.number));
    }
    return kExitOk;
}

}  // namespace yomida::cli
