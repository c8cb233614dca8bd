#include "about/SystemInformation.h"

#include <sys/sysinfo.h>

#include <QSysInfo>
#include <charconv>
#include <fstream>
#include <string>

KernelVersion ParseKernelVersion(std::string_view text) {
    int parts[3] = {0, 0, 0};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 3 && p < end; ++i) {
        auto [next, error] = std::from_chars(p, end, parts[i]);
        if (error != std::errc()) {
            parts[i] = 0;
            break;
        }
        p = next;
        if (p == end || *p != '.') break;
        ++p;
    }
    return {parts[0], parts[1], parts[2]};
}

QString OperatingSystemLine(const QString& name, const KernelVersion& version) {
    return QString::asprintf("%s %d.%d (Build %d)", name.toUtf8().constData(), version.Major,
                             version.Minor, version.Build);
}

QString OperatingSystemLine() {
    QString name = QSysInfo::kernelType();
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    return OperatingSystemLine(name, ParseKernelVersion(QSysInfo::kernelVersion().toStdString()));
}

int MemoryLoadPercent(std::int64_t totalBytes, std::int64_t availableBytes) {
    if (totalBytes <= 0) return 0;
    if (availableBytes < 0) availableBytes = 0;
    if (availableBytes > totalBytes) availableBytes = totalBytes;
    return static_cast<int>((totalBytes - availableBytes) * 100 / totalBytes);
}

MemoryStatus ReadMemoryStatus() {
    MemoryStatus status;
    struct sysinfo info {};
    if (sysinfo(&info) == 0) {
        const auto unit = static_cast<std::int64_t>(info.mem_unit ? info.mem_unit : 1);
        status.TotalBytes = static_cast<std::int64_t>(info.totalram) * unit;
        status.AvailableBytes =
            (static_cast<std::int64_t>(info.freeram) + static_cast<std::int64_t>(info.bufferram)) *
            unit;
    }
    // Free memory alone counts the page cache as used; the kernel's own estimate does not.
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::int64_t kilobytes = 0;
    std::string unitText;
    while (meminfo >> key >> kilobytes) {
        std::getline(meminfo, unitText);
        if (key == "MemAvailable:") {
            status.AvailableBytes = kilobytes * 1024;
            break;
        }
    }
    status.MemoryLoad = MemoryLoadPercent(status.TotalBytes, status.AvailableBytes);
    return status;
}

QString RamText(std::int64_t totalBytes, const QLocale& locale) {
    QLocale withSeparators = locale;
    withSeparators.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("RAM: ") +
           withSeparators.toString(static_cast<qlonglong>(totalBytes / (1024 * 1024))) +
           QStringLiteral(" MB");
}

QString MemoryInUseText(int load) {
    return QStringLiteral("Memory in Use: ") + QString::asprintf("%d %%", load);
}
