#pragma once

#include "CropGeometry.h"

#include <QWidget>

#include <optional>

namespace ombrel {

class AppModel;

// Drawn over the preview while the crop is edited: the picture outside the
// crop darkened, a thirds grid, the border and eight handles. A drag from a
// handle or inside the crop changes it live; each whole drag is one undo step.
class CropOverlay : public QWidget {
    Q_OBJECT
public:
    explicit CropOverlay(AppModel& model, QWidget* parent = nullptr);

    // The picture and the crop in widget coordinates, as drawn.
    crop::Rect pictureRect() const;
    crop::Rect cropRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    crop::Size oriented() const;

    AppModel& model_;
    std::optional<crop::Handle> active_;
    crop::Rect startRect_;
    QPointF pressedAt_;
};

}  // namespace ombrel
