#pragma once

#include <string>
#include <vector>

namespace yomida {

// Images of the category tree.
enum TreeImage : int {
    kImageGroup = 18,
    kImageBookPresent = 20,
    kImageBookSelected = 21,
    kImageAvPresent = 22,
    kImageAvSelected = 23,
    kImageBookMissing = 25,
    kImageAvMissing = 26,
};

struct TreeNode {
    std::string caption;  // CP932
    int category = 0;     // 0 for a group node
    int imageIndex = kImageGroup;
    int selectedIndex = kImageGroup;
};

// The category tree `TView`: five groups and fifteen leaves in display order, fully expanded,
// read-only.
struct CategoryTree {
    std::vector<TreeNode> nodes;
    int selected = -1;
    bool enabled = true;
    int width = 120;

    // Node index of a category's leaf, or -1.
    int LeafOf(int category) const;
};

}  // namespace yomida
