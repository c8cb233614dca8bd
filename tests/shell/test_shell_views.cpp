#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QSignalSpy>
#include <QThread>
#include <QHeaderView>
#include <QListView>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "shell/ShellContextMenu.h"
#include "shell/ShellFileModel.h"
#include "shell/FolderWatcher.h"
#include "shell/PropertiesDialog.h"
#include "shell/FolderFileList.h"
#include "shell/FolderTree.h"
#include "support/QtApp.h"
#include "support/Screenshot.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

class ShellViews : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureQtApp();
        for (const char* name : {"b.html", "A.gif", "c.txt", ".hidden"})
            std::ofstream(folder.Path() / name) << "12345";
        fs::create_directory(folder.Path() / "sub");
    }
    QString Folder() const { return QString::fromStdString(folder.Path().string()); }
    TempFolder folder;
};

QStringList Names(const FolderFileList& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) names << list.ItemName(i);
    return names;
}

// Runs the event loop until the condition holds or a generous limit passes.
template <typename Condition>
bool WaitFor(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

}  // namespace

TEST_F(ShellViews, ListShowsVisibleFilesOnlySortedByName) {
    FolderFileList list;
    QAbstractItemModelTester tester(list.DetailsView()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.SetFolder(Folder());
    EXPECT_EQ(Names(list), (QStringList{"A.gif", "b.html", "c.txt"}));
    EXPECT_EQ(list.ItemPath(1), Folder() + "/b.html");
    // Size and date are looked up when a row is shown, from the file as it is then.
    std::ofstream(folder.Path() / "c.txt") << std::string(3000, 'x');
    const QAbstractItemModel& rows = *list.DetailsView()->model();
    for (int row = 0; row < 3; ++row) {
        const QString size = rows.data(rows.index(row, ShellFileModel::SizeColumn)).toString();
        EXPECT_EQ(size, row == 2 ? "3 KB" : "1 KB") << row;
        EXPECT_FALSE(rows.data(rows.index(row, ShellFileModel::ModifiedColumn)).toString().isEmpty());
    }
    list.SetFolder(Folder() + "/missing");
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ShellViews, ListFindsByBeginningAndRemovesOnlyFromTheList) {
    FolderFileList list;
    list.SetFolder(Folder());
    struct Case {
        const char* prefix;
        int start;
        bool wrap;
        int found;
    } cases[] = {{"b", 0, false, 1}, {"B.H", 0, false, 1}, {"a", 1, false, -1},
                 {"a", 1, true, 0},  {"c", 2, true, 2},    {"z", 0, true, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(list.FindCaption(c.prefix, c.start, c.wrap), c.found) << c.prefix << c.start;
    list.RemoveItem(0);
    list.RemoveItemsIf([](const ShellFileModel::Item& item) { return item.Name == "c.txt"; });
    EXPECT_EQ(Names(list), QStringList{"b.html"});
    EXPECT_TRUE(fs::exists(folder.Path() / "A.gif"));
    list.Refresh();
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(ShellViews, SelectionIsReportedInListOrderWhateverTheStyle) {
    FolderFileList list;
    list.SetFolder(Folder());
    list.SelectItem(2);
    list.SelectItem(0, false);
    for (auto style : {FolderFileList::ViewStyle::LargeIcon, FolderFileList::ViewStyle::SmallIcon,
                       FolderFileList::ViewStyle::List, FolderFileList::ViewStyle::Report}) {
        list.SetStyle(style);
        EXPECT_EQ(list.SelectedItems(), (std::vector<int>{0, 2}));
        EXPECT_EQ(list.Selected(), 0);
    }
    list.resize(400, 200);
    list.SetStyle(FolderFileList::ViewStyle::LargeIcon);
    list.show();
    SaveScreenshot(list, QStringLiteral("file-list-large-icons"));
    list.SetStyle(FolderFileList::ViewStyle::Report);
    SaveScreenshot(list, QStringLiteral("file-list-details"));
}

// Long names alike in their start: each stays in its own cell, and under large icons enough of
// each name shows to tell them apart.
TEST_F(ShellViews, LongNamesStayInTheirCellsInTheIconViews) {
    const char* const longNames[] = {"documentation-chapter-one-introduction.html",
                                     "documentation-chapter-two-introduction.html",
                                     "a-picture-with-a-very-long-name-number-1.gif"};
    for (const char* name : longNames) std::ofstream(folder.Path() / name) << "x";
    FolderFileList list;
    list.resize(640, 300);
    list.SetFolder(Folder());
    list.show();
    QListView* view = list.IconView();
    for (auto style : {FolderFileList::ViewStyle::SmallIcon, FolderFileList::ViewStyle::List,
                       FolderFileList::ViewStyle::LargeIcon}) {
        list.SetStyle(style);
        QApplication::processEvents();
        SaveScreenshot(list, QStringLiteral("file-list-long-names-%1").arg(int(style)));
        for (int i = 0; i < list.Count(); ++i) {
            const QRect a = view->visualRect(view->model()->index(i, 0));
            EXPECT_LE(a.width(), view->gridSize().width()) << list.ItemName(i).toStdString();
            for (int j = i + 1; j < list.Count(); ++j)
                EXPECT_FALSE(a.intersects(view->visualRect(view->model()->index(j, 0))))
                    << int(style) << ": " << list.ItemName(i).toStdString() << " / "
                    << list.ItemName(j).toStdString();
        }
    }
    // Under a large icon the name wraps over lines; a name of this length shows whole.
    const QSize grid = view->gridSize();
    const QRect text = view->fontMetrics().boundingRect(
        QRect(0, 0, grid.width() - 8, 1000), Qt::AlignHCenter | Qt::TextWrapAnywhere,
        QString::fromLatin1(longNames[0]));
    EXPECT_LE(text.height(), grid.height() - view->iconSize().height() - 8);
}

// The Modified column shows its date and time whole.
TEST_F(ShellViews, TheModifiedColumnFitsItsDate) {
    FolderFileList list;
    list.SetFolder(Folder());
    QTreeView* details = list.DetailsView();
    const int width = details->header()->sectionSize(ShellFileModel::ModifiedColumn);
    const QModelIndex index = details->model()->index(0, ShellFileModel::ModifiedColumn);
    const QString shown = index.data().toString();
    ASSERT_FALSE(shown.isEmpty());
    // The longest date of the year, whatever today is: two-digit month, day and hour.
    const QString longest = QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(22, 58, 58)),
                                               QLocale::ShortFormat);
    for (const QString& date : {shown, longest})
        EXPECT_LE(details->fontMetrics().horizontalAdvance(date) + 12, width) << date.toStdString();
}

TEST_F(ShellViews, SizesReadInWholeKilobytes) {
    struct Case {
        qint64 bytes;
        QString text;
    } cases[] = {{0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}};
    for (const Case& c : cases) EXPECT_EQ(ShellFileModel::SizeText(c.bytes), c.text) << c.bytes;
}

// The type is named from the file's name when its row is shown; a name the type database does
// not know is called by its extension.
TEST_F(ShellViews, TypesAreNamedFromTheFileName) {
    TempFolder dir;
    struct Case {
        const char* name;
        QString type;  // empty: any name the database gives, but not the fallback
    } cases[] = {{"page.html", ""}, {"odd.zzq", "ZZQ File"}, {"noextension", "File"},
                 {"t.css@v=2.zzq", "ZZQ File"}};
    for (const Case& c : cases) std::ofstream(dir.Path() / c.name) << "x";
    ShellFileModel model;
    model.Read(QString::fromStdString(dir.Text()));
    ASSERT_EQ(model.Count(), 4);
    for (int row = 0; row < model.Count(); ++row) {
        const QString name = model.At(row).Name;
        const QString type =
            model.data(model.index(row, ShellFileModel::TypeColumn), Qt::DisplayRole).toString();
        for (const Case& c : cases) {
            if (name != c.name) continue;
            if (c.type.isEmpty()) {
                EXPECT_FALSE(type.isEmpty()) << c.name;
                EXPECT_NE(type, "HTML File") << c.name;
            } else {
                EXPECT_EQ(type, c.type) << c.name;
            }
        }
    }
}

TEST_F(ShellViews, TreeSelectsAPathAndFeedsItsList) {
    FolderTree tree;
    FolderFileList list;
    tree.SetListView(&list);
    QSignalSpy changes(&tree, &FolderTree::SelectedFolderChanged);
    EXPECT_TRUE(tree.RootSelected());
    ASSERT_TRUE(tree.SetSelectedPath(Folder()));
    EXPECT_EQ(tree.SelectedPath(), Folder());
    EXPECT_FALSE(tree.RootSelected());
    EXPECT_GE(changes.count(), 1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_FALSE(tree.SetSelectedPath(Folder() + "/b.html"));  // not a folder
}

TEST_F(ShellViews, TreeNodesFollowFolderChanges) {
    FolderTree tree;
    ASSERT_TRUE(tree.SetSelectedPath(Folder() + "/sub"));
    QTreeWidgetItem* parent = tree.currentItem()->parent();
    ASSERT_EQ(parent->childCount(), 1);
    fs::create_directory(folder.Path() / "added");
    EXPECT_TRUE(WaitFor([&] { return parent->childCount() == 2; }));
    EXPECT_EQ(FolderTree::PathOf(parent->child(0)), Folder() + "/added");
    fs::remove(folder.Path() / "added");
    EXPECT_TRUE(WaitFor([&] { return parent->childCount() == 1; }));
    EXPECT_EQ(tree.SelectedPath(), Folder() + "/sub");  // the selection survived
}

TEST_F(ShellViews, WatcherReportsOnTheOwnersThread) {
    FolderWatcher watcher;
    QString reported;
    QObject::connect(&watcher, &FolderWatcher::FolderChanged, [&](const QString& f) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        reported = f;
    });
    watcher.Watch(Folder());
    std::ofstream(folder.Path() / "new.html") << "x";
    EXPECT_TRUE(WaitFor([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported, Folder());
}

TEST_F(ShellViews, PropertiesAndContextMenuOfAFile) {
    const QString path = Folder() + "/b.html";
    fs::permissions(folder.Path() / "b.html",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    PropertiesDialog dialog(path);
    EXPECT_EQ(dialog.Value("Name:"), "b.html");
    EXPECT_EQ(dialog.Value("Size:"), "5 bytes");
    EXPECT_EQ(dialog.Value("Permissions:"), "rw-r-----");
    dialog.show();
    SaveScreenshot(dialog, QStringLiteral("properties-dialog"));

    QWidget owner;
    QMenu* menu = BuildShellContextMenu(path, &owner);
    QStringList items;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) items << a->text();
    EXPECT_EQ(items, (QStringList{"&Open", "Open &With...", "&Copy Path", "Open Containing &Folder",
                                  "P&roperties"}));
    menu->actions().at(3)->trigger();  // Copy Path
    EXPECT_EQ(QApplication::clipboard()->text(), path);
    menu->show();
    SaveScreenshot(*menu, QStringLiteral("file-context-menu"));
    delete menu;
}
