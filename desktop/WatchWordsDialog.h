#pragma once

#include <QDialog>
#include <array>

#include "settings/WatchWordsForm.h"

class QPlainTextEdit;

namespace yomida::qt {

// "ウォッチ設定": the publisher, title and author watch words, one word a line.
class WatchWordsDialog final : public QDialog {
    Q_OBJECT

public:
    explicit WatchWordsDialog(WatchWordsForm& logic, QWidget* parent = nullptr);
    // Fills the boxes from the logic; Run() does this and shows it modally.
    void Prepare();
    int Run();
    // OK: the boxes' lines into the settings.
    void Ok();

private:
    WatchWordsForm& logic_;
    std::array<QPlainTextEdit*, 3> boxes_{};
};

}  // namespace yomida::qt
