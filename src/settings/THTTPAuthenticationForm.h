#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

// "HTTP Authentication": user name and password for pages that the web server protects. The
// dialog checks and keeps nothing; the New Session dialog reads the two texts when it closes
// with OK.
class THTTPAuthenticationForm : public QDialog {
    Q_OBJECT
  public:
    explicit THTTPAuthenticationForm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLineEdit* THTTPUserName;
    QLineEdit* THTTPPassword;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
};
