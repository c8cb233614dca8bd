#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>

#include "imaging/MetafileConversion.h"
#include "imaging/PictureDecoders.h"

MetafileCanvas FitMetafileCanvas(double width, double height, std::int64_t maxPixels) {
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1) return {};
    double scale = std::min({1.0, MaxMetafileSide / width, MaxMetafileSide / height});
    const double allowed =
        static_cast<double>(std::clamp<std::int64_t>(maxPixels, 1, MaxMetafilePixels));
    const double pixels = width * scale * height * scale;
    if (pixels > allowed) scale *= std::sqrt(allowed / pixels);
    // A hair-thin picture keeps at least one pixel across.
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

QImage DecodeWmf(const unsigned char* data, std::size_t size, std::string& error) {
    std::string png;
    if (!DrawWmfAsPng(data, size, png, error)) return {};
    QImage image = QImage::fromData(
        QByteArray::fromRawData(png.data(), static_cast<qsizetype>(png.size())), "PNG");
    if (image.isNull()) error = "WMF error: the picture could not be drawn";
    return image;
}

QImage DecodeEmf(const unsigned char* data, std::size_t size, std::string& error) {
    EmfDrawing drawing;
    if (!ConvertEmfToSvg(data, size, drawing, error)) return {};
    QSvgRenderer renderer(QByteArray::fromStdString(drawing.Svg));
    if (!renderer.isValid()) {
        error = "EMF error: the picture is not valid";
        return {};
    }
    // A metafile draws on a page; where it draws nothing the page shows, as on paper.
    QImage image(drawing.Canvas.Width, drawing.Canvas.Height, QImage::Format_RGB32);
    if (image.isNull()) {
        error = "EMF error: the picture needs more memory than it may have";
        return {};
    }
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, image.width(), image.height()));
    painter.end();
    return image;
}
