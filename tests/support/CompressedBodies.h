#pragma once

#include <cstdint>
#include <string>

// Bodies as servers send them with Content-Encoding.
enum class Packing { Gzip, Zlib, BareDeflate };
std::string Packed(const std::string& bytes, Packing packing);

// A gzip file of `bytes` zero bytes (a multiple of 1 MiB), made in a moment from one
// compressed MiB repeated: about a thousandth of its unpacked size, as a reply that would fill
// the memory of a client that unpacks it all at once.
std::string GzipOfZeros(std::int64_t bytes);
