#pragma once

#include <QWidget>

namespace ombrel {

// A short notice over the preview: bold white text on a dark capsule.
class Badge : public QWidget {
    Q_OBJECT
public:
    Badge(const QString& text, QWidget* parent);

    const QString& text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

}  // namespace ombrel
