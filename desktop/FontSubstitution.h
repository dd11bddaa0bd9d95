#pragma once

#include <QString>
#include <QStringList>

namespace yomida::qt {

// The installed fonts, in order of preference, that stand in for a Windows Japanese font name
// the settings file may carry ("ＭＳ ゴシック", "MS Gothic", "ＭＳ 明朝", …): fonts of the same
// kind first (a monospaced Gothic for ＭＳ ゴシック), then the nearest other kind. Empty for any
// other name, or when none of the candidates is installed.
QStringList JapaneseSubstitutes(const QString& family, const QStringList& installedFamilies);

// Registers the substitutes of every Windows Japanese font name with Qt, so that a stored
// "ＭＳ ゴシック" draws Latin and kana from one Japanese font. The stored name stays as it is.
void SubstituteWindowsFonts();

}  // namespace yomida::qt
