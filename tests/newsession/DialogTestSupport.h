#pragma once

#include <QString>
#include <QStringList>

#include "newsession/DialogMessage.h"

// Records the settings dialogs' message boxes instead of showing them, for one test.
class RecordedDialogMessages {
  public:
    RecordedDialogMessages() {
        previous_ =
            SetDialogMessageFunction([this](QWidget*, const QString& text) { Texts.append(text); });
    }
    ~RecordedDialogMessages() { SetDialogMessageFunction(previous_); }
    RecordedDialogMessages(const RecordedDialogMessages&) = delete;
    RecordedDialogMessages& operator=(const RecordedDialogMessages&) = delete;

    QStringList Texts;

  private:
    DialogMessageFunction previous_;
};
