// Writes a deterministic test site for the copy benchmark: P pages in sec1/..sec9/, I images in
// images/, and an index.html that links to the first page of every section.
//
//   gensite --pages P --images I [--seed S] --out DIR
//
// Pages are 2 to 30 KB of old-style HTML with about ten links (bare names inside their folder,
// root-relative "/secN/..." otherwise) and about three <IMG SRC="...">; some have a
// <BODY BACKGROUND="...">. Images are real GIF and JPEG files of 1 to 60 KB. Every file name is
// unique across folders and every page and image is reachable from index.html. It also writes
// urls.txt (every address path, one per line) for list-driven downloaders.

#include <gif_lib.h>
#include <stdio.h>
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string PageName(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "p%06d.%s", i, i % 10 == 0 ? "htm" : "html");
    return buf;
}

std::string ImageName(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "i%06d.%s", i, i % 2 == 0 ? "gif" : "jpg");
    return buf;
}

int Section(int page) { return page % 9 + 1; }

std::string PagePath(int i) { return "/sec" + std::to_string(Section(i)) + "/" + PageName(i); }

void WriteGif(const fs::path& path, int targetBytes, std::mt19937& rng) {
    // LZW expands 8-bit noise by about 1.4, so the file is about 1.4 x width x height bytes.
    const int width = 64;
    const int height = std::max(4, static_cast<int>(targetBytes / (width * 1.4)));
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) throw std::runtime_error("cannot write " + path.string());
    GifColorType colors[256];
    for (int c = 0; c < 256; ++c)
        colors[c] = GifColorType{static_cast<GifByteType>(c), static_cast<GifByteType>(255 - c),
                                 static_cast<GifByteType>(c * 7)};
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (auto& p : line) p = static_cast<GifPixelType>(rng() & 0xff);
        EGifPutLine(gif, line.data(), width);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
}

void WriteJpeg(const fs::path& path, int targetBytes, std::mt19937& rng) {
    // Colour noise at quality 90 costs about one byte a pixel.
    const int width = 64;
    const int height = std::max(8, static_cast<int>(targetBytes / (width * 0.95)));
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) throw std::runtime_error("cannot write " + path.string());
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = width;
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (auto& v : row) v = static_cast<JSAMPLE>(rng() & 0xff);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

const char* const Words[] = {"lantern", "harbour", "quiet", "river", "stone", "morning",
                             "paper", "window", "garden", "signal", "copper", "bridge"};

}  // namespace

int main(int argc, char** argv) {
    int pages = 500, images = 500;
    unsigned seed = 1;
    fs::path out;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        if (opt == "--pages") pages = std::atoi(argv[i + 1]);
        else if (opt == "--images") images = std::atoi(argv[i + 1]);
        else if (opt == "--seed") seed = static_cast<unsigned>(std::atol(argv[i + 1]));
        else if (opt == "--out") out = argv[i + 1];
    }
    if (out.empty() || pages < 9) {
        std::cerr << "usage: gensite --pages P(>=9) --images I [--seed S] --out DIR\n";
        return 2;
    }
    std::mt19937 rng(seed);
    fs::create_directories(out / "images");
    for (int s = 1; s <= 9; ++s) fs::create_directories(out / ("sec" + std::to_string(s)));
    std::ofstream urls(out / "urls.txt");

    // index.html: one root-relative link to the first page of each section.
    {
        std::ofstream index(out / "index.html", std::ios::binary);
        index << "<HTML>\r\n<HEAD><TITLE>Benchmark site</TITLE></HEAD>\r\n<BODY>\r\n";
        for (int s = 1; s <= 9; ++s)
            index << "<P><A HREF=\"" << PagePath(s - 1) << "\">Section " << s << "</A></P>\r\n";
        index << "</BODY>\r\n</HTML>\r\n";
        urls << "/index.html\n";
    }

    // Images are spread over the pages three at a time, so every one is referenced.
    int nextImage = 0;
    for (int i = 0; i < pages; ++i) {
        std::ostringstream page;
        // Sizes lean towards the small end, as on real sites.
        const std::size_t spread = rng() % (28 * 1024);
        const std::size_t target = 2048 + spread * (rng() % (28 * 1024)) / (28 * 1024);
        page << "<HTML>\r\n<HEAD><TITLE>Page " << i << "</TITLE></HEAD>\r\n";
        if (images > 0 && i % 7 == 3)
            page << "<BODY BACKGROUND=\"/images/" << ImageName(static_cast<int>(rng() % images))
                 << "\" BGCOLOR=\"#FFFFFF\">\r\n";
        else
            page << "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">\r\n";
        page << "<H1>Page " << i << "</H1>\r\n";

        std::vector<std::string> links;
        // The next page of the same section keeps every page reachable.
        if (i + 9 < pages) links.push_back(PageName(i + 9));
        for (int k = 0; k < 9; ++k) {
            const int other = static_cast<int>(rng() % pages);
            links.push_back(Section(other) == Section(i) ? PageName(other) : PagePath(other));
        }
        std::vector<std::string> pics;
        for (int k = 0; k < 3 && images > 0; ++k) {
            const int img = nextImage < images ? nextImage++ : static_cast<int>(rng() % images);
            pics.push_back("/images/" + ImageName(img));
        }
        std::size_t l = 0, p = 0;
        while (static_cast<std::size_t>(page.tellp()) < target || l < links.size() ||
               p < pics.size()) {
            page << "<P>";
            for (int w = 0; w < 40; ++w) page << Words[rng() % 12] << ' ';
            if (l < links.size()) page << "<A HREF=\"" << links[l++] << "\">more</A> ";
            if (p < pics.size())
                page << "<IMG SRC=\"" << pics[p++] << "\" ALT=\"picture\" WIDTH=64> ";
            page << "</P>\r\n";
        }
        page << "</BODY>\r\n</HTML>\r\n";
        std::ofstream(out / ("sec" + std::to_string(Section(i))) / PageName(i), std::ios::binary)
            << page.str();
        urls << PagePath(i) << "\n";
    }
    for (int i = 0; i < images; ++i) {
        const long spread = static_cast<long>(rng() % (59 * 1024));
        const int target = 1024 + static_cast<int>(spread * static_cast<long>(rng() % (59 * 1024)) / (59 * 1024));
        const fs::path path = out / "images" / ImageName(i);
        if (i % 2 == 0) WriteGif(path, target, rng);
        else WriteJpeg(path, target, rng);
        urls << "/images/" << ImageName(i) << "\n";
    }
    return 0;
}
