#include "desktop/FontSubstitution.h"

#include <QFont>
#include <QFontDatabase>
#include <array>

namespace yomida::qt {
namespace {

enum class Kind { Gothic, Mincho, ProportionalGothic, ProportionalMincho };

struct WindowsFont {
    const char* name;  // UTF-8, as Windows spells it in Japanese or in English
    Kind kind;
};

constexpr std::array kWindowsFonts{
    WindowsFont{"ＭＳ ゴシック", Kind::Gothic},
    WindowsFont{"MS Gothic", Kind::Gothic},
    WindowsFont{"ＭＳ 明朝", Kind::Mincho},
    WindowsFont{"MS Mincho", Kind::Mincho},
    WindowsFont{"ＭＳ Ｐゴシック", Kind::ProportionalGothic},
    WindowsFont{"MS PGothic", Kind::ProportionalGothic},
    WindowsFont{"MS UI Gothic", Kind::ProportionalGothic},
    WindowsFont{"ＭＳ Ｐ明朝", Kind::ProportionalMincho},
    WindowsFont{"MS PMincho", Kind::ProportionalMincho},
};

// Debian's Japanese fonts of each kind, the most common first.
const QStringList& Candidates(Kind kind) {
    static const QStringList gothic{"IPAGothic", "Noto Sans Mono CJK JP", "TakaoGothic",
                                    "VL Gothic", "IPAexGothic"};
    static const QStringList mincho{"IPAMincho", "TakaoMincho", "IPAexMincho", "Noto Serif CJK JP"};
    static const QStringList proportionalGothic{"IPAPGothic", "Noto Sans CJK JP", "TakaoPGothic",
                                                "VL PGothic", "IPAexGothic"};
    static const QStringList proportionalMincho{"IPAPMincho", "TakaoPMincho", "IPAexMincho",
                                                "Noto Serif CJK JP"};
    switch (kind) {
        case Kind::Mincho:
            return mincho;
        case Kind::ProportionalGothic:
            return proportionalGothic;
        case Kind::ProportionalMincho:
            return proportionalMincho;
        case Kind::Gothic:
            break;
    }
    return gothic;
}

// Where no font of the same kind is installed, the nearest kind still beats a Latin fallback.
QList<Kind> Preference(Kind kind) {
    switch (kind) {
        case Kind::Mincho:
            return {Kind::Mincho, Kind::ProportionalMincho, Kind::Gothic};
        case Kind::ProportionalGothic:
            return {Kind::ProportionalGothic, Kind::Gothic};
        case Kind::ProportionalMincho:
            return {Kind::ProportionalMincho, Kind::Mincho, Kind::ProportionalGothic};
        case Kind::Gothic:
            break;
    }
    return {Kind::Gothic, Kind::ProportionalGothic};
}

}  // namespace

QStringList JapaneseSubstitutes(const QString& family, const QStringList& installedFamilies) {
    QStringList substitutes;
    for (const WindowsFont& font : kWindowsFonts) {
        if (family.compare(QString::fromUtf8(font.name), Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const Kind kind : Preference(font.kind)) {
            for (const QString& candidate : Candidates(kind)) {
                if (installedFamilies.contains(candidate, Qt::CaseInsensitive) &&
                    !substitutes.contains(candidate)) {
                    substitutes << candidate;
                }
            }
        }
    }
    return substitutes;
}

void SubstituteWindowsFonts() {
    const QStringList installed = QFontDatabase::families();
    for (const WindowsFont& font : kWindowsFonts) {
        const QString name = QString::fromUtf8(font.name);
        const QStringList substitutes = JapaneseSubstitutes(name, installed);
        if (!substitutes.isEmpty()) {
            QFont::insertSubstitutions(name, substitutes);
        }
    }
}

}  // namespace yomida::qt
