#include "engine/SeriesTitleReader.h"

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <random>

#include "platform/Cp932.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;
using test::U8;

struct TitleCase {
    const char* title;
    const char* key;
    int volume;
    const char* edition;
};

void ExpectTitles(std::initializer_list<TitleCase> cases) {
    SeriesTitleReader reader;
    for (const TitleCase& c : cases) {
        const SeriesTitle read = reader.Read(Sj(c.title));
        EXPECT_EQ(U8(read.key), c.key) << c.title;
        EXPECT_EQ(read.volume, c.volume) << c.title;
        EXPECT_EQ(U8(read.edition), c.edition) << c.title;
    }
}

TEST(SeriesTitleReader, VolumeForms) {
    ExpectTitles({
        {"進撃の巨人（３４）", "進撃の巨人", 34, ""},
        {"進撃の巨人(34)", "進撃の巨人", 34, ""},
        {"進撃の巨人 34", "進撃の巨人", 34, ""},
        {"進撃の巨人　３４", "進撃の巨人", 34, ""},
        {"進撃の巨人 第34巻", "進撃の巨人", 34, ""},
        {"進撃の巨人 第 34 巻", "進撃の巨人", 34, ""},
        {"進撃の巨人 34巻", "進撃の巨人", 34, ""},
        {"進撃の巨人【34】", "進撃の巨人", 34, ""},
        {"進撃の巨人［34］", "進撃の巨人", 34, ""},
        {"ONE PIECE vol.107", "ONEPIECE", 107, ""},
        {"ONE PIECE Vol. 107", "ONEPIECE", 107, ""},
        {"ONE PIECE VOLUME 107", "ONEPIECE", 107, ""},
        {"ブルーロック #27", "ブルーロック", 27, ""},
        {"キングダム 第十二巻", "キングダム", 12, ""},
        {"キングダム 第二十巻", "キングダム", 20, ""},
        {"キングダム 第百二十三巻", "キングダム", 123, ""},
        {"キングダム 第一〇二巻", "キングダム", 102, ""},
        {"ワンピース ⑳", "ワンピース", 20, ""},
        // The label and the subtitle after the volume are no part of the series.
        {"チェンソーマン 17 (ジャンプコミックス)", "チェンソーマン", 17, ""},
        {"ソードアート・オンライン(28) ユナイタル・リングVII", "ソードアートオンライン", 28, ""},
        {"呪術廻戦 第26巻 【完】", "呪術廻戦", 26, ""},
        {"Dr.STONE 26", "DRSTONE", 26, ""},
        {"ONE PIECE Revolution 3", "ONEPIECEREVOLUTION", 3, ""},
    });
}

TEST(SeriesTitleReader, UpperMiddleLowerAndTheTwoHalves) {
    ExpectTitles({
        {"ノルウェイの森 上", "ノルウェイの森", 1, ""},
        {"ノルウェイの森（中）", "ノルウェイの森", 2, ""},
        {"ノルウェイの森【下】", "ノルウェイの森", 3, ""},
        {"ノルウェイの森 上巻", "ノルウェイの森", 1, ""},
        {"ノルウェイの森 下巻", "ノルウェイの森", 3, ""},
        {"劇場版 まどか☆マギカ 前編 始まりの物語", "劇場版まどかマギカ", 1, ""},
        {"劇場版 まどか☆マギカ 後編", "劇場版まどかマギカ", 2, ""},
        {"劇場版 まどか☆マギカ（後編）", "劇場版まどかマギカ", 2, ""},
        // A set of both halves is not the second one; 前編集長 is a former editor.
        {"ノルウェイの森 上下巻セット", "ノルウェイの森上下巻セット", 0, ""},
        {"前編集長の日記", "前編集長の日記", 0, ""},
    });
}

TEST(SeriesTitleReader, NumbersThatAreNoVolume) {
    ExpectTitles({
        {"2001夜物語", "2001夜物語", 0, ""},
        {"2001夜物語 3", "2001夜物語", 3, ""},
        {"２００１夜物語（３）", "2001夜物語", 3, ""},
        {"20世紀少年", "20世紀少年", 0, ""},
        {"20世紀少年 22", "20世紀少年", 22, ""},
        {"ゴルゴ13", "ゴルゴ13", 0, ""},
        {"ゴルゴ13 (123)", "ゴルゴ13", 123, ""},
        {"3月のライオン 17", "3月のライオン", 17, ""},
        {"機動戦士ガンダム 0083 スターダストメモリー", "機動戦士ガンダム0083スターダストメモリー",
         0, ""},
        {"鬼滅の刃 全23巻セット", "鬼滅の刃全23巻セット", 0, ""},
        {"鬼滅の刃 1-23巻", "鬼滅の刃123巻", 0, ""},
        {"ワンピース 123456", "ワンピース123456", 0, ""},
        // A form with no name before it is the name.
        {"(3)", "3", 0, ""},
        {"第3巻", "第3巻", 0, ""},
    });
}

TEST(SeriesTitleReader, EditionsOfOneVolumeAndLinesOfTheirOwn) {
    ExpectTitles({
        {"進撃の巨人 第34巻 通常版", "進撃の巨人", 34, "通常版"},
        {"進撃の巨人 第34巻 特装版", "進撃の巨人", 34, "特装版"},
        {"進撃の巨人（３４）限定版", "進撃の巨人", 34, "限定版"},
        {"進撃の巨人 34 ドラマCD同梱版", "進撃の巨人", 34, "同梱版"},
        {"進撃の巨人 34 特別版", "進撃の巨人", 34, "特別版"},
        {"進撃の巨人 特装版 34", "進撃の巨人", 34, "特装版"},
        {"名探偵コナン 105 DVD付き限定版", "名探偵コナン", 105, "限定版"},
        {"シャングリラ・フロンティア 18 エイプリルフール特装版", "シャングリラフロンティア", 18,
         "特装版"},
        {"ワンピース限定版", "ワンピース", 0, "限定版"},
        {"名探偵コナン 105 初回限定版 (少年サンデーコミックス)", "名探偵コナン", 105, "限定版"},
        {"ドラゴンボール 完全版 12", "ドラゴンボール完全版", 12, ""},
        {"完全版 ドラゴンボール 12", "ドラゴンボール完全版", 12, ""},
        {"ドラゴンボール（完全版）(12)", "ドラゴンボール完全版", 12, ""},
        {"ドラゴンボール 12 完全版 特装版", "ドラゴンボール完全版", 12, "特装版"},
        {"ヘルシング【新装版】(3)", "ヘルシング新装版", 3, ""},
        {"ベルセルク 愛蔵版 3", "ベルセルク愛蔵版", 3, ""},
        {"寄生獣 文庫版 (5)", "寄生獣文庫版", 5, ""},
        {"ｺﾌﾞﾗ ﾜｲﾄﾞ版 2", "コブラワイド版", 2, ""},
        {"特装版", "", 0, "特装版"},
    });
}

TEST(SeriesTitleReader, OneKeyWhateverTheWidthCaseOrOldForms) {
    ExpectTitles({
        {"ＯＮＥ ＰＩＥＣＥ １０７", "ONEPIECE", 107, ""},
        {"One Piece 107", "ONEPIECE", 107, ""},
        {"ｶﾞﾝﾀﾞﾑ ｴｰｽ 12", "ガンダムエース", 12, ""},
        {"ガンダム・エース 12", "ガンダムエース", 12, ""},
        {"ﾖﾂﾊﾞﾄ! 15", "ヨツバト", 15, ""},
        {"よつばと！ 15", "よつばと", 15, ""},
        {"ゆるキャン△ 15", "ゆるキャン", 15, ""},
        {"SPY×FAMILY 13", "SPYFAMILY", 13, ""},
        {"「かぐや様」は告らせたい～天才たちの恋愛頭脳戦～ 28",
         "かぐや様は告らせたい天才たちの恋愛頭脳戦", 28, ""},
        {"國學院 髙橋 﨑 澤 邊 齋 櫻", "国学院高橋崎沢辺斎桜", 0, ""},
        {"！！", "", 0, ""},
        {"", "", 0, ""},
    });
}

TEST(SeriesTitleReader, TheSourcesOwnSeriesAndVolumeWin) {
    SeriesTitleReader reader;
    // A series field gives the key whatever the title adds; the title still gives the edition.
    EXPECT_EQ(reader.Read(Sj("進撃の巨人 Before the fall 3 特装版"), Sj("進撃の巨人")),
              (SeriesTitle{Sj("進撃の巨人"), 3, Sj("特装版")}));
    // The title's line joins a series field that has none.
    EXPECT_EQ(reader.Read(Sj("ドラゴンボール 完全版 12"), Sj("ドラゴンボール")).key,
              Sj("ドラゴンボール完全版"));
    EXPECT_EQ(reader.Read(Sj("DB 12"), Sj("ドラゴンボール 愛蔵版")).key,
              Sj("ドラゴンボール愛蔵版"));
    // A volume field that reads as one wins; one that does not leaves the title's.
    EXPECT_EQ(reader.Read(Sj("進撃の巨人 特別編"), "", Sj("３４")).volume, 34);
    EXPECT_EQ(reader.Read(Sj("進撃の巨人 33"), "", Sj("第三十四巻")).volume, 34);
    EXPECT_EQ(reader.Read(Sj("進撃の巨人 33"), "", Sj("最終巻")).volume, 33);
    EXPECT_EQ(reader.Read(Sj("進撃の巨人 33"), " ", " ").volume, 33);
    for (const auto& [text, volume] :
         std::initializer_list<std::pair<const char*, int>>{{"34", 34},
                                                            {"（３４）", 34},
                                                            {"第34巻", 34},
                                                            {"上", 1},
                                                            {"(下巻)", 3},
                                                            {"vol.3", 3},
                                                            {"#5", 5},
                                                            {"後編", 2},
                                                            {" 12 ", 12}}) {
        EXPECT_EQ(reader.ReadVolume(Sj(text)), volume) << text;
    }
    for (const char* text : {"", "abc", "34a", "第34", "上下", "123456"}) {
        EXPECT_EQ(reader.ReadVolume(Sj(text)), std::nullopt) << text;
    }
}

TEST(SeriesTitleReader, OneReaderGivesWhatAFreshOneGives) {
    // Scratch buffers kept between titles must not leak one title into the next.
    SeriesTitleReader reader;
    const std::vector<std::string> titles = {Sj("ドラゴンボール 完全版 12 特装版"),
                                             Sj("ワンピース"), Sj("ワンピース 3"), Sj("")};
    for (const std::string& title : titles) {
        EXPECT_EQ(reader.Read(title), ReadSeriesTitle(title)) << U8(title);
    }
}

// The watch scan turns a title away by the start of its name before reading it whole; that is
// only sound while a key always starts as its title's start says, whatever editions, brackets,
// widths and marks the title holds.
TEST(SeriesTitleReader, TheKeyStartsAsTheQuickLookSays) {
    const std::vector<std::string> names = {"進撃の巨人",
                                            "X",
                                            "ＸＹ",
                                            "ab",
                                            "ｶﾞﾝﾀﾞﾑ",
                                            "ガ",
                                            "ﾊﾟ",
                                            "【新装版】ヘルシング",
                                            "版画集",
                                            "出版社の本",
                                            "完全版 ドラゴンボール",
                                            "DVD付き限定版 コナン",
                                            "(株)漫画",
                                            "㈱漫画",
                                            "①②",
                                            "「かぐや様」",
                                            "・・・",
                                            "",
                                            "ワイド版 コブラ",
                                            "ﾜｲﾄﾞ版 コブラ",
                                            "2001夜物語",
                                            "特装版"};
    const std::vector<std::string> tails = {"",
                                            " 3",
                                            "（３）",
                                            " 第12巻 特装版",
                                            "(12)限定版",
                                            " 12 DVD付き限定版",
                                            "特装版 2",
                                            " 完全版 12",
                                            "【上】",
                                            " 前編 はじまり",
                                            " vol.3 (ジャンプコミックス)",
                                            "版",
                                            " 1版"};
    SeriesTitleReader reader;
    for (const std::string& name : names) {
        for (const std::string& tail : tails) {
            const std::string title = Sj(name + tail);
            const SeriesTitle read = reader.Read(title);
            const SeriesTitleReader::KeyStart key = SeriesTitleReader::KeyStartOf(read.key);
            const SeriesTitleReader::KeyStart quick = reader.ReadKeyStart(title);
            if (read.key.empty()) {
                continue;
            }
            EXPECT_EQ(quick.first, key.first) << name + tail;
            if (key.second != 0) {
                EXPECT_EQ(quick.second, key.second) << name + tail;
            }
            // A source's series field is looked at in its place.
            const SeriesTitleReader::KeyStart own = reader.ReadKeyStart(Sj("他の題 1"), title);
            EXPECT_EQ(own.first,
                      SeriesTitleReader::KeyStartOf(reader.Read(Sj("x"), title).key).first)
                << name + tail;
        }
    }
    EXPECT_EQ(SeriesTitleReader::KeyStartOf(Sj("ドラゴンボール完全版")).second,
              SeriesTitleReader::KeyStartOf(Sj("ドラ")).second);
    EXPECT_EQ(SeriesTitleReader::KeyStartOf(Sj("X文庫版")).second, 0);
}

// The quick look finds an edition by the bytes of 版 alone.
TEST(TitleNormaliser, NoCharacterButHanHasHanInItsNormalForm) {
    const TitleNormaliser& table = TitleNormaliser::Instance();
    std::vector<SjisCode> han;
    TitleNormaliser::AppendCodes(Sj("版"), han);
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
        const auto c = static_cast<SjisCode>(code);
        if (c == han[0] || (code > 0xFF && !(code >> 8 >= 0x81 && code >> 8 <= 0x9F) &&
                            !(code >> 8 >= 0xE0 && code >> 8 <= 0xFC))) {
            continue;
        }
        for (SjisCode n : table.NormalForm(c)) {
            EXPECT_NE(n, han[0]) << std::hex << code;
        }
    }
}

// Every character alone, and runs of the characters that interact, through the table and
// through ICU at once: the fast path is only right while the two agree.
TEST(TitleNormaliser, TheTableAgreesWithIcuOnTheWholeText) {
    const TitleNormaliser& table = TitleNormaliser::Instance();
    std::vector<SjisCode> fast;
    std::vector<SjisCode> icu;
    const auto expectSame = [&](const std::string& text) {
        table.Normalise(text, fast);
        TitleNormaliser::NormaliseWithIcu(text, icu);
        EXPECT_EQ(fast, icu) << testing::PrintToString(text);
    };
    for (unsigned b = 0; b <= 0xFF; ++b) {
        expectSame(std::string(1, static_cast<char>(b)));
        for (unsigned t = 0; t <= 0xFF; ++t) {
            if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
                expectSame(std::string{static_cast<char>(b), static_cast<char>(t)});
            }
        }
    }
    // Half-width letters, their marks, full-width kana that a mark composes with, and what
    // lies around them.
    const std::vector<std::string> pieces = {Sj("ｶ"),  Sj("ﾊ"),  Sj("ｳ"),  Sj("ｱ"),  Sj("ﾞ"),
                                             Sj("ﾟ"),  Sj("か"), Sj("ハ"), Sj("゛"), Sj("ー"),
                                             Sj("１"), Sj("Ａ"), Sj("①"),  Sj("國"), Sj("　"),
                                             "a",      " ",      "(",      "\x81"};
    std::mt19937 random(12345);
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        for (int n = static_cast<int>(random() % 8); n >= 0; --n) {
            text += pieces[random() % pieces.size()];
        }
        expectSame(text);
    }
}

TEST(TitleNormaliser, EveryOldFormAndItsCommonFormAreInTheCodePage) {
    const auto utf8Of = [](char32_t c) {
        uint8_t bytes[4];
        int32_t length = 0;
        UBool failed = false;
        U8_APPEND(bytes, length, 4, c, failed);
        EXPECT_FALSE(failed);
        return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    };
    std::vector<SjisCode> normal;
    std::vector<SjisCode> common;
    for (const auto& [from, to] : TitleNormaliser::VariantForms()) {
        // A form the code page lacks would be stored as "?" and match every other such key.
        const std::string fromText = Utf8ToCp932(utf8Of(from));
        const std::string toText = Utf8ToCp932(utf8Of(to));
        EXPECT_EQ(Cp932ToUtf8(fromText), utf8Of(from));
        EXPECT_EQ(Cp932ToUtf8(toText), utf8Of(to));
        TitleNormaliser::Instance().Normalise(fromText, normal);
        common.clear();
        TitleNormaliser::AppendCodes(toText, common);
        EXPECT_EQ(normal, common) << utf8Of(from);
        TitleNormaliser::Instance().Normalise(toText, normal);
        EXPECT_EQ(normal, common) << utf8Of(to) << " is not its own common form";
    }
}

}  // namespace
}  // namespace yomida
