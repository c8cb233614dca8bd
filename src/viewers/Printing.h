#pragma once

#include <QString>
#include <stdexcept>
#include <string>

class QImage;
class QTextDocument;

// Printing goes to the default printer, on the whole page (no margins of our own), laid out
// page by page. Failures raise PrintError with a message for the person.
class PrintError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Sends every later print job into this PDF file instead of the printer (empty: the printer
// again). For machines without a printer, and for tests.
void SetPrintToFile(const std::string& pdfPath);
const std::string& PrintToFile();

// One print job titled `title` holding the whole document.
void PrintTextDocument(const QTextDocument& document, const QString& title);
// One print job holding the picture, fitted to the page without changing its proportions.
void PrintImage(const QImage& image, const QString& title);

// The desktop's "print" verb: prints a page (with its pictures), a text file or a picture the
// way the program prints everything else. Gives the reason when nothing was printed (no
// printer, unreadable file, unknown kind), otherwise empty.
std::string ShellPrint(const std::string& path);
