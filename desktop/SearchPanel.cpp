#include "desktop/SearchPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "desktop/QtText.h"

namespace yomida::qt {
namespace {

// The target period field: exactly as wide as its widest text ("2026年12月" or "12/26-01/01")
// in its own font, plus what its style puts round the text, so no style or font cuts it short.
class PeriodEdit final : public QLineEdit {
public:
    QSize sizeHint() const override {
        const QFontMetricsF metrics(font(), this);
        qreal advance = metrics.horizontalAdvance(text());
        for (const char* widest : {"0000年00月", "00/00-00/00"}) {
            advance = std::max(advance, metrics.horizontalAdvance(QString::fromUtf8(widest)));
        }
        // QLineEdit keeps two pixels free on either side of its text.
        const QMargins margins = textMargins();
        const int width =
            static_cast<int>(std::ceil(advance)) + 4 + margins.left() + margins.right();
        const int height = QLineEdit::sizeHint().height();
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QSize framed =
            style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, 0), this);
        return {framed.width(), height};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

}  // namespace

SearchPanel::SearchPanel(MainWindowLogic& form, Handler handle,
                         std::function<void(int)> openWordEditor, QWidget* parent)
    : QWidget(parent),
      form_(form),
      filter_(form.List.Filter),
      handle_(std::move(handle)),
      openWordEditor_(std::move(openWordEditor)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    BuildSearchBoxes(*grid);

    // Second row: the date filter on the left, period, order and search on the right.
    auto* right = new QHBoxLayout;
    BuildDateFilter(*right);
    right->addStretch(1);
    BuildPeriod(*right);
    BuildOrderAndSearch(*right);

    grid->addLayout(right, 1, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
}

void SearchPanel::BuildSearchBoxes(QGridLayout& grid) {
    const char* labels[3] = {"出版社", "タイトル", "作者名"};
    for (int b = 0; b < 3; ++b) {
        auto* box = new QComboBox;
        box->setObjectName(QStringLiteral("CmbSrch%1").arg(b + 1));
        box->setEditable(true);
        box->setMaxVisibleItems(10);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(6);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        boxes_[static_cast<size_t>(b)] = box;
        box->lineEdit()->installEventFilter(this);
        // The label names the box for a screen reader.
        auto* label = new QLabel(QString::fromUtf8(labels[b]));
        label->setBuddy(box);
        box->setAccessibleName(label->text());
        box->lineEdit()->setAccessibleName(label->text());
        grid.addWidget(label, 0, b * 2);
        grid.addWidget(box, 0, b * 2 + 1);
        // Typing only refreshes the box's hint: a full refresh would move the text cursor.
        connect(box, &QComboBox::editTextChanged, this, [this, b, box](const QString& text) {
            if (pushing_) {
                return;
            }
            filter_.SearchBox(b + 1).text = ToSjis(text);
            BoxChanged(b + 1);
            box->setToolTip(FromSjis(filter_.SearchBox(b + 1).hint));
        });
    }
}

void SearchPanel::BuildDateFilter(QHBoxLayout& row) {
    cbDate_ = new QCheckBox;
    cbDate_->setObjectName(QStringLiteral("CbDate"));
    // Follows the check mark rather than the click: a screen reader toggles it without one.
    connect(cbDate_, &QCheckBox::toggled, this, [this] {
        if (!pushing_) {
            handle_([this] { filter_.CbDateClick(); });
        }
    });
    row.addWidget(cbDate_);
    row.addWidget(BuildDateRange());
}

void SearchPanel::BuildPeriod(QHBoxLayout& row) {
    edtCalen_ = new PeriodEdit;
    edtCalen_->setObjectName(QStringLiteral("EdtCalen"));
    edtCalen_->setReadOnly(true);
    edtCalen_->setAccessibleName(QString::fromUtf8("対象期間"));
    edtCalen_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row.addWidget(edtCalen_);
    auto* upDown = new QVBoxLayout;
    upDown->setSpacing(0);
    for (bool next : {true, false}) {
        auto* arrow = new QToolButton;
        arrow->setObjectName(QString::fromUtf8(next ? "UpDown1Next" : "UpDown1Previous"));
        arrow->setArrowType(next ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(18, 11);
        arrow->setAccessibleName(QString::fromUtf8(next ? "次の期間" : "前の期間"));
        connect(arrow, &QToolButton::clicked, this,
                [this, next] { handle_([this, next] { form_.UpDown1Click(next); }); });
        upDown->addWidget(arrow);
    }
    row.addLayout(upDown);
}

void SearchPanel::BuildOrderAndSearch(QHBoxLayout& row) {
    cmbSort_ = new QComboBox;
    cmbSort_->setObjectName(QStringLiteral("CmbSort"));
    cmbSort_->setAccessibleName(QString::fromUtf8("並び順"));
    // A screen reader on Linux names a combo box by its text and finds what it is for by the
    // label tied to it.
    lblSort_ = new QLabel(QString::fromUtf8("並び順"));
    lblSort_->setBuddy(cmbSort_);
    row.addWidget(lblSort_);
    // The row must hold the date range too at the window's default width, so the order box and
    // the search button take no more room than their texts need.
    cmbSort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbSort_->setMinimumContentsLength(4);
    connect(cmbSort_, &QComboBox::activated, this,
            [this] { handle_([this] { form_.List.CmbSortChange(); }); });
    row.addWidget(cmbSort_);
    btnDsp_ = new QPushButton(QString::fromUtf8("検　索"));
    btnDsp_->setObjectName(QStringLiteral("BtnDsp"));
    btnDsp_->setToolTip(QStringLiteral("Ctrl + F"));
    btnDsp_->setMinimumWidth(btnDsp_->fontMetrics().horizontalAdvance(btnDsp_->text()) + 24);
    btnDsp_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(btnDsp_, &QPushButton::clicked, this,
            [this] { handle_([this] { form_.BtnDspClick(); }); });
    row.addWidget(btnDsp_);
}

QWidget* SearchPanel::BuildDateRange() {
    pnl1_ = new QWidget;
    pnl1_->setObjectName(QStringLiteral("Pnl1"));
    auto* dates = new QHBoxLayout(pnl1_);
    dates->setContentsMargins(0, 0, 0, 0);
    lblDate_ = new QLabel(QString::fromUtf8("日付"));
    lblDate_->setObjectName(QStringLiteral("LblDate"));
    lblDate_->installEventFilter(this);
    sEdtF_ = new QSpinBox;
    sEdtF_->setObjectName(QStringLiteral("SEdtF"));
    sEdtT_ = new QSpinBox;
    sEdtT_->setObjectName(QStringLiteral("SEdtT"));
    sEdtF_->setAccessibleName(QString::fromUtf8("開始日"));
    sEdtT_->setAccessibleName(QString::fromUtf8("終了日"));
    dates->addWidget(lblDate_);
    dates->addWidget(sEdtF_);
    dates->addWidget(new QLabel(QString::fromUtf8("～")));
    dates->addWidget(sEdtT_);
    for (QCheckBox*& marker : markers_) {
        marker = new QCheckBox;
        marker->setObjectName(QStringLiteral("Cb%1").arg(&marker - markers_.data() + 1));
        dates->addWidget(marker);
    }
    dates->addStretch();
    return pnl1_;
}

void SearchPanel::BoxChanged(int box) {
    if (box == 1) {
        filter_.CmbSrch1Change();
    } else if (box == 2) {
        filter_.CmbSrch2Change();
    } else {
        filter_.CmbSrch3Change();
    }
}

void SearchPanel::Pull() {
    for (int b = 1; b <= 3; ++b) {
        filter_.SearchBox(b).text = ToSjis(SearchBox(b)->currentText());
    }
    filter_.CbDate.checked = cbDate_->isChecked();
    filter_.SEdtF.SetValue(sEdtF_->value());
    filter_.SEdtT.SetValue(sEdtT_->value());
    filter_.Cb1.checked = markers_[0]->isChecked();
    filter_.Cb2.checked = markers_[1]->isChecked();
    filter_.Cb3.checked = markers_[2]->isChecked();
    form_.List.CmbSort.itemIndex = cmbSort_->currentIndex();
}

void SearchPanel::Push() {
    pushing_ = true;
    for (int b = 1; b <= 3; ++b) {
        const ComboBox& logic = filter_.SearchBox(b);
        QComboBox* box = SearchBox(b);
        QStringList items;
        for (const std::string& entry : logic.items) {
            items << FromSjis(entry);
        }
        QStringList shown;
        for (int i = 0; i < box->count(); ++i) {
            shown << box->itemText(i);
        }
        const QString text = FromSjis(logic.text);
        const bool changed = box->currentText() != text;
        if (items != shown) {
            box->clear();
            box->addItems(items);
            box->setEditText(text);
        } else if (changed) {
            box->setEditText(text);
        }
        // A text the program puts in the box counts as a change too, so the hint follows it.
        if (changed) {
            BoxChanged(b);
        }
        box->setToolTip(FromSjis(logic.hint));
    }
    cbDate_->setText(FromSjis(filter_.CbDate.caption));
    cbDate_->setChecked(filter_.CbDate.checked);
    // The date range needs the label's room at the window's default width; hidden, the label
    // still names the box to a screen reader. Whichever of the two goes is hidden first, or the
    // window would grow to hold both for a moment and keep that width.
    if (filter_.Pnl1.visible) {
        lblSort_->setVisible(false);
        pnl1_->setVisible(true);
    } else {
        pnl1_->setVisible(false);
        lblSort_->setVisible(true);
    }
    sEdtF_->setRange(filter_.SEdtF.minValue, filter_.SEdtF.maxValue);
    sEdtF_->setValue(filter_.SEdtF.value);
    sEdtT_->setRange(filter_.SEdtT.minValue, filter_.SEdtT.maxValue);
    sEdtT_->setValue(filter_.SEdtT.value);
    const CheckBox* marks[3] = {&filter_.Cb1, &filter_.Cb2, &filter_.Cb3};
    for (size_t i = 0; i < 3; ++i) {
        markers_[i]->setText(FromSjis(marks[i]->caption));
        markers_[i]->setChecked(marks[i]->checked);
    }
    const ComboBox& sort = form_.List.CmbSort;
    if (cmbSort_->count() != static_cast<int>(sort.items.size())) {
        cmbSort_->clear();
        for (const std::string& item : sort.items) {
            cmbSort_->addItem(FromSjis(item));
        }
    }
    cmbSort_->setCurrentIndex(sort.itemIndex);
    edtCalen_->setText(FromSjis(form_.EdtCalen));
    pushing_ = false;
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == lblDate_) {
            handle_([this] { filter_.LblDateDblClick(); });
            return true;
        }
        for (int b = 1; b <= 3; ++b) {
            if (watched == SearchBox(b)->lineEdit()) {
                openWordEditor_(b);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace yomida::qt
