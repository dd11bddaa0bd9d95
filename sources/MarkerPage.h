#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// Hands the pieces of a page, from its start, to `piece` until it returns false or the page
// ends; may be asked more than once.
using PageReader = std::function<void(const std::function<bool(std::string_view)>& piece)>;

// The fields that a marker starts, in the order in which a line is handled by its tags.
enum class MarkerTag { Date, Publisher, Title, Author, Price };
// A tag as the marker page writes it ("【QZ日付】" …), CP932.
const std::string& MarkerTagText(MarkerTag tag);

// A line of a marker page: the tag a marker put at its front, if any, and the text after it.
struct MarkerLine {
    std::optional<MarkerTag> tag;
    std::string_view text;  // gone when the line is handed on
};
// Takes the lines of a marker page one by one.
using MarkerLineSink = std::function<void(const MarkerLine&)>;

// The marker page of a saved product-list page (UTF-8 HTML) line by line: the page from its first
// day heading (all of it when it has none) to the opening quote of its data block, without the
// comments the site's renderer leaves, in CP932 with widths normalised, and a line break and a
// 【QZ…】 tag in place of every marker pattern, so that every field of interest starts a line
// behind its tag. The page is read in pieces and never held whole: a page of megabytes costs
// what one pass over it costs, and the memory of the longest line.
void BuildMarkerPage(const PageReader& page, const MarkerLineSink& line);

// A page file in pieces of 64 KiB; throws IoError.
PageReader ReadPageFile(const std::filesystem::path& page);
// A page in memory in pieces of `pieceSize` bytes.
PageReader ReadPageText(std::string_view page, size_t pieceSize = 64 * 1024);

// The marker page of a page in memory, its lines joined by CR LF.
std::string MarkerPageText(std::string_view utf8Page, size_t pieceSize = 64 * 1024);

}  // namespace yomida
