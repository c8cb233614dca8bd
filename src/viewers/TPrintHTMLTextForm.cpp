#include "viewers/TPrintHTMLTextForm.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/Text.h"
#include "htmlcontrol/THTML.h"
#include "viewers/Printing.h"

TPrintHTMLTextForm::TPrintHTMLTextForm(QWidget* parent) : QWidget(parent) {
    setObjectName("PrintHTMLTextForm");
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setAcceptRichText(false);
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    RichEdit1->setFont(font);
    RichEdit1->document()->setDefaultFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
}

TPrintHTMLTextForm& PrintHTMLTextForm() {
    static QPointer<TPrintHTMLTextForm> form;
    if (form.isNull()) {
        form = new TPrintHTMLTextForm;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, form.data(),
                         &QObject::deleteLater);
    }
    return *form;
}

void PrintSelectedHTMLText(THTML& control) {
    QTextEdit& box = *PrintHTMLTextForm().RichEdit1;
    // The address line and two lines of one blank, then the selection as it stands.
    box.clear();
    const QString heading = QString::fromStdString(LowerCase(control.URL())) + "\n \n \n";
    box.setPlainText(heading + QString::fromStdString(control.GetSelectedText(-1, -1)));
    PrintTextDocument(*box.document(), QString::fromStdString(control.URL()));
}
