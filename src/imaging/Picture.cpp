#include "imaging/Picture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <cstring>

#include "core/FileNames.h"
#include "core/Text.h"
#include "imaging/PictureDecoders.h"

namespace {

bool StartsWith(const unsigned char* data, std::size_t size, const char* magic, std::size_t n,
                std::size_t at = 0) {
    return size >= at + n && std::memcmp(data + at, magic, n) == 0;
}

std::uint32_t Little32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Qt's bitmap reader fills a short file's missing rows with black and calls it good. For the
// uncompressed layouts the header tells exactly how many bytes the pixels need.
bool BitmapIsShort(const unsigned char* data, std::size_t size) {
    if (size < 34) return true;
    const std::uint32_t pixelsAt = Little32(data + 10);
    const std::uint32_t headerSize = Little32(data + 14);
    if (headerSize < 40) return false;  // the old core header: let the reader judge
    const auto width = static_cast<std::int32_t>(Little32(data + 18));
    const auto height = static_cast<std::int32_t>(Little32(data + 22));
    const int bitCount = data[28] | (data[29] << 8);
    const std::uint32_t compression = Little32(data + 30);
    if (compression != 0 && compression != 3) return false;  // run-length: no fixed size
    if (width <= 0 || height == 0 || bitCount == 0) return false;
    const std::int64_t rowBytes = (static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4;
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    return static_cast<std::int64_t>(size) < static_cast<std::int64_t>(pixelsAt) + rowBytes * rows;
}

// BMP, ICO and PNG go through Qt's own readers; the JPEG and GIF plugins are never asked.
QImage DecodeWithQt(const unsigned char* data, std::size_t size, const char* format,
                    const char* kindName, std::string& error) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    const QSize claimed = reader.size();
    if (claimed.isValid() &&
        static_cast<std::int64_t>(claimed.width()) * claimed.height() > MaxPicturePixels) {
        error = std::string(kindName) + " error: the picture is too large to show";
        return {};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        error = std::string(kindName) + " error: the picture is not valid (" +
                reader.errorString().toStdString() + ")";
        return {};
    }
    return image;
}

}  // namespace

PictureKind SniffPictureKind(const unsigned char* data, std::size_t size) {
    if (data == nullptr) return PictureKind::Unknown;
    if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return PictureKind::Jpeg;
    if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
        return PictureKind::Gif;
    if (StartsWith(data, size, "\x89PNG\r\n\x1A\n", 8)) return PictureKind::Png;
    if (StartsWith(data, size, "BM", 2) && size >= 14) return PictureKind::Bmp;
    // Icons and cursors: reserved 0, type 1 or 2, then a count.
    if (size >= 6 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) &&
        data[3] == 0 && (data[4] | data[5]) != 0)
        return PictureKind::Ico;
    if (StartsWith(data, size, "\xD7\xCD\xC6\x9A", 4)) return PictureKind::Wmf;  // placeable
    if (StartsWith(data, size, "\x01\x00\x09\x00", 4) ||
        StartsWith(data, size, "\x02\x00\x09\x00", 4))
        return PictureKind::Wmf;
    if (StartsWith(data, size, "\x01\x00\x00\x00", 4) && StartsWith(data, size, " EMF", 4, 40))
        return PictureKind::Emf;
    return PictureKind::Unknown;
}

PictureKind PictureKindOfExtension(std::string_view extension) {
    const std::string ext = LowerCase(extension);
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return PictureKind::Jpeg;
    if (ext == ".gif") return PictureKind::Gif;
    if (ext == ".bmp") return PictureKind::Bmp;
    if (ext == ".ico") return PictureKind::Ico;
    if (ext == ".png") return PictureKind::Png;
    if (ext == ".wmf") return PictureKind::Wmf;
    if (ext == ".emf") return PictureKind::Emf;
    return PictureKind::Unknown;
}

QImage DecodePicture(const unsigned char* data, std::size_t size, std::string_view nameOrExtension,
                     std::string& error) {
    error.clear();
    PictureKind kind = SniffPictureKind(data, size);
    if (kind == PictureKind::Unknown) {
        const std::string ext = nameOrExtension.empty() || nameOrExtension.front() == '.'
                                    ? LowerCase(nameOrExtension)
                                    : LowerCase(FileExtension(nameOrExtension));
        kind = PictureKindOfExtension(ext);
    }
    if (size == 0) {
        error = "The picture file is empty";
        return {};
    }
    switch (kind) {
        case PictureKind::Jpeg:
            return DecodeJpeg(data, size, error);
        case PictureKind::Gif:
            return DecodeGif(data, size, error);
        case PictureKind::Bmp:
            if (BitmapIsShort(data, size)) {
                error = "Bitmap error: the file ends before the picture is complete";
                return {};
            }
            return DecodeWithQt(data, size, "bmp", "Bitmap", error);
        case PictureKind::Ico:
            return DecodeWithQt(data, size, "ico", "Icon", error);
        case PictureKind::Png:
            return DecodeWithQt(data, size, "png", "PNG", error);
        case PictureKind::Wmf:
            return DecodeWmf(data, size, error);
        case PictureKind::Emf:
            return DecodeEmf(data, size, error);
        case PictureKind::Unknown:
            break;
    }
    error = "Unknown picture file format";
    return {};
}

QImage LoadPicture(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw PictureError("Cannot open file \"" + path + "\". " +
                            file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    std::string error;
    QImage image = DecodePicture(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()), path, error);
    if (image.isNull()) throw PictureError("Cannot show the picture \"" + path + "\".\n" + error);
    return image;
}
