#include "sources/ProductList.h"

#include <cstring>
#include <vector>

#include "platform/Cp932.h"
#include "sources/SubstringIndex.h"
#include "text/NormaliseWidth.h"
#include "text/Numbers.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

const std::string& DateTag() {
    return "【QZ日付】"_sj;
}
const std::string& PublisherTag() {
    return "【QZ出版社】"_sj;
}
const std::string& TitleTag() {
    return "【QZタイトル】"_sj;
}
const std::string& AuthorTag() {
    return "【QZ作者】"_sj;
}
const std::string& PriceTag() {
    return "【QZ価格】"_sj;
}
const std::string& CommaTag() {
    return "【QZカンマ】"_sj;
}

bool Has(std::string_view line, const std::string& tag) {
    return FindSjis(line, tag) != std::string_view::npos;
}

// The text between the end of the tag and the first end mark of the trimmed line.
std::string_view Field(std::string_view line, const std::string& tag, std::string_view endMark) {
    const std::string_view trimmed = TrimControls(line);
    const size_t start = FindSjis(trimmed, tag) + tag.size();
    const size_t end = FindSjis(trimmed, endMark);
    if (end == std::string_view::npos || end < start) {
        return {};
    }
    return trimmed.substr(start, end - start);
}

// The day heading holds the day of month in the 9th and 10th bytes after the tag.
std::string DayOf(std::string_view line) {
    const std::string_view trimmed = TrimControls(line);
    const size_t start = FindSjis(trimmed, DateTag()) + DateTag().size() + 8;
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

// A record's text, and the buffer each replacement pass writes into; kept from record to record.
struct RecordText {
    std::string line;
    std::string spare;
};

void WriteEntry(Entry& e, RecordText& text, RecordWriter& out) {
    const std::string& comma = CommaTag();
    const std::pair<std::string_view, std::string_view> rules[] = {
        {" ", "　"_sj}, {",", "，"_sj}, {comma, ","},   {"&amp;", "&"},
        {"&lt;", "<"},  {"&gt;", ">"},  {"&#39;", "'"},
    };
    std::string& line = text.line;
    line.clear();
    for (const std::string* field : {&e.publisher, &e.day, &e.title, &e.authors}) {
        line += *field;
        line += comma;
    }
    line += e.price;
    for (const auto& [from, to] : rules) {
        text.spare.clear();
        ReplaceAllSjisInto(line, from, to, text.spare);
        line.swap(text.spare);
    }
    out.WriteRecord(line);
    e.title.clear();
    e.ClearAuthors();
    e.price.clear();
}

void Handle(std::string_view line, Entry& e, RecordText& text, RecordWriter& out) {
    // Every tag starts with this, so one search passes over a line without a tag, as most are.
    if (!Has(line, "【QZ"_sj)) {
        return;
    }
    if (Has(line, DateTag())) {
        e.day = DayOf(line);
    } else if (Has(line, PublisherTag())) {
        e.publisher = Field(line, PublisherTag(), "</h3");
    } else if (Has(line, TitleTag())) {
        e.title = TrimControls(Field(line, TitleTag(), "</a"));
    } else if (Has(line, AuthorTag())) {
        const std::string_view name = TrimControls(Field(line, AuthorTag(), "\" class="));
        if (name.empty()) {
            return;
        }
        if (e.authors.empty() || !e.HasAuthor(name)) {
            e.AddAuthor(name);
        }
    } else if (Has(line, PriceTag())) {
        std::string price(TrimControls(Field(line, PriceTag(), "</span>")));
        e.price = ReplaceAllSjis(ReplaceAllSjis(price, "\\", ""), ",", "");
        WriteEntry(e, text, out);
    }
}

// Puts a line break and the tag in place of every marker pattern that starts a character, in
// one pass over the page. No pattern can overlap another or itself, so this gives what one pass
// per pattern would. Each pattern holds `="` once, bytes that never belong to a double-byte
// character, so the pass looks for those and compares the patterns around them.
void PutTagsInPlace(std::string_view text, std::string& out) {
    struct Marker {
        std::string_view pattern;
        size_t anchor;  // where `="` stands in the pattern
        std::string replacement;
    };
    static const std::vector<Marker> markers = [] {
        const std::pair<std::string_view, const std::string&> tags[] = {
            {"class=\"publisher-title\">", DateTag()},
            {"<h3 class=\"subgroup-title\">", PublisherTag()},
            {"<span class=\"text-price-text font-bold mr-1\">", PriceTag()},
            {"class=\"text-primary font-bold no-underline hover:underline\">", TitleTag()},
            {"<a href=\"/search?authors=", AuthorTag()},
        };
        std::vector<Marker> list;
        for (const auto& [pattern, tag] : tags) {
            list.push_back({pattern, pattern.find("=\""), "\r\n" + tag});
        }
        return list;
    }();
    size_t copied = 0;
    size_t at = 0;
    while (const void* hit = std::memchr(text.data() + at, '=', text.size() - at)) {
        const size_t eq = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        at = eq + 1;
        if (at == text.size() || text[at] != '"') {
            continue;
        }
        for (const Marker& m : markers) {
            if (eq < copied + m.anchor ||
                text.substr(eq - m.anchor, m.pattern.size()) != m.pattern ||
                !StartsCharacter(text, copied, eq - m.anchor)) {
                continue;
            }
            out.append(text.substr(copied, eq - m.anchor - copied));
            out.append(m.replacement);
            copied = eq - m.anchor + m.pattern.size();
            at = copied;
            break;
        }
        if (at >= text.size()) {
            break;
        }
    }
    out.append(text.substr(copied));
}

}  // namespace

std::string MarkerPageText(std::string_view utf8Page) {
    std::string_view page = utf8Page;
    const size_t first = page.find("class=\"publisher-title\">");
    if (first != std::string_view::npos) {
        page.remove_prefix(first);
    }
    // The page's data block at the end holds everything again as script data.
    const size_t nuxt = page.find("\"__NUXT_DATA__\"");
    if (nuxt != std::string_view::npos) {
        page = page.substr(0, nuxt + 1);
    }
    // A page is megabytes long: two buffers take turns, so no pass touches fresh memory, and a
    // comment the page does not hold costs no copy.
    std::string a;
    std::string b;
    a.reserve(page.size() + page.size() / 8);
    b.reserve(page.size() + page.size() / 8);
    std::string* spare = &a;
    std::string* held = &b;  // holds `text` once a comment has gone
    std::string_view text = page;
    for (const char* comment : {"<!---->", "<!--]-->", "<!--[-->"}) {
        if (text.find(comment) == std::string_view::npos) {
            continue;
        }
        spare->clear();
        ReplaceAllBytesInto(text, comment, "", *spare);
        text = *spare;
        std::swap(spare, held);
    }
    Utf8ToCp932Into(text, *spare);
    NormaliseWidthInto(*spare, *held);
    spare->clear();
    PutTagsInPlace(*held, *spare);
    return std::move(*spare);
}

std::string BuildMarkerPage(std::string_view raw) {
    // Read as lines joined by CR LF: line ends of either kind come out as CR LF.
    std::string joined;
    joined.reserve(raw.size() + raw.size() / 16);
    size_t start = 0;
    while (start < raw.size()) {
        size_t lf = raw.find('\n', start);
        size_t end = lf == std::string::npos ? raw.size() : lf;
        size_t lineEnd = end > start && raw[end - 1] == '\r' ? end - 1 : end;
        if (start > 0) {
            joined += "\r\n";
        }
        joined.append(raw, start, lineEnd - start);
        start = end + 1;
    }
    std::string marker = MarkerPageText(joined);
    marker += "\r\n";
    return marker;
}

bool ExtractProductList(ConverterContext& context) {
    LineReader& in = context.in;
    RecordWriter& out = context.out;
    std::string_view line;
    std::string_view next;
    bool have = in.ReadLine(line);
    bool found = false;
    // The file's last line is never taken for the first day heading.
    while (have) {
        if (!in.ReadLine(next)) {
            break;
        }
        if (Has(line, DateTag())) {
            found = true;
            break;
        }
        line.swap(next);
    }
    if (!found) {
        return true;
    }
    out.WriteHeader(ListKind::Books);
    out.CountHeader();
    Entry entry;
    entry.day = DayOf(line);
    RecordText text;
    do {
        Handle(next, entry, text, out);
    } while (in.ReadLine(next));
    return true;
}

}  // namespace yomida
