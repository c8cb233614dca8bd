#pragma once

#include <QColor>
#include <QImage>
#include <string>
#include <vector>

// Real picture files made on the spot with the same libraries a person's files come from, so
// tests know every pixel they decode. Pictures use few colours (a GIF palette holds 256).

struct JpegOptions {
    int Quality = 95;
    bool Progressive = false;
    bool Greyscale = false;
    bool Cmyk = false;  // written as Adobe (inverted) CMYK
};
std::string EncodeJpeg(const QImage& image, const JpegOptions& options = {});

struct GifFrameSpec {
    QImage Image;  // the frame's own pixels
    int Left = 0, Top = 0;
    int DelayCs = 0;     // hundredths of a second
    int Disposal = 0;    // 0 unspecified, 1 keep, 2 background, 3 previous
    QColor Transparent;  // pixels of this colour become transparent (invalid: none)
};
// A GIF whose logical screen is width x height, with one image block per frame.
std::string EncodeGif(int width, int height, const std::vector<GifFrameSpec>& frames,
                      bool interlaced = false);
std::string EncodeGif(const QImage& image, bool interlaced = false);

// BMP, ICO or PNG through Qt's writers ("BMP", "ICO", "PNG").
std::string EncodeWithQt(const QImage& image, const char* format);

// A picture of four coloured quadrants: red, green, blue, white (left to right, top to bottom).
QImage QuadrantPicture(int width, int height);

void WriteBytes(const std::string& path, const std::string& bytes);
