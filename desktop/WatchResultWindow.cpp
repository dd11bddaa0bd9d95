#include "desktop/WatchResultWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"
#include "sources/RecordLayout.h"

namespace yomida::qt {
namespace {

enum Column {
    kDate,
    kCategory,
    kPublisher,
    kTitle,
    kAuthor,
    kPrice,
    kNew,
    kChange,
    kNext,
    kColumns
};

// The name the main window's tree and status bar give the category.
QString CategoryCaption(int number) {
    const CategoryInfo* c = FindCategory(number);
    return c != nullptr ? QString::fromUtf8(c->displayName) : QString::number(number);
}

}  // namespace

WatchResultWindow::WatchResultWindow(std::function<void(const WatchMatch&)> open, QWidget* parent)
    : QWidget(parent, Qt::Window), open_(std::move(open)) {
    setObjectName(QStringLiteral("WatchResultWindow"));
    setWindowTitle(QString::fromUtf8("ウォッチ結果"));
    SetWindowRole(*this, QAccessible::Window);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    newOnly_ = new QCheckBox(QString::fromUtf8("新着のみ表示"));
    newOnly_->setObjectName(QStringLiteral("NewOnly"));
    connect(newOnly_, &QCheckBox::toggled, this, [this] { Fill(); });
    top->addWidget(newOnly_);
    nextOnly_ = new QCheckBox(QString::fromUtf8("次巻のみ表示"));
    nextOnly_->setObjectName(QStringLiteral("NextOnly"));
    nextOnly_->setToolTip(
        QString::fromUtf8("追っているシリーズの、持っている巻より後の巻だけを表示します"));
    connect(nextOnly_, &QCheckBox::toggled, this, [this] { Fill(); });
    top->addWidget(nextOnly_);
    top->addStretch(1);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("WatchCount"));
    top->addWidget(count_);
    layout->addLayout(top);

    table_ = new QTableWidget(0, kColumns);
    table_->setObjectName(QStringLiteral("WatchTable"));
    table_->setAccessibleName(QString::fromUtf8("ウォッチに合った行"));
    table_->setHorizontalHeaderLabels(
        {QString::fromUtf8("発売日"), QString::fromUtf8("区分"), QString::fromUtf8("出版社"),
         QString::fromUtf8("タイトル"), QString::fromUtf8("作者"), QString::fromUtf8("価格"),
         QString::fromUtf8("新"), QString::fromUtf8("変更"), QString::fromUtf8("次巻")});
    table_->verticalHeader()->hide();
    // Rows as tall as their text: more matches in sight.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab goes on to the next control; the arrow keys walk the rows.
    table_->setTabKeyNavigation(false);
    table_->installEventFilter(this);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(kTitle, QHeaderView::Stretch);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OpenRow(row); });
    layout->addWidget(table_, 1);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(760, 420);
}

bool WatchResultWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentRow() >= 0) {
            OpenRow(table_->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WatchResultWindow::OpenRow(int row) {
    const QTableWidgetItem* item = table_->item(row, kDate);
    if (item == nullptr) {
        return;
    }
    // A copy: opening the list may start a new scan that replaces the matches.
    const WatchMatch match = rows_.at(item->data(Qt::UserRole).toULongLong()).match;
    open_(match);
}

void WatchResultWindow::FitToScreen() {
    FitBesideParent(*this);
}

void WatchResultWindow::ShowMatches(const std::vector<WatchMatch>& matches,
                                    const std::vector<WatchChange>& changes) {
    rows_ = WatchResultRows(matches, changes);
    Fill();
    FitToScreen();
    show();
    raise();
    activateWindow();
}

void WatchResultWindow::Fill() {
    const bool onlyNew = newOnly_->isChecked();
    const bool onlyNext = nextOnly_->isChecked();
    table_->setRowCount(0);
    size_t fresh = 0;
    size_t found = 0;
    size_t next = 0;
    size_t freshNext = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const WatchMatch& m = rows_[i].match;
        // A withdrawn title is in no list now: shown, but not counted as a match; nor is a
        // record that is only a next volume.
        found += rows_[i].withdrawn || !m.watched ? 0 : 1;
        // A next volume's news is counted with the next volumes, so each count adds up.
        fresh += m.isNew && !m.isNext ? 1 : 0;
        next += m.isNext ? 1 : 0;
        freshNext += m.isNew && m.isNext ? 1 : 0;
        if ((onlyNew && !m.isNew) || (onlyNext && !m.isNext)) {
            continue;
        }
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[kColumns] = {FromSjis(m.dateText),
                                         CategoryCaption(m.category),
                                         FromSjis(m.Cell(kPublisherCol)),
                                         FromSjis(m.Cell(kTitleCol)),
                                         FromSjis(m.Cell(kAuthorCol)),
                                         FromSjis(m.Cell(kPriceCol)),
                                         m.isNew ? QString::fromUtf8("新") : QString(),
                                         FromSjis(rows_[i].change),
                                         m.isNext ? QString::fromUtf8("次巻") : QString()};
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kPrice) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (c == kNext && m.isNext) {
                item->setToolTip(QString::fromUtf8("%1巻").arg(m.volume));
            }
            table_->setItem(row, c, item);
        }
        table_->item(row, kDate)->setData(Qt::UserRole, static_cast<qulonglong>(i));
    }
    table_->resizeColumnsToContents();
    QString count = QString::fromUtf8("%1件（新着 %2件）").arg(found).arg(fresh);
    if (next > 0) {
        count += QString::fromUtf8("　次巻 %1件（新 %2件）").arg(next).arg(freshNext);
    }
    count_->setText(count);
}

}  // namespace yomida::qt
