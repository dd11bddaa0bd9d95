#include "app/CategoryTree.h"

#include "engine/SourceHealth.h"
#include "platform/Cp932.h"
#include "sources/Catalogue.h"

namespace yomida {

CategoryTree CategoryTree::Build() {
    CategoryTree tree;
    const std::vector<CategoryTreeSlot>& slots = CategoryTreeSlots();
    tree.nodes.assign(slots.size(), TreeNode{});
    for (size_t i = 0; i < slots.size(); ++i) {
        TreeNode& node = tree.nodes[i];
        const CategoryInfo* c = slots[i].category;
        if (c == nullptr) {
            node.caption =
                Utf8ToCp932(CategoryGroups()[static_cast<size_t>(slots[i].group)].treeCaption);
            continue;
        }
        node.caption = Utf8ToCp932(c->designCaption);
        node.category = c->number;
        node.image = c->audioVisual ? TreeImage::AvPresent : TreeImage::BookPresent;
        node.selectedImage = c->audioVisual ? TreeImage::AvSelected : TreeImage::BookSelected;
    }
    return tree;
}

TreeNode& CategoryTree::Leaf(int category) {
    return nodes[static_cast<size_t>(TreeNodeOf(category))];
}

void CategoryTree::ShowStored(int category, bool present) {
    const bool av = FindCategory(category)->audioVisual;
    Leaf(category).image = av ? (present ? TreeImage::AvPresent : TreeImage::AvMissing)
                              : (present ? TreeImage::BookPresent : TreeImage::BookMissing);
}

void CategoryTree::MarkFailures(const std::filesystem::path& dataFolder) {
    try {
        const SourceHealth::Contents health = SourceHealth(dataFolder).Read();
        for (const CategoryInfo& c : Categories()) {
            bool failed = false;
            for (const CategoryHealth& row : health.rows) {
                failed = failed || (row.category == c.number && row.Failed());
            }
            Leaf(c.number).failed = failed;
        }
    } catch (const std::exception&) {
    }
}

}  // namespace yomida
