// Reading the saddle out of a screenshot of the viewer's window.
#pragma once

#include "tests/support/harness.h"

struct PictureStats {
    Rgb background;       // the colour of the window's corner
    long covered = 0;     // pixels that differ from the background
    long reddish = 0;     // covered pixels where red clearly exceeds blue
    long bluish = 0;      // covered pixels where blue clearly exceeds red
    long mixedEdges = 0;  // reddish pixels with a bluish 4-neighbour
    int left = 0, right = -1, top = 0, bottom = -1;  // bounding box of covered pixels
    long backgroundInBox = 0;                        // background pixels inside that box

    int width() const { return right - left + 1; }
    double coveredShare(const Image& image) const {
        return static_cast<double>(covered) / (static_cast<double>(image.width) * image.height);
    }
};

PictureStats Analyse(const Image& image);

// Number of pixels that differ between two images of the same size.
long DifferentPixels(const Image& a, const Image& b);
