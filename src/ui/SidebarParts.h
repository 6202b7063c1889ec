#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>

namespace ombrel::ui {

// A font of `pixels` in height: the sidebar's type sizes are given in device-
// independent points, which are pixels at a scale of 1.
QFont font(int pixels, QFont::Weight weight = QFont::Normal);

// A thin horizontal line between blocks.
QFrame* divider(QWidget* parent = nullptr);

// A word-wrapped note in the secondary colour.
QLabel* note(const QString& text, int pixels, QWidget* parent = nullptr);

void setTextColor(QWidget* widget, const QColor& color);

// The icon, clearly faded while its button is disabled: the theme's own
// disabled look is hard to tell from the enabled one on a dark panel.
QIcon fadedWhenDisabled(const QIcon& icon, int size);

// A flat button covering its whole row: a chevron that points right when
// closed and down when open, then a title. Clicking it toggles `open`.
class DisclosureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit DisclosureButton(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ombrel::ui
