#pragma once

#include <QWidget>

namespace ombrel {

// The accent frame around the window's content while a drag with files hovers.
class DropHighlight : public QWidget {
    Q_OBJECT
public:
    explicit DropHighlight(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ombrel
