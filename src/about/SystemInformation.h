#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <string_view>

// What the About box tells about the machine: the operating system and the memory.

struct KernelVersion {
    int Major = 0;
    int Minor = 0;
    int Build = 0;
};

// "6.1.0-18-amd64" -> 6, 1, 0. Missing or unreadable parts are 0.
KernelVersion ParseKernelVersion(std::string_view text);

// "%s %d.%d (Build %d)" for the running kernel, e.g. "Linux 6.1 (Build 0)".
QString OperatingSystemLine();
QString OperatingSystemLine(const QString& name, const KernelVersion& version);

struct MemoryStatus {
    std::int64_t TotalBytes = 0;      // physical memory
    std::int64_t AvailableBytes = 0;  // what programs can still have without swapping
    int MemoryLoad = 0;               // per cent in use, 0..100
};

// Reads sysinfo(2), and /proc/meminfo for the memory the kernel can give back (caches).
MemoryStatus ReadMemoryStatus();
int MemoryLoadPercent(std::int64_t totalBytes, std::int64_t availableBytes);

// "RAM: 16,384 MB" (megabytes of 1,048,576 bytes, the locale's thousands separators).
QString RamText(std::int64_t totalBytes, const QLocale& locale = QLocale());
// "Memory in Use: 37 %".
QString MemoryInUseText(int load);
