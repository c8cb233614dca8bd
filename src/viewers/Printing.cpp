#include "viewers/Printing.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>
#include <memory>

#include "core/FileNames.h"
#include "core/Text.h"
#include "imaging/Picture.h"

namespace {

std::string& PdfTarget() {
    static std::string path;
    return path;
}

// A printer set up for one job: the PDF file when one is set, else the default printer.
std::unique_ptr<QPrinter> MakePrinter(const QString& title) {
    std::unique_ptr<QPrinter> printer;
    if (!PdfTarget().empty()) {
        printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(PdfTarget()));
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) throw PrintError("There is no default printer currently selected.");
        printer = std::make_unique<QPrinter>(info, QPrinter::ScreenResolution);
    }
    printer->setDocName(title);
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
    return printer;
}

void CheckPrinted(const QPrinter& printer) {
    if (printer.printerState() == QPrinter::Error)
        throw PrintError("Printing failed on \"" + printer.printerName().toStdString() + "\".");
    if (!PdfTarget().empty() && !QFileInfo::exists(printer.outputFileName()))
        throw PrintError("Printing failed: cannot write \"" + PdfTarget() + "\".");
}

// A page printed from its file: its pictures come from beside it, through our decoders.
class LocalPage : public QTextDocument {
  public:
    explicit LocalPage(const QUrl& base) { setBaseUrl(base); }

  protected:
    QVariant loadResource(int type, const QUrl& name) override {
        const QUrl url = baseUrl().resolved(name);
        if (type != QTextDocument::ImageResource || !url.isLocalFile()) return {};
        try {
            return LoadPicture(url.toLocalFile().toStdString());
        } catch (const PictureError&) {
            return {};
        }
    }
};

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

void SetPrintToFile(const std::string& pdfPath) {
    PdfTarget() = pdfPath;
}
const std::string& PrintToFile() {
    return PdfTarget();
}

void PrintTextDocument(const QTextDocument& document, const QString& title) {
    auto printer = MakePrinter(title);
    // Laid out for the page itself, so that the document adds no margins of its own.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(printer.get());
    copy->setPageSize(printer->pageRect(QPrinter::DevicePixel).size());
    copy->print(printer.get());
    CheckPrinted(*printer);
}

void PrintImage(const QImage& image, const QString& title) {
    auto printer = MakePrinter(title);
    QPainter painter;
    if (!painter.begin(printer.get()))
        throw PrintError("Printing failed: the printer could not be opened.");
    const QRect page = printer->pageRect(QPrinter::DevicePixel).toRect();
    QSize size = image.size();
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    painter.drawImage(
        QRect(QPoint(page.left() + (page.width() - size.width()) / 2, page.top()), size), image);
    painter.end();
    CheckPrinted(*printer);
}

std::string ShellPrint(const std::string& path) {
    const QString file = QString::fromStdString(path);
    const QString title = file;
    try {
        const std::string ext = LowerCase(FileExtension(path));
        if (PictureKindOfExtension(ext) != PictureKind::Unknown) {
            PrintImage(LoadPicture(path), title);
            return {};
        }
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return "Cannot open file \"" + path + "\". " + in.errorString().toStdString();
        const QByteArray bytes = in.readAll();
        const bool page =
            ext == ".html" || ext == ".htm" || ext == ".shtml" || ext == ".shtm" || ext == ".asp";
        if (!page && bytes.left(4096).contains('\0'))
            return "\"" + path + "\" is neither a page, a text nor a picture.";
        LocalPage document(QUrl::fromLocalFile(file));
        if (page)
            document.setHtml(DecodeText(bytes));
        else
            document.setPlainText(DecodeText(bytes));
        PrintTextDocument(document, title);
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
}
