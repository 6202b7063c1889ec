#pragma once

namespace ombrel::raw {

// Noise-reduction amounts (0...1) and how they translate into the decoder's
// own units.

// Default amounts for a file shot at `iso`: 0 up to ISO 100 (base ISO of
// nearly every camera, and for unknown ISO), then rising smoothly with each
// stop to their maximum (colour at ISO 3200, luminance at 12800).
double defaultLuminanceAmount(double iso);
double defaultColorAmount(double iso);

// Luminance: LibRaw's wavelet denoising threshold (0 = off).
float waveletThreshold(double amount);

// Colour: the standard deviation of the chroma blur, in full-resolution
// pixels (0 = off).
float chromaSigma(double amount);

// Moiré: passes of the 3x3 median on the colour differences; any amount
// above 0 gives at least one pass.
int medianPasses(double amount);

}  // namespace ombrel::raw
