#include "support/NoPermissionOverride.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

namespace {
constexpr unsigned OverrideBits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
}

NoPermissionOverride::NoPermissionOverride() {
    if (::geteuid() != 0) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return;
    static_assert(sizeof data == sizeof saved_);
    std::memcpy(saved_, data, sizeof data);
    data[0].effective &= ~OverrideBits;
    lowered_ = ::syscall(SYS_capset, &header, data) == 0;
}

NoPermissionOverride::~NoPermissionOverride() {
    if (!lowered_) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    std::memcpy(data, saved_, sizeof data);
    ::syscall(SYS_capset, &header, data);
}

bool ReadableDespitePermissions(const char* path) {
    const int probe = ::open(path, O_RDONLY | O_CLOEXEC);
    if (probe < 0) return false;
    ::close(probe);
    return true;
}
