#pragma once

class QDialog;

namespace yomida::qt {

// Gives a dialog a fixed border with a close box only, in front of the main window: it cannot be
// resized, maximised or minimised. Call it once the dialog has its layout.
void SetFixedBorder(QDialog& dialog);

}  // namespace yomida::qt
