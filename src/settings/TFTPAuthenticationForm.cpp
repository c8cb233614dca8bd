#include "settings/TFTPAuthenticationForm.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFTPAuthenticationForm::TFTPAuthenticationForm(QWidget* parent) : QDialog(parent) {
    setObjectName("FTPAuthenticationForm");
    setWindowTitle("ZIP/EXE File Retrieval Option");

    Label1 = new QLabel(
        "Lanternway will auto-retrieve ZIP/EXE files, if they are in current  HTTP site.", this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel("Do you want to retrieve ZIP/EXE files, if they reside in FTP site?", this);
    Label2->setObjectName("Label2");
    CheckBox1 = new QCheckBox("Yes! Retrieve files if they are in FTP site.", this);
    CheckBox1->setObjectName("CheckBox1");

    GroupBox1 = new QGroupBox("Authentication, if required by the FTP site", this);
    GroupBox1->setObjectName("GroupBox1");
    TUserName = new QLineEdit(GroupBox1);
    TUserName->setObjectName("TUserName");
    TPassword = new QLineEdit(GroupBox1);
    TPassword->setObjectName("TPassword");
    TPassword->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow("User Name:", TUserName);
    fields->addRow("Password:", TPassword);
    GroupBox1->setEnabled(false);

    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(CheckBox1, &QCheckBox::toggled, this, &TFTPAuthenticationForm::CheckBox1Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);

    auto* main = new QVBoxLayout(this);
    main->addWidget(Label1);
    main->addWidget(Label2);
    main->addSpacing(4);
    main->addWidget(CheckBox1);
    main->addWidget(GroupBox1);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Cancel comes first, so the dialog opens with the focus on it.
    setTabOrder(CancelBtn, CheckBox1);
    setTabOrder(CheckBox1, TUserName);
    setTabOrder(TUserName, TPassword);
    setTabOrder(TPassword, OkBtn);
    CancelBtn->setFocus();
}

void TFTPAuthenticationForm::CheckBox1Click(bool checked) {
    GroupBox1->setEnabled(checked);
    OkBtn->setEnabled(checked);
    if (checked)
        TUserName->setFocus();
    else
        CancelBtn->setFocus();
}
