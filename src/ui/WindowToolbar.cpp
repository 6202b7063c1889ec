#include "WindowToolbar.h"

#include "Theme.h"

#include "library/AppModel.h"

#include <QLabel>
#include <QToolButton>

namespace ombrel {

namespace {

QToolButton* makeButton(const QString& text, const QIcon& icon, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(icon);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

QFont captionFont(const QWidget* w) {
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    return f;
}

}  // namespace

WindowToolbar::WindowToolbar(AppModel& model, QWidget* parent) : QToolBar(parent), model_(model) {
    setObjectName(QStringLiteral("mainToolbar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(18, 18));
    // Switches that are on read in the accent colour.
    setStyleSheet(QStringLiteral("QToolButton:checked { color: %1; background: rgba(61, 132, 214, 46);"
                                 " border: none; border-radius: 4px; }")
                      .arg(theme::accent().name()));

    auto* open = makeButton(QStringLiteral("Open Folder"), theme::icon({"document-open-folder", "folder-open"}),
                            QStringLiteral("Open a folder of photos (Ctrl+O)"), this);
    open->setObjectName(QStringLiteral("openFolder"));
    connect(open, &QToolButton::clicked, this, &WindowToolbar::openFolderRequested);
    addWidget(open);

    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setFont(captionFont(this));
    QPalette secondary = status_->palette();
    secondary.setColor(QPalette::WindowText, theme::secondaryText());
    status_->setPalette(secondary);
    status_->setMaximumWidth(420);
    status_->setTextFormat(Qt::PlainText);
    addWidget(status_);

    beforeAfter_ = makeButton(QStringLiteral("Before / After"), theme::icon({"view-split-left-right", "view-preview"}),
                              QStringLiteral("Show the original (\\)"), this);
    beforeAfter_->setCheckable(true);
    connect(beforeAfter_, &QToolButton::clicked, this, [this] {
        model_.view()->setShowBefore(!model_.view()->showBefore());
        model_.view()->bumpTick();
    });
    addWidget(beforeAfter_);

    clipping_ = makeButton(QStringLiteral("Clipping"), theme::icon({"data-warning", "dialog-warning"}),
                           QStringLiteral("Show clipped highlights (red) and shadows (blue) (J)"), this);
    clipping_->setCheckable(true);
    connect(clipping_, &QToolButton::clicked, this, [this] {
        model_.view()->setShowClipping(!model_.view()->showClipping());
        model_.view()->bumpTick();
    });
    addWidget(clipping_);

    zoom_ = new QLabel(this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setFont(captionFont(this));
    zoom_->setFixedWidth(44);
    zoom_->setAlignment(Qt::AlignCenter);
    addWidget(zoom_);

    export_ = makeButton(QStringLiteral("Export"), theme::icon({"document-export", "document-share"}),
                         QStringLiteral("Export the selected photos (Ctrl+E)"), this);
    export_->setObjectName(QStringLiteral("export"));
    connect(export_, &QToolButton::clicked, this, [this] { model_.setShowExport(true); });
    addWidget(export_);

    connect(&model_, &AppModel::statusChanged, this, &WindowToolbar::sync);
    connect(&model_, &AppModel::currentIDChanged, this, &WindowToolbar::sync);
    ViewState* view = model_.view();
    connect(view, &ViewState::showBeforeChanged, this, &WindowToolbar::sync);
    connect(view, &ViewState::showClippingChanged, this, &WindowToolbar::sync);
    connect(view, &ViewState::zoomLabelChanged, this, &WindowToolbar::sync);
    sync();
}

void WindowToolbar::sync() {
    const QString status = model_.status();
    status_->setText(status_->fontMetrics().elidedText(status, Qt::ElideRight, status_->maximumWidth()));
    status_->setToolTip(status);
    beforeAfter_->setChecked(model_.view()->showBefore());
    clipping_->setChecked(model_.view()->showClipping());
    zoom_->setText(model_.view()->zoomLabel());
    export_->setEnabled(model_.current().has_value());
}

}  // namespace ombrel
