#pragma once

#include <string>

#include "core/SessionPrompts.h"

class QMessageBox;
class QWidget;

// A modal message box over the owner with the program's title, the icon of the kind and the
// button set; the text is shown as plain text. Closing it by other means than a button gives the
// refusing answer where the box has one.
SessionPrompts::Answer ShowMessageBox(QWidget* owner, const std::string& text,
                                      SessionPrompts::Kind kind, SessionPrompts::Buttons buttons);

// The same box with an OK button, shown without waiting for it: the caller goes on and may
// close it. It deletes itself when closed.
QMessageBox* OpenMessageBox(QWidget* owner, const std::string& text, SessionPrompts::Kind kind);
