// Runs one whole session from the main window, as a person would with the New Session dialog's
// defaults, and exits when it is over: the window's side of the copy benchmark. It answers every
// question as lanternway-get does (OK, Yes, the given session file) but keeps the real windows:
// status grid, status bars, site tree, file list and the conversion window (without its closing
// pause).
//
//   lw_window_run ADDRESS SESSION-FILE [--threads=N] [--complete]
//
// Meant for QT_QPA_PLATFORM=offscreen. Exits 0 when the session completed.

#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "core/IntegerText.h"
#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "window/GuiPrompts.h"
#include "window/MainWindow.h"

namespace {

class AnsweringPrompts : public GuiPrompts {
  public:
    explicit AnsweringPrompts(std::string sessionFile) : sessionFile_(std::move(sessionFile)) {}

    Answer Message(const std::string& text, Kind kind, Buttons buttons) override {
        if (kind == Kind::Error) std::cerr << text << '\n';
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return sessionFile_;
    }
    // The finished conversion window stays up for a second by design; that is the person's
    // time to read it, not work, and lanternway-get has no window to hold.
    void Pause(int) override {}

  private:
    std::string sessionFile_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: lw_window_run ADDRESS SESSION-FILE [--threads=N] [--complete]\n";
        return 2;
    }
    SessionSettings wanted;
    wanted.MainURL = argv[1];
    for (int i = 3; i < argc; ++i)
        if (std::strncmp(argv[i], "--threads=", 10) == 0)
            wanted.MaximumThreads = ParseInteger<int>(argv[i] + 10).value_or(wanted.MaximumThreads);
        else if (std::strcmp(argv[i], "--complete") == 0)
            wanted.CompleteCopy = true;
    const std::string sessionFile = std::filesystem::absolute(argv[2]).string();

    AnsweringPrompts prompts(sessionFile);
    MainWindow form(prompts);
    prompts.SetOwner(&form);
    form.AskSessionSettings = [&wanted](SessionSettings& settings) {
        settings = wanted;
        return true;
    };
    form.showMaximized();

    bool finished = false;
    QObject::connect(&form.Engine(), &RunControl::SessionFinished, &app, [&] {
        finished = true;
        // Let the window take in the finished session (file list, tree) before leaving.
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(0, &form, [&] {
        form.findChild<QToolButton*>(QStringLiteral("RetrieveBtn"))->click();
        if (!form.State().Running() && !finished) QCoreApplication::exit(1);
    });
    app.exec();
    return finished && form.State().SessionComplete ? 0 : 1;
}
