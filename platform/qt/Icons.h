#pragma once

#include <QIcon>

namespace yomida::qt {

// The tree's images by their index in the main window's image list (group, book and
// audio-visual leaves, each present, missing or selected), drawn rather than shipped.
QIcon TreeIcon(int imageIndex);

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
