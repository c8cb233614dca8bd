#pragma once

class QEvent;
class QWidget;

// For the closeEvent of a window that deletes itself on close. The window's boxes (message
// boxes, file and colour dialogs) run their own event loop on the stack as the window's children,
// and the window can be closed while one does: by a timer, by the end of a session, by a click
// that reached the window as the box was ending. Deleting it then would destroy the box under
// its loop and return into a handler of a deleted window. So the window closes at once and is
// deleted only after the last of its boxes has gone; shown again by then, it is kept.
// A window using this keeps no dialog of its own beyond the lifetime of a box.
void DeleteAfterBoxes(QWidget* window);

// For the event() of such a window: a deferred deletion that arrives while one of its boxes
// still runs, whoever asked for it and whichever nested loop delivers it, waits until the boxes
// have gone. True when the event was held.
bool HoldDeletionUnderBoxes(QWidget* window, QEvent* event);
