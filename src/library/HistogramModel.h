#pragma once

#include "services/Histogram.h"

#include <QObject>

namespace ombrel {

// The histogram of the current render, as the histogram view shows it.
// Starts with empty curves and zero clip fractions. Main thread only.
class HistogramModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(ombrel::HistogramData data READ data NOTIFY dataChanged)

public:
    using QObject::QObject;

    const HistogramData& data() const { return data_; }
    void setData(HistogramData data);

signals:
    void dataChanged();

private:
    HistogramData data_;
};

}  // namespace ombrel
