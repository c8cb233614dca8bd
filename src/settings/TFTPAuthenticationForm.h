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
class TFTPAuthenticationForm : public QDialog {
    Q_OBJECT
  public:
    explicit TFTPAuthenticationForm(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QCheckBox* CheckBox1;
    QGroupBox* GroupBox1;
    QLineEdit* TUserName;
    QLineEdit* TPassword;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

  private:
    void CheckBox1Click(bool checked);
};
