#pragma once

#include <QIcon>

// Pictures of the browser panel's buttons that the viewer set does not have.
QIcon SaveCopyIcon();     // a floppy disk
QIcon BackArrowIcon();    // an arrow to the left
QIcon ForwardArrowIcon(); // an arrow to the right
QIcon FullScreenIcon();   // a frame with corners pointing out
