#pragma once

#include <QGroupBox>
#include <filesystem>

class QLineEdit;
class QPushButton;

namespace yomida::qt {

// The paths of the watch calendar and feed in the data folder, each with a button that copies
// it, so a calendar program or a feed reader can be pointed at the file.
class FeedPathsBox final : public QGroupBox {
    Q_OBJECT

public:
    explicit FeedPathsBox(const std::filesystem::path& dataFolder, QWidget* parent = nullptr);
    // Follows the data folder the page edits.
    void SetDataFolder(const std::filesystem::path& dataFolder);

private:
    QLineEdit* calendar_ = nullptr;
    QLineEdit* feed_ = nullptr;
    QPushButton* copyCalendar_ = nullptr;
    QPushButton* copyFeed_ = nullptr;
};

}  // namespace yomida::qt
