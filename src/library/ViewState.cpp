#include "ViewState.h"

namespace ombrel {

void ViewState::bumpTick() {
    ++tick_;
    emit tickChanged();
}

void ViewState::setShowBefore(bool on) {
    if (on == showBefore_) return;
    showBefore_ = on;
    emit showBeforeChanged();
}

void ViewState::setShowClipping(bool on) {
    if (on == showClipping_) return;
    showClipping_ = on;
    emit showClippingChanged();
}

void ViewState::setEyedropper(bool on) {
    if (on == eyedropper_) return;
    eyedropper_ = on;
    emit eyedropperChanged();
}

void ViewState::setCropEditing(bool on) {
    if (on == cropEditing_) return;
    cropEditing_ = on;
    emit cropEditingChanged();
}

void ViewState::setZoomLabel(const QString& label) {
    if (label == zoomLabel_) return;
    zoomLabel_ = label;
    emit zoomLabelChanged();
}

}  // namespace ombrel
