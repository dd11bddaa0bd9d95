#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace yomida {

// The named controls of the windows are plain state owned by the logic; the desktop face
// mirrors them into widgets. Texts are CP932.

struct ComboBox {
    std::string text;
    std::vector<std::string> items;  // the drop-down list
    std::string hint;
    int itemIndex = -1;
};

struct CheckBox {
    std::string caption;
    bool checked = false;
};

struct Panel {
    bool visible = true;
};

struct SpinEdit {
    int minValue = 0;
    int maxValue = 0;
    int value = 0;

    // Values outside the range are pulled into it, as the spin control does.
    void SetValue(int v) { value = std::clamp(v, minValue, maxValue); }
};

// The state of a named action, shared by its menu item and toolbar button.
struct ActionState {
    std::string caption;
    std::string hint;
    bool checked = false;
    bool enabled = true;
};

struct StatusPanel {
    std::string text;
    int width = 0;
};

struct StatusBar {
    std::array<StatusPanel, 3> panels;
};

// Images of the toolbar button that switches between online and offline.
enum class OnOffImage { Online, Offline };

// The tool button and menu item that switch between online and offline each carry the action
// for the state they switch to.
struct OnOffSwitch {
    const ActionState* action = nullptr;
    OnOffImage image = OnOffImage::Online;
    std::string hint;
};

// An action whose menu item and button carry the same caption from the start.
inline ActionState Captioned(const std::string& caption, const std::string& hint = {}) {
    ActionState action;
    action.caption = caption;
    action.hint = hint;
    return action;
}

}  // namespace yomida
