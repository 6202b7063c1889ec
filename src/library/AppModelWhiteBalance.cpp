#include "AppModel.h"
#include "Background.h"

namespace ombrel {

// Sampling happens now, on the frame as shown; the search (up to 72 one-pixel
// renders) runs in the background and lands on whatever photo is current by
// then, as its own undo step.
void AppModel::pickWhiteBalance(double nx, double ny) {
    if (!proxy_) return;
    const std::optional<whitebalance::Rgb> colour = whitebalance::sample(*proxy_, edit_.settings().crop, nx, ny);
    if (!colour) return;
    view_.setEyedropper(false);  // one click per press of the button

    runInBackground(
        workers_, priority::userInitiated, this,
        [c = *colour]() -> std::optional<whitebalance::Setting> { return solveWB(c[0], c[1], c[2]); },
        [this](std::optional<whitebalance::Setting> picked) {
            if (!picked) return;
            mutate("wb-pick-" + Uuid::generate().toString(), [p = *picked](EditSettings& s) {
                s.temperature = p.temperature;
                s.tint = p.tint;
            });
            flash(QStringLiteral("White balance set from the picked point"));
        });
}

}  // namespace ombrel
