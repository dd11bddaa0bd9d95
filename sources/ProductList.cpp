#include "sources/ProductList.h"

#include <optional>
#include <string>

#include "sources/MarkerPage.h"
#include "sources/SubstringIndex.h"
#include "text/CommaText.h"
#include "text/Markup.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

const std::string& DateTag() {
    return MarkerTagText(MarkerTag::Date);
}

bool Has(std::string_view line, const std::string& tag) {
    return FindSjis(line, tag) != std::string_view::npos;
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) {
        text.remove_suffix(1);
    }
    return text;
}

// The text from `start` (the end of the tag) to the first end mark of the trimmed line.
std::string_view FieldFrom(std::string_view trimmed, size_t start, std::string_view endMark) {
    const size_t end = FindSjis(trimmed, endMark);
    if (end == std::string_view::npos || end < start) {
        return {};
    }
    return trimmed.substr(start, end - start);
}

// The day heading holds the day of month in the 9th and 10th bytes after the tag.
std::string DayFrom(std::string_view trimmed, size_t start) {
    start += 8;
    const std::string_view text = start < trimmed.size() ? trimmed.substr(start, 2) : "";
    return std::to_string(StrToInt(text));
}

struct Entry {
    std::string day;
    std::string publisher;
    std::string title;
    std::string authors;
    std::string price;
    // Past a few kilobytes of authors, the test whether a name is already there goes through
    // an index, so that a title with any number of authors costs time in proportion to them.
    SubstringIndex authorIndex;
    bool indexed = false;

    static constexpr size_t kIndexFrom = 4096;

    bool HasAuthor(std::string_view name) {
        if (!indexed && authors.size() >= kIndexFrom) {
            authorIndex.Append(authors);
            indexed = true;
        }
        return indexed ? authorIndex.Contains(name) : FindSjis(authors, name) != std::string::npos;
    }
    void AddAuthor(std::string_view name) {
        const size_t from = authors.size();
        if (!authors.empty()) {
            authors += "　"_sj;
        }
        authors += name;
        if (indexed) {
            authorIndex.Append(std::string_view(authors).substr(from));
        }
    }
    void ClearAuthors() {
        authors.clear();
        if (indexed) {
            authorIndex.Clear();
            indexed = false;
        }
    }
};

// A field's text as the page means it: its character references decoded, each character
// normalised as the page's own text is.
std::string Decoded(std::string_view field) {
    if (field.find('&') == std::string_view::npos) {
        return std::string(field);
    }
    std::string decoded;
    DecodeCharacterReferences(field, decoded);
    return NormaliseWidth(decoded);
}

// A record's line and the buffers it is made in, kept from record to record.
struct RecordText {
    std::string line;
    std::string scratch;
    std::string wholeLine;  // a marker line put back together
};

// Appends a field to a record line: a space would split the field when the line is read back
// and a comma would end it, so they become their full-width forms; a field that starts with a
// double quote, as a decoded "&quot;" may, would be read as quoted, so it goes in quotes.
void AppendField(std::string_view field, std::string& line, std::string& scratch) {
    const bool quote = !field.empty() && field[0] == '"';
    std::string& out = quote ? scratch : line;
    if (quote) {
        scratch.clear();
    }
    const std::string& space = "　"_sj;
    const std::string& comma = "，"_sj;
    size_t copied = 0;
    for (size_t i = 0; i < field.size(); ++i) {
        // Neither is ever a trail byte.
        if (field[i] == ' ' || field[i] == ',') {
            out.append(field, copied, i - copied);
            out += field[i] == ' ' ? space : comma;
            copied = i + 1;
        }
    }
    out.append(field, copied, field.size() - copied);
    if (quote) {
        AppendQuoted(scratch, line);
    }
}

// A price without the yen sign, which the normaliser made a backslash, and its thousands commas.
std::string WithoutYenAndCommas(std::string_view price) {
    std::string kept;
    kept.reserve(price.size());
    for (size_t i = 0; i < price.size(); i += CharLength(price, i)) {
        if (price[i] != '\\' && price[i] != ',') {
            kept.append(price.substr(i, CharLength(price, i)));
        }
    }
    return kept;
}

void WriteEntry(Entry& e, RecordText& text, RecordWriter& out) {
    std::string& line = text.line;
    line.clear();
    for (const std::string* field : {&e.publisher, &e.day, &e.title, &e.authors}) {
        AppendField(*field, line, text.scratch);
        line += ',';
    }
    AppendField(e.price, line, text.scratch);
    out.WriteRecord(line);
    e.title.clear();
    e.ClearAuthors();
    e.price.clear();
}

// The tag a line is handled by: the first of the tags, in their order, that the line holds.
std::optional<MarkerTag> TagOf(std::string_view line) {
    for (MarkerTag tag : {MarkerTag::Date, MarkerTag::Publisher, MarkerTag::Title,
                          MarkerTag::Author, MarkerTag::Price}) {
        if (Has(line, MarkerTagText(tag))) {
            return tag;
        }
    }
    return std::nullopt;
}

// Takes a tag's field from its trimmed line, the tag's end at `start`.
void TakeField(MarkerTag tag, std::string_view trimmed, size_t start, Entry& e, RecordText& record,
               RecordWriter& out) {
    switch (tag) {
        case MarkerTag::Date:
            e.day = DayFrom(trimmed, start);
            return;
        case MarkerTag::Publisher:
            e.publisher = Decoded(FieldFrom(trimmed, start, "</h3"));
            return;
        case MarkerTag::Title:
            e.title = Trimmed(Decoded(TrimControls(FieldFrom(trimmed, start, "</a"))));
            return;
        case MarkerTag::Author: {
            const std::string name =
                Trimmed(Decoded(TrimControls(FieldFrom(trimmed, start, "\" class="))));
            if (!name.empty() && (e.authors.empty() || !e.HasAuthor(name))) {
                e.AddAuthor(name);
            }
            return;
        }
        case MarkerTag::Price:
            e.price = WithoutYenAndCommas(
                Trimmed(Decoded(TrimControls(FieldFrom(trimmed, start, "</span>")))));
            WriteEntry(e, record, out);
            return;
    }
}

// A line taken as text: by the first tag it holds anywhere.
void HandleText(std::string_view line, Entry& e, RecordText& record, RecordWriter& out) {
    const std::optional<MarkerTag> tag = TagOf(line);
    if (!tag) {
        return;
    }
    const std::string_view trimmed = TrimControls(line);
    const std::string& text = MarkerTagText(*tag);
    TakeField(*tag, trimmed, FindSjis(trimmed, text) + text.size(), e, record, out);
}

// A line of the marker page: by the tag at its front, unless the page wrote a tag of its own.
void Handle(const MarkerLine& line, Entry& e, RecordText& record, RecordWriter& out) {
    if (FindSjis(line.text, "【QZ"_sj) == std::string_view::npos) {
        if (line.tag) {
            // The tag starts the line and no blank precedes it, so only the end is trimmed.
            TakeField(*line.tag, TrimEnd(line.text), 0, e, record, out);
        }
        return;
    }
    std::string& whole = record.wholeLine;
    whole = line.tag ? MarkerTagText(*line.tag) : std::string();
    whole += line.text;
    HandleText(whole, e, record, out);
}

// Takes the marker page line by line. The first day heading starts the list, but not in the
// page's last line.
class Extractor {
public:
    explicit Extractor(RecordWriter& out) : out_(out) {}

    void Line(const MarkerLine& line) {
        if (started_) {
            Handle(line, entry_, record_, out_);
            return;
        }
        if (!heading_.empty()) {
            out_.WriteHeader(ListKind::Books);
            out_.CountHeader();
            const std::string_view trimmed = TrimControls(heading_);
            entry_.day = DayFrom(trimmed, FindSjis(trimmed, DateTag()) + DateTag().size());
            started_ = true;
            Handle(line, entry_, record_, out_);
        } else if (line.tag == MarkerTag::Date || Has(line.text, DateTag())) {
            // Never empty: it holds the tag.
            heading_ = line.tag ? MarkerTagText(*line.tag) : std::string();
            heading_ += line.text;
        }
    }

private:
    RecordWriter& out_;
    bool started_ = false;
    std::string heading_;
    Entry entry_;
    RecordText record_;
};

}  // namespace

bool ConvertProductListPage(const std::filesystem::path& page, RecordWriter& out) {
    Extractor extractor(out);
    BuildMarkerPage(ReadPageFile(page), [&](const MarkerLine& line) { extractor.Line(line); });
    return true;
}

bool ExtractProductList(ConverterContext& context) {
    Extractor extractor(context.out);
    std::string_view line;
    while (context.in.ReadLine(line)) {
        extractor.Line(MarkerLine{std::nullopt, line});
    }
    return true;
}

}  // namespace yomida
