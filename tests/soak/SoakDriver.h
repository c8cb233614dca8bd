#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QEvent>
#include <QPointF>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>

class QWidget;
class QMenu;
class QFileDialog;
class QWindow;

// Sends seeded random input to the windows of the process, one event per step: clicks and
// double clicks on visible widgets and items, right clicks, key presses with modifiers, typed
// texts, menu items, splitter drags and window resizes. A modal box or a pop-up menu takes the
// next step; file dialogs are answered with names inside the run's folder. Choices depend only
// on the seed and on the visible widgets, taken in the order of the widget tree.
class SoakDriver {
  public:
    SoakDriver(std::uint64_t seed, QString folder);

    // Texts typed besides random ones (addresses of the local site, names in the folder).
    void AddText(const QString& text) { texts_.append(text); }

    // One event aimed at `target` (or at whatever modal box or menu is open above it).
    void Step(QWidget* target);
    // Closes the innermost open menu, box or window other than `keep`; false when nothing but
    // `keep` (and its children that are no windows) is left.
    bool CloseOne(QWidget* keep);

    std::uint64_t Actions() const { return actions_; }
    // Input events delivered (a click is two, a typed text one per key press and release).
    std::uint64_t Events() const { return events_; }
    // Actions the soak leaves out (each names the fault that makes it end the run).
    std::function<bool(QWidget* widget, const QString& action)> Avoid;
    // Each event as it is sent, as a line.
    std::function<void(const QString& line)> Log;

    std::uint64_t Below(std::uint64_t n);  // a random number below n (n > 0)

  private:
    // One input event as the platform delivers it, from the event loop, one per step: a press
    // that opens a box has its release delivered inside the box's event loop, as a person's.
    struct RawEvent {
        QPointer<QWidget> window;  // keys go to whatever box or menu is open above it
        bool mouse = false;
        QEvent::Type type = QEvent::None;
        QPointF position;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons;
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        QString text;
        int timestamp = 0;
    };
    void Deliver(const RawEvent& event);
    void QueueClick(QWidget* window, QPointF position, Qt::MouseButton button, bool twice);
    void QueueKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers, const QString& text);

    bool Chance(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }
    void Record(const QString& line);
    void ActOnMenu(QMenu* menu);
    void ActOnFileDialog(QFileDialog* dialog);
    void ActOnWindow(QWidget* window);
    void Click(QWidget* widget, bool twice, bool right);
    void PressKey(QWidget* window);
    void TypeText(QWidget* window);
    void DragSplitter(QWidget* window);
    void Resize(QWidget* window);
    QString RandomText();

    std::mt19937_64 random_;
    QString folder_;
    QStringList texts_;
    std::deque<RawEvent> pending_;
    int timestamp_ = 0;
    std::uint64_t actions_ = 0;
    std::uint64_t events_ = 0;
    int fileDialogs_ = 0;
};

// "MainWindow/QFrame#2/QToolButton:Retrieve": a widget's place in its window, for the log.
QString WidgetPath(const QWidget* widget);
