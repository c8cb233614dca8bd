#include "newsession/SiteLoginDialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SiteLoginDialog::SiteLoginDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("HTTPAuthenticationForm");
    setWindowTitle("HTTP Authentication");

    CredentialsGroup = new QGroupBox("Authentication, if required by the HTTP site", this);
    CredentialsGroup->setObjectName("CredentialsGroup");
    UserNameEdit = new QLineEdit(CredentialsGroup);
    UserNameEdit->setObjectName("UserNameEdit");
    PasswordEdit = new QLineEdit(CredentialsGroup);
    PasswordEdit->setObjectName("PasswordEdit");
    PasswordEdit->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout(CredentialsGroup);
    fields->addRow("User Name:", UserNameEdit);
    fields->addRow("Password:", PasswordEdit);
    UserNameEdit->setMinimumWidth(200);

    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);

    auto* main = new QVBoxLayout(this);
    main->addWidget(CredentialsGroup);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(UserNameEdit, PasswordEdit);
    setTabOrder(PasswordEdit, OkBtn);
    setTabOrder(OkBtn, CancelBtn);
    UserNameEdit->setFocus();
}
