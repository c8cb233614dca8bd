#pragma once

#include <QPoint>
#include <QString>

class QMenu;
class QWidget;

// The context menu of a file: Open, Open With..., Copy Path, Open Containing Folder and
// Properties. The chosen command is carried out here.
QMenu* BuildShellContextMenu(const QString& path, QWidget* parent);
void ShowShellContextMenu(const QString& path, QPoint screenPos, QWidget* parent);
