#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QTextEdit;
class SessionPrompts;

// A window showing the raw text of a local file, read-only, with copy, select-all, word-wrap,
// font and print commands on its context menu. Owned by the window that opened it, and closed
// with it; closing destroys it.
class TDocumentSourceForm : public QWidget {
    Q_OBJECT
  public:
    TDocumentSourceForm(QWidget* owner, SessionPrompts& prompts);

    // Replaces the text with the file's; raises std::runtime_error when it cannot be read
    // (the box is then empty).
    void LoadFromFile(const std::string& path);

    QTextEdit* RichEdit1;
    QMenu* PopupMenu1;
    QAction* Copy1;
    QAction* SelectAll1;
    QAction* WordWrap1;
    QAction* Font2;
    QAction* Print2;
    QAction* Close2;

    void Copy1Click();
    void SelectAll1Click();
    void WordWrap1Click();
    void Font1Click();
    void Print1Click();
    void Close1Click();

    // The font dialog; replaced in tests. Nothing means the person cancelled.
    std::function<std::optional<QFont>(const QFont& initial)> ChooseFont;

  private:
    SessionPrompts& prompts_;
};

// Opens a further document source window owned by `owner` for the file: shown, captioned
// "Document Source - " + path, then filled. A file that cannot be read is reported through
// the prompts; the window stays open and empty.
TDocumentSourceForm* OpenDocumentSource(QWidget* owner, const std::string& path,
                                        SessionPrompts& prompts);
