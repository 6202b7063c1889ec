#pragma once

#include <QColor>
#include <QIcon>

class QApplication;

namespace ombrel::theme {

// A neutral dark look: Fusion with colour-free greys and one restrained
// accent, so nothing around a photo tints how its tones are judged.
void apply(QApplication& app);

QColor accent();
QColor primaryText();
QColor secondaryText();
// Behind the filmstrip.
QColor underPage();

// An icon from the freedesktop theme set at start-up, trying each name in
// turn, with a drawn fallback so that a bare desktop still shows something.
QIcon icon(std::initializer_list<const char*> names);

}  // namespace ombrel::theme
