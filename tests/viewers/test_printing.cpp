#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPrinterInfo>
#include <QTest>
#include <QTextEdit>

#include "htmlview/HtmlView.h"
#include "support/PictureFixtures.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "viewers/Printing.h"
#include "viewers/SelectionPrinter.h"

namespace {

class PrintingTest : public ::testing::Test {
  protected:
    PrintingTest() { EnsureQtApp(); }
    ~PrintingTest() override { SetPrintToFile(""); }

    std::string Write(const std::string& name, const std::string& bytes) {
        WriteBytes(folder.Text() + name, bytes);
        return folder.Text() + name;
    }
    void Show(HtmlView& html, const std::string& path) {
        html.ShowURL(HtmlView::LocalFileURL(path));
        if (!QTest::qWaitFor([&] { return !html.Retrieving(); }, 10000))
            ADD_FAILURE() << "the page is still loading";
    }
    // Pages in a PDF file that the program wrote.
    int PdfPages(const std::string& path) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) return -1;
        return static_cast<int>(file.readAll().count("/Type /Page\n"));
    }

    TempFolder folder;
};

}  // namespace

TEST_F(PrintingTest, SelectedTextIsStagedUnderTheLowerCaseAddress) {
    SetPrintToFile(folder.Text() + "selection.pdf");
    const std::string page = Write("Page.HTML", "<p>First words</p><p>Second words</p>");
    HtmlView html;
    Show(html, page);
    const std::string address = HtmlView::LocalFileURL(page);
    const QString lower = QString::fromStdString(address).toLower();
    QTextEdit& box = *SharedSelectionPrinter().PrintText;

    struct Case {
        const char* Label;
        bool SelectAll;
        QString Staged;
    };
    const Case cases[] = {
        {"nothing selected: the address and two blank lines", false, lower + "\n \n \n"},
        {"everything selected", true, lower + "\n \n \nFirst words\nSecond words"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        if (c.SelectAll) html.SelectAll();
        PrintSelectedHTMLText(html);
        EXPECT_EQ(box.toPlainText(), c.Staged);
        EXPECT_GE(PdfPages(folder.Text() + "selection.pdf"), 1);
    }
    EXPECT_FALSE(SharedSelectionPrinter().isVisible());
    EXPECT_EQ(&SharedSelectionPrinter(), &SharedSelectionPrinter());  // one for the whole program
}

TEST_F(PrintingTest, LongTextRunsOverSeveralPages) {
    const std::string pdf = folder.Text() + "long.pdf";
    SetPrintToFile(pdf);
    std::string lines;
    for (int i = 0; i < 400; ++i) lines += "line " + std::to_string(i) + "\n";
    EXPECT_EQ(ShellPrint(Write("long.txt", lines)), "");
    EXPECT_GE(PdfPages(pdf), 3);
}

TEST_F(PrintingTest, ThePrintVerbPrintsPagesTextsAndPictures) {
    Write("red.gif", EncodeGif(QuadrantPicture(20, 20)));
    struct Case {
        const char* Name;
        std::string Bytes;
        bool Printed;
    };
    const Case cases[] = {
        {"page.html", "<p>a page <img src=\"red.gif\"></p>", true},
        {"notes.txt", "some notes", true},
        {"photo.jpg", EncodeJpeg(QuadrantPicture(300, 200)), true},
        {"icon.ico", EncodeWithQt(QuadrantPicture(32, 32), "ICO"), true},
        {"archive.zip", std::string("PK\3\4\0\0\0\0", 8), false},
        {"broken.gif", "GIF89a", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string pdf = folder.Text() + "out" + std::to_string(n++) + ".pdf";
        SetPrintToFile(pdf);
        const std::string error = ShellPrint(Write(c.Name, c.Bytes));
        EXPECT_EQ(error.empty(), c.Printed) << error;
        EXPECT_EQ(QFile::exists(QString::fromStdString(pdf)), c.Printed);
    }
    EXPECT_NE(ShellPrint(folder.Text() + "missing.txt").find("missing.txt"), std::string::npos);
}

TEST_F(PrintingTest, WithoutAPrinterTheErrorIsTold) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "this machine has a printer";
    SetPrintToFile("");
    const std::string error = ShellPrint(Write("a.txt", "text"));
    EXPECT_EQ(error, "There is no default printer currently selected.");
    HtmlView html;
    EXPECT_THROW(PrintSelectedHTMLText(html), PrintError);
}
