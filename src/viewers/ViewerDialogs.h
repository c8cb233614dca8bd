#pragma once

#include <QColor>
#include <optional>
#include <string>

#include "core/SessionPrompts.h"

class QWidget;

// The dialogs the viewer tools put to the person: message boxes, the save dialog, the colour
// dialog and the folder picker, each owned by the window that asks (the viewer windows stay
// on top, and a box without an owner would open behind them). Windows take one so that tests
// can answer them from a script. It is also the SessionPrompts of the windows the viewer tools
// open (document source), which ask on behalf of the active window.
class ViewerDialogs : public SessionPrompts {
  public:
    struct SaveOptions {
        bool ConfirmOverwrite = true;
        bool MustExistFolder = true;
    };

    virtual Answer Ask(QWidget* owner, const std::string& text, Kind kind, Buttons buttons) = 0;
    // The save dialog: title, filter ("*.jpg|"), proposed name. The chosen path, or nothing.
    virtual std::optional<std::string> SaveCopyName(QWidget* owner, const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& proposedName,
                                                    const SaveOptions& options) = 0;
    // The colour dialog, fully open, starting at the given colour. The chosen colour, or nothing.
    virtual std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) = 0;
    // The folder picker (file-system folders only), opening at startFolder when it names one.
    // The chosen folder, or nothing.
    virtual std::optional<std::string> ChooseFolderFor(QWidget* owner, const std::string& title,
                                                       const std::string& startFolder) = 0;

    Answer Message(const std::string& text, Kind kind, Buttons buttons) override;
    std::optional<std::string> SaveFileName(const std::string& caption, const std::string& filter,
                                            const std::string& initialName) override;
    std::optional<std::string> ChooseFolder(const std::string& caption) override;
};

// The real dialogs of the desktop.
class QtViewerDialogs : public ViewerDialogs {
  public:
    Answer Ask(QWidget* owner, const std::string& text, Kind kind, Buttons buttons) override;
    std::optional<std::string> SaveCopyName(QWidget* owner, const std::string& title,
                                            const std::string& filter,
                                            const std::string& proposedName,
                                            const SaveOptions& options) override;
    std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) override;
    std::optional<std::string> ChooseFolderFor(QWidget* owner, const std::string& title,
                                               const std::string& startFolder) override;
};

// The program-wide instance the windows use unless they are given another.
ViewerDialogs& DefaultViewerDialogs();

// Turns a filter of the form "Text|pattern|Text|pattern|" (or a lone "*.jpg|") into a Qt filter.
QString QtFilter(const std::string& filter);
