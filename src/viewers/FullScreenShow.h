#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class ViewerDialogs;

// What the full-screen show reads from the main window when it is made.
struct FullScreenShowSource {
    bool ProjectListVisible = false;     // FileListView
    bool LocalListVisible = false;       // LocalFileList
    std::vector<std::string> ItemPaths;  // full paths of the visible list's items, in order
    std::string SelectedPath;            // the list's selected item, empty when none
    bool LocalListHasFocus = false;
    std::string PanelFileCaption;  // PanelFileLabel
};

// The pictures of the visible file list, one at a time, on a borderless black window covering
// the screen. Enter or Esc closes it; Page Up / Up / Left and Page Down / Down / Right / Space
// step through the pictures (round from the last to the first); C changes the background; P
// prints the picture; any other key, or a click on the picture, shows the key help.
class FullScreenShow : public QWidget {
    Q_OBJECT
  public:
    // Its boxes are the show's own (dialogs asked with the show as owner): a box owned by
    // another window would open behind the full-screen show, and the show could be deleted
    // under a box that is not its own.
    FullScreenShow(const FullScreenShowSource& source, ViewerDialogs& dialogs,
                   QWidget* parent = nullptr);
    ~FullScreenShow() override;

    // The show's pictures: full paths, in list order.
    const std::vector<std::string>& ImageRing() const { return ring_; }
    // Index of CurrentImage in the ring; -1 when the ring is empty.
    int CurrentImage() const { return current_; }

    void DisplayImage(const std::string& path);
    // The first time the window becomes active: the current picture, or the empty-ring note.
    void OnActivated();
    void HandleKey(int key);
    void OnPictureClicked();

    QLabel* FileName;
    QScrollArea* PictureBox;
    QLabel* PictureLabel;

    // The colour dialog and the print verb (which gives the reason when nothing was printed);
    // replaced in tests.
    std::function<std::optional<QColor>(const QColor& initial)> ChooseColor;
    std::function<std::string(const std::string& path)> PrintPicture;
    // The key help: a box of HelpText() in a fixed-width font; replaceable in tests.
    std::function<void()> ShowHelp;

    static const char* HelpText();
    void ShowKeyHelp();

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Step(int by);
    void ApplyColour(const QColor& colour);

    ViewerDialogs& dialogs_;
    std::vector<std::string> ring_;
    int current_ = -1;
    bool started_ = false;  // the first activation has shown the first picture
};

// The show the main window opened last (null once it is closed).
extern QPointer<FullScreenShow> CurrentFullScreenShow;

// Hiding the desktop's task bar for the show. A full-screen window already covers the panels
// of this desktop, so there is nothing to do; kept so that the show reads as designed.
void SetTaskbarVisible(bool visible);
