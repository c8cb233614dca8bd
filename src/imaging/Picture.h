#pragma once

#include <QImage>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// What kind of picture a file holds, told from its first bytes or its extension.
enum class PictureKind { Unknown, Jpeg, Gif, Bmp, Ico, Png, Wmf, Emf };

// From the leading bytes; Unknown when no signature matches.
PictureKind SniffPictureKind(const unsigned char* data, std::size_t size);
// From an extension with its dot (".JPG", ".gif"), case ignored.
PictureKind PictureKindOfExtension(std::string_view extension);

// Decodes a picture held in memory. The bytes decide the format; the extension (or a file
// name) is only asked when the bytes carry no known signature. Gives a null image and a
// message in `error` for anything that cannot be shown.
QImage DecodePicture(const unsigned char* data, std::size_t size, std::string_view nameOrExtension,
                     std::string& error);

// Raised by LoadPicture; the message names the file and tells what is wrong with it.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads and decodes the picture file at `path`, or raises PictureError.
QImage LoadPicture(const std::string& path);
