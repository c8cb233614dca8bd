#pragma once

#include <QFrame>
#include <QString>
#include <vector>

class QLabel;
class QHBoxLayout;

// A status bar of fixed-width text panels, without a size grip. In simple mode one panel spanning
// the bar shows SimpleText instead (the hint line); leaving simple mode brings the panels back.
class StatusBar : public QFrame {
    Q_OBJECT
  public:
    explicit StatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    // The width the panel was given; it shows wider while its text needs more room.
    int PanelWidth(int panel) const;
    void SetPanelWidth(int panel, int width);

    bool SimplePanel() const { return simple_; }
    void SetSimplePanel(bool simple);
    QString SimpleText() const;
    void SetSimpleText(const QString& text);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitPanel(int panel);

    QWidget* strip_;
    std::vector<int> widths_;
    std::vector<QLabel*> panels_;
    QLabel* simpleLabel_;
    bool simple_ = false;
};
