#include "HistogramModel.h"

namespace ombrel {

void HistogramModel::setData(HistogramData data) {
    if (data == data_) return;
    data_ = std::move(data);
    emit dataChanged();
}

}  // namespace ombrel
