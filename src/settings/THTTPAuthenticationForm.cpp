#include "settings/THTTPAuthenticationForm.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

THTTPAuthenticationForm::THTTPAuthenticationForm(QWidget* parent) : QDialog(parent) {
    setObjectName("HTTPAuthenticationForm");
    setWindowTitle("HTTP Authentication");

    GroupBox1 = new QGroupBox("Authentication, if required by the HTTP site", this);
    GroupBox1->setObjectName("GroupBox1");
    THTTPUserName = new QLineEdit(GroupBox1);
    THTTPUserName->setObjectName("THTTPUserName");
    THTTPPassword = new QLineEdit(GroupBox1);
    THTTPPassword->setObjectName("THTTPPassword");
    THTTPPassword->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow("User Name:", THTTPUserName);
    fields->addRow("Password:", THTTPPassword);
    THTTPUserName->setMinimumWidth(200);

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
    main->addWidget(GroupBox1);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(THTTPUserName, THTTPPassword);
    setTabOrder(THTTPPassword, OkBtn);
    setTabOrder(OkBtn, CancelBtn);
    THTTPUserName->setFocus();
}
