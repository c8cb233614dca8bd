#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "viewers/ViewerDialogs.h"

// Answers the viewer tools' dialogs from a script and records what was asked. Unscripted
// message boxes are answered with OK (or Yes), unscripted dialogs are cancelled.
class ScriptedViewerDialogs : public ViewerDialogs {
  public:
    struct SaveRequest {
        std::string Title, Filter, ProposedName;
        SaveOptions Options;
    };

    std::deque<Answer> Answers;
    std::deque<std::optional<std::string>> FileNames;
    std::deque<std::optional<QColor>> Colors;
    std::deque<std::optional<std::string>> Folders;

    std::vector<std::string> Messages;
    std::vector<Kind> MessageKinds;
    std::vector<QWidget*> MessageOwners;
    std::vector<SaveRequest> Saves;
    std::vector<std::string> FolderTitles;
    std::vector<std::string> FolderStarts;

    Answer Ask(QWidget* owner, const std::string& text, Kind kind, Buttons buttons) override {
        Messages.push_back(text);
        MessageKinds.push_back(kind);
        MessageOwners.push_back(owner);
        if (!Answers.empty()) {
            const Answer a = Answers.front();
            Answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

    std::optional<std::string> SaveCopyName(QWidget*, const std::string& title,
                                            const std::string& filter,
                                            const std::string& proposedName,
                                            const SaveOptions& options) override {
        Saves.push_back({title, filter, proposedName, options});
        return Next(FileNames);
    }

    std::optional<QColor> ChooseColor(QWidget*, const QColor&) override { return Next(Colors); }

    std::optional<std::string> ChooseFolderFor(QWidget*, const std::string& title,
                                               const std::string& startFolder) override {
        FolderTitles.push_back(title);
        FolderStarts.push_back(startFolder);
        return Next(Folders);
    }

  private:
    template <typename T>
    static std::optional<T> Next(std::deque<std::optional<T>>& queue) {
        if (queue.empty()) return std::nullopt;
        auto v = queue.front();
        queue.pop_front();
        return v;
    }
};
