#include "shell/FolderWatcher.h"

#include <QFileSystemWatcher>
#include <QMetaObject>

FolderWatcher::FolderWatcher(QObject* parent) : QObject(parent) {
    watcher_ = new QFileSystemWatcher;
    watcher_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, watcher_, &QObject::deleteLater);
    // Emitted on the watcher's thread; the queued connection hands it to ours.
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            &FolderWatcher::FolderChanged, Qt::QueuedConnection);
    thread_.setObjectName(QStringLiteral("FolderWatcher"));
    thread_.start();
}

FolderWatcher::~FolderWatcher() {
    thread_.quit();
    thread_.wait();
}

// Watch waits until the watcher has the folder: a change made right after it returns (the
// caller has just read the folder) must not slip through.
void FolderWatcher::Watch(const QString& folder) {
    if (folder.isEmpty()) return;
    QMetaObject::invokeMethod(
        watcher_,
        [w = watcher_, folder] {
            if (!w->directories().contains(folder)) w->addPath(folder);
        },
        Qt::BlockingQueuedConnection);
}

void FolderWatcher::Unwatch(const QString& folder) {
    QMetaObject::invokeMethod(watcher_, [w = watcher_, folder] { w->removePath(folder); });
}

void FolderWatcher::UnwatchAll() {
    QMetaObject::invokeMethod(watcher_, [w = watcher_] {
        const QStringList all = w->directories();
        if (!all.isEmpty()) w->removePaths(all);
    });
}
