#pragma once

#include <QFont>
#include <QStyledItemDelegate>

namespace ombrel {

// Draws one filmstrip cell from the roles of FilmstripModel: the picture box
// (thumbnail, flag mark, faded when rejected, outlined when current or
// selected), five rating stars and the file name.
class ThumbCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ThumbCellDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Turns the spinners of cells still waiting for their thumbnail.
    void setSpinnerPhase(int phase) { spinnerPhase_ = phase; }

private:
    QFont nameFont_;
    int spinnerPhase_ = 0;
};

}  // namespace ombrel
