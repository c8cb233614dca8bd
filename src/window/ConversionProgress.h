#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QWidget>

class QLabel;

// A flat percentage bar: the done part in blue with the percentage in white on it, the rest white
// with the percentage in blue, so the number reads wherever the bar stands.
class PercentBar : public QWidget {
    Q_OBJECT
  public:
    explicit PercentBar(QWidget* parent = nullptr);

    int Progress() const { return progress_; }
    int MaxValue() const { return maxValue_; }
    void SetProgress(int progress);
    void SetMaxValue(int maxValue);
    int PercentDone() const;

    QColor ForeColor{0, 0, 255};
    QColor BackColor{255, 255, 255};

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int progress_ = 0;
    int maxValue_ = 100;
};

// The window shown while the links of the retrieved pages are rewritten (or the pages deleted):
// no title bar, 366 x 94, centred on the screen. Its texts are set by the conversion, which
// blocks the event loop, so the window paints itself as they change.
class ConversionProgress : public QWidget {
    Q_OBJECT
  public:
    explicit ConversionProgress(QWidget* parent = nullptr);

    // Centres the window on the screen of `near` (the primary screen without), shows it and
    // paints it.
    void ShowCentred(QWidget* near = nullptr);
    // The top label, the file being converted (an empty name hides the file line) and the
    // gauge in per cent.
    void SetProgress(const QString& label, const QString& currentFile, int percent);

    QFrame* Bevel;
    QLabel* StepLabel;
    QLabel* FileCaption;
    QLabel* CurrentFileLabel;
    PercentBar* ProgressGauge;

    // The full name of the current file (the label may show it shortened in the middle).
    QString CurrentFileName() const { return currentFile_; }

    // The shortest time between two paints of a running conversion, in milliseconds.
    static constexpr int PaintInterval = 40;

  private:
    QString currentFile_;
    bool fileShown_ = true;  // the file line shows currentFile_
    QElapsedTimer painted_;  // since the last paint of SetProgress
};
