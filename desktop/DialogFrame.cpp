#include "desktop/DialogFrame.h"

#include <QDialog>
#include <QLayout>

namespace yomida::qt {

void SetFixedBorder(QDialog& dialog) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    if (dialog.layout() != nullptr) {
        dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    }
}

}  // namespace yomida::qt
