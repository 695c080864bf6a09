#include "tests/support/picture.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Margin between the red and blue channels for a pixel to count as one tint.
constexpr int kTintMargin = 24;

enum class Tint { Neither, Red, Blue };

Tint TintOf(const Rgb& p) {
    if (p.r > p.b + kTintMargin) return Tint::Red;
    if (p.b > p.r + kTintMargin) return Tint::Blue;
    return Tint::Neither;
}

}  // namespace

PictureStats Analyse(const Image& image) {
    PictureStats s;
    if (image.width == 0 || image.height == 0) return s;
    s.background = image.at(1, 1);
    s.left = image.width;
    s.top = image.height;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.at(x, y);
            if (p == s.background) continue;
            ++s.covered;
            s.left = std::min(s.left, x);
            s.right = std::max(s.right, x);
            s.top = std::min(s.top, y);
            s.bottom = std::max(s.bottom, y);
            Tint tint = TintOf(p);
            if (tint == Tint::Blue) ++s.bluish;
            if (tint != Tint::Red) continue;
            ++s.reddish;
            bool blueNeighbour =
                (x > 0 && TintOf(image.at(x - 1, y)) == Tint::Blue) ||
                (x + 1 < image.width && TintOf(image.at(x + 1, y)) == Tint::Blue) ||
                (y > 0 && TintOf(image.at(x, y - 1)) == Tint::Blue) ||
                (y + 1 < image.height && TintOf(image.at(x, y + 1)) == Tint::Blue);
            if (blueNeighbour) ++s.mixedEdges;
        }
    }
    for (int y = s.top; y <= s.bottom; ++y) {
        for (int x = s.left; x <= s.right; ++x) {
            if (image.at(x, y) == s.background) ++s.backgroundInBox;
        }
    }
    return s;
}

long DifferentPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return static_cast<long>(a.pixels.size());
    long n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        n += a.pixels[i] == b.pixels[i] ? 0 : 1;
    return n;
}
