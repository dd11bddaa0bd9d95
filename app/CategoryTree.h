#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace yomida {

// Images of the category tree; the desktop face draws each.
enum class TreeImage {
    Group,
    BookPresent,  // a book category whose list of the month is stored
    BookSelected,
    BookMissing,
    AvPresent,  // an audio-visual category whose list of the month is stored
    AvSelected,
    AvMissing,
};

struct TreeNode {
    std::string caption;  // CP932
    int category = 0;     // 0 for a group node
    TreeImage image = TreeImage::Group;
    TreeImage selectedImage = TreeImage::Group;
    bool failed = false;  // the last fetch or import of its category failed
};

// The category tree `TView`: five groups and fifteen leaves in display order, fully expanded,
// read-only.
struct CategoryTree {
    std::vector<TreeNode> nodes;
    int selected = -1;
    bool enabled = true;

    // The groups and leaves as the catalogue lays them out, with their designed captions.
    static CategoryTree Build();
    TreeNode& Leaf(int category);
    // A monthly category's icon tells whether its list of the period is stored.
    void ShowStored(int category, bool present);
    // Marks each category whose last fetch or import failed, as the data folder's health file
    // tells; the marks only inform, so an unreadable file leaves the tree unmarked.
    void MarkFailures(const std::filesystem::path& dataFolder);
};

}  // namespace yomida
