#pragma once

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
};

}  // namespace yomida
