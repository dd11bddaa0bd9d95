#pragma once

#include <QIcon>

#include "app/CategoryTree.h"

namespace yomida::qt {

// The tree's images (group, book and audio-visual leaves, each present, missing or selected),
// drawn rather than shipped.
QIcon TreeIcon(TreeImage image);

// Small toolbar glyphs.
enum class Glyph {
    Search,
    CheckOnly,
    Online,
    Offline,
    Download,
    SaveCsv,
    Browser,
    Shop,
    Setup,
    Clear
};
QIcon ToolIcon(Glyph glyph);

// The numbered buttons of the saved search conditions, 1 to 10.
QIcon NumberIcon(int number);

}  // namespace yomida::qt
