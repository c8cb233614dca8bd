#pragma once

#include <QWidget>

class QTextEdit;
class HtmlView;

// The hidden window whose text box stages what PrintSelectedHTMLText prints. There is one for
// the whole program; it is never shown.
class SelectionPrinter : public QWidget {
    Q_OBJECT
  public:
    explicit SelectionPrinter(QWidget* parent = nullptr);

    QTextEdit* PrintText;
};

// The program's one staging window, made on first use.
SelectionPrinter& SharedSelectionPrinter();

// Prints the text selected in the control, headed by its address in lower case and two blank
// lines, as one job titled with the address. Raises PrintError when nothing could be printed.
void PrintSelectedHTMLText(HtmlView& control);
