#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "window/DesktopDisplay.h"

namespace {

const std::string kProgram = std::string(LW_BINARY_DIR) + "/lanternway";
// Started through env(1), which takes the display variables away.

struct DisplayCase {
    const char* Label;
    std::vector<std::string> Arguments;  // after the program name
    std::map<std::string, std::string> Environment;
    bool Usable;
};

class DesktopDisplay : public testing::TestWithParam<DisplayCase> {};

}  // namespace

TEST_P(DesktopDisplay, TellsWhetherTheWindowsCanOpen) {
    const DisplayCase& c = GetParam();
    std::vector<std::string> arguments{"lanternway"};
    arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
    const std::string message = MissingDisplayMessage(
        arguments,
        [&](const char* name) {
            const auto found = c.Environment.find(name);
            return found == c.Environment.end() ? std::string() : found->second;
        },
        "/opt/lw/lanternway-get");
    if (c.Usable) {
        EXPECT_EQ(message, "");
    } else {
        EXPECT_NE(message.find("needs a display (X11 or Wayland)"), std::string::npos) << message;
        EXPECT_NE(message.find("use /opt/lw/lanternway-get"), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Platforms, DesktopDisplay,
    testing::Values(
        DisplayCase{"nothing set", {}, {}, false},
        DisplayCase{"empty values", {}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
        DisplayCase{"an X server", {}, {{"DISPLAY", ":0"}}, true},
        DisplayCase{"a Wayland compositor", {}, {{"WAYLAND_DISPLAY", "wayland-0"}}, true},
        DisplayCase{"offscreen", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, true},
        DisplayCase{"minimal", {}, {{"QT_QPA_PLATFORM", "minimal"}}, true},
        DisplayCase{"vnc with options", {}, {{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, true},
        DisplayCase{"xcb asked without X", {}, {{"QT_QPA_PLATFORM", "xcb"}}, false},
        DisplayCase{"xcb asked, only Wayland there",
                    {},
                    {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}},
                    false},
        DisplayCase{"wayland asked without a compositor",
                    {},
                    {{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":0"}},
                    false},
        DisplayCase{"a list with a fallback that works",
                    {},
                    {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}},
                    true},
        DisplayCase{"platform argument", {"-platform", "offscreen"}, {}, true},
        DisplayCase{"platform argument with equals", {"--platform=minimal"}, {}, true},
        DisplayCase{"argument wins over the variable",
                    {"-platform", "xcb"},
                    {{"QT_QPA_PLATFORM", "offscreen"}},
                    false},
        DisplayCase{"a session file is not a platform", {"site.lwa"}, {}, false}),
    [](const testing::TestParamInfo<DisplayCase>& info) {
        std::string name;
        for (const char* p = info.param.Label; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

// The program itself, started as a person would on a machine without a display: a plain
// message and a failure status, not Qt's abort (status 134) with its plugin report.
TEST(DesktopProgram, WithoutADisplaySaysWhatItNeedsAndFails) {
    std::string output;
    const int code = RunCommand({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                 "QT_QPA_PLATFORM", kProgram},
                                &output);
    EXPECT_EQ(code, 1) << output;
    EXPECT_EQ(output,
              "Lanternway is a desktop program and needs a display (X11 or Wayland), but none "
              "was found: DISPLAY and WAYLAND_DISPLAY are not set.\n"
              "To copy a site without a display, use " +
                  std::string(LW_BINARY_DIR) + "/lanternway-get (" + LW_BINARY_DIR +
                  "/lanternway-get --help lists its options).\n");
    EXPECT_EQ(output.find("qt.qpa"), std::string::npos);
}

// Tests and kiosks choose a platform that needs no display: the program starts and keeps
// running until it is stopped. Its settings go to a home of its own.
TEST(DesktopProgram, AnExplicitPlatformWithoutDisplayStillStarts) {
    TempFolder scratch;
    const std::string log = scratch.Text() + "output";
    Subprocess program(
        {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=offscreen",
         "ASAN_OPTIONS=detect_leaks=0", "HOME=" + scratch.Text(), kProgram},
        {.OutputFile = log, .WorkingFolder = scratch.Text()});
    for (int waited = 0; waited < 3000 && program.Running(); waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(program.Running()) << ReadWholeFile(log);
    program.Stop();
    EXPECT_EQ(ReadWholeFile(log).find("needs a display"), std::string::npos);
}
