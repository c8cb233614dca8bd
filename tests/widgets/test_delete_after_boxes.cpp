// Windows that delete themselves on close, closed while one of their real boxes runs its event
// loop (by a timer, by the end of a session): the box ends normally and the window goes after it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cctype>
#include <functional>

#include "finder/FinderWindow.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/FullScreenShow.h"
#include "viewers/ViewerDialogs.h"
#include "viewers/ViewerWindow.h"
#include "widgets/DeleteAfterBoxes.h"

namespace {

struct NoFiles : ViewerFileSource {
    std::string Folder;
    bool FileListViewVisible() const override { return true; }
    int FileListViewCount() const override { return 0; }
    int LocalFilesCount() const override { return 0; }
    std::string ItemPath(int) const override { return {}; }
    std::string ItemDisplayName(int) const override { return {}; }
};

// A window of the program with one of its boxes: `open` makes and shows the window, `runBox`
// opens the box and returns when it has ended.
struct WindowWithBox {
    const char* name;
    std::function<QWidget*(QtViewerDialogs&, NoFiles&)> open;
    std::function<void(QWidget*)> runBox;
};

const WindowWithBox kWindows[] = {
    {"full-screen show, key help",
     [](QtViewerDialogs& dialogs, NoFiles&) {
         return new FullScreenShow(FullScreenShowSource{}, dialogs);
     },
     [](QWidget* w) { static_cast<FullScreenShow*>(w)->ShowKeyHelp(); }},
    {"document source, font dialog",
     [](QtViewerDialogs& dialogs, NoFiles&) { return new DocumentSourceWindow(nullptr, dialogs); },
     [](QWidget* w) { static_cast<DocumentSourceWindow*>(w)->ChooseSourceFont(); }},
    {"finder, folder picker",
     [](QtViewerDialogs& dialogs, NoFiles&) { return new FinderWindow(nullptr, &dialogs); },
     [](QWidget* w) { static_cast<FinderWindow*>(w)->ChooseStartFolder(); }},
    {"viewer, colour dialog",
     [](QtViewerDialogs& dialogs, NoFiles& files) {
         return new ViewerWindow(files, nullptr, &dialogs);
     },
     [](QWidget* w) { static_cast<ViewerWindow*>(w)->ChooseBackgroundColour(); }},
};

class ClosedUnderItsBox : public ::testing::TestWithParam<WindowWithBox> {
  protected:
    void SetUp() override {
        EnsureQtApp();
        files.Folder = folder.Text();
    }

    // While the box is up: close the window (or ask for its deletion) and let pending
    // deletions run inside the box's loop, as a nested event loop of the program does; then
    // end the box, and any box after it.
    void CloseUnderTheBox(QPointer<QWidget> window, bool showAgain = false,
                          bool deleteInstead = false) {
        QObject::connect(&answerer, &QTimer::timeout, [=, this] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) return;
            if (!closed) {
                closed = true;
                if (deleteInstead)
                    window->deleteLater();
                else
                    window->close();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                aliveUnderBox = !window.isNull();
                if (showAgain && window) window->show();
            }
            box->close();
        });
        answerer.start(20);
    }

    TempFolder folder;
    NoFiles files;
    QtViewerDialogs dialogs;
    QTimer answerer;
    bool closed = false;
    bool aliveUnderBox = false;
};

}  // namespace

TEST_P(ClosedUnderItsBox, IsDeletedOnlyAfterTheBoxHasEnded) {
    QPointer<QWidget> window = GetParam().open(dialogs, files);
    window->show();
    CloseUnderTheBox(window);
    GetParam().runBox(window);
    EXPECT_TRUE(aliveUnderBox);
    ASSERT_FALSE(window.isNull());  // the handler that ran the box may still use its window
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    delete window.data();
}

// Deleted, not closed, while the box is up (a deletion asked for by anyone, run by a nested
// loop): the deletion waits for the box, which lives on the stack of the window's handler.
TEST_P(ClosedUnderItsBox, ADeletionAskedForUnderTheBoxWaitsForIt) {
    QPointer<QWidget> window = GetParam().open(dialogs, files);
    window->show();
    CloseUnderTheBox(window, false, true);
    GetParam().runBox(window);
    EXPECT_TRUE(aliveUnderBox);
    ASSERT_FALSE(window.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    delete window.data();
}

INSTANTIATE_TEST_SUITE_P(Windows, ClosedUnderItsBox, ::testing::ValuesIn(kWindows),
                         [](const auto& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             return name;
                         });

// Closed and opened again while the box was up: the window stays, and closes as before.
TEST_F(ClosedUnderItsBox, ShownAgainUnderTheBoxItIsKept) {
    auto* plain = new QWidget;
    plain->setAttribute(Qt::WA_DeleteOnClose);
    struct Closing : QObject {
        bool eventFilter(QObject* w, QEvent* e) override {
            if (e->type() == QEvent::Close) DeleteAfterBoxes(static_cast<QWidget*>(w));
            return false;
        }
    } closing;
    plain->installEventFilter(&closing);
    QPointer<QWidget> window = plain;
    window->show();
    CloseUnderTheBox(window, /*showAgain=*/true);
    QMessageBox(QMessageBox::Information, "t", "box", QMessageBox::Ok, plain).exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}
