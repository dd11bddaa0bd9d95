#include "desktop/GridModel.h"

#include <QColor>

#include "desktop/QtText.h"
#include "engine/Release.h"
#include "sources/RecordLayout.h"

namespace yomida::qt {

GridModel::GridModel(ReleaseList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), grid_(list.ComboGrid1) {}

void GridModel::Refresh() {
    beginResetModel();
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RecordRowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row() + ComboGrid::kFixedRows;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return FromSjis(ShownCell(grid_, index.column(), row));
        case Qt::TextAlignmentRole: {
            const CellLook look = list_.ComboGrid1AlignCellEvent(index.column(), row);
            const Qt::Alignment horizontal =
                look.alignment == CellAlignment::Center  ? Qt::AlignHCenter
                : look.alignment == CellAlignment::Right ? Qt::AlignRight
                                                         : Qt::AlignLeft;
            return QVariant::fromValue(horizontal | Qt::AlignVCenter);
        }
        case Qt::BackgroundRole:
            if (list_.ComboGrid1AlignCellEvent(index.column(), row).ticked) {
                return QColor(0, 255, 0);
            }
            return {};
        case Qt::ForegroundRole:
            // The green of a ticked row is light: a dark theme's light text would vanish on it.
            if (list_.ComboGrid1AlignCellEvent(index.column(), row).ticked) {
                return QColor(Qt::black);
            }
            return {};
        default:
            return {};
    }
}

QString GridModel::AccessibleCaption(int section) const {
    // "□" says nothing when read out, and before a list is loaded the header is empty.
    if (section == kCheckCol) {
        return QString::fromUtf8("チェック");
    }
    const QString shown = FromSjis(grid_.Cell(section, 0));
    if (!shown.isEmpty()) {
        return shown;
    }
    return FromSjis(HeaderCaptions(ListKind::BooksWithIsbn)).split(QLatin1Char(',')).value(section);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::AccessibleTextRole) {
        return AccessibleCaption(section);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return FromSjis(ShownCell(grid_, section, 0));
    }
    return section + ComboGrid::kFixedRows;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    // The record number is the fixed column and names the record a tick is saved for, and a
    // tick changes only by a click: neither is edited in place.
    if (index.column() == kNumberCol || index.column() == kCheckCol) {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
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
