#include "cli/GetSession.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <memory>

#include "cli/ShowSession.h"
#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "engine/TransferRetries.h"

namespace {

// Answers every question as a person pressing OK or Yes would, and prints what the boxes say.
class CliPrompts : public SessionPrompts {
  public:
    CliPrompts(std::ostream& err, std::string sessionFile, bool noConvert, bool quiet)
        : err_(err), sessionFile_(std::move(sessionFile)), noConvert_(noConvert), quiet_(quiet) {}

    // Called before anything is printed, so that a progress line can make room.
    std::function<void()> BeforePrint;

    Answer Message(const std::string& text, Kind kind, Buttons buttons) override {
        if (!quiet_ || kind == Kind::Error) {
            if (BeforePrint) BeforePrint();
            err_ << text << '\n' << std::flush;
        }
        if (buttons == Buttons::YesNo) return Answer::Yes;
        if (buttons == Buttons::OkCancel && (noConvert_ || interrupted_) &&
            text.rfind("Site Retrieval Completed.", 0) == 0)
            return Answer::Cancel;
        return Answer::Ok;
    }

    // The person wants out: the completion saves the session but converts nothing.
    void Interrupted() { interrupted_ = true; }

    void FileNotRetrieved(const std::string& text) override {
        if (BeforePrint) BeforePrint();
        err_ << text << '\n' << std::flush;
    }

    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return sessionFile_;
    }

  private:
    std::ostream& err_;
    std::string sessionFile_;
    bool noConvert_;
    bool quiet_;
    bool interrupted_ = false;
};

// Ctrl-C: the first one stops the session (the transfers get the stop's grace), the second
// cancels them at once, both through the event loop, so that the session is still completed and
// saved. The third ends the program on the spot, whatever the loop is doing.
int g_interruptPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_interrupts = 0;

extern "C" void OnInterrupt(int) {
    g_interrupts = g_interrupts + 1;
    if (g_interrupts >= 3) _exit(130);
    const char byte = 1;
    [[maybe_unused]] const auto n = write(g_interruptPipe[1], &byte, 1);
}

class InterruptAsStop {
  public:
    // `stop` runs on the event loop with the number of Ctrl-Cs so far.
    explicit InterruptAsStop(std::function<void(int)> stop) {
        if (pipe(g_interruptPipe) != 0) return;
        g_interrupts = 0;
        notifier_ = std::make_unique<QSocketNotifier>(g_interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [stop] {
            char buffer[16];
            [[maybe_unused]] const auto n = read(g_interruptPipe[0], buffer, sizeof buffer);
            stop(g_interrupts);
        });
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptAsStop() {
        if (g_interruptPipe[0] < 0) return;
        sigaction(SIGINT, &previous_, nullptr);
        notifier_.reset();
        close(g_interruptPipe[0]);
        close(g_interruptPipe[1]);
        g_interruptPipe[0] = g_interruptPipe[1] = -1;
    }

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_ {};
};

std::string ProgressLine(const SessionState& s) {
    std::string line;
    for (int panel = 0; panel < 5; ++panel) {
        line += s.View.LowerStatusBar(panel);
        line += "  ";
    }
    return line + "Thread Running: " + s.View.ThreadCountLabel();
}

}  // namespace

int RunGetSession(const GetOptions& options, std::ostream& err, bool progress) {
    std::error_code ec;
    std::string sessionFile = options.SessionFile;
    const auto absolute = std::filesystem::absolute(sessionFile, ec);
    if (!ec) sessionFile = absolute.lexically_normal().string();

    CliPrompts prompts(err, sessionFile, options.NoConvert, options.Quiet);
    SessionState state(prompts);
    RunControl engine(state);

    bool ioFailed = false;
    auto save = engine.SaveSession;
    engine.SaveSession = [&ioFailed, save](SessionState& s) {
        const bool ok = !save || save(s);
        if (!ok) ioFailed = true;
        return ok;
    };

    bool lineShown = false;
    auto clearLine = [&] {
        if (lineShown) err << "\r\x1b[K" << std::flush;
        lineShown = false;
    };
    prompts.BeforePrint = clearLine;
    QTimer redraw;
    if (progress && !options.Quiet) {
        redraw.setInterval(200);
        QObject::connect(&redraw, &QTimer::timeout, [&] {
            err << "\r" << ProgressLine(state) << "\x1b[K" << std::flush;
            lineShown = true;
        });
        redraw.start();
    }

    bool finished = false;
    QObject::connect(&engine, &RunControl::SessionFinished, [&] {
        finished = true;
        QCoreApplication::exit(0);
    });
    bool endedAtOnce = false;
    InterruptAsStop interrupt([&](int interrupts) {
        if (interrupts >= 2) {
            endedAtOnce = true;
            prompts.Interrupted();
        }
        if (finished || !state.Running()) return;
        if (endedAtOnce)
            engine.EndTransfersNow();
        else
            engine.StopSession();
    });

    RetryPolicy retries = CurrentRetryPolicy();
    retries.Tries = options.Tries;
    SetRetryPolicy(retries);

    if (!engine.StartNewSession(options.Settings)) {
        clearLine();
        return ExitFailure;
    }
    if (!finished) QCoreApplication::exec();
    redraw.stop();
    clearLine();
    if (endedAtOnce) return ExitInterrupted;

    switch (engine.LastOutcome()) {
        case RunControl::Outcome::Completed:
            return ioFailed || engine.ConversionFailed() || engine.StoppedForDiskSpace()
                       ? ExitFailure
                       : ExitDone;
        case RunControl::Outcome::NotConnected:
            return ExitNotConnected;
        case RunControl::Outcome::StartPageFailed:
            return ExitFailure;
        case RunControl::Outcome::None:
            break;
    }
    return ExitFailure;
}

int LanternwayGetMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      bool errIsTerminal) {
    const GetOptionsResult parsed = ParseGetOptions(args);
    if (!parsed.Error.empty()) {
        err << "lanternway-get: " << parsed.Error << "\n"
            << "Try 'lanternway-get --help' for more information.\n";
        return ExitUsage;
    }
    // --show SESSION-FILE stands alone: it prints a session file and retrieves nothing.
    if (parsed.Options.SessionFileToShow)
        return ShowSessionFile(*parsed.Options.SessionFileToShow, out, err) == 0 ? ExitDone
                                                                                 : ExitFailure;
    if (parsed.Options.Help) {
        out << GetUsage();
        return ExitDone;
    }
    if (parsed.Options.Version) {
        out << GetVersionText << "\n";
        return ExitDone;
    }
    return RunGetSession(parsed.Options, err, errIsTerminal);
}
