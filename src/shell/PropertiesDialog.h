#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// The properties of one file or folder: name, folder, size, type, modified and permissions.
class PropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PropertiesDialog(const QString& path, QWidget* parent = nullptr);

    // The rows as shown, label and value (for tests).
    QString Value(const QString& label) const;

    // "rw-r--r--" style text of a file's permissions.
    static QString PermissionText(const QString& path);

  private:
    QList<QPair<QString, QLabel*>> rows_;
};

// Shows the properties of the path modally; a missing path gives a message instead.
void ShowProperties(const QString& path, QWidget* parent);
