#pragma once

#include <QColor>
#include <QFrame>
#include <functional>
#include <optional>
#include <string>

class HtmlView;
class QLabel;
class QScrollArea;

// One place that shows a file: pages and text files in the HTML control PageView, pictures in
// the image PictureLabel inside the scroll box PictureBox, on a background colour the person
// may choose. The browser panel, the viewer and the finder's preview each show one.
class PagePane : public QFrame {
    Q_OBJECT
  public:
    // Where a picture lies: on the pane itself, whose colour shows around it (the viewer, the
    // finder), or in a framed box of its own colour (the browser panel).
    enum class PictureArea { OnPane, FramedBox };

    explicit PagePane(PictureArea area, QWidget* parent = nullptr);

    HtmlView* PageView() const { return page_; }
    QScrollArea* PictureBox() const { return pictureBox_; }
    QLabel* PictureLabel() const { return picture_; }

    // The page, or the picture area, shows; the other is hidden.
    void ShowPageArea();
    void ShowPictureArea();
    bool PageShown() const;
    bool PictureShown() const;

    // Loads the picture file into the image and shows the box with it at its opening position;
    // on failure the reason, with the image emptied and the box as it was.
    std::string ShowPictureFile(const std::string& path);

    // The colour chosen for pictures leaves the page as it is (the pane's colour otherwise
    // reaches the page's frame too).
    void KeepPageColours();

    QColor PictureBackground() const;
    void SetPictureBackground(const QColor& colour);
    // Asks `choose` for a colour, starting from the present one, and applies it. False when
    // nothing changed: cancelled, or the dialog failed (said through `showError`).
    using ColourChooser = std::function<std::optional<QColor>(const QColor& initial)>;
    bool ChooseBackground(const ColourChooser& choose,
                          const std::function<void(const std::string&)>& showError);

  private:
    PictureArea area_;
    HtmlView* page_;
    QScrollArea* pictureBox_;
    QLabel* picture_;
};
