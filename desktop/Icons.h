#pragma once

#include <QIcon>

#include "app/CategoryTree.h"

namespace yomida::qt {

// The tree's images (group, book and audio-visual leaves, each present, missing or selected),
// drawn rather than shipped. Every drawn icon is painted at the size and pixel ratio asked for,
// with the application palette of the moment.
QIcon TreeIcon(TreeImage image);
// The same image with a red badge: the last fetch or import of the category failed.
QIcon FailedTreeIcon(TreeImage image);

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

// The program's own icon, as the desktop menu shows it, for the window's title bar.
QIcon ProgramIcon();

}  // namespace yomida::qt
