#include "viewers/TFullScreenForm.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/SessionPrompts.h"
#include "core/Text.h"
#include "imaging/Picture.h"
#include "viewers/PictureView.h"
#include "viewers/Printing.h"

QPointer<TFullScreenForm> FullScreenForm;

void SetTaskbarVisible(bool visible) {
    (void)visible;
}

namespace {

bool IsImageName(const std::string& path) {
    const std::string ext =
        LowerCase(QFileInfo(QString::fromStdString(path)).suffix().prepend('.').toStdString());
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

const char* TFullScreenForm::HelpText() {
    return "Press Key: \r\n"
           "---------------\r\n"
           "Enter - \t\t\t\tClose Window\r\n"
           "P - \t\t\t\tPrint Image\r\n"
           "C - \t\t\t\tChange Background Color\r\n"
           "PageUp/UpArrow - \t\tGo Previous Image\r\n"
           "PageDown/DownArrow - \tGo Next Image";
}

TFullScreenForm::TFullScreenForm(const TFullScreenSource& source, SessionPrompts& prompts,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), prompts_(prompts) {
    setObjectName("FullScreenForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    SetBackground(this, Qt::black);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    SetBackground(ScrollBox1, Qt::black);
    SetBackground(ScrollBox1->viewport(), Qt::black);
    ScrollBox1->horizontalScrollBar()->setTracking(true);
    ScrollBox1->verticalScrollBar()->setTracking(true);
    Image1 = new QLabel;
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->installEventFilter(this);
    ScrollBox1->setWidget(Image1);
    ScrollBox1->setWidgetResizable(false);

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
    layout->addWidget(ScrollBox1, 1);
    layout->addWidget(FileName);

    ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen =
            QColorDialog::getColor(initial, this, QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    PrintPicture = [](const std::string& path) { return ShellPrint(path); };

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

TFullScreenForm::~TFullScreenForm() = default;

void TFullScreenForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    QWidget::showEvent(event);
}

bool TFullScreenForm::event(QEvent* event) {
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

void TFullScreenForm::FormActivate() {
    if (current_ >= 0) {
        try {
            DisplayImage(ring_[static_cast<std::size_t>(current_)]);
        } catch (const std::exception& e) {
            prompts_.Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
        }
    }
    repaint();
    if (ring_.empty())
        prompts_.Message("No image in current folder", SessionPrompts::Kind::Information,
                         SessionPrompts::Buttons::Ok);
}

void TFullScreenForm::DisplayImage(const std::string& path) {
    // Names show in lower case; the file itself is opened by its real name, which on this
    // platform's file systems is not the same file as its lower-case spelling.
    FileName->setText(QFileInfo(QString::fromStdString(path)).fileName().toLower());
    ShowPicture(*ScrollBox1, *Image1, LoadPicture(path));  // raises; the show stays here
}

void TFullScreenForm::Step(int by) {
    if (ring_.empty()) return;
    const int count = static_cast<int>(ring_.size());
    current_ = ((current_ + by) % count + count) % count;
    try {
        DisplayImage(ring_[static_cast<std::size_t>(current_)]);
    } catch (const std::exception& e) {
        prompts_.Message(e.what(), SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
    }
}

void TFullScreenForm::ApplyColour(const QColor& colour) {
    SetBackground(ScrollBox1, colour);
    SetBackground(ScrollBox1->viewport(), colour);
    SetBackground(Image1, colour);
    SetBackground(FileName, colour);
    QPalette text = FileName->palette();
    text.setColor(QPalette::WindowText, QColor(255 - colour.red(), colour.green(), colour.blue()));
    FileName->setPalette(text);
}

void TFullScreenForm::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            close();
            return;
        case Qt::Key_PageUp:
        case Qt::Key_Up:
            Step(-1);
            return;
        case Qt::Key_PageDown:
        case Qt::Key_Down:
            Step(1);
            return;
        case Qt::Key_C:
            if (const auto chosen = ChooseColor(ScrollBox1->palette().color(QPalette::Window))) {
                if (chosen->isValid())
                    ApplyColour(*chosen);
                else
                    prompts_.Message("Color dialog failed to load.", SessionPrompts::Kind::Error,
                                     SessionPrompts::Buttons::Ok);
            }
            return;
        case Qt::Key_P:
            if (current_ >= 0) {
                // Only a missing printer (or an unreadable picture) is worth a word.
                const std::string error = PrintPicture(ring_[static_cast<std::size_t>(current_)]);
                if (!error.empty())
                    prompts_.Message(error, SessionPrompts::Kind::Error,
                                     SessionPrompts::Buttons::Ok);
            }
            return;
        default:
            prompts_.Message(HelpText(), SessionPrompts::Kind::Information,
                             SessionPrompts::Buttons::Ok);
    }
}

void TFullScreenForm::Image1MouseDown() {
    prompts_.Message(HelpText(), SessionPrompts::Kind::Information, SessionPrompts::Buttons::Ok);
}

void TFullScreenForm::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
}

bool TFullScreenForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonPress) {
        Image1MouseDown();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFullScreenForm::closeEvent(QCloseEvent* event) {
    SetTaskbarVisible(true);
    ring_.clear();
    current_ = -1;
    QWidget::closeEvent(event);
}
