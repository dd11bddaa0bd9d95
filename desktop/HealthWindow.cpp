#include "desktop/HealthWindow.h"

#include <QBrush>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "desktop/DialogFrame.h"
#include "desktop/QtText.h"
#include "sources/Catalogue.h"
#include "sources/DefinedSources.h"
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

// The relative luminance of the accessibility guidelines, 0 for black to 1 for white.
double Luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `wanted`, moved towards white on a dark background or black on a light one just far enough
// to be read against `background` (a contrast of 4.5:1, what normal text needs).
QColor LegibleOn(const QColor& wanted, const QColor& background) {
    constexpr double kReadable = 4.5;
    const QColor end = Contrast(Qt::white, background) > Contrast(Qt::black, background)
                           ? QColor(Qt::white)
                           : QColor(Qt::black);
    QColor colour = wanted;
    for (int step = 1; step <= 20 && Contrast(colour, background) < kReadable; ++step) {
        const double t = step / 20.0;
        colour.setRgbF(static_cast<float>(wanted.redF() + t * (end.redF() - wanted.redF())),
                       static_cast<float>(wanted.greenF() + t * (end.greenF() - wanted.greenF())),
                       static_cast<float>(wanted.blueF() + t * (end.blueF() - wanted.blueF())));
    }
    return colour;
}

}  // namespace

HealthWindow::HealthWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HealthWindow"));
    setWindowTitle(QString::fromUtf8("取得状況"));
    // The role comes first: naming the window makes its accessible interface, role and all.
    SetWindowRole(*this, QAccessible::Window);
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
    // Rows as tall as their text, so the fifteen categories fit on a small screen.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab goes on to the close button; the arrow keys walk the cells.
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    attribution_ = new QLabel;
    attribution_->setObjectName(QStringLiteral("HealthAttribution"));
    attribution_->setAccessibleName(QString::fromUtf8("取得元の出典"));
    attribution_->setWordWrap(true);
    attribution_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(attribution_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* close = new QPushButton(QString::fromUtf8("閉じる"));
    close->setObjectName(QStringLiteral("HealthClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    resize(960, 500);
}

void HealthWindow::ShowHealth(const SourceHealth::Contents& health) {
    health_ = health;
    Fill();
    // Fifteen rows and their trends are taller and wider than a small screen.
    FitBesideParent(*this);
    show();
    raise();
    activateWindow();
}

void HealthWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The red of a failure is picked for the palette's background: a new theme picks again.
    if (event->type() == QEvent::PaletteChange && table_ != nullptr) {
        Fill();
    }
}

void HealthWindow::Fill() {
    note_->setVisible(health_.damaged);
    note_->setText(QString::fromStdString(MsgUtf8(Msg::HealthFileDamaged)));
    table_->setRowCount(0);
    QStringList attributions;
    for (const CategoryInfo& c : Categories()) {
        const SourceDefinition* definition = FindDefinition(c.number);
        const QString attribution =
            definition != nullptr ? QString::fromStdString(definition->attribution) : QString();
        if (!attribution.isEmpty() && !attributions.contains(attribution)) {
            attributions.push_back(attribution);
        }
        const CategoryHealth* h = nullptr;
        for (const CategoryHealth& row : health_.rows) {
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
            table_->setItem(row, col, Cell(h, col, cells[col]));
        }
        if (!attribution.isEmpty()) {
            table_->item(row, kName)->setToolTip(attribution);
        }
    }
    attribution_->setText(attributions.join(QString::fromUtf8("　")));
    attribution_->setVisible(!attributions.isEmpty());
}

QTableWidgetItem* HealthWindow::Cell(const CategoryHealth* h, int col, const QString& text) const {
    auto* item = new QTableWidgetItem(text);
    if (col == kCount) {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (h != nullptr && col == kOutcome && !h->detail.empty()) {
        // A screen reader says the detail with the cell; the mouse finds it in the tip.
        item->setToolTip(FromSjis(h->detail));
        item->setData(Qt::AccessibleDescriptionRole, FromSjis(h->detail));
    } else if (col == kTrend) {
        item->setToolTip(text);
    }
    if (h != nullptr && ((col == kOutcome && h->Failed()) || (col == kTrend && h->Suspicious()))) {
        item->setForeground(
            QBrush(LegibleOn(QColor(200, 30, 30), table_->palette().color(QPalette::Base))));
    }
    return item;
}

}  // namespace yomida::qt
