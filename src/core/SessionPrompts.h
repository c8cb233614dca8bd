#pragma once

#include <optional>
#include <string>

// Every question the engine puts to the person at the keyboard, and every window it shows
// while it works, goes through this interface. The desktop program answers with real dialogs;
// lanternway-get and the tests answer from settings given up front.
//
// New questions are added with a default body, so that existing answerers keep compiling.
class SessionPrompts {
  public:
    enum class Kind { Plain, Information, Warning, Error, Confirmation };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~SessionPrompts() = default;

    // A modal message box with the given text (shown as it stands), icon kind and buttons.
    virtual Answer Message(const std::string& text, Kind kind, Buttons buttons) = 0;

    // The save dialog: caption, filter ("Lanternway Session Files(*.lwa)|*.lwa|") and the
    // name it starts with. Returns the chosen path, or nothing when the person cancelled.
    virtual std::optional<std::string> SaveFileName(const std::string& caption,
                                                    const std::string& filter,
                                                    const std::string& initialName) = 0;

    // The open dialog, same conventions.
    virtual std::optional<std::string> OpenFileName(const std::string& caption,
                                                    const std::string& filter) {
        (void)caption;
        (void)filter;
        return std::nullopt;
    }

    // The folder picker. Returns the chosen folder, or nothing.
    virtual std::optional<std::string> ChooseFolder(const std::string& caption) {
        (void)caption;
        return std::nullopt;
    }

    // The folder picker, opening at the given folder. Answerers that cannot start anywhere in
    // particular need not override it.
    virtual std::optional<std::string> ChooseFolderFrom(const std::string& caption,
                                                        const std::string& startFolder) {
        (void)startFolder;
        return ChooseFolder(caption);
    }

    // A file of the run could not be retrieved or could not be written; the text names its
    // address or file and why ("... answered 404 Not Found", "Cannot write file ...: Is a
    // directory"). The status line already shows it; answerers without a window print it.
    virtual void FileNotRetrieved(const std::string& text) { (void)text; }

    // The box that says a stop waits for transfers still receiving data: shown by Stop, and
    // closed when the last of them has ended. Answerers that cannot take a box away again
    // show its text as a message (the default).
    virtual void StopWaitShow(const std::string& text) {
        Message(text, Kind::Information, Buttons::Ok);
    }
    virtual void StopWaitClose() {}

    // The conversion progress window: shown, updated with its label texts, the current file and
    // the gauge position (0..100), and closed.
    virtual void ConversionShow() {}
    virtual void ConversionUpdate(const std::string& label, const std::string& currentFile,
                                    int gauge) {
        (void)label;
        (void)currentFile;
        (void)gauge;
    }
    virtual void ConversionClose() {}

    // The borderless wait panel ("Please Wait.", "Loading Session..").
    virtual void WaitShow(const std::string& line1, const std::string& line2) {
        (void)line1;
        (void)line2;
    }
    // Shows the wait panel's picture 0, 1 or 2 (it steps through them as the load advances).
    virtual void WaitPicture(int picture) { (void)picture; }
    virtual void WaitClose() {}

    // The hourglass while the engine blocks the event loop (a protected fetch); calls nest
    // (every true is matched by one false).
    virtual void SetBusyCursor(bool busy) { (void)busy; }

    // Holds what the windows show for the given time (the finished conversion window, a picture
    // of the wait panel) without taking input. Without windows there is nothing to wait for.
    virtual void Pause(int milliseconds) { (void)milliseconds; }

    // Lets pending window events run (the program's "message loop gets one turn").
    virtual void ProcessEvents() {}
};

// The hourglass for the life of a scope, or until Release().
class BusyCursor {
public:
    explicit BusyCursor(SessionPrompts& prompts) : prompts_(&prompts) {
        prompts.SetBusyCursor(true);
    }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void Release() {
        if (prompts_) prompts_->SetBusyCursor(false);
        prompts_ = nullptr;
    }

private:
    SessionPrompts* prompts_;
};
