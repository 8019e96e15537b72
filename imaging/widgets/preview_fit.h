#pragma once

// Where the preview puts a picture of w x h in a client area of W x H: scaled, up or down, to fit
// a box of 90% of each side, and centred.
struct PreviewFit {
    bool drawable = false;  // false: nothing to draw, the whole area stays window-coloured
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

PreviewFit FitPreview(int imageWidth, int imageHeight, int clientWidth, int clientHeight);
