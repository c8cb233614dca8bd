#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QToolButton>

#include "support/GuiTestApp.h"
#include "support/ScriptedPrompts.h"
#include "window/TForm2.h"
#include "window/TMgrid.h"
#include "window/TStatusBar.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { GuiTestApp(); }
    ScriptedPrompts prompts;
};

}  // namespace

TEST_F(MainWindow, RendersAtDesignAndScreenWidths) {
    for (int width : {TForm2::DesignWidth, 1024, 1920}) {
        TForm2 form(prompts);
        form.AdaptToScreenWidth(width);
        form.resize(width, width == TForm2::DesignWidth ? TForm2::DesignHeight : width * 9 / 16);
        form.show();
        QApplication::processEvents();
        SaveScreenshot(form, QStringLiteral("main-window-%1").arg(width));
    }
}
