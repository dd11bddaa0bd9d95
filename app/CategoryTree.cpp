#include "app/CategoryTree.h"

namespace yomida {

int CategoryTree::LeafOf(int category) const {
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (category != 0 && nodes[i].category == category) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace yomida
