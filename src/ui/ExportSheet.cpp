#include "ExportSheet.h"

#include "SegmentedControl.h"
#include "SidebarParts.h"
#include "Theme.h"

#include "library/AppModel.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace ombrel {
namespace ui {

// One line of text, shortened in the middle to fit, so a long path keeps
// both its start and the folder it ends in.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    void setFullText(const QString& text) {
        full_ = text;
        setToolTip(text);
        updateGeometry();
        update();
    }
    const QString& fullText() const { return full_; }
    QSize minimumSizeHint() const override { return {20, fontMetrics().height()}; }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(full_, Qt::ElideMiddle, width()));
    }

private:
    QString full_;
};

}  // namespace ui

namespace {

constexpr int qualitySteps = 700;  // 0.3...1.0 in steps of 0.001

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(ui::font(11));
    label->setWordWrap(true);
    return label;
}

QLabel* rowLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(ui::font(13));
    return label;
}

std::size_t exportCount(const AppModel& model) {
    PhotoIDs ids = model.selection();
    if (model.currentID()) ids.insert(*model.currentID());
    return ids.size();
}

}  // namespace

ExportSheet::ExportSheet(AppModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("exportSheet"));
    setWindowTitle(QStringLiteral("Export"));
    setWindowModality(Qt::WindowModal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->setSizeConstraint(QLayout::SetFixedSize);

    const std::size_t count = exportCount(model);
    auto* title = new QLabel(QStringLiteral("Export %1 photo%2").arg(count).arg(count == 1 ? "" : "s"), this);
    title->setFont(ui::font(15, QFont::DemiBold));
    // The sheet takes its size from its content: this line makes it 440 wide.
    title->setMinimumWidth(440 - 2 * 20);
    column->addWidget(title);

    auto* formatRow = new QHBoxLayout;
    format_ = new ui::SegmentedControl({"JPEG", "TIFF", "PNG"}, this);
    format_->setObjectName(QStringLiteral("format"));
    formatRow->addWidget(rowLabel(QStringLiteral("Format"), this));
    formatRow->addWidget(format_, 1);
    column->addLayout(formatRow);

    qualityRow_ = new QWidget(this);
    auto* qualityLayout = new QHBoxLayout(qualityRow_);
    qualityLayout->setContentsMargins(0, 0, 0, 0);
    quality_ = new QSlider(Qt::Horizontal, qualityRow_);
    quality_->setObjectName(QStringLiteral("quality"));
    quality_->setRange(0, qualitySteps);
    qualityValue_ = new QLabel(qualityRow_);
    qualityValue_->setFixedWidth(30);
    qualityValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    qualityLayout->addWidget(rowLabel(QStringLiteral("Quality"), qualityRow_));
    qualityLayout->addWidget(quality_, 1);
    qualityLayout->addWidget(qualityValue_);
    column->addWidget(qualityRow_);

    auto* resizeRow = new QHBoxLayout;
    resize_ = new QCheckBox(QStringLiteral("Resize long edge to"), this);
    longEdge_ = new QLineEdit(this);
    longEdge_->setObjectName(QStringLiteral("longEdge"));
    longEdge_->setFixedWidth(70);
    longEdge_->setAlignment(Qt::AlignRight);
    resizeRow->addWidget(resize_);
    resizeRow->addWidget(longEdge_);
    resizeRow->addWidget(rowLabel(QStringLiteral("px"), this));
    resizeRow->addStretch(1);
    column->addLayout(resizeRow);

    auto* spaceRow = new QHBoxLayout;
    space_ = new ui::SegmentedControl({"sRGB", "Display P3"}, this);
    space_->setObjectName(QStringLiteral("colorSpace"));
    spaceRow->addWidget(rowLabel(QStringLiteral("Color space"), this));
    spaceRow->addWidget(space_, 1);
    column->addLayout(spaceRow);

    auto* templateGroup = new QVBoxLayout;
    templateGroup->setSpacing(4);
    auto* templateRow = new QHBoxLayout;
    template_ = new QLineEdit(this);
    template_->setObjectName(QStringLiteral("template"));
    templateRow->addWidget(rowLabel(QStringLiteral("Filename template"), this));
    templateRow->addWidget(template_, 1);
    templateGroup->addLayout(templateRow);
    QLabel* hint = caption(QStringLiteral("Tokens: {name} {n} {date} {rating}"), this);
    ui::setTextColor(hint, theme::secondaryText());
    templateGroup->addWidget(hint);
    column->addLayout(templateGroup);

    auto* destinationRow = new QHBoxLayout;
    destination_ = new ui::ElidedLabel(this);
    destination_->setObjectName(QStringLiteral("destination"));
    destination_->setFont(ui::font(11));
    ui::setTextColor(destination_, theme::secondaryText());
    auto* choose = new QPushButton(QStringLiteral("Choose\u2026"), this);
    choose->setAutoDefault(false);
    destinationRow->addWidget(destination_, 1);
    destinationRow->addWidget(choose);
    column->addLayout(destinationRow);

    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(6);
    summary_ = caption(QString(), this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(progress_);
    column->addWidget(summary_);

    QLabel* note = caption(
        QStringLiteral("Edits are rendered at full resolution from the original; the original file is never changed."),
        this);
    ui::setTextColor(note, theme::secondaryText());
    column->addWidget(note);

    auto* buttons = new QHBoxLayout;
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    export_ = new QPushButton(QStringLiteral("Export"), this);
    export_->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(export_);
    column->addLayout(buttons);

    // Shown with the initial options; an earlier export's summary is not shown again.
    model.exportProgress()->setMessage({});
    if (const std::optional<Photo> current = model.current()) {
        opts_.destination = current->url.parent_path() / "Ombrel Export";
    }
    quality_->setValue(static_cast<int>(std::lround((opts_.quality - 0.3) / 0.7 * qualitySteps)));
    resize_->setChecked(opts_.resize);
    longEdge_->setText(QLocale().toString(opts_.longEdge));
    template_->setText(QString::fromStdString(opts_.nameTemplate));

    connect(format_, &ui::SegmentedControl::chosen, this, [this](int index) {
        opts_.format = exportFormatLabels.cases()[static_cast<std::size_t>(index)];
        refresh();
    });
    connect(quality_, &QSlider::valueChanged, this, [this](int position) {
        opts_.quality = 0.3 + 0.7 * position / qualitySteps;
        refresh();
    });
    connect(resize_, &QCheckBox::toggled, this, [this](bool on) {
        opts_.resize = on;
        refresh();
    });
    connect(longEdge_, &QLineEdit::editingFinished, this, &ExportSheet::commitLongEdge);
    connect(space_, &ui::SegmentedControl::chosen, this, [this](int index) { opts_.displayP3 = index == 1; });
    connect(template_, &QLineEdit::textEdited, this, [this](const QString& text) { opts_.nameTemplate = text.toStdString(); });
    connect(choose, &QPushButton::clicked, this, &ExportSheet::chooseFolder);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(export_, &QPushButton::clicked, this, [this] {
        commitLongEdge();
        if (!opts_.destination || model_.exportProgress()->running()) return;
        model_.exportProgress()->setMessage({});
        model_.exportTargets(opts_);
    });
    ExportProgress* progress = model.exportProgress();
    for (auto signal : {&ExportProgress::doneChanged, &ExportProgress::totalChanged, &ExportProgress::runningChanged,
                        &ExportProgress::messageChanged}) {
        connect(progress, signal, this, &ExportSheet::refresh);
    }
    refresh();
}

void ExportSheet::setDestination(std::optional<std::filesystem::path> folder) {
    opts_.destination = std::move(folder);
    refresh();
}

void ExportSheet::chooseFolder() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Choose a destination folder"));
    dialog->setObjectName(QStringLiteral("chooseFolder"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (opts_.destination) dialog->setDirectory(QString::fromStdString(opts_.destination->parent_path().string()));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& folder) {
        setDestination(folder.isEmpty() ? std::nullopt : std::optional(std::filesystem::path(folder.toStdString())));
    });
    dialog->open();
}

// Text that is not a whole number of at least 1 never reaches the options:
// the field shows the last valid number again.
void ExportSheet::commitLongEdge() {
    bool ok = false;
    const int value = QLocale().toInt(longEdge_->text().trimmed(), &ok);
    if (ok && value >= 1) opts_.longEdge = value;
    longEdge_->setText(QLocale().toString(opts_.longEdge));
}

void ExportSheet::refresh() {
    const ExportProgress& progress = *model_.exportProgress();
    format_->setCurrent(static_cast<int>(opts_.format));
    qualityRow_->setVisible(opts_.format == ExportFormat::jpeg);
    qualityValue_->setText(QString::number(static_cast<int>(opts_.quality * 100)));
    longEdge_->setEnabled(opts_.resize);
    space_->setCurrent(opts_.displayP3 ? 1 : 0);
    destination_->setFullText(opts_.destination ? QString::fromStdString(opts_.destination->string())
                                                : QStringLiteral("No destination chosen"));
    progress_->setVisible(progress.running());
    progress_->setMaximum(std::max(progress.total(), 1));
    progress_->setValue(progress.done());
    summary_->setVisible(!progress.running() && !progress.message().isEmpty());
    summary_->setText(progress.message());
    export_->setEnabled(opts_.destination.has_value() && !progress.running());
}

}  // namespace ombrel
