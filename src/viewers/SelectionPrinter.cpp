#include "viewers/SelectionPrinter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/Text.h"
#include "htmlview/HtmlView.h"
#include "viewers/Printing.h"

SelectionPrinter::SelectionPrinter(QWidget* parent) : QWidget(parent) {
    setObjectName("SharedSelectionPrinter");
    PrintText = new QTextEdit(this);
    PrintText->setObjectName("PrintText");
    PrintText->setAcceptRichText(false);
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    PrintText->setFont(font);
    PrintText->document()->setDefaultFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PrintText);
}

SelectionPrinter& SharedSelectionPrinter() {
    static QPointer<SelectionPrinter> form;
    if (form.isNull()) {
        form = new SelectionPrinter;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, form.data(),
                         &QObject::deleteLater);
    }
    return *form;
}

void PrintSelectedHTMLText(HtmlView& control) {
    QTextEdit& box = *SharedSelectionPrinter().PrintText;
    // The address line and two lines of one blank, then the selection as it stands.
    box.clear();
    const QString heading = QString::fromStdString(LowerCase(control.URL())) + "\n \n \n";
    box.setPlainText(heading + QString::fromStdString(control.GetSelectedText(-1, -1)));
    PrintTextDocument(*box.document(), QString::fromStdString(control.URL()));
}
