#pragma once

#include <cstddef>

namespace yomida {

// The busy display shown during a transfer or a watch scan: animation, cancel button and
// progress bar.
struct BusyDisplay {
    static constexpr int kAnimationWidth = 80;

    bool animating = false;
    bool animationVisible = false;
    int animationLeft = 0;
    bool cancelVisible = false;
    int cancelLeft = 0;
    bool progressVisible = false;
    int progress = 0;
    int progressMax = 100;

    // The whole display for a transfer, centred in a window that wide.
    void ShowTransfer(int windowWidth) {
        animationLeft = windowWidth / 2 - kAnimationWidth;
        cancelLeft = animationLeft - 20;
        animationVisible = true;
        cancelVisible = true;
        animating = true;
        progress = 0;
        progressVisible = true;
    }
    // The cancel button and the progress bar only, for a watch scan.
    void ShowProgress() {
        progress = 0;
        progressVisible = true;
        cancelVisible = true;
    }
    void ShowFraction(size_t done, size_t total) {
        progress =
            total == 0 ? 0 : static_cast<int>(done * static_cast<size_t>(progressMax) / total);
    }
    void HideProgress() {
        progressVisible = false;
        cancelVisible = false;
    }
    // A display that ends fills its bar first.
    void Hide() {
        progress += progressMax;
        animating = false;
        animationVisible = false;
        progressVisible = false;
        cancelVisible = false;
    }
};

}  // namespace yomida
