#include "sources/DefinitionReader.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <set>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"
#include "sources/Catalogue.h"
#include "sources/FieldFilters.h"
#include "sources/RecordExtraction.h"

namespace yomida {
namespace {

// A fault found while reading, with the line of the node it concerns.
struct DefinitionFault {
    int line;
    std::string message;
};

// Lists in a definition are short; a longer one is a mistake, or an attempt to make reading
// expensive through YAML's aliases.
constexpr size_t kMaxListItems = 32;

int LineOf(const YAML::Node& node) {
    return node.Mark().line >= 0 ? node.Mark().line + 1 : 0;
}

[[noreturn]] void Refuse(const YAML::Node& at, std::string message) {
    throw DefinitionFault{LineOf(at), std::move(message)};
}

bool SingleLine(std::string_view text) {
    return std::ranges::none_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool MatchesChars(std::string_view text, std::string_view first, std::string_view rest) {
    return !text.empty() && first.find(text[0]) != std::string_view::npos &&
           std::ranges::all_of(text.substr(1),
                               [&](char c) { return rest.find(c) != std::string_view::npos; });
}

constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kLowerDigits = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::string_view kLowerDigitsDash = "abcdefghijklmnopqrstuvwxyz0123456789-";
constexpr std::string_view kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kUpperDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

// The keys of a map, each checked against the ones its place allows and against a second
// occurrence.
void CheckKeys(const YAML::Node& map, std::initializer_list<std::string_view> allowed,
               const char* where) {
    std::set<std::string> seen;
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (!it->first.IsScalar()) {
            Refuse(it->first, std::string("a key of ") + where + " is not a plain word");
        }
        const std::string key = it->first.Scalar();
        if (std::ranges::find(allowed, key) == allowed.end()) {
            Refuse(it->first, "unknown key \"" + key + "\" in " + where);
        }
        if (!seen.insert(key).second) {
            Refuse(it->first, "\"" + key + "\" is given twice in " + where);
        }
    }
}

YAML::Node Required(const YAML::Node& map, const char* key) {
    const YAML::Node value = map[key];
    if (!value) {
        Refuse(map, std::string("\"") + key + "\" is missing");
    }
    return value;
}

std::string Text(const YAML::Node& node, const char* key) {
    if (!node.IsScalar()) {
        Refuse(node, std::string("\"") + key + "\" must be a text");
    }
    return node.Scalar();
}

std::string Line(const YAML::Node& node, const char* key, size_t maxBytes = 200) {
    std::string text = Text(node, key);
    if (text.empty() || text.size() > maxBytes || !SingleLine(text)) {
        Refuse(node, std::string("\"") + key + "\" must be one line of 1 to " +
                         std::to_string(maxBytes) + " bytes");
    }
    return text;
}

int WholeNumber(const YAML::Node& node, const char* key, int least, int most) {
    int value = 0;
    if (!node.IsScalar() || !YAML::convert<int>::decode(node, value) || value < least ||
        value > most) {
        Refuse(node, std::string("\"") + key + "\" must be a whole number from " +
                         std::to_string(least) + " to " + std::to_string(most));
    }
    return value;
}

bool Truth(const YAML::Node& node, const char* key) {
    bool value = false;
    if (!node.IsScalar() || !YAML::convert<bool>::decode(node, value)) {
        Refuse(node, std::string("\"") + key + "\" must be true or false");
    }
    return value;
}

std::string OneOf(const YAML::Node& node, const char* key,
                  std::initializer_list<std::string_view> words) {
    const std::string text = Text(node, key);
    if (std::ranges::find(words, text) == words.end()) {
        std::string list;
        for (std::string_view w : words) {
            list += (list.empty() ? "" : ", ") + std::string(w);
        }
        Refuse(node, std::string("\"") + key + "\" must be one of " + list);
    }
    return text;
}

void CheckListSize(const YAML::Node& node, const char* what) {
    if (node.size() > kMaxListItems) {
        Refuse(node,
               std::string(what) + " has more than " + std::to_string(kMaxListItems) + " entries");
    }
}

class DefinitionParser {
public:
    DefinitionParser(const YAML::Node& root, const std::string& programVersion)
        : root_(root), programVersion_(programVersion) {}

    SourceDefinition Parse() {
        if (!root_.IsMap()) {
            Refuse(root_, "a definition is a map of keys and values");
        }
        CheckKeys(root_,
                  {"schema", "minimum-version", "id", "number", "name", "group", "code", "period",
                   "attribution", "host", "url", "update-check", "request-delay", "paging",
                   "response", "namespaces", "records", "fields", "where"},
                  "the definition");
        ReadVersions();
        ReadIdentity();
        ReadRequest();
        ReadPaging();
        ReadResponse();
        ReadFields();
        ReadConditions();
        CheckUrl();
        return d_;
    }

private:
    void ReadVersions() {
        d_.schema = WholeNumber(Required(root_, "schema"), "schema", 1, 1000);
        if (d_.schema > kDefinitionSchema) {
            Refuse(root_["schema"], "schema " + std::to_string(d_.schema) +
                                        " is for a newer YOMIDA (this one reads schema " +
                                        std::to_string(kDefinitionSchema) + ")");
        }
        if (const YAML::Node v = root_["minimum-version"]) {
            d_.minimumVersion = Line(v, "minimum-version", 20);
            if (!MatchesChars(d_.minimumVersion, "0123456789", "0123456789.")) {
                Refuse(v, "\"minimum-version\" must be a version such as 2.1");
            }
            if (CompareVersions(d_.minimumVersion, programVersion_) > 0) {
                Refuse(v, "needs YOMIDA " + d_.minimumVersion + " or later (this is " +
                              programVersion_ + ")");
            }
        }
    }

    void ReadIdentity() {
        d_.id = Line(Required(root_, "id"), "id", 40);
        if (!MatchesChars(d_.id, kLowerDigits, kLowerDigitsDash)) {
            Refuse(root_["id"], "\"id\" must be lower-case ASCII letters, digits and \"-\"");
        }
        d_.number = WholeNumber(Required(root_, "number"), "number", kFirstDefinedCategory, 9999);
        d_.name = Line(Required(root_, "name"), "name", 120);
        d_.group = Line(Required(root_, "group"), "group", 120);
        d_.code = Line(Required(root_, "code"), "code", 16);
        // A code ending in a letter keeps file names unambiguous: "ab" + "2612" is never read
        // as another code followed by digits.
        if (!MatchesChars(d_.code, kLower, kLowerDigits) ||
            kLower.find(d_.code.back()) == std::string_view::npos) {
            Refuse(root_["code"],
                   "\"code\" must be lower-case ASCII letters and digits, starting and ending "
                   "with a letter");
        }
        if (const YAML::Node p = root_["period"]) {
            OneOf(p, "period", {"month"});
        }
        if (const YAML::Node a = root_["attribution"]) {
            d_.attribution = Line(a, "attribution", 200);
        }
    }

    void ReadRequest() {
        const YAML::Node host = Required(root_, "host");
        if (!host.IsMap()) {
            Refuse(host, "\"host\" must be a map of key and default");
        }
        CheckKeys(host, {"key", "default"}, "host");
        d_.hostKey = Line(Required(host, "key"), "key", 32);
        if (!MatchesChars(d_.hostKey, kUpper, kUpperDigits)) {
            Refuse(host["key"], "the host's \"key\" must be upper-case ASCII, as in [HOSTS]");
        }
        d_.defaultHost = Line(Required(host, "default"), "default", 253);
        if (!MatchesChars(d_.defaultHost, kLowerDigits,
                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:")) {
            Refuse(host["default"],
                   "the host's \"default\" must be a host name, with a port "
                   "when not the scheme's");
        }
        d_.url = Line(Required(root_, "url"), "url", 2000);
        if (const YAML::Node u = root_["update-check"]) {
            d_.updateCheck = OneOf(u, "update-check", {"last-modified", "none"}) != "none";
        }
        if (const YAML::Node delay = root_["request-delay"]) {
            double seconds = 0;
            if (!delay.IsScalar() || !YAML::convert<double>::decode(delay, seconds) ||
                !(seconds >= 1.0 && seconds <= 60.0)) {
                Refuse(delay, "\"request-delay\" must be seconds from 1 to 60");
            }
            d_.requestDelayMs = static_cast<int>(seconds * 1000);
        }
    }

    void ReadPaging() {
        const YAML::Node paging = root_["paging"];
        if (!paging) {
            return;
        }
        if (!paging.IsMap()) {
            Refuse(paging, "\"paging\" must be a map");
        }
        CheckKeys(paging, {"count", "start", "total", "per-day", "max-requests"}, "paging");
        PagingRule& p = d_.paging;
        if (const YAML::Node n = paging["count"]) {
            p.count = WholeNumber(n, "count", 1, 10000);
        }
        if (const YAML::Node n = paging["start"]) {
            p.start = WholeNumber(n, "start", 0, 1);
        }
        if (const YAML::Node n = paging["total"]) {
            p.total = Line(n, "total", 500);
            if (p.count == 0) {
                Refuse(n, "a \"total\" needs a \"count\" to page by");
            }
        }
        if (const YAML::Node n = paging["per-day"]) {
            p.perDay = Truth(n, "per-day");
        }
        if (const YAML::Node n = paging["max-requests"]) {
            p.maxRequests = WholeNumber(n, "max-requests", 1, 1000);
        }
    }

    void ReadResponse() {
        const std::string kind =
            OneOf(Required(root_, "response"), "response", {"xml", "html", "json"});
        d_.response = kind == "json"   ? ResponseKind::Json
                      : kind == "html" ? ResponseKind::Html
                                       : ResponseKind::Xml;
        if (const YAML::Node ns = root_["namespaces"]) {
            if (!ns.IsMap() || d_.response != ResponseKind::Xml) {
                Refuse(ns, "\"namespaces\" is a map of prefixes and URIs, for XML responses");
            }
            CheckListSize(ns, "\"namespaces\"");
            for (auto it = ns.begin(); it != ns.end(); ++it) {
                const std::string prefix = Line(it->first, "prefix", 40);
                if (!MatchesChars(prefix, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_",
                                  "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"
                                  "0123456789-.")) {
                    Refuse(it->first, "\"" + prefix + "\" is no namespace prefix");
                }
                d_.namespaces.emplace_back(prefix, Line(it->second, "namespace", 500));
            }
        }
        d_.records = Selector(Required(root_, "records"), "records");
        if (!d_.paging.total.empty()) {
            Selector(root_["paging"]["total"], "total");
        }
    }

    std::string Selector(const YAML::Node& node, const char* key) {
        const std::string selector =
            d_.response == ResponseKind::Json && node.IsScalar() && node.Scalar().empty()
                ? std::string()
                : Line(node, key, 500);
        if (const std::optional<std::string> fault =
                SelectorFault(d_.response, d_.namespaces, selector)) {
            Refuse(node, *fault);
        }
        return selector;
    }

    void ReadFields() {
        const YAML::Node fields = Required(root_, "fields");
        if (!fields.IsMap()) {
            Refuse(fields, "\"fields\" must be a map of field names and how to read them");
        }
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            const std::string name = it->first.IsScalar() ? it->first.Scalar() : std::string();
            const std::optional<RecordField> field = RecordFieldByName(name);
            if (!field) {
                Refuse(it->first, "unknown field \"" + name +
                                      "\" (publisher, title, author, day, price, isbn, series, "
                                      "volume, subject)");
            }
            std::optional<FieldRule>& rule = d_.fields[static_cast<size_t>(*field)];
            if (rule) {
                Refuse(it->first, "the field \"" + name + "\" is given twice");
            }
            rule = ReadField(it->second, name);
        }
        if (!d_.Field(RecordField::Title)) {
            Refuse(fields, "\"fields\" has no \"title\"");
        }
    }

    FieldRule ReadField(const YAML::Node& node, const std::string& name) {
        FieldRule rule;
        rule.line = LineOf(node);
        if (node.IsScalar()) {
            rule.selectors.push_back(Selector(node, "select"));
            return rule;
        }
        if (!node.IsMap()) {
            Refuse(node, "the field \"" + name + "\" must be a selector or a map");
        }
        CheckKeys(node, {"select", "text", "filters"}, ("the field \"" + name + "\"").c_str());
        const YAML::Node select = node["select"];
        const YAML::Node text = node["text"];
        if (select.IsDefined() == text.IsDefined()) {
            Refuse(node, "the field \"" + name + "\" needs either \"select\" or \"text\"");
        }
        if (select && select.IsSequence()) {
            CheckListSize(select, "\"select\"");
            for (const YAML::Node& s : select) {
                rule.selectors.push_back(Selector(s, "select"));
            }
        } else if (select) {
            rule.selectors.push_back(Selector(select, "select"));
        } else {
            rule.text = Line(text, "text", 500);
        }
        if (const YAML::Node filters = node["filters"]) {
            if (!filters.IsSequence()) {
                Refuse(filters, "\"filters\" must be a list");
            }
            CheckListSize(filters, "\"filters\"");
            for (const YAML::Node& f : filters) {
                rule.filters.push_back(ReadFilter(f));
            }
        }
        return rule;
    }

    static FieldFilter ReadFilter(const YAML::Node& node) {
        FieldFilter filter;
        filter.line = LineOf(node);
        if (node.IsScalar()) {
            static const std::pair<std::string_view, FilterKind> kPlain[] = {
                {"trim", FilterKind::Trim},   {"nfkc", FilterKind::Nfkc},
                {"first", FilterKind::First}, {"drop-life-dates", FilterKind::DropLifeDates},
                {"price", FilterKind::Price}, {"date", FilterKind::Date},
                {"isbn", FilterKind::Isbn},
            };
            const auto found =
                std::ranges::find(kPlain, node.Scalar(), [](const auto& p) { return p.first; });
            if (found == std::end(kPlain)) {
                Refuse(node, "unknown filter \"" + node.Scalar() +
                                 "\" (trim, nfkc, first, join, replace, match, drop-life-dates, "
                                 "price, date, isbn)");
            }
            filter.kind = found->second;
            return filter;
        }
        if (!node.IsMap() || node.size() != 1) {
            Refuse(node, "a filter is a name, or a map of one name and its argument");
        }
        CheckKeys(node, {"join", "replace", "match"}, "a filter");
        const std::string name = node.begin()->first.Scalar();
        const YAML::Node argument = node.begin()->second;
        if (name == "join") {
            filter.kind = FilterKind::Join;
            filter.argument = Text(argument, "join");
            return filter;
        }
        if (name == "match") {
            filter.kind = FilterKind::Match;
            filter.argument = Line(argument, "match", 500);
        } else {
            filter.kind = FilterKind::Replace;
            if (!argument.IsMap()) {
                Refuse(argument, "\"replace\" takes \"pattern\" and \"with\"");
            }
            CheckKeys(argument, {"pattern", "with"}, "replace");
            filter.argument = Line(Required(argument, "pattern"), "pattern", 500);
            filter.replacement = Text(Required(argument, "with"), "with");
        }
        if (const std::optional<std::string> fault = RegexFault(filter.argument)) {
            Refuse(argument, *fault);
        }
        return filter;
    }

    void ReadConditions() {
        const YAML::Node where = root_["where"];
        if (!where) {
            return;
        }
        if (!where.IsSequence()) {
            Refuse(where, "\"where\" must be a list of conditions");
        }
        CheckListSize(where, "\"where\"");
        for (const YAML::Node& c : where) {
            if (!c.IsMap()) {
                Refuse(c, "a condition is a map of \"field\" and \"matches\"");
            }
            CheckKeys(c, {"field", "matches"}, "a condition");
            RecordCondition condition;
            condition.line = LineOf(c);
            const YAML::Node field = Required(c, "field");
            const std::optional<RecordField> f = RecordFieldByName(Text(field, "field"));
            if (!f || !d_.Field(*f)) {
                Refuse(field, "the condition's field \"" + field.Scalar() +
                                  "\" is not one of the definition's fields");
            }
            condition.field = *f;
            condition.pattern = Line(Required(c, "matches"), "matches", 500);
            if (const std::optional<std::string> fault = RegexFault(condition.pattern)) {
                Refuse(c["matches"], *fault);
            }
            d_.conditions.push_back(std::move(condition));
        }
    }

    void CheckUrl() {
        const YAML::Node url = root_["url"];
        const std::string form = Utf8ToCp932(d_.url);
        if (const std::optional<std::string> fault = UrlTemplateFault(form)) {
            Refuse(url, "the URL cannot be used: " + Cp932ToUtf8(*fault));
        }
        for (const char* name : {"week", "list", "infix"}) {
            if (NamesPlaceholder(form, name)) {
                Refuse(url, std::string("{") + name + "} is not for sources defined as data");
            }
        }
        if ((NamesPlaceholder(form, "cnt") || NamesPlaceholder(form, "idx")) &&
            d_.paging.count == 0) {
            Refuse(url, "the URL names {cnt} or {idx}, but \"paging\" has no \"count\"");
        }
        if (d_.paging.count > 0 && !NamesPlaceholder(form, "idx") && !d_.paging.total.empty()) {
            Refuse(url, "paging by \"total\" needs {idx} in the URL");
        }
        if (d_.paging.perDay != NamesPlaceholder(form, "day")) {
            Refuse(url, d_.paging.perDay ? "paging \"per-day\" needs {day} in the URL"
                                         : "{day} needs paging \"per-day\"");
        }
    }

    const YAML::Node& root_;
    const std::string& programVersion_;
    SourceDefinition d_;
};

}  // namespace

std::string DefinitionProblem::Text() const {
    return file.string() + (line > 0 ? ":" + std::to_string(line) : "") + ": " + message;
}

int CompareVersions(std::string_view a, std::string_view b) {
    const auto part = [](std::string_view& v) {
        long n = 0;
        while (!v.empty() && v.front() != '.') {
            if (v.front() >= '0' && v.front() <= '9' && n < 1000000) {
                n = n * 10 + (v.front() - '0');
            }
            v.remove_prefix(1);
        }
        if (!v.empty()) {
            v.remove_prefix(1);
        }
        return n;
    };
    while (!a.empty() || !b.empty()) {
        const long x = part(a);
        const long y = part(b);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

DefinitionRead DefinitionReader::Read(std::string_view text,
                                      const std::filesystem::path& file) const {
    DefinitionRead read;
    try {
        const YAML::Node root = YAML::Load(std::string(text));
        read.definition = DefinitionParser(root, programVersion_).Parse();
        read.definition->file = file;
    } catch (const DefinitionFault& fault) {
        read.problem = DefinitionProblem{file, fault.line, fault.message};
    } catch (const YAML::Exception& e) {
        read.problem = DefinitionProblem{file, e.mark.line >= 0 ? e.mark.line + 1 : 0,
                                         "not YAML that can be read (" + e.msg + ")"};
    }
    return read;
}

DefinitionRead DefinitionReader::ReadFile(const std::filesystem::path& file) const {
    const auto problem = [&](std::string message) {
        return DefinitionRead{std::nullopt, DefinitionProblem{file, 0, std::move(message)}};
    };
    std::error_code error;
    if (!FileExists(file)) {
        return problem("not a regular file");
    }
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxDefinitionBytes) {
        return problem(error ? "cannot be read: " + error.message()
                             : "larger than " + std::to_string(kMaxDefinitionBytes / 1024) +
                                   " KB, which no definition needs");
    }
    std::string text;
    try {
        text = ReadWholeFile(file);
    } catch (const std::exception& e) {
        return problem(std::string("cannot be read: ") + e.what());
    }
    return Read(text, file);
}

}  // namespace yomida
