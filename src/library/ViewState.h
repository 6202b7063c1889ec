#pragma once

#include <QObject>
#include <QSizeF>
#include <QString>

namespace ombrel {

// What the preview shows and how. `zoom` and `pan` change with every gesture
// and are read when drawing, so they announce nothing; the preview redraws on
// `tick`. Main thread only.
class ViewState : public QObject {
    Q_OBJECT
    Q_PROPERTY(int tick READ tick NOTIFY tickChanged)
    Q_PROPERTY(bool showBefore READ showBefore WRITE setShowBefore NOTIFY showBeforeChanged)
    Q_PROPERTY(bool showClipping READ showClipping WRITE setShowClipping NOTIFY showClippingChanged)
    Q_PROPERTY(bool eyedropper READ eyedropper WRITE setEyedropper NOTIFY eyedropperChanged)
    Q_PROPERTY(bool cropEditing READ cropEditing WRITE setCropEditing NOTIFY cropEditingChanged)
    Q_PROPERTY(QString zoomLabel READ zoomLabel WRITE setZoomLabel NOTIFY zoomLabelChanged)
    Q_PROPERTY(double zoom READ zoom WRITE setZoom)
    Q_PROPERTY(QSizeF pan READ pan WRITE setPan)

public:
    using QObject::QObject;

    // Render generation: every change that must redraw the preview adds 1.
    int tick() const { return tick_; }
    bool showBefore() const { return showBefore_; }
    bool showClipping() const { return showClipping_; }
    bool eyedropper() const { return eyedropper_; }
    bool cropEditing() const { return cropEditing_; }
    const QString& zoomLabel() const { return zoomLabel_; }
    double zoom() const { return zoom_; }  // 1.0 = fitted
    QSizeF pan() const { return pan_; }    // in view points

    void bumpTick();
    void setShowBefore(bool on);
    void setShowClipping(bool on);
    void setEyedropper(bool on);
    void setCropEditing(bool on);
    void setZoomLabel(const QString& label);
    void setZoom(double zoom) { zoom_ = zoom; }
    void setPan(QSizeF pan) { pan_ = pan; }

signals:
    void tickChanged();
    void showBeforeChanged();
    void showClippingChanged();
    void eyedropperChanged();
    void cropEditingChanged();
    void zoomLabelChanged();

private:
    int tick_ = 0;
    bool showBefore_ = false;
    bool showClipping_ = false;
    bool eyedropper_ = false;
    bool cropEditing_ = false;
    QString zoomLabel_ = QStringLiteral("Fit");
    double zoom_ = 1.0;
    QSizeF pan_{0, 0};
};

}  // namespace ombrel
