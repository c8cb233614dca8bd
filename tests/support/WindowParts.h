#pragma once

#include <QObject>
#include <stdexcept>
#include <string>

// A window's part found by its object name, as a person's tools would find it: the window keeps
// its widgets to itself. Throws (failing the test) when the window has no such part.
template <class Part>
Part* FindPart(const QObject& window, const char* name) {
    Part* part = window.findChild<Part*>(QLatin1String(name));
    if (part == nullptr) throw std::runtime_error(std::string("no part named ") + name);
    return part;
}
