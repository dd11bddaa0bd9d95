#pragma once

#include <QAbstractTableModel>

#include "app/ReleaseList.h"

namespace yomida::qt {

// A table model over the result grid: row 0 of the grid is the header, rows 1 to n the data.
// Cells are converted only when the view asks for them, so a list of any length shows at once.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit GridModel(ReleaseList& list, QObject* parent = nullptr);

    // Tells the views that the grid has been refilled.
    void Refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    // The name a screen reader gives a column header.
    QString AccessibleCaption(int section) const;

    ReleaseList& list_;
    ComboGrid& grid_;
};

}  // namespace yomida::qt
