#pragma once

#include <QWidget>
#include <functional>

#include "settings/WordListEditor.h"

class QPlainTextEdit;

namespace yomida::qt {

// "YOMIDA エディター": a search box's words one per line, beside the main window.
class WordEditor final : public QWidget {
    Q_OBJECT

public:
    // `boxChanged` lets the main window show the box text OK wrote.
    WordEditor(WordListEditor& logic, std::function<void()> boxChanged, QWidget* parent = nullptr);
    // Shows the editor with the logic's current lines.
    void ShowLines();
    void Ok();

private:
    WordListEditor& logic_;
    std::function<void()> boxChanged_;
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace yomida::qt
