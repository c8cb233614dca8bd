#include "support/PictureFixtures.h"

#include <QBuffer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

// clang-format off
#include <gif_lib.h>
#include <jpeglib.h>  // after <cstdio>: it needs FILE and size_t
// clang-format on

std::string EncodeJpeg(const QImage& source, const JpegOptions& options) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = options.Greyscale ? 1 : (options.Cmyk ? 4 : 3);
    cinfo.in_color_space = options.Greyscale ? JCS_GRAYSCALE : (options.Cmyk ? JCS_CMYK : JCS_RGB);
    jpeg_set_defaults(&cinfo);
    if (options.Cmyk) cinfo.write_Adobe_marker = TRUE;
    jpeg_set_quality(&cinfo, options.Quality, TRUE);
    if (options.Progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(image.width()) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = image.constScanLine(static_cast<int>(cinfo.next_scanline));
        for (int x = 0; x < image.width(); ++x) {
            const int r = in[3 * x], g = in[3 * x + 1], b = in[3 * x + 2];
            if (options.Greyscale) {
                row[x] = static_cast<unsigned char>((r * 299 + g * 587 + b * 114) / 1000);
            } else if (options.Cmyk) {  // Adobe stores 255 - ink; no black ink used
                row[4 * x] = static_cast<unsigned char>(r);
                row[4 * x + 1] = static_cast<unsigned char>(g);
                row[4 * x + 2] = static_cast<unsigned char>(b);
                row[4 * x + 3] = 255;
            } else {
                row[3 * x] = static_cast<unsigned char>(r);
                row[3 * x + 1] = static_cast<unsigned char>(g);
                row[3 * x + 2] = static_cast<unsigned char>(b);
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(out), outSize);
    std::free(out);
    return bytes;
}

namespace {

int WriteToString(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

}  // namespace

std::string EncodeGif(int width, int height, const std::vector<GifFrameSpec>& frames,
                      bool interlaced) {
    // One global palette of every colour used; index 0 stays free for transparency.
    std::map<QRgb, int> indexOf;
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    int next = 1;
    for (const auto& f : frames)
        for (int y = 0; y < f.Image.height(); ++y)
            for (int x = 0; x < f.Image.width(); ++x) {
                const QRgb c = f.Image.pixel(x, y) | 0xff000000u;
                if (indexOf.count(c) == 0) {
                    if (next == 256) throw std::runtime_error("too many colours for a GIF");
                    colours[next] = GifColorType{static_cast<GifByteType>(qRed(c)),
                                                 static_cast<GifByteType>(qGreen(c)),
                                                 static_cast<GifByteType>(qBlue(c))};
                    indexOf[c] = next++;
                }
            }
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteToString, &error);
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    for (const auto& f : frames) {
        GraphicsControlBlock control{f.Disposal, false, f.DelayCs,
                                     f.Transparent.isValid() ? 0 : NO_TRANSPARENT_COLOR};
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
        const int w = f.Image.width(), h = f.Image.height();
        EGifPutImageDesc(gif, f.Left, f.Top, w, h, interlaced, nullptr);
        std::vector<GifByteType> line(static_cast<std::size_t>(w));
        auto putRow = [&](int y) {
            for (int x = 0; x < w; ++x) {
                const QRgb c = f.Image.pixel(x, y) | 0xff000000u;
                const bool clear =
                    f.Transparent.isValid() && c == (f.Transparent.rgb() | 0xff000000u);
                line[x] = static_cast<GifByteType>(clear ? 0 : indexOf[c]);
            }
            EGifPutLine(gif, line.data(), w);
        };
        if (interlaced) {
            static constexpr int Offsets[] = {0, 4, 2, 1}, Steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = Offsets[pass]; y < h; y += Steps[pass]) putRow(y);
        } else {
            for (int y = 0; y < h; ++y) putRow(y);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

std::string EncodeGif(const QImage& image, bool interlaced) {
    return EncodeGif(image.width(), image.height(), {GifFrameSpec{image, 0, 0, 0, 0, {}}},
                     interlaced);
}

std::string EncodeWithQt(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) throw std::runtime_error("Qt could not write the picture");
    return bytes.toStdString();
}

QImage QuadrantPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            image.setPixel(x, y,
                           !bottom ? (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0))
                                   : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255)));
        }
    return image;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}
