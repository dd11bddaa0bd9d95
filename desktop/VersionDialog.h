#pragma once

#include <QDialog>

#include "settings/VersionInfo.h"

class QLabel;

namespace yomida::qt {

// "YOMIDA バージョン情報": five lines, the last one a link.
class VersionDialog final : public QDialog {
    Q_OBJECT

public:
    explicit VersionDialog(VersionInfo& logic, QWidget* parent = nullptr);
    // Fills the dialog from the logic; Run() does this and shows it modally.
    void Prepare();
    int Run();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    VersionInfo& logic_;
    QLabel* lines_[5] = {};
};

}  // namespace yomida::qt
