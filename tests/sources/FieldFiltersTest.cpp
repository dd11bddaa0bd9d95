#include "sources/FieldFilters.h"

#include <gtest/gtest.h>

#include "sources/DefinedSourceError.h"

namespace yomida {
namespace {

using namespace std::chrono;

constexpr year_month kDecember2026{year{2026}, month{12}};

FieldFilter Step(FilterKind kind, std::string argument = "", std::string replacement = "") {
    return {kind, std::move(argument), std::move(replacement), 0};
}

TEST(FieldFilters, DatesBecomeTheDayOfTheList) {
    struct Case {
        const char* text;
        const char* day;
        bool outside;
    };
    const Case cases[] = {
        {"2026-12-05", "5", false},
        {"2026-12-05T00:00:00+09:00", "5", false},
        {"２０２６年１２月５日（土）", "5", false},
        {"2026/12/31", "31", false},
        {"20261205", "5", false},
        {"2026.12", "", false},
        {"202612", "", false},
        {"2006.9", "", true},
        {"196607", "", true},
        {"2026年12月上旬", "上", false},
        {"2026-12 中旬", "中", false},
        {"2026年12月下", "下", false},
        {"下旬", "下", false},
        {"12月24日", "24", false},
        {"1月5日", "5", true},
        {"７日", "7", false},
        {"2027-01-10", "10", true},
        {"2026-11-30", "30", true},
        {"2026-12-32", "", false},
        {"2026-02-30", "", true},
        {"Sat, 05 Dec 2026 00:00:00 +0900", "5", false},
        // 15:00 in Greenwich is midnight in Japan: the next day, and here the next month.
        {"Thu, 17 Dec 2026 15:00:00 GMT", "18", false},
        {"Thu, 31 Dec 2026 15:30:00 GMT", "1", true},
        {"05 Dec 2026", "5", false},
        {"未定", "", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        bool outside = false;
        EXPECT_EQ(ListDay(c.text, kDecember2026, outside), c.day) << c.text;
        EXPECT_EQ(outside, c.outside) << c.text;
    }
}

TEST(FieldFilters, PricesNamesAndIsbnsAreCleaned) {
    const std::pair<const char*, const char*> prices[] = {
        {"940円", "940"},       {"３３０円", "330"},
        {"\\880", "880"},       {"1,100円（本体 1,000円）", "1100"},
        {"￥1,980+税", "1980"}, {"価格未定", ""},
    };
    for (const auto& [text, digits] : prices) {
        EXPECT_EQ(PriceDigits(text), digits) << text;
    }
    const std::pair<const char*, const char*> names[] = {
        {"村上, 春樹, 1949-", "村上, 春樹"},
        {"夏目, 漱石, 1867-1916", "夏目, 漱石"},
        {"Sample, John, 1835-1910", "Sample, John"},
        {"架空, 太郎, １９６８-", "架空, 太郎"},
        {"見本 花子", "見本 花子"},
        {"2001年宇宙の会", "2001年宇宙の会"},
    };
    for (const auto& [text, dropped] : names) {
        EXPECT_EQ(DropLifeDates(text), dropped) << text;
    }
    const std::pair<const char*, const char*> isbns[] = {
        {"978-4-00-000001-7", "9784000000017"},
        {"ISBN４０００００００２０", "9784000000024"},
        {"4-00-000002-0", "9784000000024"},
        {"978-4-00-000001-6", ""},  // the check digit is wrong
        {"JP 99999999", ""},
    };
    for (const auto& [text, isbn] : isbns) {
        EXPECT_EQ(Isbn13(text), isbn) << text;
    }
    EXPECT_EQ(TrimText("\t　見本\r\n "), "見本");
    EXPECT_EQ(NfkcText("ＡＢＣ１２３ｶﾞ"), "ABC123ガ");
}

TEST(FieldFilters, StepsRunInOrderOverEveryValue) {
    const auto clean = [](std::vector<FieldFilter> filters, std::vector<std::string> values) {
        FieldCleaner cleaner("author", filters);
        EXPECT_TRUE(cleaner.Apply(values, kDecember2026));
        return values;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(clean({Step(FilterKind::DropLifeDates), Step(FilterKind::Join, "、")},
                    {"架空, 太郎, 1968-", "見本, 花子"}),
              V{"架空, 太郎、見本, 花子"});
    EXPECT_EQ(clean({Step(FilterKind::First)}, {"一", "二"}), V{"一"});
    EXPECT_EQ(clean({Step(FilterKind::Replace, "^(\\p{Han}+), (\\p{Han}+)$", "$1$2")},
                    {"架空, 太郎", "Sample, John"}),
              (V{"架空太郎", "Sample, John"}));
    // A value a step leaves empty is dropped, so a later `first` finds the next one.
    EXPECT_EQ(
        clean({Step(FilterKind::Isbn), Step(FilterKind::First)}, {"JP 1", "978-4-00-000001-7"}),
        V{"9784000000017"});
    EXPECT_EQ(clean({Step(FilterKind::Match, " \\| ([^|]*)$")}, {"書名 - 著者 | 見本舎", "書名"}),
              V{"見本舎"});
    EXPECT_EQ(clean({Step(FilterKind::Match, "[0-9]+")}, {"第12巻"}), V{"12"});
    EXPECT_EQ(clean({Step(FilterKind::Trim)}, {"  ", "a "}), V{"a"});

    FieldCleaner dates("day", {Step(FilterKind::Date)});
    std::vector<std::string> nextMonth{"2027-01-10"};
    EXPECT_FALSE(dates.Apply(nextMonth, kDecember2026));
}

TEST(FieldFilters, ExpressionsThatCannotApplySayWhy) {
    EXPECT_TRUE(RegexFault("(unclosed"));
    EXPECT_FALSE(RegexFault("[0-9]+"));
    EXPECT_THROW(FieldCleaner("title", {Step(FilterKind::Replace, "(", "")}), DefinedSourceError);
    // A pattern that backtracks without end is stopped, not waited for.
    FieldCleaner runaway("title", {Step(FilterKind::Replace, "(a|a)*b", "x")});
    std::vector<std::string> values{std::string(40, 'a')};
    try {
        static_cast<void>(runaway.Apply(values, kDecember2026));
        FAIL() << "the expression ran to its end";
    } catch (const DefinedSourceError& e) {
        EXPECT_NE(std::string(e.what()).find("\"title\""), std::string::npos) << e.what();
    }
    TextCondition bunko("(文庫|新書)");
    EXPECT_TRUE(bunko.Matches("見本社文庫"));
    EXPECT_FALSE(bunko.Matches("見本叢書"));
}

}  // namespace
}  // namespace yomida
