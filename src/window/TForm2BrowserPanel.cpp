// The lower pane's browser panel and the local-files view, as far as the grid and the project
// lists need them: switching the bottom bar's button sets and the lower pane's contents.
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

#include "shell/TSystemTreeView.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"

bool TForm2::BrowserPanelShown() const { return Mgrid1->isHidden(); }

void TForm2::HideBrowserPanel() {}

void TForm2::ShowBrowserPanel() {}

void TForm2::VisibleHTMLButtons(bool show) {
    HTMLButtonsBar->setVisible(show);
    Image2->setVisible(!show);
    Label3->setVisible(!show);
    CThreadRunning->setVisible(!show);
    CMessage->setVisible(!show);
}

void TForm2::EnableDisableHTMLButtons() {}

void TForm2::EnableDisableFullScreenBtn() {}

void TForm2::EnableBackForward(bool localHistory) { (void)localHistory; }

void TForm2::DisplayFile(bool projectList) { (void)projectList; }

bool TForm2::ShowFullScreenEnabled() const { return false; }

void TForm2::ShowFullScreenBtnClick() {}

void TForm2::ViewLocalFilesBtnClick() {
    ViewLocalFiles1->setChecked(true);
    ViewBrowserPanelBtn->setEnabled(false);
    ViewGridBtn->setEnabled(true);
    SystemTreeView1->show();
    SystemListView1->show();
    DirTree->hide();
    FileListView->hide();
    Mgrid1->hide();
    VisibleHTMLButtons(true);
}

void TForm2::ViewLocalFiles1Click() {
    if (LocalListVisible()) {
        ViewGridBtnClick();
        ViewLocalFiles1->setChecked(false);
    } else {
        ViewLocalFilesBtnClick();
    }
}

void TForm2::SystemTreeView1Click() {}
