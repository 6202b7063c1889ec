#include "FieldBinding.h"

#include "AppModel.h"

namespace ombrel {

double FieldBinding::value() const { return field_.get(model_->edit()->settings()); }

void FieldBinding::setValue(double value) const {
    const EditField field = field_;
    model_->mutate(field.key(), [field, value](EditSettings& settings) { field.set(settings, value); });
}

}  // namespace ombrel
