#include "shell/PropertiesDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QVBoxLayout>

QString PropertiesDialog::PermissionText(const QString& path) {
    const QFile::Permissions p = QFileInfo(path).permissions();
    const auto bit = [&](QFile::Permission flag, char c) {
        return p & flag ? QChar(c) : QChar('-');
    };
    QString text;
    text += bit(QFile::ReadOwner, 'r');
    text += bit(QFile::WriteOwner, 'w');
    text += bit(QFile::ExeOwner, 'x');
    text += bit(QFile::ReadGroup, 'r');
    text += bit(QFile::WriteGroup, 'w');
    text += bit(QFile::ExeGroup, 'x');
    text += bit(QFile::ReadOther, 'r');
    text += bit(QFile::WriteOther, 'w');
    text += bit(QFile::ExeOther, 'x');
    return text;
}

PropertiesDialog::PropertiesDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    const QFileInfo info(path);
    setWindowTitle(info.fileName() + QStringLiteral(" Properties"));

    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QFileIconProvider().icon(info).pixmap(32, 32));
    head->addWidget(icon);
    auto* name = new QLabel(info.fileName(), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    head->addWidget(name, 1);
    layout->addLayout(head);

    auto* form = new QFormLayout;
    const QLocale locale;
    QString type;
    if (info.isDir()) {
        type = QStringLiteral("Folder");
    } else {
        type = QMimeDatabase().mimeTypeForFile(info).comment();
        if (type.isEmpty()) type = info.suffix().toUpper() + QStringLiteral(" File");
    }
    const QString size =
        info.isDir() ? QString() : locale.toString(info.size()) + QStringLiteral(" bytes");
    const QList<QPair<QString, QString>> values{
        {QStringLiteral("Name:"), info.fileName()},
        {QStringLiteral("Folder:"), QDir::toNativeSeparators(info.absolutePath())},
        {QStringLiteral("Size:"), size},
        {QStringLiteral("Type:"), type},
        {QStringLiteral("Modified:"), locale.toString(info.lastModified(), QLocale::LongFormat)},
        {QStringLiteral("Permissions:"), PermissionText(path)},
    };
    for (const auto& [label, value] : values) {
        auto* field = new QLabel(value, this);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        field->setWordWrap(true);
        form->addRow(label, field);
        rows_.append({label, field});
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString PropertiesDialog::Value(const QString& label) const {
    for (const auto& [name, field] : rows_)
        if (name == label) return field->text();
    return {};
}

void ShowProperties(const QString& path, QWidget* parent) {
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(parent, QStringLiteral("Properties"),
                             QStringLiteral("\"%1\" does not exist.").arg(path));
        return;
    }
    PropertiesDialog dialog(path, parent);
    dialog.exec();
}
