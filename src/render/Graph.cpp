#include "Graph.h"

#include "Orientation.h"

#include <utility>

namespace ombrel {
namespace {

std::pair<double, double> finalSize(const Graph& graph) {
    if (!graph.source) return {0, 0};
    double w = graph.source->width(), h = graph.source->height();
    for (const Stage& s : graph.stages) {
        if (const auto* orient = std::get_if<stage::Orient>(&s); orient && swapsAxes(orient->orientation)) {
            std::swap(w, h);
        } else if (const auto* crop = std::get_if<stage::Crop>(&s)) {
            w = crop->rect.width;
            h = crop->rect.height;
        }
    }
    return {w, h};
}

}  // namespace

double Graph::width() const { return finalSize(*this).first; }
double Graph::height() const { return finalSize(*this).second; }

}  // namespace ombrel
