#pragma once

#include <QColor>
#include <QRect>
#include <string>
#include <vector>

// Windows and enhanced metafiles written record by record, so that tests know every pixel the
// decoders should draw. Coordinates are pixels at 96 dots per inch.

// A filled rectangle without an outline; `Area` excludes its right and bottom edges, as the
// metafile rectangle does.
struct MetafileBox {
    QRect Area;
    QRgb Fill;
};

// A WMF whose picture is width x height pixels; with `placeable` it starts with the placeable
// header that gives that size at 96 dots per inch. With an outline width, the boxes are drawn
// with a solid black pen that many pixels wide (up to 65535).
std::string EncodeWmf(int width, int height, const std::vector<MetafileBox>& boxes,
                      bool placeable = true, int outlineWidth = 0);

// An EMF whose bounds are width x height pixels.
std::string EncodeEmf(int width, int height, const std::vector<MetafileBox>& boxes);

// A white picture with `text` written in black from (4, 4), in a sans-serif face `textHeight`
// pixels high. With `glyphIndices` the EMF stores the characters' codes as glyph numbers of the
// face, as word processors write their text; the glyphs drawn are then others, but drawn.
std::string EncodeWmfText(int width, int height, const std::string& text, int textHeight);
std::string EncodeEmfText(int width, int height, const std::string& text, int textHeight,
                          bool glyphIndices = false);

// The four quadrants of QuadrantPicture: red, green, blue, white.
std::vector<MetafileBox> QuadrantBoxes(int width, int height);
