#include "window/DesktopDisplay.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

namespace {

// "-platform NAME" (or "--platform NAME", "-platform=NAME") as QGuiApplication reads it.
std::string PlatformArgument(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        for (std::string_view flag : {"-platform", "--platform"}) {
            if (a == flag && i + 1 < arguments.size()) return arguments[i + 1];
            if (a.size() > flag.size() + 1 && a.compare(0, flag.size(), flag) == 0 &&
                a[flag.size()] == '=')
                return a.substr(flag.size() + 1);
        }
    }
    return {};
}

// The platform names of a platformList such as "wayland;xcb" or "vnc:size=800x600".
std::vector<std::string> PlatformNames(const std::string& platformList) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= platformList.size()) {
        std::size_t end = platformList.find(';', start);
        if (end == std::string::npos) end = platformList.size();
        std::string name = platformList.substr(start, end - start);
        name = name.substr(0, name.find(':'));
        if (!name.empty()) names.push_back(name);
        start = end + 1;
    }
    return names;
}

}  // namespace

std::string MissingDisplayMessage(const std::vector<std::string>& arguments,
                                  const EnvironmentLookup& environment,
                                  const std::string& getSite) {
    std::string platformList = PlatformArgument(arguments);
    if (platformList.empty()) platformList = environment("QT_QPA_PLATFORM");
    const bool x11 = !environment("DISPLAY").empty();
    const bool wayland = !environment("WAYLAND_DISPLAY").empty();

    const std::vector<std::string> names = PlatformNames(platformList);
    bool usable = names.empty() && (x11 || wayland);
    for (const std::string& name : names) {
        if (name == "xcb")
            usable = usable || x11;
        else if (name.rfind("wayland", 0) == 0)
            usable = usable || wayland;
        else  // offscreen, minimal, vnc, the framebuffer platforms: no display server needed
            usable = true;
    }
    if (usable) return {};
    return "Lanternway is a desktop program and needs a display (X11 or Wayland), but none was "
           "found: DISPLAY and WAYLAND_DISPLAY are not set.\n"
           "To copy a site without a display, use " +
           getSite + " (" + getSite + " --help lists its options).\n";
}

std::string SiblingGetSitePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || self.empty()) return "lanternway-get";
    return (self.parent_path() / "lanternway-get").string();
}

bool CheckDesktopDisplay(int argc, char** argv) {
    const std::string message = MissingDisplayMessage(
        std::vector<std::string>(argv, argv + argc),
        [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(value != nullptr ? value : "");
        },
        SiblingGetSitePath());
    if (message.empty()) return true;
    std::cerr << message << std::flush;
    return false;
}
