#include "Sidebar.h"

#include "ActionBar.h"
#include "AdjSlider.h"
#include "CropAspect.h"
#include "CurveEditor.h"
#include "HistogramView.h"
#include "InfoBlock.h"
#include "SectionBox.h"
#include "SegmentedControl.h"
#include "SidebarParts.h"
#include "Theme.h"

#include "library/AppModel.h"
#include "model/SupportedFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace ombrel {
namespace {

using Scalar = EditField::Scalar;

QGradientStops gradient(QColor from, QColor to) { return {{0.0, from}, {1.0, to}}; }

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// The icon in one flat colour: the eyedropper shows its state this way.
QIcon tinted(const QIcon& icon, const QColor& color) {
    QPixmap pixmap = icon.pixmap(32, 32);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    return QIcon(pixmap);
}

QToolButton* iconButton(std::initializer_list<const char*> icons, const QString& tip, const QString& name,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(theme::icon(icons));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(tip);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(ui::font(11, QFont::Medium));
    return label;
}

std::string newKey(const char* prefix) { return prefix + Uuid::generate().toString(); }

}  // namespace

Sidebar::Sidebar(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("sidebar"));
    setFixedWidth(columnWidth);
    setAutoFillBackground(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(10, 10, 10, 10);
    topLayout->setSpacing(8);
    histogram_ = new HistogramView(model, top);
    actionBar_ = new ActionBar(model, top);
    topLayout->addWidget(histogram_);
    topLayout->addWidget(actionBar_);
    column->addWidget(top);
    column->addWidget(ui::divider(this));

    pages_ = new QStackedWidget(this);
    auto* empty = new QLabel(QStringLiteral("Open a folder to start editing"), pages_);
    empty->setAlignment(Qt::AlignCenter);
    empty->setFont(ui::font(12));
    ui::setTextColor(empty, theme::secondaryText());
    pages_->addWidget(empty);

    scroll_ = new QScrollArea(pages_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    list_ = new QWidget(scroll_);
    auto* listLayout = new QVBoxLayout(list_);
    listLayout->setContentsMargins(10, 10, 10, 10);
    listLayout->setSpacing(8);
    scroll_->setWidget(list_);
    pages_->addWidget(scroll_);
    column->addWidget(pages_, 1);

    buildBasic();
    SectionBox* curve = addSection(Section::curve, true);
    curveEditor_ = new CurveEditor(model, curve);
    curve->content()->addWidget(curveEditor_);
    connect(curve, &SectionBox::openChanged, this, [this](bool open) {
        if (!open) curveEditor_->resetChannel();
    });
    buildHsl();
    buildDetail();
    buildLens();
    buildCrop();
    buildRaw();
    info_ = new InfoBlock(model, list_);
    listLayout->addWidget(info_);
    listLayout->addWidget(ui::note(
        QStringLiteral("RAW files are decoded by LibRaw, not the camera maker's own software, so colour, tone and "
                       "noise handling can look different. Everything runs on this computer; nothing is uploaded, "
                       "and original files are never modified."),
        10, list_));
    listLayout->addStretch(1);

    connect(model.edit(), &EditState::settingsChanged, this, &Sidebar::refresh);
    connect(model.edit(), &EditState::rawDefaultsChanged, this, [this] {
        const RawOptions& defaults = model_.edit()->rawDefaults();
        rawSliders_[0]->setResetValue(100 * defaults.lumNR.value_or(0));
        rawSliders_[1]->setResetValue(100 * defaults.colorNR.value_or(0));
        rawSliders_[2]->setResetValue(100 * defaults.moire.value_or(0));
        refresh();
    });
    connect(model.view(), &ViewState::eyedropperChanged, this, &Sidebar::refresh);
    connect(model.view(), &ViewState::cropEditingChanged, this, &Sidebar::refresh);
    connect(&model, &AppModel::currentIDChanged, this, &Sidebar::showPhoto);
    connect(&model, &AppModel::photosChanged, this, &Sidebar::showPhoto);
    showPhoto();
    refresh();
}

SectionBox* Sidebar::section(Section section) const {
    for (SectionBox* box : sections_) {
        if (box->section() == section) return box;
    }
    return nullptr;
}

SectionBox* Sidebar::addSection(Section section, bool open) {
    auto* box = new SectionBox(section, model_, open, list_);
    list_->layout()->addWidget(box);
    sections_.push_back(box);
    return box;
}

AdjSlider* Sidebar::addSlider(SectionBox* box, AdjSlider* slider) {
    box->content()->addWidget(slider);
    sliders_.push_back(slider);
    slider->slider()->installEventFilter(this);
    return slider;
}

// The wheel over a control that the user has not clicked scrolls the panel:
// scrolling through the sections must never change an edit by accident.
bool Sidebar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
        QCoreApplication::sendEvent(scroll_->verticalScrollBar(), event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Sidebar::buildBasic() {
    SectionBox* box = addSection(Section::basic, true);

    auto* wbRow = new QHBoxLayout;
    wbRow->addWidget(heading(QStringLiteral("White balance"), box));
    wbRow->addStretch(1);
    auto* picker = iconButton({"color-picker"}, QStringLiteral("Click a neutral grey area in the photo to set the white balance"),
                              QStringLiteral("eyedropper"), box);
    picker->setCheckable(true);
    wbRow->addWidget(picker);
    box->content()->addLayout(wbRow);
    connect(picker, &QToolButton::clicked, this, [this] { model_.view()->setEyedropper(!model_.view()->eyedropper()); });
    const QIcon pickerIcon = theme::icon({"color-picker"});
    const QIcon picking = tinted(pickerIcon, theme::accent()), idle = tinted(pickerIcon, theme::primaryText());
    refreshers_.push_back([this, picker, picking, idle] {
        const bool on = model_.view()->eyedropper();
        const QSignalBlocker blocker(picker);
        picker->setChecked(on);
        picker->setIcon(on ? picking : idle);
    });

    const struct {
        const char* title;
        Scalar field;
        double min, max;
        const char* format;
    } rows[] = {
        {"Temperature", Scalar::temperature, -100, 100, "%.0f"}, {"Tint", Scalar::tint, -100, 100, "%.0f"},
        {"Exposure", Scalar::exposure, -4, 4, "%+.2f"},          {"Contrast", Scalar::contrast, -100, 100, "%.0f"},
        {"Highlights", Scalar::highlights, -100, 100, "%.0f"},   {"Shadows", Scalar::shadows, -100, 100, "%.0f"},
        {"Whites", Scalar::whites, -100, 100, "%.0f"},           {"Blacks", Scalar::blacks, -100, 100, "%.0f"},
        {"Vibrance", Scalar::vibrance, -100, 100, "%.0f"},       {"Saturation", Scalar::saturation, -100, 100, "%.0f"},
    };
    for (const auto& row : rows) {
        AdjSlider* slider = addSlider(box, new AdjSlider(row.title, row.min, row.max, 0, row.format,
                                                         model_.binding(EditField::scalar(row.field)), box));
        if (row.field == Scalar::temperature) {
            slider->setTrack(gradient(withAlpha(QColor(10, 132, 255), 0.5), withAlpha(QColor(255, 214, 10), 0.5)));
        } else if (row.field == Scalar::tint) {
            slider->setTrack(gradient(withAlpha(QColor(48, 209, 88), 0.4), withAlpha(QColor(255, 55, 95), 0.4)));
        }
        if (row.field == Scalar::tint || row.field == Scalar::blacks) box->content()->addWidget(ui::divider(box));
    }
}

void Sidebar::buildHsl() {
    SectionBox* box = addSection(Section::hsl, false);
    hslPicker_ = new ui::SegmentedControl({"Hue", "Saturation", "Luminance"}, box);
    hslPicker_->setObjectName(QStringLiteral("hslMode"));
    box->content()->addWidget(hslPicker_);
    for (std::size_t band = 0; band < hslBandCount; ++band) {
        const QString title = QString::fromUtf8(hslBandLabels[band].data(), hslBandLabels[band].size());
        const FieldBinding binding = model_.binding(EditField::hsl(EditField::HslList::hue, band));
        AdjSlider* slider = addSlider(box, new AdjSlider(title, -100, 100, 0, "%.0f", binding, box));
        const QColor color = QColor::fromHsvF(static_cast<float>(hslBandCentres[band] / 360), 0.7f, 0.9f, 0.6f);
        slider->setTrack(gradient(color, color));
        hslSliders_.push_back(slider);
    }
    connect(hslPicker_, &ui::SegmentedControl::chosen, this, &Sidebar::setHslMode);
}

void Sidebar::setHslMode(int mode) {
    const EditField::HslList list =
        mode == 0 ? EditField::HslList::hue : mode == 1 ? EditField::HslList::sat : EditField::HslList::lum;
    for (std::size_t band = 0; band < hslSliders_.size(); ++band) {
        const FieldBinding binding = model_.binding(EditField::hsl(list, band));
        hslSliders_[band]->setSource([binding] { return binding.value(); }, [binding](double v) { binding.setValue(v); });
    }
}

void Sidebar::buildDetail() {
    SectionBox* box = addSection(Section::detail, false);
    box->content()->addWidget(heading(QStringLiteral("Sharpening"), box));
    addSlider(box, new AdjSlider("Amount", 0, 150, 0, "%.0f", model_.binding(EditField::scalar(Scalar::sharpAmount)), box));
    addSlider(box, new AdjSlider("Radius", 0.5, 3, 1, "%.1f", model_.binding(EditField::scalar(Scalar::sharpRadius)), box));
    box->content()->addWidget(ui::divider(box));
    box->content()->addWidget(heading(QStringLiteral("Noise reduction"), box));
    addSlider(box, new AdjSlider("Luminance", 0, 100, 0, "%.0f", model_.binding(EditField::scalar(Scalar::lumNR)), box));
    addSlider(box, new AdjSlider("Color", 0, 100, 0, "%.0f", model_.binding(EditField::scalar(Scalar::colorNR)), box));
}

void Sidebar::buildLens() {
    SectionBox* box = addSection(Section::lens, false);
    addSlider(box, new AdjSlider("Vignette", -100, 100, 0, "%.0f", model_.binding(EditField::scalar(Scalar::vignette)), box));
    addSlider(box,
              new AdjSlider("Distortion", -100, 100, 0, "%.0f", model_.binding(EditField::scalar(Scalar::distortion)), box));
}

void Sidebar::buildCrop() {
    SectionBox* box = addSection(Section::crop, false);
    box->content()->setSpacing(8);

    auto* first = new QHBoxLayout;
    auto* edit = new QPushButton(QStringLiteral("Edit crop"), box);
    edit->setObjectName(QStringLiteral("editCrop"));
    edit->setFont(ui::font(11));
    edit->setFocusPolicy(Qt::TabFocus);
    auto* aspect = new QComboBox(box);
    aspect->installEventFilter(this);
    aspect->setObjectName(QStringLiteral("aspect"));
    aspect->setFixedWidth(100);
    aspect->setFont(ui::font(11));
    aspect->setFocusPolicy(Qt::StrongFocus);
    for (std::string_view choice : cropAspectChoices) aspect->addItem(QString::fromUtf8(choice.data(), choice.size()));
    auto* swap = iconButton({"rotation-allowed", "object-rotate-right"}, QStringLiteral("Swap landscape / portrait"),
                            QStringLiteral("swapAspect"), box);
    first->addWidget(edit);
    first->addStretch(1);
    first->addWidget(aspect);
    first->addWidget(swap);
    box->content()->addLayout(first);

    addSlider(box, new AdjSlider("Straighten", -45, 45, 0, "%.1f\u00B0", model_.binding(EditField::scalar(Scalar::cropAngle)),
                                 box));

    auto* second = new QHBoxLayout;
    second->setSpacing(2);
    auto* left = iconButton({"object-rotate-left"}, QStringLiteral("Rotate left"), QStringLiteral("rotateLeft"), box);
    auto* right = iconButton({"object-rotate-right"}, QStringLiteral("Rotate right"), QStringLiteral("rotateRight"), box);
    auto* flipH = iconButton({"object-flip-horizontal"}, QStringLiteral("Flip horizontally"), QStringLiteral("flipH"), box);
    auto* flipV = iconButton({"object-flip-vertical"}, QStringLiteral("Flip vertically"), QStringLiteral("flipV"), box);
    flipH->setCheckable(true);
    flipV->setCheckable(true);
    for (QToolButton* button : {left, right, flipH, flipV}) second->addWidget(button);
    second->addStretch(1);
    box->content()->addLayout(second);

    connect(edit, &QPushButton::clicked, this, [this] {
        // Entering or leaving crop editing always shows the whole edited photo, fitted.
        ViewState& view = *model_.view();
        view.setCropEditing(!view.cropEditing());
        view.setShowBefore(false);
        view.setZoom(1);
        view.setPan(QSizeF(0, 0));
        view.setZoomLabel(QStringLiteral("Fit"));
        view.bumpTick();
    });
    connect(aspect, &QComboBox::activated, this,
            [this, aspect](int index) { setAspect(aspect->itemText(index).toStdString(), false); });
    connect(swap, &QToolButton::clicked, this, [this] {
        // A fixed key: quick repeated swaps are one undo step; the re-lock after it is its own.
        model_.mutate("aspect-swap", [](EditSettings& s) { s.crop.aspectSwapped = !s.crop.aspectSwapped; });
        setAspect(model_.edit()->settings().crop.aspect, true);
    });
    const auto turn = [this](const char* prefix, int quarters) {
        model_.mutate(newKey(prefix), [quarters](EditSettings& s) { ombrel::turn(s.crop, quarters); });
    };
    connect(left, &QToolButton::clicked, this, [turn] { turn("rot-l-", 3); });
    connect(right, &QToolButton::clicked, this, [turn] { turn("rot-r-", 1); });
    connect(flipH, &QToolButton::toggled, this,
            [this](bool on) { model_.mutate(newKey("flipH-"), [on](EditSettings& s) { s.crop.flipH = on; }); });
    connect(flipV, &QToolButton::toggled, this,
            [this](bool on) { model_.mutate(newKey("flipV-"), [on](EditSettings& s) { s.crop.flipV = on; }); });

    refreshers_.push_back([this, edit, aspect, flipH, flipV] {
        const CropSettings& crop = model_.edit()->settings().crop;
        edit->setText(model_.view()->cropEditing() ? QStringLiteral("Done") : QStringLiteral("Edit crop"));
        const QSignalBlocker a(aspect), h(flipH), v(flipV);
        aspect->setCurrentIndex(aspect->findText(QString::fromStdString(crop.aspect)));
        flipH->setChecked(crop.flipH);
        flipV->setChecked(crop.flipV);
    });
}

void Sidebar::setAspect(const std::string& aspect, bool keepSwap) {
    std::optional<crop::Size> fullSize;
    if (const auto& proxy = model_.proxy()) fullSize = crop::Size{proxy->fullSize.width, proxy->fullSize.height};
    model_.mutate(newKey("aspect-"), [&](EditSettings& s) {
        ombrel::setAspect(s.crop, aspect, keepSwap, crop::orientedSize(fullSize, s.crop.quarterTurns));
    });
}

void Sidebar::buildRaw() {
    SectionBox* box = addSection(Section::raw, false);
    rawNotApplicable_ = ui::note(QStringLiteral("RAW decode options only apply to RAW files."), 11, box);
    box->content()->addWidget(rawNotApplicable_);

    rawControls_ = new QWidget(box);
    auto* column = new QVBoxLayout(rawControls_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    box->content()->addWidget(rawControls_);

    using Amount = std::optional<double> RawOptions::*;
    const struct {
        const char* title;
        Amount member;
        const char* key;
    } amounts[] = {
        {"Luminance noise reduction", &RawOptions::lumNR, "rawlum"},
        {"Color noise reduction", &RawOptions::colorNR, "rawcol"},
        {"Moir\u00E9 reduction", &RawOptions::moire, "rawmoire"},
    };
    for (const auto& amount : amounts) {
        const Amount member = amount.member;
        const std::string key = amount.key;
        // Shown as a percentage: the photo's own option, else the decoder's default for the file.
        auto get = [this, member] {
            return 100 * (model_.edit()->settings().raw.*member).value_or((model_.edit()->rawDefaults().*member).value_or(0));
        };
        auto set = [this, member, key](double v) { model_.mutate(key, [&](EditSettings& s) { s.raw.*member = v / 100; }); };
        auto* slider = new AdjSlider(QString::fromUtf8(amount.title), 0, 100, 0, "%.0f", get, set, rawControls_);
        column->addWidget(slider);
        sliders_.push_back(slider);
        slider->slider()->installEventFilter(this);
        rawSliders_.push_back(slider);
    }

    using Switch = std::optional<bool> RawOptions::*;
    const struct {
        const char* title;
        Switch member;
        const char* prefix;
        bool fallback;
        const char* tip;
    } switches[] = {
        {"Use the camera's embedded lens profile", &RawOptions::lensProfile, "rawlens-", false, nullptr},
        {"Tone boost", &RawOptions::appleBoost, "rawboost-", true, "Turn off for a flatter starting point"},
    };
    for (const auto& option : switches) {
        auto* box = new QCheckBox(QString::fromUtf8(option.title), rawControls_);
        box->setFont(ui::font(11));
        box->setFocusPolicy(Qt::TabFocus);
        if (option.tip) box->setToolTip(QString::fromUtf8(option.tip));
        column->addWidget(box);
        const Switch member = option.member;
        const std::string prefix = option.prefix;
        const bool fallback = option.fallback;
        connect(box, &QCheckBox::toggled, this, [this, member, prefix](bool on) {
            model_.mutate(newKey(prefix.c_str()), [&](EditSettings& s) { s.raw.*member = on; });
        });
        refreshers_.push_back([this, box, member, fallback] {
            const QSignalBlocker blocker(box);
            box->setChecked((model_.edit()->settings().raw.*member).value_or((model_.edit()->rawDefaults().*member).value_or(fallback)));
        });
    }
    column->addWidget(ui::note(QStringLiteral("Decoded with LibRaw, so results can differ from the camera maker's own "
                                              "software. Changing these re-decodes the file."),
                               10, rawControls_));
}

void Sidebar::showPhoto() {
    const std::optional<Photo> current = model_.current();
    pages_->setCurrentIndex(current ? 1 : 0);
    const bool raw = current && isRawFile(current->url);
    rawControls_->setVisible(raw);
    rawNotApplicable_->setVisible(!raw);
}

void Sidebar::refresh() {
    for (AdjSlider* slider : sliders_) slider->refresh();
    for (const auto& refresher : refreshers_) refresher();
}

}  // namespace ombrel
