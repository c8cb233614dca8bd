#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QCloseEvent;
class QMenu;
class QTextEdit;
class ViewerDialogs;

// A window showing the raw text of a local file, read-only, with copy, select-all, word-wrap,
// font and print commands on its context menu. Owned by the window that opened it, and closed
// with it; closing destroys it. Its boxes are its own (it stays on top: a box of another window
// would open behind it).
class DocumentSourceWindow : public QWidget {
    Q_OBJECT
  public:
    DocumentSourceWindow(QWidget* owner, ViewerDialogs& dialogs);

    // Replaces the text with the file's; raises std::runtime_error when it cannot be read
    // (the box is then empty).
    void LoadFromFile(const std::string& path);

    QTextEdit* SourceText;
    QMenu* SourceMenu;
    QAction* CopyAction;
    QAction* SelectAllAction;
    QAction* WordWrapAction;
    QAction* FontAction;
    QAction* PrintAction;
    QAction* CloseAction;

    void CopySelection();
    void SelectAllText();
    void ToggleWordWrap();
    void ChooseSourceFont();
    void PrintSource();
    void CloseSource();

    // The font dialog; replaced in tests. Nothing means the person cancelled.
    std::function<std::optional<QFont>(const QFont& initial)> ChooseFont;

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    ViewerDialogs& dialogs_;
};

// Opens a further document source window owned by `owner` for the file: shown, captioned
// "Document Source - " + path, then filled. A file that cannot be read is reported in a box
// of the new window; the window stays open and empty.
DocumentSourceWindow* OpenDocumentSource(QWidget* owner, const std::string& path,
                                         ViewerDialogs& dialogs);
