#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>

#include "about/SystemInformation.h"
#include "about/AboutDialog.h"
#include "window/PleaseWaitPanel.h"
#include "support/GuiTestApp.h"

namespace {

TEST(SystemInformation, KernelVersions) {
    struct Case {
        const char* text;
        int major, minor, build;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"6.18.44-fc-v1300", 6, 18, 44},
        {"5.15", 5, 15, 0},
        {"4", 4, 0, 0},
        {"", 0, 0, 0},
        {"x.y", 0, 0, 0},
        {"10.0.19045", 10, 0, 19045},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        KernelVersion v = ParseKernelVersion(c.text);
        EXPECT_EQ(v.Major, c.major);
        EXPECT_EQ(v.Minor, c.minor);
        EXPECT_EQ(v.Build, c.build);
    }
    EXPECT_EQ(OperatingSystemLine("Linux", {6, 1, 76}), "Linux 6.1 (Build 76)");
}

TEST(SystemInformation, MemoryTexts) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(RamText(16LL * 1024 * 1024 * 1024, english), "RAM: 16,384 MB");
    EXPECT_EQ(RamText(16LL * 1024 * 1024 * 1024, german), "RAM: 16.384 MB");
    EXPECT_EQ(RamText(512LL * 1024 * 1024, english), "RAM: 512 MB");
    EXPECT_EQ(RamText(2LL * 1024 * 1024 * 1024 * 1024, QLocale::c()), "RAM: 2,097,152 MB");
    EXPECT_EQ(MemoryInUseText(37), "Memory in Use: 37 %");

    struct Load {
        std::int64_t total, available;
        int percent;
    };
    const Load loads[] = {{100, 63, 37}, {100, 100, 0}, {100, 0, 100},
                          {0, 0, 0},     {100, 150, 0}, {100, -5, 100}};
    for (const auto& l : loads)
        EXPECT_EQ(MemoryLoadPercent(l.total, l.available), l.percent)
            << l.total << "/" << l.available;

    MemoryStatus here = ReadMemoryStatus();
    EXPECT_GT(here.TotalBytes, 0);
    EXPECT_GE(here.MemoryLoad, 0);
    EXPECT_LE(here.MemoryLoad, 100);
}

TEST(AboutBox, ShowsTheMachineAndAnAnimatedPicture) {
    EnsureGuiApplication();
    AboutDialog box;
    EXPECT_EQ(box.ProductName->text(), "Lanternway 1.3");
    EXPECT_TRUE(QRegularExpression(R"(^\S.* \d+\.\d+ \(Build \d+\)$)")
                    .match(box.OSVersion->text())
                    .hasMatch())
        << box.OSVersion->text().toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^RAM: \d{1,3}([^\d]\d{3})* MB$)")
                    .match(box.PhysMem->text())
                    .hasMatch())
        << box.PhysMem->text().toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^Memory in Use: \d{1,3} %$)")
                    .match(box.MemoryInUse->text())
                    .hasMatch());

    // The picture decodes through the program's GIF decoder into frames that each differ from
    // the one before (a still or broken GIF would not), and the box steps through them.
    const auto& frames = box.PictureFrames();
    ASSERT_GT(frames.size(), 1u);
    const int count = static_cast<int>(frames.size());
    QImage strip(64 * count, 64, QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter p(&strip);
    int changes = 0;
    for (int i = 0; i < count; ++i) {
        const QImage& frame = frames[static_cast<std::size_t>(i)].Image;
        ASSERT_EQ(frame.size(), QSize(64, 64));
        p.drawImage(64 * i, 0, frame);
        if (i > 0 && frame != frames[static_cast<std::size_t>(i - 1)].Image) ++changes;
    }
    p.end();
    EXPECT_EQ(changes, count - 1);
    box.ShowFrame(1);
    EXPECT_EQ(box.CurrentFrame(), 1);
    EXPECT_EQ(box.ProgramIcon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              frames[1].Image.convertToFormat(QImage::Format_ARGB32));
    QDir().mkpath(QString(LW_BINARY_DIR) + "/screenshots");
    strip.save(QString(LW_BINARY_DIR) + "/screenshots/about-frames.png");
}

TEST(WaitPanel, StepsThroughThreeDistinctPictures) {
    EnsureGuiApplication();
    const QImage pictures[] = {WaitPicture(0).toImage(), WaitPicture(1).toImage(),
                               WaitPicture(2).toImage()};
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
    EXPECT_EQ(WaitPicture(7).toImage(), pictures[2]);  // out of range: the last one

    PleaseWaitPanel panel;
    panel.ShowPanel("Please Wait.", "Loading Session..");
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(panel.TitleLabel->text(), "Please Wait.");
    EXPECT_EQ(panel.MessageLabel->text(), "Loading Session..");
    EXPECT_EQ(panel.CurrentPicture(), 0);
    panel.ShowPicture(2);
    EXPECT_EQ(panel.PictureLabel->pixmap().toImage(), pictures[2]);
}

}  // namespace
