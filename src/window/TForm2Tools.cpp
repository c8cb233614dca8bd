// The tool windows the main window opens: the viewer, the file finder and the About box.
#include <QMessageBox>

#include "window/TForm2.h"

void TForm2::OpenViewerWindow(int listIndex) { (void)listIndex; }

void TForm2::FindBtnClick() {}

void TForm2::AboutBtnClick() {
    QMessageBox::about(this, QStringLiteral("About Lanternway 1.3"),
                       QStringLiteral("Lanternway 1.3\nAn offline browser."));
}
