#include "desktop/HealthWindow.h"

#include <QBrush>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"
#include "sources/Catalogue.h"
#include "text/Messages.h"

namespace yomida::qt {
namespace {

QString Stamp(const std::optional<std::chrono::local_seconds>& stamp) {
    if (!stamp) {
        return QString::fromUtf8("－");
    }
    // "2026-12-08T07:00:00" reads as "2026/12/08 07:00".
    QString text = QString::fromStdString(StampText(*stamp)).left(16);
    text.replace(QLatin1Char('-'), QLatin1Char('/')).replace(QLatin1Char('T'), QLatin1Char(' '));
    return text;
}

}  // namespace

HealthWindow::HealthWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HealthWindow"));
    setWindowTitle(QString::fromUtf8("取得状況"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("HealthNote"));
    note_->setAccessibleName(QString::fromUtf8("取得状況の注意"));
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);

    table_ = new QTableWidget(0, kColumns);
    table_->setObjectName(QStringLiteral("HealthTable"));
    table_->setAccessibleName(QString::fromUtf8("取得状況の一覧"));
    table_->setHorizontalHeaderLabels({QString::fromUtf8("区分"), QString::fromUtf8("最終成功"),
                                       QString::fromUtf8("最終試行"), QString::fromUtf8("結果"),
                                       QString::fromUtf8("件数"), QString::fromUtf8("傾向")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    resize(960, 500);
}

void HealthWindow::ShowHealth(const SourceHealth::Contents& health) {
    note_->setVisible(health.damaged);
    note_->setText(QString::fromStdString(MsgUtf8(Msg::HealthFileDamaged)));
    table_->setRowCount(0);
    for (const CategoryInfo& c : Categories()) {
        const CategoryHealth* h = nullptr;
        for (const CategoryHealth& row : health.rows) {
            if (row.category == c.number) {
                h = &row;
            }
        }
        const int row = table_->rowCount();
        table_->insertRow(row);
        QStringList cells(kColumns);
        cells[kName] = QString::fromUtf8(c.displayName);
        cells[kLastSuccess] = h != nullptr ? Stamp(h->lastSuccess) : QString::fromUtf8("－");
        cells[kLastAttempt] = h != nullptr ? Stamp(h->lastAttempt) : QString::fromUtf8("－");
        cells[kOutcome] = h != nullptr ? FromSjis(OutcomeText(*h)) : QString::fromUtf8("未取得");
        cells[kCount] = h != nullptr && h->count >= 0 ? QString::number(h->count) : QString();
        if (h != nullptr) {
            QString trend = FromSjis(TrendText(*h));
            if (h->previousCount >= 0) {
                trend += QString::fromUtf8("（前の期間 %1件）").arg(h->previousCount);
            }
            if (h->Suspicious()) {
                trend += QString::fromUtf8(" ⚠ ") + FromSjis(SuspiciousText());
            }
            cells[kTrend] = trend;
        }
        for (int col = 0; col < kColumns; ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            if (col == kCount) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (h != nullptr && col == kOutcome && !h->detail.empty()) {
                item->setToolTip(FromSjis(h->detail));
            } else if (col == kTrend) {
                item->setToolTip(cells[col]);
            }
            if (h != nullptr &&
                ((col == kOutcome && h->Failed()) || (col == kTrend && h->Suspicious()))) {
                item->setForeground(QBrush(QColor(200, 30, 30)));
            }
            table_->setItem(row, col, item);
        }
    }
    // Fifteen rows and their trends are taller and wider than a small screen.
    FitBesideParent(*this);
    show();
    raise();
    activateWindow();
}

}  // namespace yomida::qt
