#include "Theme.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>

namespace ombrel::theme {

namespace {

QPalette darkPalette() {
    const QColor window(0x2b, 0x2b, 0x2c);
    const QColor base(0x1f, 0x1f, 0x20);
    const QColor text(0xdc, 0xdc, 0xdc);
    const QColor disabledText(0x74, 0x74, 0x74);

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3b));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, secondaryText());
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x36, 0x36, 0x37));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x48, 0x48, 0x49));
    p.setColor(QPalette::Midlight, QColor(0x3c, 0x3c, 0x3d));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x31));
    p.setColor(QPalette::Dark, QColor(0x1a, 0x1a, 0x1b));
    p.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Highlight, accent());
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent().lighter(130));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x52));
    return p;
}

}  // namespace

void apply(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setPalette(darkPalette());
    // Set explicitly: a desktop without a theme (or another one) still gets these icons.
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths() << QStringLiteral("/usr/share/icons/breeze-dark"));
    QIcon::setThemeName(QStringLiteral("breeze-dark"));
}

QColor accent() { return QColor(0x3d, 0x84, 0xd6); }
QColor primaryText() { return QColor(0xdc, 0xdc, 0xdc); }
QColor secondaryText() { return QColor(0x9a, 0x9a, 0x9c); }
QColor underPage() { return QColor(0x24, 0x24, 0x25); }

QIcon icon(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QIcon found = QIcon::fromTheme(QString::fromLatin1(name));
        if (!found.isNull()) return found;
    }
    // A plain dot: enough to keep a button's shape where no icon theme is installed.
    QPixmap dot(16, 16);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(primaryText());
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, 8, 8));
    return QIcon(dot);
}

}  // namespace ombrel::theme
