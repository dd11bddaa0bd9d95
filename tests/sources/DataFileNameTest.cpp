#include "sources/DataFileName.h"

#include <gtest/gtest.h>

#include "text/Dates.h"

namespace yomida {
namespace {

using namespace std::chrono;

TEST(DataFileName, EveryCategoryReadsBackWhatItWrites) {
    const year_month months[] = {year{1970} / January, year{2003} / May, year{2026} / December,
                                 year{2069} / December};
    const int weeks[] = {0, 1, 1320, kWeekNumberLimit};
    for (const CategoryInfo& c : Categories()) {
        for (const year_month m : months) {
            for (const int week : weeks) {
                const DataFileName written = DataFileName::For(c, m / 17, week);
                const std::optional<DataFileName> read = DataFileName::Parse(written.Text());
                ASSERT_TRUE(read) << written.Text();
                EXPECT_EQ(read->Category().number, c.number) << written.Text();
                EXPECT_EQ(read->PeriodKey(), written.PeriodKey());
                EXPECT_EQ(read->Text(), written.Text());
                if (c.period == Period::Week) {
                    EXPECT_EQ(read->Week(), week);
                } else {
                    EXPECT_EQ(read->Month(), m) << written.Text();
                }
            }
        }
    }
}

TEST(DataFileName, NamesAsStored) {
    const year_month_day may2003{year{2003}, month{5}, day{31}};
    EXPECT_EQ(DataFileName::For(*FindCategory(1), may2003, 1321).Text(), "comic0305.csv");
    EXPECT_EQ(DataFileName::For(*FindCategory(2), may2003, 1321).Text(), "syosk1321.csv");
    EXPECT_EQ(DataFileName::For(*FindCategory(5), may2003, 1321).Text(), "comic20305.csv");
    EXPECT_EQ(DataFileName::For(*FindCategory(15), year{1999} / 12 / 1, 0).Text(),
              "comic49912.csv");

    // The list number of まんがの森 goes into its URL, never into its file's name.
    const HostTable hosts;
    for (const char* listId : {"2003/05", "2001/01", "2010/12"}) {
        SourceQuery q;
        q.category = 15;
        q.target = may2003;
        q.dataFolder = "/d";
        q.listId = listId;
        q.hosts = &hosts;
        std::filesystem::path file;
        std::string url;
        ASSERT_TRUE(ResolveCategorySource(q, {}, file, url));
        EXPECT_EQ(file, "/d/comic40305.csv") << listId;
    }
}

TEST(DataFileName, OnlyTheWrittenFormsAreTaken) {
    // A longer code is not mistaken for a shorter one with a longer key.
    const std::optional<DataFileName> comic2 = DataFileName::Parse("comic20305.csv");
    ASSERT_TRUE(comic2);
    EXPECT_EQ(comic2->Category().number, 5);
    EXPECT_EQ(comic2->Month(), year{2003} / May);
    EXPECT_EQ(DataFileName::Parse("comic9912.csv")->Month(), year{1999} / December);

    for (const char* name :
         {"comic0013.csv", "comic0300.csv", "comic305.csv", "comic00305.csv", "comic.csv",
          "comic03a5.csv", "comic0305.CSV", "comic0305.csv.bak", ".csv", "csv", "nosuch0305.csv",
          "syosk01320.csv", "syosk+1320.csv", "syosk10000001.csv", "syosk99999999999.csv"}) {
        EXPECT_FALSE(DataFileName::Parse(name)) << name;
    }
}

}  // namespace
}  // namespace yomida
