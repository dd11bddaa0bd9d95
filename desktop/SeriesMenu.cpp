#include "desktop/SeriesMenu.h"

#include <QAction>
#include <QMenu>

#include "app/SeriesActions.h"
#include "desktop/QtText.h"
#include "desktop/SeriesWindow.h"

namespace yomida::qt {
namespace {

// The series' logic and window, living as long as the main window.
class SeriesCommands final : public QObject {
public:
    SeriesCommands(MainWindowLogic& form, QWidget& window, Handler handle)
        : QObject(&window),
          form_(form),
          window_(window),
          handle_(std::move(handle)),
          actions_(form.ui(), form.CurrentSettings(), form.StBar.panels[0]) {}

    void Follow() {
        handle_(
            [this] { actions_.FollowExecute(form_.List.ComboGrid1, form_.Source.DataFilePath()); });
        if (seriesWindow_ != nullptr && seriesWindow_->isVisible()) {
            seriesWindow_->ShowSeries();
        }
    }

    void ShowList() {
        if (seriesWindow_ == nullptr) {
            seriesWindow_ = new SeriesWindow(
                [this] {
                    std::vector<SeriesListRow> rows;
                    form_.Guarded([&] { rows = actions_.Rows(); });
                    return rows;
                },
                [this](const std::string& key) {
                    bool removed = false;
                    handle_([&] { removed = actions_.UnfollowExecute(key); });
                    return removed;
                },
                &window_);
        }
        seriesWindow_->ShowSeries();
    }

private:
    MainWindowLogic& form_;
    QWidget& window_;
    Handler handle_;
    SeriesActions actions_;
    SeriesWindow* seriesWindow_ = nullptr;
};

}  // namespace

void AddSeriesActions(MainWindowLogic& form, QWidget& window, const Handler& handle, QMenu* edit,
                      QMenu* view) {
    auto* commands = new SeriesCommands(form, window, handle);
    if (edit != nullptr) {
        edit->addSeparator();
        QAction* follow = edit->addAction(U("シリーズを追う(&F)"));
        follow->setObjectName(QStringLiteral("SeriesFollow"));
        follow->setStatusTip(U(
            "チェックした行（無ければカーソルの行）のシリーズを追い、次巻をウォッチで知らせます"));
        QObject::connect(follow, &QAction::triggered, commands, [commands] { commands->Follow(); });
    }
    if (view != nullptr) {
        QAction* list = view->addAction(U("シリーズ(&S)"));
        list->setObjectName(QStringLiteral("SeriesList"));
        QObject::connect(list, &QAction::triggered, commands, [commands] { commands->ShowList(); });
    }
}

}  // namespace yomida::qt
