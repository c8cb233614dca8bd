#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "core/SessionFields.h"
#include "core/SessionPrompts.h"
#include "engine/SessionView.h"

// The single record of the current retrieval session: the plain fields of SessionFields, the
// one-second clock SessionClock (its running state is "a session is running"), the seconds it has
// counted and the view data that the project window shows. One per process; a new session resets
// it.
class SessionState : public QObject, public SessionFields {
    Q_OBJECT
public:
    explicit SessionState(SessionPrompts& prompts, QObject* parent = nullptr);

    SessionPrompts& Prompts() { return *prompts_; }
    void SetPrompts(SessionPrompts& prompts) { prompts_ = &prompts; }

    SessionView View;
    QTimer SessionClock;  // 1000 ms; active exactly while a session runs
    // The real time the elapsed-time clock counts from, and the seconds it has counted so far.
    // A timer's ticks are late or missing while the event loop is blocked (a protected fetch)
    // and go on in a nested loop (a message box), so the clock follows this time, not the ticks.
    std::chrono::steady_clock::time_point ClockStartedAt;
    std::int64_t ClockSecondsCounted = 0;

    bool Running() const { return SessionClock.isActive(); }

    // Whether the project file list shows at least one item (the window tells; false without).
    std::function<bool()> FileListHasItems;

    // Takes the new session's settings, asks for the session file name, creates the project
    // folder and resets the counters. False when no name was chosen or the folder could not be
    // made (the person has been told); the session then does not start.
    bool InitializeVariables(const SessionSettings& settings);
    void InitializeStringLists();
    void InitializeMessages();
    void EnableDisableToolBarButtons();

    // Asks for the session file name with the save dialog; sets SessionFileName (".lwa" added
    // when the name has no extension). False when the person cancelled.
    bool AskSessionFileName();

    // The main window's caption: SessionFileName + " - " + AppTitle.
    void UpdateCaption();

    // Lower status panel 0: "Files Added in Queue: " + QueuedCount.
    void ShowQueuedCount();

    // The file of a grid row was not retrieved, or not kept: the row keeps the reason, the
    // status line shows it, and answerers without a window are told.
    void TellNotRetrieved(int row, const std::string& reason);

  private:
    SessionPrompts* prompts_;
};

// Free bytes of the file system that holds the path (or its nearest existing parent).
std::int64_t FreeDiskBytes(const std::string& path);

// "Time Elapsed: 07:05" for seconds counted: minutes and seconds, each of two digits at least
// ("125:00" after two hours and five minutes).
std::string ElapsedTimeText(std::int64_t seconds);

class QDateTime;
class QLocale;
// "Session Started On: " with the date (short form) and the time (long form, seconds included)
// of the locale, without the time zone the long form may carry.
std::string SessionStartedText(const QDateTime& when, const QLocale& locale);
