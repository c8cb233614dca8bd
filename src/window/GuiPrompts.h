#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "core/SessionPrompts.h"

class QMessageBox;
class QWidget;
class PleaseWaitPanel;
class ConversionProgress;

// The desktop program's answers to the engine's questions: real message boxes, file and folder
// dialogs, the conversion progress window and the wait panel, all owned by the main window.
class GuiPrompts : public SessionPrompts {
  public:
    explicit GuiPrompts(QWidget* owner = nullptr);
    ~GuiPrompts() override;
    GuiPrompts(const GuiPrompts&) = delete;
    GuiPrompts& operator=(const GuiPrompts&) = delete;

    void SetOwner(QWidget* owner) { owner_ = owner; }

    Answer Message(const std::string& text, Kind kind, Buttons buttons) override;
    std::optional<std::string> SaveFileName(const std::string& caption, const std::string& filter,
                                            const std::string& initialName) override;
    std::optional<std::string> OpenFileName(const std::string& caption,
                                            const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& caption) override;
    std::optional<std::string> ChooseFolderFrom(const std::string& caption,
                                                const std::string& startFolder) override;

    void StopWaitShow(const std::string& text) override;
    void StopWaitClose() override;

    void ConversionShow() override;
    void ConversionUpdate(const std::string& label, const std::string& currentFile,
                            int gauge) override;
    void ConversionClose() override;

    void WaitShow(const std::string& line1, const std::string& line2) override;
    void WaitPicture(int picture) override;
    void WaitClose() override;

    void SetBusyCursor(bool busy) override;
    void Pause(int milliseconds) override;
    void ProcessEvents() override;

    // The windows while they are open (nothing otherwise).
    ConversionProgress* ConversionWindow() const { return conversion_.get(); }
    PleaseWaitPanel* WaitPanel() const { return wait_.get(); }
    QMessageBox* StopWaitBox() const;

  private:
    QPointer<QWidget> owner_;
    std::unique_ptr<ConversionProgress> conversion_;
    std::unique_ptr<PleaseWaitPanel> wait_;
    QPointer<QMessageBox> stopWait_;
    int busyDepth_ = 0;
};

// "Lanternway Session Files(*.lwa)|*.lwa|" (description and patterns alternating between bars,
// patterns separated by ";") as a file-dialog filter: "Lanternway Session Files (*.lwa)".
QString QtFileFilter(const std::string& filter);
// The extension a save dialog adds to a bare name: that of the first pattern ("lwa"), if any.
QString DefaultSuffix(const std::string& filter);
