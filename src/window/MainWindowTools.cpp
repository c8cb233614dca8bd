// The tool windows the main window opens: the viewer, the file finder and the About box.
#include "about/AboutDialog.h"
#include "finder/FinderWindow.h"
#include "viewers/ViewerWindow.h"
#include "window/GridRules.h"
#include "window/LocalFilesView.h"
#include "window/MainWindow.h"
#include "window/ProjectBrowser.h"

void MainWindow::OpenViewerWindow(int listIndex) {
    auto* viewer = new ViewerWindow(*this, this);  // closes itself on Exit
    viewer->ListIndex = listIndex;
    viewer->show();
    viewer->ShowFile();
}

void MainWindow::OpenFinder() {
    auto* finder = new FinderWindow(this);  // closes itself
    finder->ShowAboutBox = [this](QWidget* owner) {
        AboutDialog box(owner ? owner : this);
        box.exec();
    };
    finder->show();
}

void MainWindow::ShowAbout() {
    AboutDialog box(this);
    box.exec();
}

// --- What the viewer window reads from the lists ---------------------------------------------

bool MainWindow::FileListViewVisible() const {
    return ProjectListVisible();
}

int MainWindow::FileListViewCount() const {
    return Project->List().Count();
}

int MainWindow::LocalFilesCount() const {
    return LocalFiles->List().Count();
}

std::string MainWindow::ItemPath(int index) const {
    return ListItemFile(ProjectListVisible() ? Project->List() : LocalFiles->List(), index);
}

std::string MainWindow::ListItemFile(const FolderFileList& list, int index) const {
    if (index < 0 || index >= list.Count()) return {};
    if (&list != &Project->List()) return list.ItemPath(index).toStdString();
    return ProjectListPath(*state_, list.Folder().toStdString(),
                           list.ItemName(index).toStdString());
}

std::string MainWindow::ItemDisplayName(int index) const {
    const FolderFileList* list = ProjectListVisible() ? &Project->List() : &LocalFiles->List();
    if (index < 0 || index >= list->Count()) return {};
    return list->ItemName(index).toStdString();
}

std::string MainWindow::ProjectFolder() const {
    return state_->ProjectFolder;
}

std::string MainWindow::LocalFilesFolder() const {
    return LocalFiles->Folder();
}
