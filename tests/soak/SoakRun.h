#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "soak/SoakDriver.h"

class GuiPrompts;
class MainWindow;

// One soak run: the main window with its session, and one window after the other (the session
// running against the local site, the New Session dialog and its sub-dialogs, the browser
// panel, the local-files view, the viewer, the document source, the full-screen show, the
// finder, the About box, a finished session opened from its file), each given a few hundred
// random events and then closed. Ends by itself after the given time, between two windows.
class SoakRun : public QObject {
    Q_OBJECT
  public:
    SoakRun(std::uint64_t seed, double seconds, std::string folder, std::string siteUrl);
    ~SoakRun() override;

    // Runs the event loop until the time is over; 0 when nothing was found, otherwise the
    // finding was printed and the process ends with a non-zero status.
    int Exec();

    std::uint64_t Events() const { return driver_.Events(); }
    std::uint64_t Actions() const { return driver_.Actions(); }

    enum class Window { Live, NewSession, BrowserPanel, LocalFiles, Viewer, DocumentSource,
                        Show, Finder, About, Reopened, Count };
    static QString WindowName(Window window);
    // How often each window was opened, and what the sessions retrieved.
    std::string Summary() const;
    // Saves a picture of every open window at the end of each window's turn, into grabs/.
    void SetGrab(bool grab) { grab_ = grab; }

  private:
    void Tick();
    void OpenWindow();
    bool TargetOpen() const;
    void KeepInsideFolder();
    std::string SessionFile() const;

    SoakDriver driver_;
    double seconds_;
    std::string folder_;  // ends in "/"
    std::string siteUrl_;
    std::unique_ptr<GuiPrompts> prompts_;
    std::unique_ptr<MainWindow> form_;
    std::chrono::steady_clock::time_point start_;

    int episode_ = 0;
    Window window_ = Window::Live;
    QPointer<QWidget> target_;
    int stepsLeft_ = 0;
    int opensLeft_ = 0;
    int closingSteps_ = 0;
    bool closing_ = false;
    bool done_ = false;
    bool started_ = false;
    int visits_[static_cast<int>(Window::Count)] = {};
    int sessionsOpened_ = 0;
    int mostRows_ = 0;
    bool grab_ = false;
    std::set<std::string> windowsSeen_;  // classes of the windows and boxes shown
};

// The last events, kept for the report of a crash, a sanitizer report or a hang.
void RememberEvent(const QString& line);
void PrintLastEvents();
void SetSoakSeed(std::uint64_t seed);
