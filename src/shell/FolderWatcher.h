#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>

class QFileSystemWatcher;

// Watches folders on a thread of its own and reports, on the owner's thread, that a watched
// folder's entries changed. Watching is a notice only: nothing is read here.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override;

    void Watch(const QString& folder);
    void Unwatch(const QString& folder);
    void UnwatchAll();

signals:
    // Delivered on the thread that created this object.
    void FolderChanged(const QString& folder);

private:
    QThread thread_;
    QFileSystemWatcher* watcher_;  // lives on thread_, deleted there
};
