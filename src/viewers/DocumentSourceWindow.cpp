#include "viewers/DocumentSourceWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStringDecoder>
#include <QTextEdit>
#include <QVBoxLayout>
#include <stdexcept>

#include "viewers/Printing.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/DeleteAfterBoxes.h"

namespace {

QAction* AddItem(QWidget* window, QMenu* menu, const char* name, const char* caption,
                 const QKeySequence& shortcut, const char* hint) {
    auto* action = new QAction(QString::fromLatin1(caption), window);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setStatusTip(QString::fromLatin1(hint));
    action->setToolTip(QString::fromLatin1(hint));
    menu->addAction(action);
    window->addAction(action);  // the shortcuts work without the menu open
    return action;
}

}  // namespace

DocumentSourceWindow::DocumentSourceWindow(QWidget* owner, ViewerDialogs& dialogs)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), dialogs_(dialogs) {
    setObjectName("DocumentSourceForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Document Source");
    resize(435, 300);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    SourceText = new QTextEdit(this);
    SourceText->setObjectName("SourceText");
    SourceText->setReadOnly(true);
    SourceText->setAcceptRichText(false);
    SourceText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SourceText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SourceText->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    SourceText->setFont(font);
    SourceText->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SourceText);

    SourceMenu = new QMenu(this);
    SourceMenu->setObjectName("SourceMenu");
    CopyAction = AddItem(this, SourceMenu, "CopyAction", "&Copy", QKeySequence("Ctrl+C"),
                    "Copy selected item to clipboard");
    SelectAllAction = AddItem(this, SourceMenu, "SelectAllAction", "Select A&ll", QKeySequence("Ctrl+A"),
                         "Select all items");
    WordWrapAction = AddItem(this, SourceMenu, "WordWrapAction", "&Word Wrap", QKeySequence(), "Word Wrap");
    WordWrapAction->setCheckable(true);
    WordWrapAction->setChecked(true);
    SourceMenu->addSeparator()->setObjectName("EditSeparator");
    FontAction = AddItem(this, SourceMenu, "FontAction", "&Font...", QKeySequence("Alt+F"),
                    "Select font properties");
    PrintAction = AddItem(this, SourceMenu, "PrintAction", "&Print", QKeySequence("Ctrl+P"),
                     "Print current document");
    SourceMenu->addSeparator()->setObjectName("CloseSeparator");
    CloseAction =
        AddItem(this, SourceMenu, "CloseAction", "&Close", QKeySequence("Alt+X"), "Close active window");

    connect(SourceText, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { SourceMenu->popup(SourceText->mapToGlobal(at)); });
    connect(CopyAction, &QAction::triggered, this, &DocumentSourceWindow::CopySelection);
    connect(SelectAllAction, &QAction::triggered, this, &DocumentSourceWindow::SelectAllText);
    // Choosing the item flips its check mark; wrapping follows the mark.
    connect(WordWrapAction, &QAction::toggled, this, [this](bool wrap) {
        SourceText->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
        SourceText->setReadOnly(true);
    });
    connect(FontAction, &QAction::triggered, this, &DocumentSourceWindow::ChooseSourceFont);
    connect(PrintAction, &QAction::triggered, this, &DocumentSourceWindow::PrintSource);
    connect(CloseAction, &QAction::triggered, this, &DocumentSourceWindow::CloseSource);

    ChooseFont = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, this);
        if (!ok) return std::nullopt;
        return chosen;
    };
}

void DocumentSourceWindow::LoadFromFile(const std::string& path) {
    SourceText->clear();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file \"" + path + "\". " +
                                 file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("Cannot read file \"" + path + "\". " +
                                 file.errorString().toStdString());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    SourceText->setPlainText(text);
}

void DocumentSourceWindow::CopySelection() {
    SourceText->copy();
}

void DocumentSourceWindow::SelectAllText() {
    SourceText->selectAll();
}

void DocumentSourceWindow::ToggleWordWrap() {
    WordWrapAction->setChecked(!WordWrapAction->isChecked());
}

void DocumentSourceWindow::ChooseSourceFont() {
    const auto chosen = ChooseFont(SourceText->currentFont());
    if (!chosen) return;
    SourceText->selectAll();
    SourceText->setCurrentFont(*chosen);
}

void DocumentSourceWindow::PrintSource() {
    try {
        PrintTextDocument(*SourceText->document(), windowTitle());
    } catch (const std::exception& e) {
        dialogs_.Ask(this, e.what(), ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
    }
}

void DocumentSourceWindow::CloseSource() {
    close();
}

bool DocumentSourceWindow::event(QEvent* event) {
    return HoldDeletionUnderBoxes(this, event) || QWidget::event(event);
}

void DocumentSourceWindow::closeEvent(QCloseEvent* event) {
    DeleteAfterBoxes(this);
    QWidget::closeEvent(event);
}

DocumentSourceWindow* OpenDocumentSource(QWidget* owner, const std::string& path,
                                         ViewerDialogs& dialogs) {
    auto* form = new DocumentSourceWindow(owner, dialogs);
    form->show();
    form->setWindowTitle(QString::fromStdString("Document Source - " + path));
    try {
        form->LoadFromFile(path);
    } catch (const std::exception& e) {
        dialogs.Ask(form, e.what(), ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
    }
    return form;
}
