#include <gtest/gtest.h>

#include <QAction>
#include <QToolButton>
#include <string>

#include "support/QtApp.h"
#include "widgets/Hints.h"

struct HintCase {
    const char* hint;
    const char* toolTip;
    const char* statusTip;
};

class HintParts : public ::testing::TestWithParam<HintCase> {
  protected:
    void SetUp() override { EnsureQtApp(); }
};

// The tool tip is what comes before the first "|", the hint line what comes after it; a hint
// without one is both. Buttons, menu items and hints given as UTF-8 text are all cut alike.
TEST_P(HintParts, SplitAtTheFirstBar) {
    const HintCase& c = GetParam();
    const QString hint = QString::fromUtf8(c.hint);
    QToolButton fromQString;
    SetHint(&fromQString, hint);
    QToolButton fromUtf8;
    SetHint(&fromUtf8, std::string(c.hint));
    QAction action;
    SetHint(&action, hint);
    for (const QString& tip : {fromQString.toolTip(), fromUtf8.toolTip(), action.toolTip()})
        EXPECT_EQ(tip, QString::fromUtf8(c.toolTip));
    for (const QString& tip : {fromQString.statusTip(), fromUtf8.statusTip(), action.statusTip()})
        EXPECT_EQ(tip, QString::fromUtf8(c.statusTip));
    EXPECT_EQ(HintOf(&fromQString), hint);
    EXPECT_EQ(HintOf(&fromUtf8), hint);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HintParts,
    ::testing::Values(HintCase{"Close|Close active window", "Close", "Close active window"},
                      HintCase{"Reload", "Reload", "Reload"}, HintCase{"Back|", "Back", ""},
                      HintCase{"|Only the line", "", "Only the line"},
                      HintCase{"Save \"a|b.html\" as ..|", "Save \"a", "b.html\" as ..|"},
                      HintCase{"", "", ""},
                      HintCase{"Caf\xc3\xa9.html|Caf\xc3\xa9", "Caf\xc3\xa9.html", "Caf\xc3\xa9"}));
