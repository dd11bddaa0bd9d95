#include "engine/SeriesTitleWords.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "text/SjisLiteral.h"

namespace yomida {
namespace {

SjisCode TitleWordCode(const std::string& cp932) {
    std::vector<SjisCode> codes;
    TitleNormaliser::AppendCodes(cp932, codes);
    if (codes.size() != 1) {
        throw std::logic_error("a word of the title reader is not one CP932 character");
    }
    return codes[0];
}

}  // namespace

const SeriesTitleWords& SeriesTitleWords::Get() {
    static const SeriesTitleWords words = [] {
        SeriesTitleWords w{};
        w.dai = TitleWordCode("第"_sj);
        w.kan = TitleWordCode("巻"_sj);
        w.zen = TitleWordCode("全"_sj);
        w.ue = TitleWordCode("上"_sj);
        w.naka = TitleWordCode("中"_sj);
        w.shita = TitleWordCode("下"_sj);
        w.mae = TitleWordCode("前"_sj);
        w.ato = TitleWordCode("後"_sj);
        w.hen = TitleWordCode("編"_sj);
        w.han = TitleWordCode("版"_sj);
        w.juu = TitleWordCode("十"_sj);
        w.hyaku = TitleWordCode("百"_sj);
        w.sen = TitleWordCode("千"_sj);
        const std::string digits = "〇一二三四五六七八九零"_sj;
        std::vector<SjisCode> codes;
        TitleNormaliser::AppendCodes(digits, codes);
        std::copy_n(codes.begin(), w.kanjiDigits.size(), w.kanjiDigits.begin());
        for (std::string_view pair : {"()", "[]", "{}", "<>"}) {
            w.brackets.push_back({static_cast<SjisCode>(pair[0]), static_cast<SjisCode>(pair[1])});
        }
        for (const std::string* pair :
             {&"【】"_sj, &"〔〕"_sj, &"《》"_sj, &"〈〉"_sj, &"「」"_sj, &"『』"_sj}) {
            codes.clear();
            TitleNormaliser::AppendCodes(*pair, codes);
            w.brackets.push_back({codes[0], codes[1]});
        }
        for (const std::string* word :
             {&"通常版"_sj, &"特装版"_sj, &"限定版"_sj, &"同梱版"_sj, &"特別版"_sj}) {
            w.editions.push_back({{}, *word, false});
        }
        for (const std::string* word :
             {&"新装版"_sj, &"完全版"_sj, &"愛蔵版"_sj, &"文庫版"_sj, &"ワイド版"_sj}) {
            w.editions.push_back({{}, *word, true});
        }
        for (Edition& e : w.editions) {
            TitleNormaliser::AppendCodes(e.text, e.units);
        }
        w.startsForm.assign(0x10000, 0);
        for (SjisCode c : {w.dai, w.ue, w.naka, w.shita, w.mae, w.ato}) {
            w.startsForm[c] = 1;
        }
        w.bracket.assign(0x10000, 0);
        for (size_t k = 0; k < w.brackets.size(); ++k) {
            w.startsForm[w.brackets[k].open] = 1;
            w.bracket[w.brackets[k].open] = static_cast<uint8_t>(k + 1);
            w.bracket[w.brackets[k].close] = static_cast<uint8_t>((k + 1) | kClosing);
        }
        for (char c : std::string_view("#vV0123456789")) {
            w.startsForm[static_cast<unsigned char>(c)] = 1;
        }
        return w;
    }();
    return words;
}

}  // namespace yomida
