#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

// "HTTP Authentication": user name and password for pages that the web server protects. The
// dialog checks and keeps nothing; the New Session dialog reads the two texts when it closes
// with OK.
class SiteLoginDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SiteLoginDialog(QWidget* parent = nullptr);

    QGroupBox* CredentialsGroup;
    QLineEdit* UserNameEdit;
    QLineEdit* PasswordEdit;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
};
