#pragma once
// The song window's lines for its list view, read from the model's song lines as the view asks for
// the rows it shows: a queue of 100,000 songs makes no item and no text per line up front. The
// rows are counted when the lines change (Reset); a row asked for after the lines have shrunk
// without a Reset is empty.

#include <QAbstractListModel>

#include "app/SongLineList.h"

namespace korva {

class SongLinesModel final : public QAbstractListModel {
  public:
    SongLinesModel(const SongLineList& lines, QObject* parent);

    // The lines have changed: every row is read again.
    void Reset();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    const SongLineList& lines_;
    int rows_ = 0;
};

}  // namespace korva
