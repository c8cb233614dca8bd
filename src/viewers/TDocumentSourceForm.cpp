#include "viewers/TDocumentSourceForm.h"

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

#include "core/SessionPrompts.h"
#include "viewers/Printing.h"

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

TDocumentSourceForm::TDocumentSourceForm(QWidget* owner, SessionPrompts& prompts)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), prompts_(prompts) {
    setObjectName("DocumentSourceForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Document Source");
    resize(435, 300);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    RichEdit1->setFont(font);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Copy1 = AddItem(this, PopupMenu1, "Copy1", "&Copy", QKeySequence("Ctrl+C"),
                    "Copy selected item to clipboard");
    SelectAll1 = AddItem(this, PopupMenu1, "SelectAll1", "Select A&ll", QKeySequence("Ctrl+A"),
                         "Select all items");
    WordWrap1 = AddItem(this, PopupMenu1, "WordWrap1", "&Word Wrap", QKeySequence(), "Word Wrap");
    WordWrap1->setCheckable(true);
    WordWrap1->setChecked(true);
    PopupMenu1->addSeparator()->setObjectName("N2");
    Font2 = AddItem(this, PopupMenu1, "Font2", "&Font...", QKeySequence("Alt+F"),
                    "Select font properties");
    Print2 = AddItem(this, PopupMenu1, "Print2", "&Print", QKeySequence("Ctrl+P"),
                     "Print current document");
    PopupMenu1->addSeparator()->setObjectName("N3");
    Close2 =
        AddItem(this, PopupMenu1, "Close2", "&Close", QKeySequence("Alt+X"), "Close active window");

    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(RichEdit1->mapToGlobal(at)); });
    connect(Copy1, &QAction::triggered, this, &TDocumentSourceForm::Copy1Click);
    connect(SelectAll1, &QAction::triggered, this, &TDocumentSourceForm::SelectAll1Click);
    // Choosing the item flips its check mark; wrapping follows the mark.
    connect(WordWrap1, &QAction::toggled, this, [this](bool wrap) {
        RichEdit1->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
        RichEdit1->setReadOnly(true);
    });
    connect(Font2, &QAction::triggered, this, &TDocumentSourceForm::Font1Click);
    connect(Print2, &QAction::triggered, this, &TDocumentSourceForm::Print1Click);
    connect(Close2, &QAction::triggered, this, &TDocumentSourceForm::Close1Click);

    ChooseFont = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, this);
        if (!ok) return std::nullopt;
        return chosen;
    };
}

void TDocumentSourceForm::LoadFromFile(const std::string& path) {
    RichEdit1->clear();
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
    RichEdit1->setPlainText(text);
}

void TDocumentSourceForm::Copy1Click() {
    RichEdit1->copy();
}

void TDocumentSourceForm::SelectAll1Click() {
    RichEdit1->selectAll();
}

void TDocumentSourceForm::WordWrap1Click() {
    WordWrap1->setChecked(!WordWrap1->isChecked());
}

void TDocumentSourceForm::Font1Click() {
    const auto chosen = ChooseFont(RichEdit1->currentFont());
    if (!chosen) return;
    RichEdit1->selectAll();
    RichEdit1->setCurrentFont(*chosen);
}

void TDocumentSourceForm::Print1Click() {
    try {
        PrintTextDocument(*RichEdit1->document(), windowTitle());
    } catch (const std::exception& e) {
        prompts_.Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
    }
}

void TDocumentSourceForm::Close1Click() {
    close();
}

TDocumentSourceForm* OpenDocumentSource(QWidget* owner, const std::string& path,
                                        SessionPrompts& prompts) {
    auto* form = new TDocumentSourceForm(owner, prompts);
    form->show();
    form->setWindowTitle(QString::fromStdString("Document Source - " + path));
    try {
        form->LoadFromFile(path);
    } catch (const std::exception& e) {
        prompts.Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
    }
    return form;
}
