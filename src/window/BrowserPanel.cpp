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
#include "core/FileNames.h"
#include "core/SessionPrompts.h"
#include "core/Text.h"
#include "htmlview/HtmlView.h"
#include "htmlview/ScreenCursor.h"
#include "shell/ShellOpen.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/Printing.h"
#include "viewers/SelectionPrinter.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/Hints.h"
#include "widgets/PagePane.h"
#include "widgets/PanelIcons.h"
#include "widgets/ViewerIcons.h"

namespace {

// The extension of a name, dot included, in lower case; empty when it has none.
std::string ExtensionOf(const std::string& name) { return LowerCase(FileExtension(name)); }

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

BrowserPanel::BrowserPanel(BrowserPanelHost& host, QWidget* parent)
    : QWidget(parent), host_(host) {
    setObjectName("BrowserPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Pane = new PagePane(PagePane::PictureArea::FramedBox, this);
    PageView = Pane->PageView();
    PictureBox = Pane->PictureBox();
    PictureLabel = Pane->PictureLabel();
    PageView->hide();
    PictureBox->hide();
    layout->addWidget(Pane);

    PageView->OnDoRequestDoc = [this](const std::string& url, bool&) { OnPageRequested(url); };
    PageView->OnDocInput = [this](const DocumentProgress&) { OnPageData(); };
    PageView->OnEndRetrieval = [this] { OnPageLoaded(); };
    PageView->OnError = [this](int, std::string&, bool&) { OnPageError(); };
    PageView->OnMousePressed = [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        OnPagePressed(button, x, y);
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
    PanelFileLabel = new QLabel(PanelButtons);
    PanelFileLabel->setObjectName("PanelFileLabel");
    PanelFileLabel->setTextFormat(Qt::PlainText);
    PanelFileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PanelFileLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LoadProgress = new QProgressBar(PanelButtons);
    LoadProgress->setObjectName("LoadProgress");
    LoadProgress->setFixedWidth(100);
    LoadProgress->setRange(0, 100);
    LoadProgress->setValue(0);
    LoadProgress->setTextVisible(false);
    for (QToolButton* button : {ColorBtn, SavePanelFileBtn, PrintBtn, ShowFullScreenBtn,
                                DocSourceBtn, HTMLBackBtn, HTMLForwardBtn})
        bar->addWidget(button);
    bar->addSpacing(6);
    bar->addWidget(PanelFileLabel, 1);
    bar->addWidget(LoadProgress);
    PanelButtons->hide();

    connect(ColorBtn, &QToolButton::clicked, this, &BrowserPanel::ChooseBackgroundColour);
    connect(SavePanelFileBtn, &QToolButton::clicked, this, &BrowserPanel::SavePanelFileAs);
    connect(PrintBtn, &QToolButton::clicked, this, &BrowserPanel::PrintPanelFile);
    connect(ShowFullScreenBtn, &QToolButton::clicked, this,
            &BrowserPanel::StartFullScreenShow);
    connect(DocSourceBtn, &QToolButton::clicked, this, &BrowserPanel::ShowDocumentSource);
    connect(HTMLBackBtn, &QToolButton::clicked, this, &BrowserPanel::GoBack);
    connect(HTMLForwardBtn, &QToolButton::clicked, this, &BrowserPanel::GoForward);

    HTMLPopupMenu = new QMenu(this);
    HTMLPopupMenu->setObjectName("HTMLPopupMenu");
    HTMLOpen = HTMLPopupMenu->addAction("&Open", this, &BrowserPanel::OpenPanelFile);
    HTMLCopy = HTMLPopupMenu->addAction("&Copy", this, &BrowserPanel::CopySelection);
    HTMLSelectAll =
        HTMLPopupMenu->addAction("&Select All", this, &BrowserPanel::SelectAllText);
    HTMLPrintSelectedText = HTMLPopupMenu->addAction("&Print Selected Text", this,
                                                     &BrowserPanel::PrintSelection);
    connect(HTMLPopupMenu, &QMenu::aboutToShow, this, &BrowserPanel::UpdatePageMenu);

    ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this, QString(),
                                                     QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    PrintFile = [](const std::string& path) { return ShellPrint(path); };
}

std::string BrowserPanel::Hint(const QWidget* widget) {
    return HintOf(widget).toStdString();
}

bool BrowserPanel::LocalVisible() const { return host_.LocalListVisible(); }

std::string BrowserPanel::VisibleFolder() const {
    return LocalVisible() ? host_.LocalFilesFolder() : host_.ProjectFolder();
}

std::string BrowserPanel::CurrentFilePath() const {
    return VisibleFolder() + PanelFileLabel->text().toStdString();
}

void BrowserPanel::ShowError(const std::string& text) {
    host_.Prompts().Message(text, SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
}

void BrowserPanel::DisplayFile(const std::string& name, bool projectList) {
    if (projectList) {
        if (host_.BrowserPanelIsLowerPane()) {
            host_.SetLowerPaneLowered(false);
            PictureBox->hide();
        }
        if (PageView->isHidden() && PictureLabel->isHidden()) return;
    } else {
        host_.SetLowerPaneLowered(false);
        PictureBox->hide();
    }

    PanelFileLabel->setText(QString::fromStdString(name));
    const std::string ext = ExtensionOf(name);
    const bool page = IsPageExtension(ext, projectList);
    const bool picture = IsPictureExtension(ext);
    PageView->setVisible(page);
    PictureLabel->setVisible(picture);
    const std::string folder = projectList ? host_.ProjectFolder() : host_.LocalFilesFolder();
    const std::string path = folder + name;

    if (!page && !picture) {
        if (!projectList) {
            PanelFileLabel->show();
            LoadProgress->show();
        }
        PanelFileLabel->clear();
        PictureLabel->show();
        EnableDisableHTMLButtons();
        if (projectList)
            host_.Prompts().Message("Preview Not Available!", SessionPrompts::Kind::Information,
                                    SessionPrompts::Buttons::Ok);
        return;
    }
    if (page) {
        if (!projectList) {
            PictureBox->hide();
            host_.SetLowerPaneLowered(false);
        }
        PageView->ShowURL(HtmlView::LocalFileURL(path));
        return;
    }
    host_.SetLowerPaneLowered(true);
    const std::string failure = Pane->ShowPictureFile(path);
    if (!failure.empty()) {
        ShowError(failure);  // the rest of the display is skipped
        return;
    }
    EnableDisableHTMLButtons();
}

void BrowserPanel::OnPageRequested(const std::string& url) {
    SetScreenCursor(Qt::WaitCursor);
    PageView->viewport()->setCursor(Qt::WaitCursor);
    // Links to the web are left to the control; they never enter a history.
    if (HasWebScheme(url)) return;

    const std::string name = PseudoFileName(ToBackslashes("c:\\" + url));
    const bool local = host_.LocalListVisible();
    if (!local && !host_.ProjectListVisible()) return;
    const std::string path = (local ? host_.LocalFilesFolder() : host_.ProjectFolder()) + name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;

    PanelFileLabel->setText(QString::fromStdString(name));
    History(local).Visit(path);
    EnableBackForward(local);
}

void BrowserPanel::EnableBackForward(bool local) {
    const PageHistory& history = History(local);
    const bool forward = history.CanGoForward();
    const bool back = history.CanGoBack();
    HTMLForwardBtn->setEnabled(forward);
    HTMLBackBtn->setEnabled(back);
    // The neighbours' names; a position outside the list has none.
    auto nameAt = [&](int step) {
        const std::string path = history.At(step);
        return path.empty() ? path : NameOf(path);
    };
    SetHint(HTMLBackBtn, back ? nameAt(-1) + "|" : std::string("Back|"));
    SetHint(HTMLForwardBtn, forward ? nameAt(1) + "|" : std::string("Forward|"));
}

void BrowserPanel::OnPageData() {
    const DocumentProgress& input = PageView->CurrentDocInput();
    // The gauge counts in ints; large documents are scaled to fit.
    std::int64_t expected = input.ExpectedBytes, received = input.ReceivedBytes;
    while (expected > INT32_MAX) {
        expected /= 1024;
        received /= 1024;
    }
    LoadProgress->setMaximum(static_cast<int>(expected));
    LoadProgress->setValue(static_cast<int>(std::min(received, expected)));
}

void BrowserPanel::OnPageLoaded() {
    EnableDisableHTMLButtons();
    LoadProgress->setValue(0);
    SetScreenCursor(Qt::ArrowCursor);
    PageView->viewport()->unsetCursor();
}

void BrowserPanel::OnPageError() {
    SetScreenCursor(Qt::ArrowCursor);
    PageView->viewport()->unsetCursor();
}

void BrowserPanel::ShowHistoryEntry(int step) {
    const std::string path = History(LocalVisible()).At(step);
    if (path.empty()) return;
    if (host_.BrowserPanelIsLowerPane()) {
        host_.SetLowerPaneLowered(false);
        PictureBox->hide();
    }
    PictureLabel->hide();
    PageView->show();
    PanelFileLabel->setText(QString::fromStdString(NameOf(path)));
    // The position itself moves when the control reports the request.
    PageView->ShowURL(HtmlView::LocalFileURL(path));
}

void BrowserPanel::GoBack() { ShowHistoryEntry(-1); }

void BrowserPanel::GoForward() { ShowHistoryEntry(1); }

void BrowserPanel::VisibleHTMLButtons(bool show) {
    PictureBox->hide();
    PanelButtons->setVisible(show);
    for (QWidget* w : std::initializer_list<QWidget*>{DocSourceBtn, SavePanelFileBtn, PrintBtn,
                                                      ShowFullScreenBtn, ColorBtn, HTMLBackBtn,
                                                      HTMLForwardBtn, PanelFileLabel,
                                                      LoadProgress})
        w->setVisible(show);
    host_.SetGridSetVisible(!show);
}

void BrowserPanel::EnableDisableHTMLButtons() {
    const std::string name = PanelFileLabel->text().toStdString();
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

void BrowserPanel::EnableDisableFullScreenBtn() {
    ShowFullScreenBtn->setEnabled(false);
    for (const std::string& name : host_.VisibleListNames()) {
        const std::string ext = ExtensionOf(name);
        if (IsOneOf(ext, {".gif", ".jpg", ".jpeg", ".bmp", ".ico", ".wmf", ".emf"})) {
            ShowFullScreenBtn->setEnabled(true);
            break;
        }
    }
}

void BrowserPanel::ShowDocumentSource() {
    const std::string path = CurrentFilePath();
    OpenDocumentSource(host_.Owner(), path, DefaultViewerDialogs());
}

void BrowserPanel::SavePanelFileAs() {
    const std::string path = CurrentFilePath();
    const std::string name = PanelFileLabel->text().toStdString();
    const std::string ext = FileExtension(name);
    // The pattern names the extension, so that the dialog adds it before it asks whether an
    // existing file may be replaced: the question is about the file that will be written.
    const auto chosen = host_.Prompts().SaveFileName(
        "Lanternway Viewer - Save \"" + path + "\" As ..", "*" + ext + "|*" + ext + "|", name);
    if (!chosen) return;
    std::string target = QFileInfo(QString::fromStdString(*chosen)).absoluteFilePath().toStdString();
    if (FileExtension(NameOf(target)).empty()) target += ext;
    // Replaces an existing file; saving a file onto itself leaves it as it is.
    std::error_code error;
    if (std::filesystem::equivalent(path, target, error)) return;
    std::filesystem::copy_file(path, target, std::filesystem::copy_options::overwrite_existing,
                               error);
}

void BrowserPanel::PrintPanelFile() {
    const std::string error = PrintFile(CurrentFilePath());
    if (!error.empty()) ShowError(error);
}

void BrowserPanel::StartFullScreenShow() {
    auto* show =
        new FullScreenShow(host_.FullScreenSource(), DefaultViewerDialogs(), host_.Owner());
    CurrentFullScreenShow = show;
    show->showFullScreen();
    show->activateWindow();
}

void BrowserPanel::ChooseBackgroundColour() {
    if (!Pane->ChooseBackground(ChooseColor, [this](const std::string& text) { ShowError(text); }))
        return;
    // The colour is the picture area's; a page shown meanwhile keeps the whole pane.
    if (PageView->isHidden()) PictureBox->show();
}

void BrowserPanel::OnPagePressed(Qt::MouseButton button, int x, int y) {
    if (button != Qt::RightButton) return;
    HTMLPopupMenu->popup(PageView->mapToGlobal(QPoint(x, y)));
}

void BrowserPanel::UpdatePageMenu() {
    const bool selection = PageView->HasSelection();
    HTMLCopy->setEnabled(selection);
    HTMLPrintSelectedText->setEnabled(selection);
    HTMLOpen->setEnabled(true);
    HTMLSelectAll->setEnabled(true);
}

void BrowserPanel::OpenPanelFile() {
    const std::string path = CurrentFilePath();
    ShellOpen(path, path, VisibleFolder(), 1);
}

void BrowserPanel::CopySelection() {
    QApplication::clipboard()->setText(QString::fromStdString(PageView->GetSelectedText(-1, -1)));
}

void BrowserPanel::SelectAllText() { PageView->SelectAll(); }

void BrowserPanel::PrintSelection() {
    try {
        PrintSelectedHTMLText(*PageView);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void BrowserPanel::FitToPane() {
    // Hiding and showing again makes the control fit the resized pane at once.
    const bool html = !PageView->isHidden(), image = !PictureLabel->isHidden(),
               box = !PictureBox->isHidden();
    PageView->hide();
    PictureLabel->hide();
    PictureBox->hide();
    PageView->setVisible(html);
    PictureLabel->setVisible(image);
    PictureBox->setVisible(box);
}
