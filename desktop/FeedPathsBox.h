#pragma once

#include <QGroupBox>
#include <filesystem>

class QLabel;

namespace yomida::qt {

class FeedPathLabel;

// The paths of the watch calendar and feed in the data folder, each with a button that copies
// it, so a calendar program or a feed reader can be pointed at the file. A path too long for its
// place is cut in the middle, so its file name always shows.
class FeedPathsBox final : public QGroupBox {
    Q_OBJECT

public:
    explicit FeedPathsBox(const std::filesystem::path& dataFolder, QWidget* parent = nullptr);
    // Follows the data folder the page edits.
    void SetDataFolder(const std::filesystem::path& dataFolder);

private:
    FeedPathLabel* calendar_ = nullptr;
    FeedPathLabel* feed_ = nullptr;
};

}  // namespace yomida::qt
