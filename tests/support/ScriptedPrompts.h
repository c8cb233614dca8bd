#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/SessionPrompts.h"

// Answers the engine's questions from a script given up front and records what was asked.
// Unscripted message boxes are answered with OK (or Yes), unscripted file names with
// DefaultFileName (nothing when it is empty).
class ScriptedPrompts : public SessionPrompts {
public:
    struct Shown {
        std::string Text;
        SessionPrompts::Kind IconKind;
        SessionPrompts::Buttons ButtonSet;
    };

    std::deque<Answer> Answers;                              // next message-box answers
    std::deque<std::optional<std::string>> FileNames;        // next save/open dialog answers
    std::deque<std::optional<std::string>> Folders;          // next folder-picker answers
    std::string DefaultFileName;

    std::vector<Shown> Messages;  // every message box, in order
    std::vector<std::string> FileDialogCaptions;
    std::vector<std::string> ConversionLabels;  // every label text the conversion window showed
    int ConversionShows = 0;
    int ConversionCloses = 0;
    int LastGauge = -1;
    std::string LastConversionFile;  // the file the conversion window showed last
    std::vector<std::string> WaitTexts;
    std::vector<std::string> FilesNotRetrieved;  // every failed file told, in order

    Answer Message(const std::string& text, Kind kind, Buttons buttons) override {
        Messages.push_back({text, kind, buttons});
        if (!Answers.empty()) {
            Answer a = Answers.front();
            Answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

    std::optional<std::string> SaveFileName(const std::string& caption, const std::string&,
                                            const std::string&) override {
        FileDialogCaptions.push_back(caption);
        return NextName();
    }

    std::optional<std::string> OpenFileName(const std::string& caption,
                                            const std::string&) override {
        FileDialogCaptions.push_back(caption);
        return NextName();
    }

    std::optional<std::string> ChooseFolder(const std::string&) override {
        if (Folders.empty()) return std::nullopt;
        auto f = Folders.front();
        Folders.pop_front();
        return f;
    }

    void FileNotRetrieved(const std::string& text) override { FilesNotRetrieved.push_back(text); }
    void ConversionShow() override { ++ConversionShows; }
    void ConversionUpdate(const std::string& label, const std::string& currentFile,
                            int gauge) override {
        LastConversionFile = currentFile;
        if (ConversionLabels.empty() || ConversionLabels.back() != label)
            ConversionLabels.push_back(label);
        LastGauge = gauge;
    }
    void ConversionClose() override { ++ConversionCloses; }
    void WaitShow(const std::string& line1, const std::string& line2) override {
        WaitTexts.push_back(line1 + "|" + line2);
    }

    // The texts of every message box shown, in order.
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : Messages) out.push_back(m.Text);
        return out;
    }

private:
    std::optional<std::string> NextName() {
        if (!FileNames.empty()) {
            auto n = FileNames.front();
            FileNames.pop_front();
            return n;
        }
        if (DefaultFileName.empty()) return std::nullopt;
        return DefaultFileName;
    }
};
