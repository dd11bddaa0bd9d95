#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yomida {

// The schema of definition files this program reads; a file that declares a later one was
// written for a newer program.
constexpr int kDefinitionSchema = 1;

// How a defined source answers.
enum class ResponseKind { Xml, Html, Json };

// The fields a definition can read from a record. Series, volume and subject are not columns of
// a list of their own: the volume completes the title, and all three can decide which records a
// narrower view keeps.
enum class RecordField { Publisher, Title, Author, Day, Price, Isbn, Series, Volume, Subject };
constexpr size_t kRecordFieldCount = 9;

// The name of a field in a definition file ("publisher"), and back.
std::string_view RecordFieldName(RecordField field);
std::optional<RecordField> RecordFieldByName(std::string_view name);

// One step of a field's clean-up; each works on every value the selector gave.
enum class FilterKind {
    Trim,           // blanks and control characters off both ends
    Nfkc,           // Unicode compatibility composition: full-width digits and letters read
    First,          // only the first of several values
    Join,           // several values as one, `argument` between them
    Replace,        // every match of the regular expression `argument` replaced by `replacement`
    Match,          // the first capture group of the first match of `argument`, or the whole
                    // match; nothing when it does not match
    DropLifeDates,  // ", 1968-" and ", 1835-1910" after a name
    Price,          // the first number, digits only: 「１，１００円」 gives 1100
    Date,           // the day of the list's month: "5", 上, 中, 下, or empty
    Isbn,           // the 13-digit ISBN, from a 10- or 13-digit one with or without hyphens
};

struct FieldFilter {
    FilterKind kind = FilterKind::Trim;
    std::string argument;     // the separator of Join, the expression of Replace and Match
    std::string replacement;  // of Replace; $1 names the first group
    int line = 0;             // in the definition file, for messages
};

// How one field is read: the first selector that gives a value counts, or a fixed text.
struct FieldRule {
    std::vector<std::string> selectors;  // XPath for XML and HTML, JSON pointer for JSON
    std::string text;                    // a fixed value, when there is no selector
    std::vector<FieldFilter> filters;
    int line = 0;
};

// A record is kept only when the field's cleaned value matches the expression.
struct RecordCondition {
    RecordField field = RecordField::Title;
    std::string pattern;
    int line = 0;
};

// How the answers of one month are asked for.
struct PagingRule {
    int count = 0;          // {cnt}: records asked for per request; 0: no paging by index
    int start = 1;          // the first {idx}
    std::string total;      // the selector of the number of records the query matches
    bool perDay = false;    // one query per day of the month ({day})
    int maxRequests = 200;  // a server that pages for ever is stopped there
};

struct SourceDefinition {
    // Where it came from.
    std::filesystem::path file;
    bool builtIn = false;

    int schema = kDefinitionSchema;
    std::string minimumVersion;  // of the program, "2.1" say; empty: any

    std::string id;           // lower-case ASCII: "ndl-jpro"
    int number = 0;           // the category number, from 16
    std::string name;         // UTF-8: the category's caption
    std::string group;        // UTF-8: the tree group it is shown in
    std::string code;         // names the data files: "ndljp"
    std::string attribution;  // UTF-8: the line that names the source, as its terms ask

    std::string hostKey;        // in the settings file's [HOSTS]
    std::string defaultHost;    // when [HOSTS] names none
    std::string url;            // the URL template
    bool updateCheck = false;   // the response's Last-Modified tells whether the list is current
    int requestDelayMs = 1000;  // between two requests to the host; never less than a second

    PagingRule paging;
    ResponseKind response = ResponseKind::Xml;
    std::vector<std::pair<std::string, std::string>> namespaces;  // prefix, URI
    std::string records;                                          // the selector of the records
    std::array<std::optional<FieldRule>, kRecordFieldCount> fields;
    std::vector<RecordCondition> conditions;

    const std::optional<FieldRule>& Field(RecordField f) const {
        return fields[static_cast<size_t>(f)];
    }
};

}  // namespace yomida
