#include "viewers/FullScreenShow.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/AppTitle.h"
#include "core/FileNames.h"
#include "core/Text.h"
#include "imaging/Picture.h"
#include "viewers/Printing.h"
#include "viewers/ViewerDialogs.h"
#include "widgets/DeleteAfterBoxes.h"
#include "widgets/FixedPitchFont.h"
#include "widgets/PictureView.h"

QPointer<FullScreenShow> CurrentFullScreenShow;

void SetTaskbarVisible(bool visible) {
    (void)visible;
}

namespace {

bool IsImageName(const std::string& path) {
    const std::string ext = LowerCase(FileExtension(path));
    return ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".bmp" || ext == ".wmf" ||
           ext == ".emf" || ext == ".ico";
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

const char* FullScreenShow::HelpText() {
    // Two columns padded with spaces: the box shows them in a fixed-width font, where tab
    // stops would depend on the font and a long line would wrap (the box wraps text wider than
    // half a small screen, so the keys take two lines rather than a wider column).
    return "Press Key:\n"
           "---------------\n"
           "Enter/Esc          - Close Window\n"
           "P                  - Print Image\n"
           "C                  - Change Background Color\n"
           "PageUp/Up/Left     - Go Previous Image\n"
           "PageDown/Down      - Go Next Image\n"
           "Right/Space        - Go Next Image";
}

void FullScreenShow::ShowKeyHelp() {
    // Owned by the show, so that it opens over the full-screen window.
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(AppTitle),
                    QString::fromLatin1(HelpText()), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    if (auto* text = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        text->setFont(FixedPitchFont());
        text->setWordWrap(false);
    }
    box.exec();
}

FullScreenShow::FullScreenShow(const FullScreenShowSource& source, ViewerDialogs& dialogs,
                               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), dialogs_(dialogs) {
    setObjectName("CurrentFullScreenShow");
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    SetBackground(this, Qt::black);

    PictureBox = new QScrollArea(this);
    PictureBox->setObjectName("PictureBox");
    PictureBox->setFrameShape(QFrame::NoFrame);
    PictureBox->setAlignment(Qt::AlignCenter);
    PictureBox->setFocusPolicy(Qt::NoFocus);
    SetBackground(PictureBox, Qt::black);
    SetBackground(PictureBox->viewport(), Qt::black);
    PictureBox->horizontalScrollBar()->setTracking(true);
    PictureBox->verticalScrollBar()->setTracking(true);
    PictureLabel = new QLabel;
    PictureLabel->setObjectName("PictureLabel");
    PictureLabel->setAlignment(Qt::AlignCenter);
    PictureLabel->installEventFilter(this);
    PictureBox->setWidget(PictureLabel);
    PictureBox->setWidgetResizable(false);

    FileName = new QLabel(this);
    FileName->setObjectName("FileName");
    FileName->setAlignment(Qt::AlignCenter);
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    FileName->setFont(font);
    SetBackground(FileName, Qt::black);
    QPalette text = FileName->palette();
    text.setColor(QPalette::WindowText, Qt::red);
    FileName->setPalette(text);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PictureBox, 1);
    layout->addWidget(FileName);

    ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen =
            QColorDialog::getColor(initial, this, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    PrintPicture = [](const std::string& path) { return ShellPrint(path); };
    ShowHelp = [this] { ShowKeyHelp(); };

    // Creation: the task bar goes, the ring is built from the visible list, the start chosen.
    SetTaskbarVisible(false);
    if (source.ProjectListVisible || source.LocalListVisible)
        for (const std::string& path : source.ItemPaths)
            if (IsImageName(path)) ring_.push_back(path);
    if (!ring_.empty()) {
        current_ = 0;
        const bool startAtSelection =
            !source.PanelFileCaption.empty() && !source.SelectedPath.empty() &&
            (source.ProjectListVisible || (source.LocalListVisible && source.LocalListHasFocus));
        if (startAtSelection)
            for (std::size_t i = 0; i < ring_.size(); ++i)
                if (SameText(ring_[i], source.SelectedPath)) current_ = static_cast<int>(i);
    }
}

FullScreenShow::~FullScreenShow() = default;

void FullScreenShow::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    QWidget::showEvent(event);
}

bool FullScreenShow::event(QEvent* event) {
    if (HoldDeletionUnderBoxes(this, event)) return true;
    const bool result = QWidget::event(event);
    // The first picture comes up just after the activation, not inside it: its box would run
    // while the application is still telling the other windows that they lost the focus, and
    // a window closed under that box would be told so after it had gone.
    if (event->type() == QEvent::WindowActivate && !started_)
        QMetaObject::invokeMethod(this, &FullScreenShow::OnActivated, Qt::QueuedConnection);
    return result;
}

void FullScreenShow::OnActivated() {
    // The first picture is shown when the show first comes up; later activations (the end
    // of a message box among them) show nothing again, or a picture that cannot be shown
    // would bring its box back each time and never let a key step on.
    if (started_) return;
    started_ = true;
    if (current_ >= 0) {
        try {
            DisplayImage(ring_[static_cast<std::size_t>(current_)]);
        } catch (const std::exception& e) {
            dialogs_.Ask(this, e.what(), ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
            if (!isVisible()) return;  // closed while the box was up: nothing more to say
        }
    }
    repaint();
    if (ring_.empty())
        dialogs_.Ask(this, "No image in current folder", ViewerDialogs::Kind::Information,
                     ViewerDialogs::Buttons::Ok);
}

void FullScreenShow::DisplayImage(const std::string& path) {
    // Names show in lower case; the file itself is opened by its real name, which on this
    // platform's file systems is not the same file as its lower-case spelling.
    FileName->setText(QFileInfo(QString::fromStdString(path)).fileName().toLower());
    ShowPicture(*PictureBox, *PictureLabel, LoadPicture(path));  // raises; the show stays here
}

void FullScreenShow::Step(int by) {
    if (ring_.empty()) return;
    const int count = static_cast<int>(ring_.size());
    current_ = ((current_ + by) % count + count) % count;
    try {
        DisplayImage(ring_[static_cast<std::size_t>(current_)]);
    } catch (const std::exception& e) {
        dialogs_.Ask(this, e.what(), ViewerDialogs::Kind::Error, ViewerDialogs::Buttons::Ok);
    }
}

void FullScreenShow::ApplyColour(const QColor& colour) {
    SetBackground(PictureBox, colour);
    SetBackground(PictureBox->viewport(), colour);
    SetBackground(PictureLabel, colour);
    SetBackground(FileName, colour);
    QPalette text = FileName->palette();
    text.setColor(QPalette::WindowText, QColor(255 - colour.red(), colour.green(), colour.blue()));
    FileName->setPalette(text);
}

void FullScreenShow::HandleKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_PageUp:
        case Qt::Key_Up:
        case Qt::Key_Left:
            Step(-1);
            return;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
        case Qt::Key_Right:
        case Qt::Key_Space:
            Step(1);
            return;
        case Qt::Key_C:
            if (const auto chosen = ChooseColor(PictureBox->palette().color(QPalette::Window))) {
                if (chosen->isValid())
                    ApplyColour(*chosen);
                else
                    dialogs_.Ask(this, "Color dialog failed to load.", ViewerDialogs::Kind::Error,
                                 ViewerDialogs::Buttons::Ok);
            }
            return;
        case Qt::Key_P:
            if (current_ >= 0) {
                // Only a missing printer (or an unreadable picture) is worth a word.
                const std::string error = PrintPicture(ring_[static_cast<std::size_t>(current_)]);
                if (!error.empty())
                    dialogs_.Ask(this, error, ViewerDialogs::Kind::Error,
                                 ViewerDialogs::Buttons::Ok);
            }
            return;
        default:
            ShowHelp();
    }
}

void FullScreenShow::OnPictureClicked() {
    ShowHelp();
}

void FullScreenShow::keyPressEvent(QKeyEvent* event) {
    HandleKey(event->key());
}

bool FullScreenShow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PictureLabel && event->type() == QEvent::MouseButtonPress) {
        OnPictureClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FullScreenShow::closeEvent(QCloseEvent* event) {
    SetTaskbarVisible(true);
    ring_.clear();
    current_ = -1;
    DeleteAfterBoxes(this);
    QWidget::closeEvent(event);
}
