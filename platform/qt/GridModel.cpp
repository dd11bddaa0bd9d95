#include "platform/qt/GridModel.h"

#include "platform/qt/QtText.h"

namespace yomida::qt {

GridModel::GridModel(ComboGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}

void GridModel::Refresh() {
    beginResetModel();
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - ComboGrid::kFixedRows;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return FromSjis(grid_.Cell(index.column(), index.row() + ComboGrid::kFixedRows));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return FromSjis(grid_.Cell(section, 0));
    }
    return section + ComboGrid::kFixedRows;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    // Edits live in the grid only; the data file is never changed by them.
    grid_.SetCell(index.column(), index.row() + ComboGrid::kFixedRows, ToSjis(value.toString()));
    emit dataChanged(index, index, {role});
    return true;
}

}  // namespace yomida::qt
