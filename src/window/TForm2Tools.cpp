// The tool windows the main window opens: the viewer, the file finder and the About box.
#include "about/TAboutBox.h"
#include "viewers/FindFile.h"
#include "viewers/HtmlViewer.h"
#include "window/TForm2.h"

void TForm2::OpenViewerWindow(int listIndex) {
    auto* viewer = new THtmlViewerForm(*this, this);  // closes itself on Exit
    viewer->ListIndex = listIndex;
    viewer->show();
    viewer->ShowFile();
}

void TForm2::FindBtnClick() {
    auto* finder = new TFindFileForm(this);  // closes itself
    finder->ShowAboutBox = [this](QWidget* owner) {
        TAboutBox box(owner ? owner : this);
        box.exec();
    };
    finder->show();
}

void TForm2::AboutBtnClick() {
    TAboutBox box(this);
    box.exec();
}

// --- What the viewer window reads from the lists ---------------------------------------------

bool TForm2::FileListViewVisible() const {
    return ProjectListVisible();
}

int TForm2::FileListViewCount() const {
    return FileListView->Count();
}

int TForm2::SystemListView1Count() const {
    return SystemListView1->Count();
}

std::string TForm2::ItemPath(int index) const {
    const TSystemListView* list = ProjectListVisible() ? FileListView : SystemListView1;
    if (index < 0 || index >= list->Count()) return {};
    return list->ItemPath(index).toStdString();
}

std::string TForm2::ItemDisplayName(int index) const {
    const TSystemListView* list = ProjectListVisible() ? FileListView : SystemListView1;
    if (index < 0 || index >= list->Count()) return {};
    return list->ItemName(index).toStdString();
}

std::string TForm2::ProjectFolder() const {
    return state_->ProjectFolder;
}

std::string TForm2::LocalFilesFolder() const {
    return localFilesFolder_;
}
