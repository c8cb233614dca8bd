#include "window/ConversionProgress.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWindow>

PercentBar::PercentBar(QWidget* parent) : QWidget(parent) {
    setObjectName("ProgressGauge");
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

void PercentBar::SetProgress(int progress) {
    progress = qBound(0, progress, maxValue_);
    if (progress == progress_) return;
    progress_ = progress;
    update();
}

void PercentBar::SetMaxValue(int maxValue) {
    maxValue_ = qMax(1, maxValue);
    progress_ = qMin(progress_, maxValue_);
    update();
}

int PercentBar::PercentDone() const {
    return static_cast<int>(static_cast<long long>(progress_) * 100 / maxValue_);
}

void PercentBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    const QRect inner = all.adjusted(1, 1, -1, -1);
    p.fillRect(all, palette().color(QPalette::Mid));
    p.fillRect(inner, BackColor);
    QRect done = inner;
    done.setWidth(inner.width() * PercentDone() / 100);
    p.fillRect(done, ForeColor);

    const QString text = QString::number(PercentDone()) + QLatin1Char('%');
    p.setPen(ForeColor);
    p.setClipRect(inner.adjusted(done.width(), 0, 0, 0));
    p.drawText(inner, Qt::AlignCenter, text);
    p.setPen(BackColor);
    p.setClipRect(done);
    p.drawText(inner, Qt::AlignCenter, text);
}

ConversionProgress::ConversionProgress(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("ParseFile");
    setWindowTitle("Updating HTML links");
    setFixedSize(366, 94);
    setAutoFillBackground(true);

    // The panel fills the window: a lowered bevel of 2 inside a border of 2.
    Bevel = new QFrame(this);
    Bevel->setObjectName("Bevel");
    Bevel->setGeometry(0, 0, 366, 94);
    Bevel->setFrameShape(QFrame::Panel);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setLineWidth(2);

    StepLabel = new QLabel("Updating HTML links for off line browsing..", Bevel);
    StepLabel->setObjectName("StepLabel");
    StepLabel->setGeometry(8, 8, 349, 18);
    QFont bold = StepLabel->font();
    bold.setBold(true);
    StepLabel->setFont(bold);

    FileCaption = new QLabel("File:", Bevel);
    FileCaption->setObjectName("FileCaption");
    const int fileLabelWidth = FileCaption->fontMetrics().horizontalAdvance("File:") + 6;
    FileCaption->setGeometry(8, 32, fileLabelWidth, 18);
    CurrentFileLabel = new QLabel(Bevel);
    CurrentFileLabel->setObjectName("CurrentFileLabel");
    // 321 pixels wide at the design font; it takes what is left when "File:" needs more.
    CurrentFileLabel->setGeometry(8 + fileLabelWidth, 32, qMin(321, 349 - fileLabelWidth), 18);

    ProgressGauge = new PercentBar(Bevel);
    ProgressGauge->setGeometry(8, 60, 349, 25);
}

void ConversionProgress::ShowCentred(QWidget* near) {
    QScreen* screen = near ? near->screen() : QApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    // The conversion holds the event loop from now on: the window system must have mapped the
    // window before it can be painted, and the windows under it need their paint too.
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 500);
    repaint();
}

void ConversionProgress::SetProgress(const QString& label, const QString& currentFile, int percent) {
    const bool labelChanged = StepLabel->text() != label;
    if (labelChanged) StepLabel->setText(label);
    const bool fileChanged = currentFile != currentFile_;
    currentFile_ = currentFile;
    CurrentFileLabel->setVisible(!currentFile.isEmpty());
    ProgressGauge->SetProgress(percent);
    // A fast conversion passes thousands of files a second; painting (and shortening) every
    // name would take longer than the conversion, so the window follows a few times a second.
    const bool due = labelChanged || !painted_.isValid() || painted_.elapsed() >= PaintInterval;
    if (fileChanged) fileShown_ = false;
    if (!due) return;
    if (!fileShown_) {
        CurrentFileLabel->setText(CurrentFileLabel->fontMetrics().elidedText(currentFile_, Qt::ElideMiddle,
                                                                     CurrentFileLabel->width()));
        CurrentFileLabel->setToolTip(currentFile_);
        fileShown_ = true;
    }
    if (isVisible()) {
        repaint();
        // The other windows (and the window system) follow the conversion too; input waits.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    painted_.start();
}
