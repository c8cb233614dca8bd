#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowParts.h"
#include "window/GridModel.h"
#include "window/MainWindow.h"
#include "window/StatusBar.h"
#include "window/StatusGrid.h"
#include "window/ViewRefresh.h"

namespace {

// Runs the event loop until done() or two seconds have passed.
template <typename Done>
bool Eventually(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(ViewRefresh, ShowsAtOnceWhenIdleAndInBatchesWhileDeferring) {
    EnsureQtApp();
    bool deferring = false;
    ViewRefresh refresh([&] { return deferring; });
    int texts = 0, selection = 0;
    std::vector<char> order;
    const int textsKind = refresh.Add([&] {
        ++texts;
        order.push_back('t');
    });
    const int selectionKind = refresh.Add([&] {
        ++selection;
        order.push_back('s');
    });

    refresh.Changed(textsKind);
    refresh.Changed(textsKind);
    EXPECT_EQ(texts, 2) << "idle: every change shows";

    deferring = true;
    order.clear();
    refresh.Changed(selectionKind);
    for (int i = 0; i < 50; ++i) refresh.Changed(textsKind);
    EXPECT_EQ(texts, 2);
    EXPECT_EQ(selection, 0);
    refresh.Flush();
    EXPECT_EQ(texts, 3) << "fifty changes, one showing";
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(order, (std::vector<char>{'t', 's'})) << "kinds show in the order they were added";
    refresh.Flush();
    EXPECT_EQ(texts, 3) << "nothing pending, nothing shown";

    refresh.Changed(textsKind);
    EXPECT_TRUE(Eventually([&] { return texts == 4; })) << "the timer shows what was gathered";
}

// The main window during a run: the engine's texts and selection reach the widgets in batches,
// and all of them once the session is over.
TEST(ViewRefresh, TheWindowBatchesARunningSessionsLabels) {
    EnsureQtApp();
    ScriptedPrompts prompts;
    MainWindow form(prompts);
    SessionState& state = form.State();
    state.SessionClock.start();  // a session runs
    const QString before = FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1);
    for (int i = 1; i <= 20; ++i) {
        state.View.SetLowerStatusBar(1, "Files Read: " + std::to_string(i));
        state.View.SetThreadCountLabel(std::to_string(i % 10));
        state.View.SetGridRowCount(i + 2);
        state.View.SelectRow(i);
    }
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1), before);
    EXPECT_TRUE(Eventually([&] {
        return FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1) == "Files Read: 20";
    }));
    EXPECT_EQ(FindPart<QLabel>(form, "ThreadCountLabel")->text(), "0");
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 20);

    state.View.SetLowerStatusBar(1, "Files Read: 21");
    state.View.SelectRow(21);
    state.SessionClock.stop();
    emit form.Engine().SessionFinished();
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1), "Files Read: 21")
        << "shown when the session ends";
    EXPECT_EQ(FindPart<StatusGrid>(form, "Grid")->Row(), 21);

    state.View.SetLowerStatusBar(1, "Files Read: 22");
    EXPECT_EQ(FindPart<StatusBar>(form, "LowerStatusBar")->PanelText(1), "Files Read: 22")
        << "no session: at once";
}

}  // namespace
