#include "desktop/SetupDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "desktop/DialogFrame.h"
#include "desktop/FeedPathsBox.h"
#include "desktop/QtText.h"

namespace yomida::qt {

SetupDialog::SetupDialog(SetupForm& logic, Ui& ui, QWidget* parent)
    : QDialog(parent), logic_(logic), ui_(ui) {
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(U("YOMIDA セットアップ"));
    auto* layout = new QVBoxLayout(this);
    SetFixedBorder(*this);
    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("PageControl1"));
    // All five page tabs stay in sight; the dialog is as wide as they need.
    pages_->tabBar()->setUsesScrollButtons(false);
    connect(pages_, &QTabWidget::currentChanged, this, [this] { CheckSchedule(); });
    layout->addWidget(pages_);

    QWidget* widgets[] = {BuildFontPage(), BuildBooksPage(), BuildProxyPage(),
                          BuildDialPage(), BuildOtherPage(), BuildTimerPage()};
    for (int i = 0; i < 6; ++i) {
        pages_->addTab(widgets[i], U(SetupForm::kPages[i]));
    }
    layout->addLayout(BuildButtons());
}

QWidget* SetupDialog::BuildFontPage() {
    auto* font = new QWidget;
    auto* fontForm = new QFormLayout(font);
    fontName_ = new QLineEdit;
    fontName_->setObjectName(QStringLiteral("EdtFontName"));
    fontName_->setReadOnly(true);
    fontSize_ = new QLineEdit;
    fontSize_->setObjectName(QStringLiteral("EdtFontSize"));
    fontSize_->setReadOnly(true);
    auto* change = new QPushButton(U("変更"));
    change->setObjectName(QStringLiteral("BtnFntChng"));
    // Return in the dialog means ＯＫ, never a change of the font.
    change->setAutoDefault(false);
    connect(change, &QPushButton::clicked, this, [this] {
        Pull();
        RunGuarded(ui_, [this] {
            if (const std::optional<FontChoice> chosen = ui_.FontDialog(logic_.CurrentFont())) {
                logic_.TakeFont(*chosen);
            }
        });
        Push();
    });
    fontForm->addRow(U("ﾌｫﾝﾄ名称"), fontName_);
    fontForm->addRow(U("ﾌｫﾝﾄｻｲｽﾞ"), fontSize_);
    fontForm->addRow(QString(), change);
    return font;
}

QWidget* SetupDialog::BuildBooksPage() {
    auto* books = new QWidget;
    auto* booksForm = new QFormLayout(books);
    syoDate_ = new QDateEdit;
    syoDate_->setObjectName(QStringLiteral("EdtSyoDate"));
    syoDate_->setCalendarPopup(true);
    syoDate_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    syoNo_ = new QLineEdit;
    syoNo_->setObjectName(QStringLiteral("EdtSyoNo"));
    listId_ = new QLineEdit;
    listId_->setObjectName(QStringLiteral("EdtListId"));
    booksForm->addRow(U("開始日付"), syoDate_);
    booksForm->addRow(U("開始番号"), syoNo_);
    booksForm->addRow(U("まんがの森「listid=1」の年月"), listId_);
    return books;
}

QWidget* SetupDialog::BuildProxyPage() {
    auto* proxy = new QWidget;
    auto* proxyForm = new QFormLayout(proxy);
    proxy_ = new QLineEdit;
    proxy_->setObjectName(QStringLiteral("EdtPROXY"));
    port_ = new QLineEdit;
    port_->setObjectName(QStringLiteral("EdtPORT"));
    proxyForm->addRow(U("ｻｰﾊﾞｰｱﾄﾞﾚｽ"), proxy_);
    proxyForm->addRow(U("ﾎﾟｰﾄ番号"), port_);
    direct_ = new QCheckBox(U("直接取得する"));
    direct_->setObjectName(QStringLiteral("CbxDirect"));
    direct_->setToolTip(U("まんが王倶楽部の発売日一覧をブラウザを使わずに取得します"));
    proxyForm->addRow(QString(), direct_);
    return proxy;
}

QWidget* SetupDialog::BuildDialPage() {
    auto* dial = new QWidget;
    auto* dialLayout = new QVBoxLayout(dial);
    dialUp_ = new QCheckBox(U("終了時にダイアルアップの切断をする"));
    dialUp_->setObjectName(QStringLiteral("CbxDialUp"));
    dialLayout->addWidget(dialUp_);
    dialLayout->addStretch();
    return dial;
}

QWidget* SetupDialog::BuildOtherPage() {
    auto* other = new QWidget;
    auto* otherLayout = new QVBoxLayout(other);
    check_ = new QCheckBox(U("チェックを常に保存する"));
    check_->setObjectName(QStringLiteral("CbxCheck"));
    header_ = new QCheckBox(U("データファイルの更新チェックをする"));
    header_->setObjectName(QStringLiteral("CbxHeader"));
    header_->setEnabled(false);
    otherLayout->addWidget(check_);
    otherLayout->addWidget(header_);
    otherLayout->addStretch();
    return other;
}

QWidget* SetupDialog::BuildTimerPage() {
    auto* timer = new QWidget;
    auto* timerForm = new QFormLayout(timer);
    schedule_ = new QCheckBox(U("自動更新する"));
    schedule_->setObjectName(QStringLiteral("CbxSchedule"));
    schedule_->setToolTip(U("毎日決まった時刻に発売日一覧を更新します（systemd のタイマー）"));
    hour_ = new QSpinBox;
    hour_->setObjectName(QStringLiteral("SpnHour"));
    hour_->setRange(0, 23);
    hour_->setSuffix(U(" 時"));
    alarm_ = new QCheckBox(U("前日9時に通知（カレンダー）"));
    alarm_->setObjectName(QStringLiteral("CbxAlarm"));
    timerForm->addRow(QString(), schedule_);
    scheduleUnavailable_ = new QLabel;
    scheduleUnavailable_->setObjectName(QStringLiteral("ScheduleUnavailable"));
    scheduleUnavailable_->setWordWrap(true);
    scheduleUnavailable_->setTextFormat(Qt::PlainText);
    scheduleUnavailable_->hide();
    timerForm->addRow(QString(), scheduleUnavailable_);
    timerForm->addRow(U("更新する時刻"), hour_);
    timerForm->addRow(QString(), alarm_);
    feeds_ = new FeedPathsBox(logic_.DataFolder());
    timerForm->addRow(feeds_);
    // The hour means something only while the update is on, and can be switched.
    connect(schedule_, &QCheckBox::toggled, hour_,
            [this](bool on) { hour_->setEnabled(on && scheduleAvailable_); });
    return timer;
}

QHBoxLayout* SetupDialog::BuildButtons() {
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(U("ＯＫ"));
    ok->setObjectName(QStringLiteral("BtnOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(U("ｷｬﾝｾﾙ"));
    cancel->setObjectName(QStringLiteral("BtnCANCEL"));
    cancel->setAutoDefault(false);
    auto* help = new QPushButton(U("ヘルプ"));
    help->setObjectName(QStringLiteral("BtnHelp"));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [this] {
        logic_.PageIndex = pages_->currentIndex();
        logic_.BtnHelpClick();
    });
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &SetupDialog::Ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void SetupDialog::Prepare() {
    logic_.FormShow();
    scheduleChecked_ = false;
    scheduleAvailable_ = true;
    scheduleUnavailable_->hide();
    Push();
    CheckSchedule();
}

void SetupDialog::CheckSchedule() {
    if (scheduleChecked_ || pages_->currentWidget() != schedule_->parentWidget()) {
        return;
    }
    scheduleChecked_ = true;
    const std::string why = scheduleCheck_ ? scheduleCheck_() : std::string();
    scheduleAvailable_ = why.empty();
    scheduleUnavailable_->setText(QString::fromStdString(why));
    scheduleUnavailable_->setVisible(!scheduleAvailable_);
    // Left as it is, the switch is never handed to a user manager that is not there.
    schedule_->setEnabled(scheduleAvailable_);
    hour_->setEnabled(scheduleAvailable_ && schedule_->isChecked());
}

int SetupDialog::Run() {
    Prepare();
    const int result = exec();
    logic_.PageIndex = pages_->currentIndex();
    return result;
}

void SetupDialog::Ok() {
    Pull();
    bool done = false;
    RunGuarded(ui_, [this, &done] {
        if (const Result<void> taken = logic_.BtnOKClick(); !taken) {
            ui_.ShowWarning(taken.ErrorText());
        }
        done = true;
    });
    if (done) {
        accept();
    }
}

void SetupDialog::Push() {
    const SetupForm& s = logic_;
    feeds_->SetDataFolder(s.DataFolder());
    fontName_->setText(FromSjis(s.EdtFontName));
    fontSize_->setText(FromSjis(s.EdtFontSize));
    syoDate_->setDate(QDate(static_cast<int>(s.EdtSyoDate.year()),
                            static_cast<int>(static_cast<unsigned>(s.EdtSyoDate.month())),
                            static_cast<int>(static_cast<unsigned>(s.EdtSyoDate.day()))));
    syoNo_->setText(FromSjis(s.EdtSyoNo));
    listId_->setText(FromSjis(s.EdtListId));
    proxy_->setText(FromSjis(s.EdtPROXY));
    port_->setText(FromSjis(s.EdtPORT));
    dialUp_->setChecked(s.CbxDialUp);
    direct_->setChecked(s.CbxDirect);
    check_->setChecked(s.CbxCheck);
    header_->setChecked(s.CbxHeader);
    schedule_->setChecked(s.CbxSchedule);
    hour_->setEnabled(s.CbxSchedule && scheduleAvailable_);
    hour_->setValue(s.SpnHour);
    alarm_->setChecked(s.CbxAlarm);
    pages_->setCurrentIndex(s.PageIndex);
}

void SetupDialog::Pull() {
    SetupForm& s = logic_;
    // The page in use stays in front when the dialog is refreshed after 変更.
    s.PageIndex = pages_->currentIndex();
    s.EdtFontName = ToSjis(fontName_->text());
    s.EdtFontSize = ToSjis(fontSize_->text());
    const QDate d = syoDate_->date();
    s.EdtSyoDate = std::chrono::year_month_day{std::chrono::year{d.year()},
                                               std::chrono::month{static_cast<unsigned>(d.month())},
                                               std::chrono::day{static_cast<unsigned>(d.day())}};
    s.EdtSyoNo = ToSjis(syoNo_->text());
    s.EdtListId = ToSjis(listId_->text());
    s.EdtPROXY = ToSjis(proxy_->text());
    s.EdtPORT = ToSjis(port_->text());
    s.CbxDialUp = dialUp_->isChecked();
    s.CbxDirect = direct_->isChecked();
    s.CbxCheck = check_->isChecked();
    s.CbxHeader = header_->isChecked();
    s.CbxSchedule = schedule_->isChecked();
    s.SpnHour = hour_->value();
    s.CbxAlarm = alarm_->isChecked();
}

}  // namespace yomida::qt
