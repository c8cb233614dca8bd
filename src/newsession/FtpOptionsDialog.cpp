#include "newsession/FtpOptionsDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FtpOptionsDialog::FtpOptionsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FTPAuthenticationForm");
    setWindowTitle("ZIP/EXE File Retrieval Option");

    AutoRetrieveLabel = new QLabel(
        "Lanternway will auto-retrieve ZIP/EXE files, if they are in current  HTTP site.", this);
    AutoRetrieveLabel->setObjectName("AutoRetrieveLabel");
    FtpQuestionLabel = new QLabel("Do you want to retrieve ZIP/EXE files, if they reside in FTP site?", this);
    FtpQuestionLabel->setObjectName("FtpQuestionLabel");
    RetrieveFromFtpCheck = new QCheckBox("Yes! Retrieve files if they are in FTP site.", this);
    RetrieveFromFtpCheck->setObjectName("RetrieveFromFtpCheck");

    CredentialsGroup = new QGroupBox("Authentication, if required by the FTP site", this);
    CredentialsGroup->setObjectName("CredentialsGroup");
    UserNameEdit = new QLineEdit(CredentialsGroup);
    UserNameEdit->setObjectName("UserNameEdit");
    PasswordEdit = new QLineEdit(CredentialsGroup);
    PasswordEdit->setObjectName("PasswordEdit");
    PasswordEdit->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout(CredentialsGroup);
    fields->addRow("User Name:", UserNameEdit);
    fields->addRow("Password:", PasswordEdit);
    CredentialsGroup->setEnabled(false);

    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(RetrieveFromFtpCheck, &QCheckBox::toggled, this, &FtpOptionsDialog::OnRetrieveFromFtpToggled);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);

    auto* main = new QVBoxLayout(this);
    main->addWidget(AutoRetrieveLabel);
    main->addWidget(FtpQuestionLabel);
    main->addSpacing(4);
    main->addWidget(RetrieveFromFtpCheck);
    main->addWidget(CredentialsGroup);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Cancel comes first, so the dialog opens with the focus on it.
    setTabOrder(CancelBtn, RetrieveFromFtpCheck);
    setTabOrder(RetrieveFromFtpCheck, UserNameEdit);
    setTabOrder(UserNameEdit, PasswordEdit);
    setTabOrder(PasswordEdit, OkBtn);
    CancelBtn->setFocus();
}

void FtpOptionsDialog::OnRetrieveFromFtpToggled(bool checked) {
    CredentialsGroup->setEnabled(checked);
    OkBtn->setEnabled(checked);
    if (checked)
        UserNameEdit->setFocus();
    else
        CancelBtn->setFocus();
}
