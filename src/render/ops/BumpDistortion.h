#pragma once

namespace ombrel::ops {

struct BumpParams {
    double cx = 0, cy = 0;
    double radius = 0;
    double scale = 0;  // > 0 magnifies the centre (bulge), < 0 shrinks it (pinch)
};

struct Point {
    double x = 0, y = 0;
};

// Where the distorted picture at `p` takes its colour from: `p` itself outside
// the radius, continuous at the radius, drawn toward the centre inside for a
// bulge and pushed outward for a pinch.
Point bumpSource(const BumpParams& params, Point p);

// The same for a run of positions, in place, in float.
void bumpSourceRun(const BumpParams& params, float* xs, float* ys, int n);

}  // namespace ombrel::ops
