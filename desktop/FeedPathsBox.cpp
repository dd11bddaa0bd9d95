#include "desktop/FeedPathsBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>

#include "engine/WatchFeeds.h"

namespace yomida::qt {
namespace {

// How long a copy button says that it copied.
constexpr int kCopiedMs = 1500;

// A path as the file system names it. The window's clipboard call takes CP932 text, which
// would turn characters of a path it lacks into "?" and copy a path that names nothing.
QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

// A path shown whole when it fits, else cut in the middle; the tooltip and a screen reader
// have it whole.
class FeedPathLabel final : public QLabel {
public:
    FeedPathLabel() {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setTextFormat(Qt::PlainText);
    }
    const QString& Path() const { return path_; }
    void SetPath(const QString& path) {
        path_ = path;
        // Wide enough for a path of the usual length, with a bound so that a deep folder does
        // not stretch the dialog across the screen.
        const int x = fontMetrics().horizontalAdvance(QLatin1Char('x'));
        const int margins = 2 * frameWidth() + 2 * margin() + x;
        setMinimumWidth(
            std::clamp(fontMetrics().horizontalAdvance(path) + margins, 24 * x, 56 * x));
        setToolTip(path);
        setAccessibleDescription(path);
        Elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() {
        setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, contentsRect().width()));
    }

    QString path_;
};

FeedPathsBox::FeedPathsBox(const std::filesystem::path& dataFolder, QWidget* parent)
    : QGroupBox(QString::fromUtf8("購読用のファイル"), parent) {
    setObjectName(QStringLiteral("FeedPathsBox"));
    setAccessibleName(title());
    auto* grid = new QGridLayout(this);
    const auto row = [this, grid](int r, const char* caption, const char* name,
                                  FeedPathLabel*& path) {
        auto* label = new QLabel(QString::fromUtf8(caption));
        auto* shown = new FeedPathLabel;
        shown->setObjectName(QString::fromUtf8(name) + QStringLiteral("Path"));
        shown->setAccessibleName(label->text());
        path = shown;
        auto* copy = new QPushButton(QString::fromUtf8("コピー"));
        copy->setObjectName(QStringLiteral("Copy") + QString::fromUtf8(name));
        copy->setAccessibleName(label->text() + QString::fromUtf8("をコピー"));
        copy->setAutoDefault(false);
        // Wide enough for both of its words, so the row stays put when it says it copied.
        const QString done = QString::fromUtf8("コピーしました");
        copy->setMinimumWidth(copy->sizeHint().width() +
                              copy->fontMetrics().horizontalAdvance(done) -
                              copy->fontMetrics().horizontalAdvance(copy->text()));
        connect(copy, &QPushButton::clicked, this, [shown, copy, label, done] {
            QApplication::clipboard()->setText(shown->Path());
            copy->setText(done);
            copy->setAccessibleName(label->text() + QString::fromUtf8("をコピーしました"));
            QTimer::singleShot(kCopiedMs, copy, [copy, label] {
                copy->setText(QString::fromUtf8("コピー"));
                copy->setAccessibleName(label->text() + QString::fromUtf8("をコピー"));
            });
        });
        grid->addWidget(label, r, 0);
        grid->addWidget(shown, r, 1);
        grid->addWidget(copy, r, 2);
    };
    row(0, "カレンダー (iCalendar)", "Calendar", calendar_);
    row(1, "新着フィード (Atom)", "Feed", feed_);
    grid->setColumnStretch(1, 1);
    SetDataFolder(dataFolder);
}

void FeedPathsBox::SetDataFolder(const std::filesystem::path& dataFolder) {
    QString calendar;
    QString feed;
    // Before the settings are read there is no folder yet, and nothing to name.
    if (!dataFolder.empty()) {
        const std::filesystem::path folder =
            std::filesystem::absolute(dataFolder).lexically_normal();
        calendar = PathText(folder / kWatchCalendarFile);
        feed = PathText(folder / kWatchFeedFile);
    }
    calendar_->SetPath(calendar);
    feed_->SetPath(feed);
}

}  // namespace yomida::qt
