#include "desktop/FeedPathsBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/WatchFeeds.h"

namespace yomida::qt {
namespace {

// A path as the file system names it. The window's clipboard call takes CP932 text, which
// would turn characters of a path it lacks into "?" and copy a path that names nothing.
QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

FeedPathsBox::FeedPathsBox(const std::filesystem::path& dataFolder, QWidget* parent)
    : QGroupBox(QString::fromUtf8("購読用のファイル"), parent) {
    setObjectName(QStringLiteral("FeedPathsBox"));
    setAccessibleName(title());
    auto* grid = new QGridLayout(this);
    const auto row = [this, grid](int r, const char* caption, const char* name, QLineEdit*& edit,
                                  QPushButton*& copy) {
        auto* label = new QLabel(QString::fromUtf8(caption));
        edit = new QLineEdit;
        edit->setObjectName(QString::fromUtf8(name) + QStringLiteral("Path"));
        edit->setReadOnly(true);
        edit->setAccessibleName(label->text());
        label->setBuddy(edit);
        copy = new QPushButton(QString::fromUtf8("コピー"));
        copy->setObjectName(QStringLiteral("Copy") + QString::fromUtf8(name));
        copy->setAccessibleName(label->text() + QString::fromUtf8("をコピー"));
        QLineEdit* shown = edit;
        connect(copy, &QPushButton::clicked, this,
                [shown] { QApplication::clipboard()->setText(shown->text()); });
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
        grid->addWidget(copy, r, 2);
    };
    row(0, "カレンダー (iCalendar)", "Calendar", calendar_, copyCalendar_);
    row(1, "新着フィード (Atom)", "Feed", feed_, copyFeed_);
    grid->setColumnStretch(1, 1);
    SetDataFolder(dataFolder);
}

void FeedPathsBox::SetDataFolder(const std::filesystem::path& dataFolder) {
    // Before the settings are read there is no folder yet, and nothing to name.
    if (dataFolder.empty()) {
        calendar_->clear();
        feed_->clear();
        return;
    }
    const std::filesystem::path folder = std::filesystem::absolute(dataFolder).lexically_normal();
    calendar_->setText(PathText(folder / kWatchCalendarFile));
    feed_->setText(PathText(folder / kWatchFeedFile));
    calendar_->setCursorPosition(0);
    feed_->setCursorPosition(0);
}

}  // namespace yomida::qt
