#include "window/BrowserPanel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/Addresses.h"
#include "core/SessionPrompts.h"
#include "core/Text.h"
#include "htmlcontrol/ScreenCursor.h"
#include "htmlcontrol/THTML.h"
#include "imaging/Picture.h"
#include "shell/ShellOpen.h"
#include "viewers/PictureView.h"
#include "viewers/Printing.h"
#include "viewers/TDocumentSourceForm.h"
#include "viewers/TPrintHTMLTextForm.h"
#include "viewers/ViewerIcons.h"
#include "window/PanelIcons.h"

namespace {

// The extension of a name, dot included, in lower case; empty when it has none.
std::string ExtensionOf(const std::string& name) { return LowerCase(PseudoExtension(name)); }

bool IsOneOf(const std::string& ext, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (ext == item) return true;
    return false;
}

bool IsPageExtension(const std::string& ext, bool withText) {
    return IsOneOf(ext, {".html", ".htm", ".shtml", ".shtm", ".asp"}) ||
           (withText && ext == ".txt");
}

bool IsPictureExtension(const std::string& ext) {
    return IsOneOf(ext, {".jpg", ".jpeg", ".gif", ".bmp", ".wmf", ".emf", ".ico"});
}

void SetHint(QWidget* widget, const std::string& hint) {
    const QString text = QString::fromStdString(hint);
    const int bar = text.indexOf('|');
    widget->setProperty("hint", text);
    widget->setToolTip(bar < 0 ? text : text.left(bar));
    widget->setStatusTip(bar < 0 ? text : text.mid(bar + 1));
}

QToolButton* PanelButton(QWidget* bar, const char* name, const QIcon& icon,
                         const std::string& hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);  // flat
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(false);
    SetHint(button, hint);
    return button;
}

std::string NameOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

}  // namespace

TBrowserPanel::TBrowserPanel(TBrowserPanelHost& host, QWidget* parent)
    : QWidget(parent), host_(host) {
    setObjectName("BrowserPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    HTML1 = new THTML(this);
    HTML1->setObjectName("HTML1");
    HTML1->hide();
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setBackgroundRole(QPalette::Window);
    ScrollBox1->hide();
    JpegImage = new QLabel;
    JpegImage->setObjectName("JpegImage");
    JpegImage->setAlignment(Qt::AlignCenter);
    ScrollBox1->setWidget(JpegImage);
    layout->addWidget(HTML1);
    layout->addWidget(ScrollBox1);

    HTML1->OnDoRequestDoc = [this](const std::string& url, bool&) { HTML1DoRequestDoc(url); };
    HTML1->OnDocInput = [this](const TDocInput&) { HTML1DocInput(); };
    HTML1->OnEndRetrieval = [this] { HTML1EndRetrieval(); };
    HTML1->OnError = [this](int, std::string&, bool&) { HTML1Error(); };
    HTML1->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        HTML1MouseDown(button, x, y);
    };

    // The bottom bar's panel set: buttons at the left, the file label and the gauge at the
    // right edge.
    PanelButtons = new QWidget(this);
    PanelButtons->setObjectName("PanelButtons");
    auto* bar = new QHBoxLayout(PanelButtons);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(1);
    ColorBtn = PanelButton(PanelButtons, "ColorBtn", ColorSwatchIcon(),
                           "Change background color of image panel|");
    ColorBtn->setEnabled(true);
    SavePanelFileBtn = PanelButton(PanelButtons, "SavePanelFileBtn", SaveCopyIcon(), "Save|");
    PrintBtn = PanelButton(PanelButtons, "PrintBtn", PrinterIcon(), "Print|");
    ShowFullScreenBtn =
        PanelButton(PanelButtons, "ShowFullScreenBtn", FullScreenIcon(), "Full Screen Show|");
    DocSourceBtn =
        PanelButton(PanelButtons, "DocSourceBtn", DocumentSourceIcon(), "Document Source|");
    HTMLBackBtn = PanelButton(PanelButtons, "HTMLBackBtn", BackArrowIcon(), "Back|");
    HTMLForwardBtn = PanelButton(PanelButtons, "HTMLForwardBtn", ForwardArrowIcon(), "Forward|");
    CBrowserPanelFile = new QLabel(PanelButtons);
    CBrowserPanelFile->setObjectName("CBrowserPanelFile");
    CBrowserPanelFile->setTextFormat(Qt::PlainText);
    CBrowserPanelFile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CBrowserPanelFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ProgressBar1 = new QProgressBar(PanelButtons);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setFixedWidth(100);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    for (QToolButton* button : {ColorBtn, SavePanelFileBtn, PrintBtn, ShowFullScreenBtn,
                                DocSourceBtn, HTMLBackBtn, HTMLForwardBtn})
        bar->addWidget(button);
    bar->addSpacing(6);
    bar->addWidget(CBrowserPanelFile, 1);
    bar->addWidget(ProgressBar1);
    PanelButtons->hide();

    connect(ColorBtn, &QToolButton::clicked, this, &TBrowserPanel::ColorBtnClick);
    connect(SavePanelFileBtn, &QToolButton::clicked, this, &TBrowserPanel::SavePanelFileBtnClick);
    connect(PrintBtn, &QToolButton::clicked, this, &TBrowserPanel::PrintBtnClick);
    connect(ShowFullScreenBtn, &QToolButton::clicked, this,
            &TBrowserPanel::ShowFullScreenBtnClick);
    connect(DocSourceBtn, &QToolButton::clicked, this, &TBrowserPanel::DocSourceBtnClick);
    connect(HTMLBackBtn, &QToolButton::clicked, this, &TBrowserPanel::HTMLBackBtnClick);
    connect(HTMLForwardBtn, &QToolButton::clicked, this, &TBrowserPanel::HTMLForwardBtnClick);

    HTMLPopupMenu = new QMenu(this);
    HTMLPopupMenu->setObjectName("HTMLPopupMenu");
    HTMLOpen = HTMLPopupMenu->addAction("&Open", this, &TBrowserPanel::HTMLOpenClick);
    HTMLCopy = HTMLPopupMenu->addAction("&Copy", this, &TBrowserPanel::HTMLCopyClick);
    HTMLSelectAll =
        HTMLPopupMenu->addAction("&Select All", this, &TBrowserPanel::HTMLSelectAllClick);
    HTMLPrintSelectedText = HTMLPopupMenu->addAction("&Print Selected Text", this,
                                                     &TBrowserPanel::HTMLPrintSelectedTextClick);
    connect(HTMLPopupMenu, &QMenu::aboutToShow, this, &TBrowserPanel::HTMLPopupMenuPopup);

    ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this, QString(),
                                                     QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    PrintFile = [](const std::string& path) { return ShellPrint(path); };
}

std::string TBrowserPanel::Hint(const QWidget* widget) {
    return widget->property("hint").toString().toStdString();
}

bool TBrowserPanel::LocalVisible() const { return host_.LocalListVisible(); }

std::string TBrowserPanel::VisibleFolder() const {
    return LocalVisible() ? host_.LocalFilesFolder() : host_.ProjectFolder();
}

std::string TBrowserPanel::CurrentFilePath() const {
    return VisibleFolder() + CBrowserPanelFile->text().toStdString();
}

void TBrowserPanel::ShowError(const std::string& text) {
    host_.Prompts().Message(text, SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
}

void TBrowserPanel::DisplayFile(const std::string& name, bool projectList) {
    if (projectList) {
        if (host_.BrowserPanelIsLowerPane()) {
            host_.SetLowerPaneLowered(false);
            ScrollBox1->hide();
        }
        if (HTML1->isHidden() && JpegImage->isHidden()) return;
    } else {
        host_.SetLowerPaneLowered(false);
        ScrollBox1->hide();
    }

    CBrowserPanelFile->setText(QString::fromStdString(name));
    const std::string ext = ExtensionOf(name);
    const bool page = IsPageExtension(ext, projectList);
    const bool picture = IsPictureExtension(ext);
    HTML1->setVisible(page);
    JpegImage->setVisible(picture);
    const std::string folder = projectList ? host_.ProjectFolder() : host_.LocalFilesFolder();
    const std::string path = folder + name;

    if (!page && !picture) {
        if (!projectList) {
            CBrowserPanelFile->show();
            ProgressBar1->show();
        }
        CBrowserPanelFile->clear();
        JpegImage->show();
        EnableDisableHTMLButtons();
        if (projectList)
            host_.Prompts().Message("Preview Not Available!", SessionPrompts::Kind::Information,
                                    SessionPrompts::Buttons::Ok);
        return;
    }
    if (page) {
        if (!projectList) {
            ScrollBox1->hide();
            host_.SetLowerPaneLowered(false);
        }
        HTML1->ShowURL(THTML::LocalFileURL(path));
        return;
    }
    host_.SetLowerPaneLowered(true);
    QImage image;
    try {
        image = LoadPicture(path);
    } catch (const std::exception& e) {
        ShowError(e.what());  // the rest of the display is skipped
        return;
    }
    ScrollBox1->show();
    ShowPicture(*ScrollBox1, *JpegImage, image);
    EnableDisableHTMLButtons();
}

void TBrowserPanel::HTML1DoRequestDoc(const std::string& url) {
    SetScreenCursor(Qt::WaitCursor);
    HTML1->viewport()->setCursor(Qt::WaitCursor);
    // Links to the web are left to the control; they never enter a history.
    if (HasWebScheme(url)) return;

    const std::string name = PseudoFileName(ToBackslashes("c:\\" + url));
    const bool local = host_.LocalListVisible();
    if (!local && !host_.ProjectListVisible()) return;
    const std::string path = (local ? host_.LocalFilesFolder() : host_.ProjectFolder()) + name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;

    CBrowserPanelFile->setText(QString::fromStdString(name));
    std::vector<std::string>& history = host_.History(local);
    int& index = host_.HistoryIndex(local);
    int found = -1;
    for (std::size_t i = 0; i < history.size(); ++i)
        if (SameText(history[i], path)) {
            found = static_cast<int>(i);
            break;
        }
    if (found >= 0) {
        index = found;
    } else {
        if (index >= 0 && index < static_cast<int>(history.size()) - 1)
            history.resize(static_cast<std::size_t>(index) + 1);
        history.push_back(path);
        index = static_cast<int>(history.size()) - 1;
    }
    EnableBackForward(local);
}

void TBrowserPanel::EnableBackForward(bool local) {
    const std::vector<std::string>& history = host_.History(local);
    const int index = host_.HistoryIndex(local);
    const int count = static_cast<int>(history.size());
    const bool forward = count > 0 && index < count - 1;
    const bool back = count > 0 && index > 0;
    HTMLForwardBtn->setEnabled(forward);
    HTMLBackBtn->setEnabled(back);
    // The neighbours' names; a position outside the list has none.
    auto nameAt = [&](int i) {
        return i >= 0 && i < count ? NameOf(history[static_cast<std::size_t>(i)]) : std::string();
    };
    SetHint(HTMLBackBtn, back ? nameAt(index - 1) + "|" : std::string("Back|"));
    SetHint(HTMLForwardBtn, forward ? nameAt(index + 1) + "|" : std::string("Forward|"));
}

void TBrowserPanel::HTML1DocInput() {
    const TDocInput& input = HTML1->CurrentDocInput();
    // The gauge counts in ints; large documents are scaled to fit.
    std::int64_t expected = input.ExpectedBytes, received = input.ReceivedBytes;
    while (expected > INT32_MAX) {
        expected /= 1024;
        received /= 1024;
    }
    ProgressBar1->setMaximum(static_cast<int>(expected));
    ProgressBar1->setValue(static_cast<int>(std::min(received, expected)));
}

void TBrowserPanel::HTML1EndRetrieval() {
    EnableDisableHTMLButtons();
    ProgressBar1->setValue(0);
    SetScreenCursor(Qt::ArrowCursor);
    HTML1->viewport()->unsetCursor();
}

void TBrowserPanel::HTML1Error() {
    SetScreenCursor(Qt::ArrowCursor);
    HTML1->viewport()->unsetCursor();
}

void TBrowserPanel::ShowHistoryEntry(int step) {
    const bool local = LocalVisible();
    const int target = host_.HistoryIndex(local) + step;
    const std::vector<std::string>& history = host_.History(local);
    if (target < 0 || target >= static_cast<int>(history.size())) return;
    if (host_.BrowserPanelIsLowerPane()) {
        host_.SetLowerPaneLowered(false);
        ScrollBox1->hide();
    }
    JpegImage->hide();
    HTML1->show();
    const std::string path = history[static_cast<std::size_t>(target)];
    CBrowserPanelFile->setText(QString::fromStdString(NameOf(path)));
    // The position itself moves when the control reports the request.
    HTML1->ShowURL(THTML::LocalFileURL(path));
}

void TBrowserPanel::HTMLBackBtnClick() { ShowHistoryEntry(-1); }

void TBrowserPanel::HTMLForwardBtnClick() { ShowHistoryEntry(1); }

void TBrowserPanel::VisibleHTMLButtons(bool show) {
    ScrollBox1->hide();
    PanelButtons->setVisible(show);
    for (QWidget* w : std::initializer_list<QWidget*>{DocSourceBtn, SavePanelFileBtn, PrintBtn,
                                                      ShowFullScreenBtn, ColorBtn, HTMLBackBtn,
                                                      HTMLForwardBtn, CBrowserPanelFile,
                                                      ProgressBar1})
        w->setVisible(show);
    host_.SetGridSetVisible(!show);
}

void TBrowserPanel::EnableDisableHTMLButtons() {
    const std::string name = CBrowserPanelFile->text().toStdString();
    const std::string ext = ExtensionOf(name);
    const bool source = IsOneOf(ext, {".html", ".htm", ".shtml", ".shtm", ".txt", ".asp"});
    DocSourceBtn->setEnabled(source);
    SetHint(DocSourceBtn,
            source ? "Document source of \"" + name + "\"|" : std::string("Document Source|"));
    const bool hasExtension = !ext.empty();
    SavePanelFileBtn->setEnabled(hasExtension);
    SetHint(SavePanelFileBtn, hasExtension ? "Save \"" + name + "\" as ..|" : std::string("Save|"));
    PrintBtn->setEnabled(hasExtension);
    SetHint(PrintBtn, hasExtension ? "Print \"" + name + "\"|" : std::string("Print|"));
}

void TBrowserPanel::EnableDisableFullScreenBtn() {
    ShowFullScreenBtn->setEnabled(false);
    for (const std::string& name : host_.VisibleListNames()) {
        const std::string ext = ExtensionOf(name);
        if (IsOneOf(ext, {".gif", ".jpg", ".jpeg", ".bmp", ".ico", ".wmf", ".emf"})) {
            ShowFullScreenBtn->setEnabled(true);
            break;
        }
    }
}

void TBrowserPanel::DocSourceBtnClick() {
    const std::string path = CurrentFilePath();
    OpenDocumentSource(host_.Owner(), path, host_.Prompts());
}

void TBrowserPanel::SavePanelFileBtnClick() {
    const std::string path = CurrentFilePath();
    const std::string name = CBrowserPanelFile->text().toStdString();
    const std::string ext = PseudoExtension(name);
    const auto chosen = host_.Prompts().SaveFileName(
        "Lanternway Viewer - Save \"" + path + "\" As ..", "*" + ext + "|", name);
    if (!chosen) return;
    std::string target = QFileInfo(QString::fromStdString(*chosen)).absoluteFilePath().toStdString();
    if (PseudoExtension(NameOf(target)).empty()) target += ext;
    // Replaces an existing file; saving a file onto itself leaves it as it is.
    std::error_code error;
    if (std::filesystem::equivalent(path, target, error)) return;
    std::filesystem::copy_file(path, target, std::filesystem::copy_options::overwrite_existing,
                               error);
}

void TBrowserPanel::PrintBtnClick() {
    const std::string error = PrintFile(CurrentFilePath());
    if (!error.empty()) ShowError(error);
}

void TBrowserPanel::ShowFullScreenBtnClick() {
    auto* show = new TFullScreenForm(host_.FullScreenSource(), host_.Prompts(), host_.Owner());
    FullScreenForm = show;
    show->showFullScreen();
    show->activateWindow();
}

void TBrowserPanel::ColorBtnClick() {
    const auto chosen = ChooseColor(ScrollBox1->palette().color(QPalette::Window));
    if (!chosen) return;
    if (!chosen->isValid()) {
        ShowError("Color dialog failed to load.");
        return;
    }
    ScrollBox1->show();
    QPalette palette = ScrollBox1->palette();
    palette.setColor(QPalette::Window, *chosen);
    ScrollBox1->setPalette(palette);
    ScrollBox1->viewport()->setPalette(palette);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    JpegImage->setPalette(palette);
}

void TBrowserPanel::HTML1MouseDown(Qt::MouseButton button, int x, int y) {
    if (button != Qt::RightButton) return;
    HTMLPopupMenu->popup(HTML1->mapToGlobal(QPoint(x, y)));
}

void TBrowserPanel::HTMLPopupMenuPopup() {
    const bool selection = HTML1->HasSelection();
    HTMLCopy->setEnabled(selection);
    HTMLPrintSelectedText->setEnabled(selection);
    HTMLOpen->setEnabled(true);
    HTMLSelectAll->setEnabled(true);
}

void TBrowserPanel::HTMLOpenClick() {
    const std::string path = CurrentFilePath();
    ShellOpen(path, path, VisibleFolder(), 1);
}

void TBrowserPanel::HTMLCopyClick() {
    QApplication::clipboard()->setText(QString::fromStdString(HTML1->GetSelectedText(-1, -1)));
}

void TBrowserPanel::HTMLSelectAllClick() { HTML1->SelectAll(); }

void TBrowserPanel::HTMLPrintSelectedTextClick() {
    try {
        PrintSelectedHTMLText(*HTML1);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TBrowserPanel::Panel1Resize() {
    // Hiding and showing again makes the control fit the resized pane at once.
    const bool html = !HTML1->isHidden(), image = !JpegImage->isHidden(),
               box = !ScrollBox1->isHidden();
    HTML1->hide();
    JpegImage->hide();
    ScrollBox1->hide();
    HTML1->setVisible(html);
    JpegImage->setVisible(image);
    ScrollBox1->setVisible(box);
}
