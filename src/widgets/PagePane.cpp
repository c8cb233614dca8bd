#include "widgets/PagePane.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>

#include "htmlview/HtmlView.h"
#include "imaging/Picture.h"
#include "widgets/PictureView.h"

PagePane::PagePane(PictureArea area, QWidget* parent) : QFrame(parent), area_(area) {
    setObjectName(QStringLiteral("PagePane"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    // The page and the picture share the pane, one at a time.
    pictureBox_ = NewPictureBox(this, picture_);
    pictureBox_->setObjectName(QStringLiteral("PictureBox"));
    picture_->setObjectName(QStringLiteral("PictureLabel"));
    page_ = new HtmlView(this);
    page_->setObjectName(QStringLiteral("PageView"));
    grid->addWidget(pictureBox_, 0, 0);
    grid->addWidget(page_, 0, 0);
    if (area_ == PictureArea::OnPane) {
        setAutoFillBackground(true);
    } else {
        // The box fills itself with its own colour inside its frame.
        pictureBox_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        pictureBox_->viewport()->setAutoFillBackground(true);
    }
}

void PagePane::ShowPageArea() {
    pictureBox_->hide();
    page_->show();
}

void PagePane::ShowPictureArea() {
    page_->hide();
    pictureBox_->show();
}

bool PagePane::PageShown() const {
    return !isHidden() && !page_->isHidden();
}

bool PagePane::PictureShown() const {
    return !isHidden() && !pictureBox_->isHidden();
}

std::string PagePane::ShowPictureFile(const std::string& path) {
    QImage image;
    try {
        image = LoadPicture(path);
    } catch (const std::exception& e) {
        picture_->clear();
        picture_->adjustSize();
        return e.what();
    }
    pictureBox_->show();
    ShowPicture(*pictureBox_, *picture_, image);
    return {};
}

void PagePane::KeepPageColours() {
    // A colour the page sets itself is not replaced by the pane's.
    QPalette own = page_->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        own.setColor(group, QPalette::Window, own.color(group, QPalette::Window));
    page_->setPalette(own);
}

QColor PagePane::PictureBackground() const {
    const QWidget* coloured =
        area_ == PictureArea::OnPane ? static_cast<const QWidget*>(this) : pictureBox_;
    return coloured->palette().color(QPalette::Window);
}

void PagePane::SetPictureBackground(const QColor& colour) {
    if (area_ == PictureArea::OnPane) {
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
        return;
    }
    QPalette p = pictureBox_->palette();
    p.setColor(QPalette::Window, colour);
    pictureBox_->setPalette(p);
    pictureBox_->viewport()->setPalette(p);
    pictureBox_->viewport()->setAutoFillBackground(true);
    picture_->setPalette(p);
}

bool PagePane::ChooseBackground(const ColourChooser& choose,
                                const std::function<void(const std::string&)>& showError) {
    const auto chosen = choose(PictureBackground());
    if (!chosen) return false;
    if (!chosen->isValid()) {
        showError("Color dialog failed to load.");
        return false;
    }
    SetPictureBackground(*chosen);
    return true;
}
