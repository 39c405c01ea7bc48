#include "ui/SongLinesModel.h"

#include <climits>
#include <string>

#include "ui/QtText.h"

namespace korva {

SongLinesModel::SongLinesModel(const SongLineList& lines, QObject* parent)
    : QAbstractListModel(parent), lines_(lines) {
    Reset();
}

void SongLinesModel::Reset() {
    beginResetModel();
    rows_ = static_cast<int>(std::min<std::size_t>(lines_.size(), INT_MAX));
    endResetModel();
}

int SongLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant SongLinesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_)
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= lines_.size())
        return QString();
    std::string line;
    lines_.AppendTo(row, line);
    return FromSjis(line);
}

}  // namespace korva
