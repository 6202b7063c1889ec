#pragma once

#include "EditField.h"

namespace ombrel {

class AppModel;

// A slider's two-way link to one field of the current photo's settings.
// Reading gives the shown value; writing is an ordinary edit keyed by the
// field, so one drag becomes one undo step.
class FieldBinding {
public:
    FieldBinding(AppModel& model, EditField field) : model_(&model), field_(field) {}

    double value() const;
    void setValue(double value) const;
    const EditField& field() const { return field_; }

private:
    AppModel* model_;
    EditField field_;
};

}  // namespace ombrel
