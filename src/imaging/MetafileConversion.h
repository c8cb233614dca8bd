#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The two metafile libraries, behind an interface free of Qt: libwmf's headers define macros
// (U8, U16, ...) that break Qt's, so each library lives in a source file of its own.
//
// Both never throw and never trust the data: a damaged or hostile metafile gives false and a
// message in `error` (readable by a person, without the file's name).

// A metafile is drawn at 96 dots per inch, scaled down to fit these limits when it asks for more.
inline constexpr int MaxMetafileSide = 4096;
inline constexpr std::int64_t MaxMetafilePixels = 16 * 1024 * 1024;
// Drawing stops when it takes longer than this: a megabyte of records can ask for a hundred
// thousand full-page fills.
inline constexpr std::chrono::milliseconds MetafileTimeLimit{8000};
// Qt's SVG renderer cannot be stopped midway, so an EMF's page shrinks instead: the page's pixels
// times the number of drawing elements (each may cover the whole page) stays below this, a few
// seconds of filling.
inline constexpr std::int64_t MaxMetafileWork = 8'000'000'000;
// What libwmf may allocate for one picture, besides the canvas.
inline constexpr std::size_t MaxMetafileMemory = 256u * 1024 * 1024;

struct MetafileCanvas {
    int Width = 0;
    int Height = 0;
};

// The canvas for a picture of `width` x `height` pixels: the same, or scaled down to the
// limits above (and to `maxPixels`) keeping its proportions. Empty for a size that is not
// positive and finite.
MetafileCanvas FitMetafileCanvas(double width, double height,
                                 std::int64_t maxPixels = MaxMetafilePixels);

// Plays a Windows metafile (placeable or not) onto a white canvas and gives the result as PNG
// bytes in `png`.
bool DrawWmfAsPng(const unsigned char* data, std::size_t size, std::string& png, std::string& error,
                  std::chrono::milliseconds timeLimit = MetafileTimeLimit);

// An enhanced metafile as an SVG document, and the size to draw it at: the size its header asks
// for, within the limits above.
struct EmfDrawing {
    std::string Svg;
    MetafileCanvas Canvas;
};

// Checks every record of an enhanced metafile and converts the records up to its end record
// to SVG.
bool ConvertEmfToSvg(const unsigned char* data, std::size_t size, EmfDrawing& drawing,
                     std::string& error);
