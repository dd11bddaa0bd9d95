#include "desktop/SeriesWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"

namespace yomida::qt {

SeriesWindow::SeriesWindow(std::function<std::vector<SeriesListRow>()> rows,
                           std::function<bool(const std::string&)> unfollow, QWidget* parent)
    : QWidget(parent, Qt::Window), rowsOf_(std::move(rows)), unfollow_(std::move(unfollow)) {
    setObjectName(QStringLiteral("SeriesWindow"));
    setWindowTitle(U("シリーズ"));
    SetWindowRole(*this, QAccessible::Window);
    auto* layout = new QVBoxLayout(this);

    table_ = new QTableWidget(0, kColumns);
    table_->setObjectName(QStringLiteral("SeriesTable"));
    table_->setAccessibleName(U("追っているシリーズ"));
    table_->setHorizontalHeaderLabels({U("シリーズ"), U("最新巻"), U("発売日"), U("次巻"),
                                       U("次巻の発売日"), U("次巻の区分"),
                                       U("追い始めたタイトル")});
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* bottom = new QHBoxLayout;
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("SeriesCount"));
    bottom->addWidget(count_);
    bottom->addStretch(1);
    unfollowButton_ = new QPushButton(U("追うのをやめる(&U)"));
    unfollowButton_->setObjectName(QStringLiteral("Unfollow"));
    connect(unfollowButton_, &QPushButton::clicked, this, [this] { UnfollowCurrent(); });
    bottom->addWidget(unfollowButton_);
    auto* close = new QPushButton(U("閉じる"));
    close->setObjectName(QStringLiteral("Close"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(table_, &QTableWidget::currentCellChanged, this,
            [this](int row) { unfollowButton_->setEnabled(row >= 0); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    resize(720, 360);
}

void SeriesWindow::ShowSeries() {
    rows_ = rowsOf_();
    Fill();
    FitBesideParent(*this);
    show();
    raise();
    activateWindow();
}

void SeriesWindow::Fill() {
    table_->setRowCount(0);
    for (const SeriesListRow& s : rows_) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[kColumns] = {
            FromSjis(s.key),      FromSjis(s.last),         FromSjis(s.lastDate), FromSjis(s.next),
            FromSjis(s.nextDate), FromSjis(s.nextCategory), FromSjis(s.title)};
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kLast || c == kNext) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table_->setItem(row, c, item);
        }
    }
    table_->resizeColumnsToContents();
    if (!rows_.empty()) {
        table_->setCurrentCell(0, kKey);
    }
    unfollowButton_->setEnabled(!rows_.empty());
    count_->setText(rows_.empty()
                        ? U("追っているシリーズはありません。ウォッチ結果や検索結果の行を選んで、"
                            "編集 › シリーズを追う で追えます。")
                        : U("%1シリーズ").arg(rows_.size()));
    count_->setWordWrap(rows_.empty());
}

void SeriesWindow::UnfollowCurrent() {
    const int row = table_->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) {
        return;
    }
    unfollow_(rows_[static_cast<size_t>(row)].key);
    // Read again: the command line may have changed the file meanwhile.
    rows_ = rowsOf_();
    Fill();
    if (table_->rowCount() > 0) {
        table_->setCurrentCell(std::min(row, table_->rowCount() - 1), kKey);
    }
}

}  // namespace yomida::qt
