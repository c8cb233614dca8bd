#pragma once

#include <QWidget>

class QTextEdit;
class THTML;

// The hidden window whose text box stages what PrintSelectedHTMLText prints. There is one for
// the whole program; it is never shown.
class TPrintHTMLTextForm : public QWidget {
    Q_OBJECT
  public:
    explicit TPrintHTMLTextForm(QWidget* parent = nullptr);

    QTextEdit* RichEdit1;
};

// The program's one staging window, made on first use.
TPrintHTMLTextForm& PrintHTMLTextForm();

// Prints the text selected in the control, headed by its address in lower case and two blank
// lines, as one job titled with the address. Raises EPrintError when nothing could be printed.
void PrintSelectedHTMLText(THTML& control);
