#include "platform/Ui.h"

#include <exception>

#include "platform/Cp932.h"

namespace yomida {

void RunGuarded(Ui& ui, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ui.ShowError(Utf8ToCp932(e.what()));
    }
}

}  // namespace yomida
