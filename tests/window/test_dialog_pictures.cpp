#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <functional>
#include <memory>

#include "about/AboutDialog.h"
#include "window/PleaseWaitPanel.h"
#include "newsession/FtpOptionsDialog.h"
#include "newsession/SiteLoginDialog.h"
#include "newsession/NewSessionDialog.h"
#include "newsession/FileSizeLimitsDialog.h"
#include "support/GuiTestApp.h"
#include "window/GuiPrompts.h"
#include "window/ConversionProgress.h"

// Every dialog and small window is drawn at its own size into build/screenshots/, so that a
// person can look at them, and checked for texts that do not fit their controls.

namespace {

struct Picture {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

std::vector<QString> ClippedTexts(QWidget& window) {
    std::vector<QString> clipped;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        QString text;
        QSize needed;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || label->text().isEmpty()) continue;
            text = label->text();
            needed = label->sizeHint();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty()) continue;
            text = button->text();
            needed = button->sizeHint();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (group->title().isEmpty()) continue;
            text = group->title();
            needed = QSize(group->fontMetrics().horizontalAdvance(group->title()) + 16, 0);
        } else {
            continue;
        }
        if (w->width() < needed.width() || w->height() < needed.height())
            clipped.push_back(text + QString(" (%1x%2, needs %3x%4)")
                                         .arg(w->width())
                                         .arg(w->height())
                                         .arg(needed.width())
                                         .arg(needed.height()));
    }
    return clipped;
}

TEST(DialogPictures, EveryWindowShowsItsTextsWhole) {
    EnsureGuiApplication();
    const Picture pictures[] = {
        {"new-session", [] { return std::make_unique<NewSessionDialog>(); }},
        {"new-session-choices",
         [] {
             auto d = std::make_unique<NewSessionDialog>();
             d->RetrieveZIPEXEFiles->click();
             d->RetrieveOtherFiles->click();
             d->UseProxy->click();
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"specify-file-size-checked",
         [] {
             auto d = std::make_unique<FileSizeLimitsDialog>();
             d->LimitSizesCheck->click();
             d->NewTypeBtn->click();
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"ftp-option-checked",
         [] {
             auto d = std::make_unique<FtpOptionsDialog>();
             d->RetrieveFromFtpCheck->click();
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"specify-file-size",
         [] {
             auto d = std::make_unique<FileSizeLimitsDialog>();
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"ftp-option", [] { return std::make_unique<FtpOptionsDialog>(); }},
        {"http-authentication", [] { return std::make_unique<SiteLoginDialog>(); }},
        {"about", [] { return std::make_unique<AboutDialog>(); }},
        {"wait-panel",
         [] {
             auto w = std::make_unique<PleaseWaitPanel>();
             w->ShowPanel("Please Wait.", "Loading Session..");
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"conversion",
         [] {
             auto w = std::make_unique<ConversionProgress>();
             w->SetProgress("Updating HTML links for off line browsing..",
                            "/home/someone/Sites/www.example.org/www.example.org_docs_guide_"
                            "chapter-one_index.html",
                            42);
             return std::unique_ptr<QWidget>(std::move(w));
         }},
    };
    const QString folder = QString(LW_BINARY_DIR) + "/screenshots";
    QDir().mkpath(folder);
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        std::unique_ptr<QWidget> window = p.make();
        window->show();
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(folder + "/" + p.name + ".png"));
        for (const QString& text : ClippedTexts(*window)) ADD_FAILURE() << text.toStdString();
    }
}

TEST(DialogPictures, MessageBoxOfTheEngine) {
    EnsureGuiApplication();
    GuiPrompts prompts;
    QImage image;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        image = box->grab().toImage();
        box->button(QMessageBox::Cancel)->click();
    });
    prompts.Message(
        "Site Retrieval Completed. Now Lanternway will update HTML links of all files for off "
        "line browsing.",
        SessionPrompts::Kind::Confirmation, SessionPrompts::Buttons::OkCancel);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(QString(LW_BINARY_DIR) + "/screenshots/message-box.png"));
}

}  // namespace
