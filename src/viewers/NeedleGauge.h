#pragma once

#include <QWidget>
#include <cstdint>

// A round gauge whose needle swings from left to right as progress runs from 0 to its maximum,
// with the percentage written under the pivot.
class NeedleGauge : public QWidget {
    Q_OBJECT
  public:
    explicit NeedleGauge(QWidget* parent = nullptr);

    std::int64_t MaxValue() const { return max_; }
    std::int64_t Progress() const { return progress_; }
    void SetMaxValue(std::int64_t value);
    void SetProgress(std::int64_t value);
    // 0..100; 0 while the maximum is not above 0.
    int PercentDone() const;

    QSize sizeHint() const override { return {64, 30}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::int64_t max_ = 100;
    std::int64_t progress_ = 0;
};
