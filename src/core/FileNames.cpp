#include "core/FileNames.h"

#include "core/Text.h"

std::string FileExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t slash = path.rfind('/');
    if (slash != std::string_view::npos && slash > dot) return {};
    return std::string(path.substr(dot));
}

bool IsHtmlPath(std::string_view path) {
    const std::string ext = UpperCase(FileExtension(path));
    return ext == ".HTML" || ext == ".HTM";
}
