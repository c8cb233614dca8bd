#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "ZIP/EXE File Retrieval Option": whether ZIP and EXE files linked on an FTP site are retrieved
// too, and with which FTP user name and password. OK is enabled only while the box is checked,
// so closing with OK always means "retrieve from FTP"; Cancel means no FTP retrieval.
class FtpOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FtpOptionsDialog(QWidget* parent = nullptr);

    QLabel* AutoRetrieveLabel;
    QLabel* FtpQuestionLabel;
    QCheckBox* RetrieveFromFtpCheck;
    QGroupBox* CredentialsGroup;
    QLineEdit* UserNameEdit;
    QLineEdit* PasswordEdit;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

  private:
    void OnRetrieveFromFtpToggled(bool checked);
};
