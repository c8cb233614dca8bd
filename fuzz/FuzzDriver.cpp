// Replays every file of the given corpus folders through LLVMFuzzerTestOneInput, then mutates
// them (bit flips, byte changes, insertions, deletions, splices) for -seconds=N with a fixed
// seed. Each input is passed in a buffer of exactly its size, so reads past the end are caught by
// AddressSanitizer as they are under libFuzzer.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunOne(const std::vector<std::uint8_t>& input) {
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[input.empty() ? 1 : input.size()]);
    if (!input.empty()) std::memcpy(exact.get(), input.data(), input.size());
    LLVMFuzzerTestOneInput(exact.get(), input.size());
}

std::vector<std::uint8_t> Mutate(std::vector<std::uint8_t> in,
                                 const std::vector<std::vector<std::uint8_t>>& corpus,
                                 std::mt19937& rng) {
    const int steps = 1 + static_cast<int>(rng() % 8);
    for (int s = 0; s < steps; ++s) {
        switch (rng() % 6) {
            case 0:
                if (!in.empty()) in[rng() % in.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                break;
            case 1:
                if (!in.empty()) in[rng() % in.size()] = static_cast<std::uint8_t>(rng());
                break;
            case 2: {
                const char* interesting[] = {"<", ">", "=", "\"", "'", "/", "\\", ".", ":", "\r\n",
                                             "<A HREF=\"", "http://", "../", "\0", " "};
                const std::string piece = interesting[rng() % 15];
                in.insert(in.begin() + static_cast<long>(in.empty() ? 0 : rng() % (in.size() + 1)),
                          piece.begin(), piece.end() == piece.begin() ? piece.end() : piece.end());
                break;
            }
            case 3:
                if (!in.empty()) {
                    const std::size_t at = rng() % in.size();
                    const std::size_t len = std::min<std::size_t>(in.size() - at, 1 + rng() % 16);
                    in.erase(in.begin() + static_cast<long>(at), in.begin() + static_cast<long>(at + len));
                }
                break;
            case 4:
                if (!corpus.empty()) {
                    const auto& other = corpus[rng() % corpus.size()];
                    if (!other.empty()) {
                        const std::size_t from = rng() % other.size();
                        const std::size_t len = std::min<std::size_t>(other.size() - from, 1 + rng() % 64);
                        const std::size_t at = in.empty() ? 0 : rng() % (in.size() + 1);
                        in.insert(in.begin() + static_cast<long>(at), other.begin() + static_cast<long>(from),
                                  other.begin() + static_cast<long>(from + len));
                    }
                }
                break;
            default:
                if (in.size() > 1) in.resize(rng() % in.size());
                break;
        }
    }
    return in;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 5;
    std::vector<std::vector<std::uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-seconds=", 0) == 0) {
            seconds = std::stod(arg.substr(9));
            continue;
        }
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(arg);
        }
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    for (const auto& input : corpus) RunOne(input);
    RunOne({});

    std::mt19937 rng(12345);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end && !corpus.empty()) {
        RunOne(Mutate(corpus[rng() % corpus.size()], corpus, rng));
        ++runs;
    }
    std::printf("%zu corpus inputs, %ld mutated runs\n", corpus.size(), runs);
    return 0;
}
