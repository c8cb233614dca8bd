#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>
#include <QTextDocument>
#include <filesystem>

#include "htmlview/HtmlView.h"
#include "support/NginxServer.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"

namespace {

// Records the control's events as short lines ("request <url>", "input", "end", "error <n>").
struct EventLog {
    std::vector<std::string> Lines;
    int Inputs = 0;
    std::string LastErrorText;

    void Bind(HtmlView& html) {
        html.OnDoRequestDoc = [this](const std::string& url, bool&) {
            Lines.push_back("request " + url);
        };
        html.OnDocInput = [this](const DocumentProgress&) { ++Inputs; };
        html.OnEndRetrieval = [this] { Lines.push_back("end"); };
        html.OnError = [this](int number, std::string& text, bool&) {
            Lines.push_back("error " + std::to_string(number));
            LastErrorText = text;
        };
    }
};

void WaitUntilIdle(HtmlView& html) {
    if (!QTest::qWaitFor([&] { return !html.Retrieving(); }, 10000))
        ADD_FAILURE() << "the control is still retrieving";
    QCoreApplication::processEvents();
}

class HtmlViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        html.resize(400, 300);
        log.Bind(html);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(
            std::filesystem::path(folder.Text() + name).parent_path());
        WriteBytes(folder.Text() + name, bytes);
        return folder.Text() + name;
    }
    std::string Url(const std::string& name) { return HtmlView::LocalFileURL(folder.Text() + name); }
    void Show(const std::string& name) {
        html.ShowURL(Url(name));
        WaitUntilIdle(html);
    }

    struct App {
        App() { EnsureQtApp(); }
    } app;  // before any widget
    TempFolder folder;
    HtmlView html;
    EventLog log;
};

// Pixels within `tolerance` of the colour on every channel.
int CountPixels(const QImage& image, QRgb colour, int tolerance = 0) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
                ++n;
        }
    return n;
}

}  // namespace

TEST_F(HtmlViewTest, EveryRequestRaisesItsEventsInOrder) {
    Write("Main.html", "<html><body><p>Hello page</p><a href=\"b.html\">b</a></body></html>");
    Write("b.html", "<p>Second</p>");
    html.ShowURL(Url("Main.html"));
    // The request is announced at once; the document arrives from the event loop.
    ASSERT_EQ(log.Lines, std::vector<std::string>{"request " + Url("Main.html")});
    EXPECT_TRUE(html.Retrieving());
    WaitUntilIdle(html);
    EXPECT_EQ(log.Lines.back(), "end");
    EXPECT_GE(log.Inputs, 1);
    EXPECT_EQ(html.CurrentDocInput().ExpectedBytes, html.CurrentDocInput().ReceivedBytes);
    EXPECT_EQ(html.URL(), Url("Main.html"));
    EXPECT_TRUE(html.toPlainText().contains("Hello page"));

    // A followed link goes through the same events.
    emit html.anchorClicked(QUrl("b.html"));
    WaitUntilIdle(html);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"request " + Url("Main.html"), "end",
                                                   "request " + Url("b.html"), "end"}));
    EXPECT_TRUE(html.toPlainText().contains("Second"));
    EXPECT_EQ(html.URL(), Url("b.html"));
}

TEST_F(HtmlViewTest, AJumpInsideThePageRetrievesNothing) {
    Write("long.html", "<p>top</p>" + std::string(2000, '\n') + "<a name=\"end\">end</a>");
    Show("long.html");
    log.Lines.clear();
    emit html.anchorClicked(QUrl("#end"));
    WaitUntilIdle(html);
    EXPECT_TRUE(log.Lines.empty());
}

TEST_F(HtmlViewTest, ARequestMadeDuringAnotherEndsTheEarlierOneFirst) {
    Write("a.html", "<p>A</p>");
    Write("b.html", "<p>B</p>");
    html.ShowURL(Url("a.html"));
    html.ShowURL(Url("b.html"));
    WaitUntilIdle(html);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"request " + Url("a.html"), "end",
                                                   "request " + Url("b.html"), "end"}));
    EXPECT_TRUE(html.toPlainText().contains("B"));
    EXPECT_FALSE(html.toPlainText().contains("A"));
}

TEST_F(HtmlViewTest, DocumentsShowByTheirKind) {
    struct Case {
        const char* Name;
        std::string Bytes;
        const char* Shown;  // text the control then holds; empty for an error
        int Error;
    };
    const Case cases[] = {
        {"page.htm", "<b>bold</b> words", "bold words", 0},
        {"page.shtml", "<p>server side</p>", "server side", 0},
        {"page.asp", "<p>asp page</p>", "asp page", 0},
        {"notes.txt", "<b>not markup</b>", "<b>not markup</b>", 0},
        {"latin.txt", "caf\xe9", "caf\xc3\xa9", 0},  // not UTF-8: read as Latin-1
        {"utf8.html", "<p>caf\xc3\xa9</p>", "caf\xc3\xa9", 0},
        {"100% done.html", "<p>percent</p>", "percent", 0},
        {"README", "plain words", "plain words", 0},
        {"archive.zip", std::string("PK\3\4\0\0\0\0", 8), "", HtmlErrorUnsupported},
        {"broken.jpg", "\xff\xd8\xff\xe0 nothing more", "", HtmlErrorUnsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        log.Lines.clear();
        Write(c.Name, c.Bytes);
        Show(c.Name);
        if (c.Error == 0) {
            EXPECT_EQ(log.Lines.back(), "end");
            EXPECT_TRUE(html.toPlainText().contains(QString::fromUtf8(c.Shown)))
                << html.toPlainText().toStdString();
        } else {
            EXPECT_EQ(log.Lines.back(), "error " + std::to_string(c.Error));
            EXPECT_TRUE(html.toPlainText().contains("cannot be shown"));
        }
    }
}

TEST_F(HtmlViewTest, AMissingFileEndsInAnErrorWithItsPath) {
    Show("gone.html");
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"request " + Url("gone.html"),
                                                   "error " + std::to_string(HtmlErrorFile)}));
    EXPECT_NE(log.LastErrorText.find(folder.Text() + "gone.html"), std::string::npos);
    EXPECT_FALSE(html.Retrieving());
}

TEST_F(HtmlViewTest, PagesRenderWithTheirPictures) {
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    QImage blue(20, 20, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    Write("red.gif", EncodeGif(red));
    Write("images/blue.jpg", EncodeJpeg(blue, {100}));
    Write("Main.html",
          "<p><img src=\"red.gif\"> <img src=\"images/blue.jpg\"> "
          "<img src=\"missing.gif\"></p>");
    Show("Main.html");
    const QImage shot = html.grab().toImage();
    EXPECT_EQ(CountPixels(shot, qRgb(255, 0, 0)), 40 * 30);
    EXPECT_GE(CountPixels(shot, qRgb(0, 0, 255), 8), 16 * 16);  // JPEG is lossy
}

TEST_F(HtmlViewTest, APictureFileIsShownOnItsOwn) {
    QImage red(50, 10, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    Write("alone.gif", EncodeGif(red));
    Show("alone.gif");
    EXPECT_EQ(log.Lines.back(), "end");
    EXPECT_EQ(CountPixels(html.grab().toImage(), qRgb(255, 0, 0)), 500);
}

TEST_F(HtmlViewTest, SelectionAndMouse) {
    Write("sel.html", "<p>first line</p><p>second line</p>");
    Show("sel.html");
    EXPECT_FALSE(html.HasSelection());
    EXPECT_EQ(html.GetSelectedText(-1, -1), "");
    html.SelectAll();
    EXPECT_TRUE(html.HasSelection());
    EXPECT_EQ(html.GetSelectedText(-1, -1), "first line\nsecond line");

    std::vector<std::tuple<Qt::MouseButton, int, int>> presses;
    html.OnMousePressed = [&](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        presses.emplace_back(b, x, y);
    };
    html.show();
    QTest::mousePress(html.viewport(), Qt::RightButton, {}, QPoint(10, 12));
    ASSERT_EQ(presses.size(), 1u);
    const QPoint offset = html.viewport()->mapTo(&html, QPoint(0, 0));
    EXPECT_EQ(presses[0], std::make_tuple(Qt::RightButton, 10 + offset.x(), 12 + offset.y()));
}

TEST_F(HtmlViewTest, AHostMayKeepADocumentFromLoadingAndStillSeesItEnd) {
    Write("a.html", "<p>never shown</p>");
    html.OnDoRequestDoc = [this](const std::string& url, bool& enable) {
        log.Lines.push_back("request " + url);
        enable = false;
    };
    Show("a.html");
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"request " + Url("a.html"), "end"}));
    EXPECT_FALSE(html.toPlainText().contains("never shown"));
}

TEST_F(HtmlViewTest, WebDocumentsAreFetchedAndShownLikeLocalOnes) {
    TempFolder site;
    QImage green(30, 20, QImage::Format_RGB32);
    green.fill(qRgb(0, 255, 0));
    WriteBytes(site.Text() + "green.gif", EncodeGif(green));
    WriteBytes(site.Text() + "index.html",
               "<p>Served page</p><img src=\"green.gif\"><a href=\"next.html\">next</a>");
    WriteBytes(site.Text() + "next.html", "<p>Next served page</p>");
    WriteBytes(site.Text() + "notes.txt", "<b>served text</b>");
    std::filesystem::create_directory(site.Path() / "moved");
    WriteBytes(site.Text() + "moved/index.html", "<p>After the redirect</p>");
    NginxServer web({.Root = site.Path()});

    const std::string index = web.Url("index.html");
    html.ShowURL(index);
    WaitUntilIdle(html);
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"request " + index, "end"}));
    EXPECT_TRUE(html.toPlainText().contains("Served page"));
    EXPECT_GT(html.CurrentDocInput().ReceivedBytes, 0);
    // The page's picture arrives after the page and is shown when it does.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return CountPixels(html.grab().toImage(), qRgb(0, 255, 0)) > 0; }, 10000));
    EXPECT_EQ(CountPixels(html.grab().toImage(), qRgb(0, 255, 0)), 30 * 20);

    emit html.anchorClicked(QUrl("next.html"));
    WaitUntilIdle(html);
    EXPECT_EQ(log.Lines.back(), "end");
    EXPECT_EQ(log.Lines[2], "request " + web.Url("next.html"));
    EXPECT_TRUE(html.toPlainText().contains("Next served page"));

    struct Case {
        std::string Url;
        const char* Shown;
        int Error;
    };
    const Case cases[] = {
        {web.Url("notes.txt"), "<b>served text</b>", 0},
        {web.Url("moved"), "After the redirect", 0},  // nginx sends a 301 to "moved/"
        {web.Url("absent.html"), "404", 404},
        {"http://127.0.0.1:1/closed.html", "127.0.0.1", HtmlErrorTransfer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url);
        log.Lines.clear();
        html.ShowURL(c.Url);
        WaitUntilIdle(html);
        ASSERT_EQ(log.Lines.size(), 2u);
        EXPECT_EQ(log.Lines[1], c.Error == 0 ? "end" : "error " + std::to_string(c.Error));
        EXPECT_TRUE(html.toPlainText().contains(c.Shown)) << html.toPlainText().toStdString();
    }
}
