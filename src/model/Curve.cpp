#include "Curve.h"

#include <algorithm>
#include <cmath>

namespace ombrel {
namespace {

// Coincident x values (a vertical step) are treated as this wide, so no
// division by zero ever happens.
constexpr double minWidth = 1e-6;

double guardedWidth(double dx) { return dx <= minWidth ? minWidth : dx; }

}  // namespace

Curve::Curve(CurvePoints points) : pts_(std::move(points)) {
    std::stable_sort(pts_.begin(), pts_.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; });
    const std::size_t n = pts_.size();
    if (n == 0) return;
    if (n == 1) {
        m_ = {0.0};
        return;
    }

    std::vector<double> d(n - 1);
    for (std::size_t k = 0; k + 1 < n; ++k) {
        d[k] = (pts_[k + 1].y - pts_[k].y) / guardedWidth(pts_[k + 1].x - pts_[k].x);
    }

    m_.assign(n, 0.0);
    m_[0] = d[0];
    m_[n - 1] = d[n - 2];
    for (std::size_t k = 1; k + 1 < n; ++k) {
        m_[k] = d[k - 1] * d[k] <= 0 ? 0.0 : (d[k - 1] + d[k]) / 2;
    }

    // Limit the tangents so each segment stays monotone; each step sees the
    // previous step's change to m[k].
    for (std::size_t k = 0; k + 1 < n; ++k) {
        if (d[k] == 0) {
            m_[k] = 0;
            m_[k + 1] = 0;
            continue;
        }
        const double a = m_[k] / d[k];
        const double b = m_[k + 1] / d[k];
        const double s = a * a + b * b;
        if (s > 9) {
            const double t = 3 / std::sqrt(s);
            m_[k] = t * a * d[k];
            m_[k + 1] = t * b * d[k];
        }
    }
}

double Curve::eval(double x) const {
    const std::size_t n = pts_.size();
    if (n < 2) return x;
    if (x <= pts_[0].x) return pts_[0].y;
    if (x >= pts_[n - 1].x) return pts_[n - 1].y;

    std::size_t i = n - 2;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        if (pts_[k].x >= x) {
            i = k - 1;
            break;
        }
    }

    const double h = guardedWidth(pts_[i + 1].x - pts_[i].x);
    const double t = (x - pts_[i].x) / h;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double y = pts_[i].y * (2 * t3 - 3 * t2 + 1) + h * m_[i] * (t3 - 2 * t2 + t) +
                     pts_[i + 1].y * (3 * t2 - 2 * t3) + h * m_[i + 1] * (t3 - t2);
    return std::clamp(y, 0.0, 1.0);
}

}  // namespace ombrel
