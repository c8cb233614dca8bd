#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

// A broken invariant is a finding: report it and abort so that the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                      \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

// A local path of a complete copy stays in the project folder: it is relative, its segments are
// never empty, "." or "..", never longer than 255 bytes and never hold a control byte or a
// backslash.
inline void CheckProjectPath(const std::string& path) {
    FUZZ_CHECK(!path.empty() && path.front() != '/' && path.back() != '/');
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment = std::string_view(path).substr(
            start, slash == std::string::npos ? std::string::npos : slash - start);
        FUZZ_CHECK(!segment.empty());
        FUZZ_CHECK(segment != "." && segment != "..");
        FUZZ_CHECK(segment.size() <= 255);
        for (const char c : segment) {
            const auto u = static_cast<unsigned char>(c);
            FUZZ_CHECK(u >= 0x20 && u != 0x7F && c != '\\');
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    const auto full = (std::filesystem::path("/tmp/project") / path).lexically_normal();
    FUZZ_CHECK(full.string().rfind("/tmp/project/", 0) == 0);
}
