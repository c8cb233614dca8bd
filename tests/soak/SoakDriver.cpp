#include "soak/SoakDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QTabBar>
#include <QTest>  // qt_handleMouseEvent, qt_handleKeyEvent
#include <QTextEdit>
#include <QWindow>
#include <vector>

namespace {

// Visible widgets of a window in the order of the widget tree, without other windows.
void CollectVisible(QWidget* parent, std::vector<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || !widget->isVisible()) continue;
        if (widget->width() <= 0 || widget->height() <= 0) continue;
        out.push_back(widget);
        CollectVisible(widget, out);
    }
}

template <typename T>
std::vector<T*> VisibleOf(QWidget* window) {
    std::vector<QWidget*> all;
    CollectVisible(window, all);
    std::vector<T*> out;
    for (QWidget* w : all)
        if (auto* t = qobject_cast<T*>(w); t && t->isEnabled()) out.push_back(t);
    return out;
}

bool Editable(QWidget* w) {
    if (auto* line = qobject_cast<QLineEdit*>(w)) return !line->isReadOnly();
    if (auto* text = qobject_cast<QTextEdit*>(w)) return !text->isReadOnly();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return !plain->isReadOnly();
    return qobject_cast<QAbstractSpinBox*>(w) != nullptr ||
           (qobject_cast<QComboBox*>(w) && static_cast<QComboBox*>(w)->isEditable());
}

const Qt::Key kKeys[] = {
    Qt::Key_Return,   Qt::Key_Enter,    Qt::Key_Escape, Qt::Key_Delete,   Qt::Key_Backspace,
    Qt::Key_Left,     Qt::Key_Right,    Qt::Key_Up,     Qt::Key_Down,     Qt::Key_PageUp,
    Qt::Key_PageDown, Qt::Key_Home,     Qt::Key_End,    Qt::Key_Tab,      Qt::Key_Backtab,
    Qt::Key_Space,    Qt::Key_F1,       Qt::Key_F2,     Qt::Key_F5,       Qt::Key_Insert,
};

}  // namespace

QString WidgetPath(const QWidget* widget) {
    QStringList parts;
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        QString part = QString::fromLatin1(w->metaObject()->className());
        if (!w->objectName().isEmpty()) {
            part += "#" + w->objectName();
        } else if (const QWidget* parent = w->isWindow() ? nullptr : w->parentWidget()) {
            int index = 0;
            for (QObject* sibling : parent->children()) {
                if (sibling == w) break;
                if (sibling->metaObject() == w->metaObject()) ++index;
            }
            part += QString("[%1]").arg(index);
        }
        if (auto* button = qobject_cast<const QAbstractButton*>(w); button && !button->text().isEmpty())
            part += ":" + button->text().left(20);
        parts.prepend(part);
    }
    return parts.join('/');
}

SoakDriver::SoakDriver(std::uint64_t seed, QString folder)
    : random_(seed), folder_(std::move(folder)) {}

std::uint64_t SoakDriver::Below(std::uint64_t n) {
    return random_() % n;  // the same on every standard library, unlike the distributions
}

void SoakDriver::Record(const QString& line) {
    ++actions_;
    // Control characters typed are shown as \xNN, so that each event stays one line.
    QString shown;
    for (QChar c : line)
        shown += c.unicode() < 32 || c.unicode() == 127
                     ? QString("\\x%1").arg(c.unicode(), 2, 16, QChar('0'))
                     : QString(c);
    if (Log) Log(shown);
}

void SoakDriver::Step(QWidget* target) {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        // Keys still queued for the window below would be typed into the dialog's name field,
        // and a name typed there can point anywhere on the disk. (Clicks stay: a press keeps its
        // release.)
        std::erase_if(pending_, [](const RawEvent& e) { return !e.mouse; });
        ActOnFileDialog(dialog);
        return;
    }
    if (!pending_.empty()) {
        const RawEvent event = pending_.front();
        pending_.pop_front();
        Deliver(event);
        return;
    }
    if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        ActOnMenu(popup);
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        Record("popup " + WidgetPath(popup) + " close");
        popup->close();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal) {
        ActOnWindow(modal);
        return;
    }
    if (target && target->isVisible()) ActOnWindow(target);
}

void SoakDriver::ActOnMenu(QMenu* menu) {
    std::vector<QAction*> actions;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator() && action->isEnabled())
            actions.push_back(action);
    if (actions.empty() || Chance(15)) {
        Record("menu " + menu->title() + " Escape");
        QueueKey(menu, Qt::Key_Escape, Qt::NoModifier, {});
        return;
    }
    QAction* action = actions[Below(actions.size())];
    if (Avoid && Avoid(menu, action->text())) {
        Record("menu " + menu->title() + " Escape (avoided " + action->text() + ")");
        QueueKey(menu, Qt::Key_Escape, Qt::NoModifier, {});
        return;
    }
    Record("menu item " + action->text());
    QueueClick(menu, menu->actionGeometry(action).center(), Qt::LeftButton, false);
}

// A file dialog could take the run anywhere on the disk: it is answered with a name inside the
// folder, or cancelled, but never browsed.
void SoakDriver::ActOnFileDialog(QFileDialog* dialog) {
    QPointer<QFileDialog> guard = dialog;
    const int choice = static_cast<int>(Below(10));
    if (choice < 3) {
        Record("file dialog cancel");
        dialog->reject();
        return;
    }
    QString name;
    if (dialog->fileMode() == QFileDialog::Directory) {
        name = folder_ + (choice < 6 ? "home" : "home/Sites");
    } else if (dialog->acceptMode() == QFileDialog::AcceptSave) {
        static const char* names[] = {"saved.lwa", "copy.html", "picture", "saved", "a b.txt",
                                      "Sites/again.lwa"};
        name = folder_ + "home/" + names[Below(6)];
    } else {
        // An existing session file when there is one, else any file of the folder.
        QStringList found;
        QDir home(folder_ + "home");
        const auto entries = home.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& info : entries) found.append(info.absoluteFilePath());
        name = found.isEmpty() ? folder_ + "home/missing.lwa" : found[Below(found.size())];
    }
    Record("file dialog accept " + name.mid(folder_.size()));
    dialog->setDirectory(QFileInfo(name).absolutePath());
    dialog->selectFile(name);
    if (guard) static_cast<QDialog*>(dialog)->accept();
}

void SoakDriver::ActOnWindow(QWidget* window) {
    const int roll = static_cast<int>(Below(100));
    if (roll < 4) {
        Resize(window);
        return;
    }
    if (roll < 8) {
        DragSplitter(window);
        return;
    }
    if (roll < 30) {
        PressKey(window);
        return;
    }
    if (roll < 42) {
        TypeText(window);
        return;
    }
    std::vector<QWidget*> widgets;
    CollectVisible(window, widgets);
    // Buttons, menus and item views are where the work is: give them a larger share.
    std::vector<QWidget*> favoured;
    for (QWidget* w : widgets)
        if (w->isEnabled() && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QMenuBar*>(w) ||
                               qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTabBar*>(w)))
            favoured.push_back(w);
    const std::vector<QWidget*>& pool = (!favoured.empty() && Chance(70)) ? favoured : widgets;
    if (pool.empty()) {
        PressKey(window);
        return;
    }
    QWidget* widget = pool[Below(pool.size())];
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) widget = view->viewport();
    const int kind = static_cast<int>(Below(100));
    Click(widget, kind < 15, kind >= 15 && kind < 27);
}

void SoakDriver::Click(QWidget* widget, bool twice, bool right) {
    QPoint point(static_cast<int>(Below(std::max(1, widget->width()))),
                 static_cast<int>(Below(std::max(1, widget->height()))));
    if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
        const auto actions = bar->actions();
        if (!actions.isEmpty()) point = bar->actionGeometry(actions[Below(actions.size())]).center();
    } else if (qobject_cast<QAbstractButton*>(widget)) {
        point = widget->rect().center();
    }
    const QString what = twice ? "double click" : right ? "right click" : "click";
    if (Avoid && Avoid(widget, what)) return;
    Record(QString("%1 %2 at %3,%4").arg(what, WidgetPath(widget)).arg(point.x()).arg(point.y()));
    QueueClick(widget->window(), widget->mapTo(widget->window(), point),
               right ? Qt::RightButton : Qt::LeftButton, twice);
}

void SoakDriver::QueueClick(QWidget* window, QPointF position, Qt::MouseButton button,
                            bool twice) {
    RawEvent event;
    event.window = window;
    event.mouse = true;
    event.position = position;
    event.button = button;
    // Far apart in time, so that only a double click counts as one.
    timestamp_ += 2000;
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        event.type = QEvent::MouseButtonPress;
        event.buttons = button;
        event.timestamp = timestamp_ + 40 * i;
        pending_.push_back(event);
        event.type = QEvent::MouseButtonRelease;
        event.buttons = Qt::NoButton;
        event.timestamp = timestamp_ + 40 * i + 20;
        pending_.push_back(event);
    }
}

void SoakDriver::QueueKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers,
                          const QString& text) {
    RawEvent event;
    event.window = window;
    event.key = key;
    event.modifiers = modifiers;
    event.text = text;
    event.type = QEvent::KeyPress;
    pending_.push_back(event);
    event.type = QEvent::KeyRelease;
    pending_.push_back(event);
}

void SoakDriver::Deliver(const RawEvent& event) {
    QWidget* target = event.window;
    if (!target || !target->isVisible()) return;
    if (!event.mouse) {
        // The keyboard belongs to the menu or the box in front.
        if (QWidget* popup = QApplication::activePopupWidget()) target = popup;
        else if (QWidget* modal = QApplication::activeModalWidget()) target = modal;
    }
    QWindow* window = target->window()->windowHandle();
    if (!window) return;
    ++events_;
    // A person's click or key first brings the window to the front.
    if (!target->isActiveWindow() && !QApplication::activePopupWidget() &&
        !QApplication::activeModalWidget())
        window->requestActivate();
    if (event.mouse) {
        qt_handleMouseEvent(window, event.position, window->mapToGlobal(event.position),
                            event.buttons, event.button, event.type, event.modifiers,
                            event.timestamp);
    } else {
        qt_handleKeyEvent(window, event.type, event.key, event.modifiers, event.text);
    }
}

void SoakDriver::PressKey(QWidget* window) {
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const int m = static_cast<int>(Below(100));
    if (m < 10) modifiers = Qt::ControlModifier;
    else if (m < 20) modifiers = Qt::ShiftModifier;
    else if (m < 25) modifiers = Qt::AltModifier;
    else if (m < 28) modifiers = Qt::ControlModifier | Qt::ShiftModifier;
    Qt::Key key;
    QString text;
    const int k = static_cast<int>(Below(100));
    if (k < 30) {
        key = static_cast<Qt::Key>(Qt::Key_A + Below(26));
        text = QChar('a' + (key - Qt::Key_A));
        if (modifiers & Qt::ShiftModifier) text = text.toUpper();
    } else if (k < 40) {
        key = static_cast<Qt::Key>(Qt::Key_0 + Below(10));
        text = QChar('0' + (key - Qt::Key_0));
    } else {
        key = kKeys[Below(std::size(kKeys))];
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) text.clear();
    QWidget* receiver = window->focusWidget() ? window->focusWidget() : window;
    const QString name = QKeySequence(static_cast<int>(modifiers) | key).toString();
    if (Avoid && Avoid(receiver, "key " + name)) return;
    Record("key " + name + " to " + WidgetPath(receiver));
    QueueKey(window, key, modifiers, text);
}

QString SoakDriver::RandomText() {
    const int kind = static_cast<int>(Below(100));
    if (kind < 25) return QString::number(Below(100000));
    if (kind < 35 && !texts_.isEmpty()) return texts_[Below(texts_.size())];
    if (kind < 45) {
        static const char* odd[] = {"-1", "0", "99999999999999999999", " ", "1e9", "+5",
                                    "http://", "ftp://a", "..", "*.*", "%00", "\xc3\xa9t\xc3\xa9"};
        return QString::fromUtf8(odd[Below(std::size(odd))]);
    }
    QString text;
    const int length = kind < 55 ? 200 + static_cast<int>(Below(400)) : 1 + static_cast<int>(Below(12));
    for (int i = 0; i < length; ++i) {
        const int c = static_cast<int>(Below(100));
        if (c < 3) text += QChar(static_cast<char16_t>(Below(32)));  // control characters
        else if (c < 55) text += QChar('a' + static_cast<int>(Below(26)));
        else if (c < 75) text += QChar('0' + static_cast<int>(Below(10)));
        else text += QChar(static_cast<char16_t>(32 + Below(95)));
    }
    return text;
}

void SoakDriver::TypeText(QWidget* window) {
    std::vector<QWidget*> widgets;
    CollectVisible(window, widgets);
    std::vector<QWidget*> editors;
    for (QWidget* w : widgets)
        if (w->isEnabled() && Editable(w)) editors.push_back(w);
    // A cell being edited, or the focused control, also takes text.
    QWidget* receiver = nullptr;
    if (!editors.empty() && Chance(70)) {
        receiver = editors[Below(editors.size())];
        receiver->setFocus(Qt::MouseFocusReason);
    } else {
        receiver = window->focusWidget() ? window->focusWidget() : window;
    }
    const QString text = RandomText();
    if (Avoid && Avoid(receiver, "type " + text)) return;
    Record("type \"" + text.left(40) + (text.size() > 40 ? "...\"" : "\"") + " (" +
           QString::number(text.size()) + ") into " + WidgetPath(receiver));
    for (QChar c : text) {
        Qt::Key key = Qt::Key_unknown;
        if (c.isLetter() && c.unicode() < 128) key = static_cast<Qt::Key>(Qt::Key_A + (c.toUpper().unicode() - 'A'));
        else if (c.isDigit() && c.unicode() < 128) key = static_cast<Qt::Key>(Qt::Key_0 + (c.unicode() - '0'));
        else if (c == '\t') key = Qt::Key_Tab;
        else if (c == '\r' || c == '\n') key = Qt::Key_Return;
        else if (c == ' ') key = Qt::Key_Space;
        QueueKey(window, key, Qt::NoModifier, QString(c));
    }
}

void SoakDriver::DragSplitter(QWidget* window) {
    const auto splitters = VisibleOf<QSplitter>(window);
    if (splitters.empty()) {
        Resize(window);
        return;
    }
    QSplitter* splitter = splitters[Below(splitters.size())];
    if (splitter->count() < 2) return;
    const int index = 1 + static_cast<int>(Below(splitter->count() - 1));
    const int extent = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    const int position = static_cast<int>(Below(std::max(1, extent + 40))) - 20;
    Record(QString("drag splitter %1 handle %2 to %3").arg(WidgetPath(splitter)).arg(index).arg(position));
    QSplitterHandle* handle = splitter->handle(index);
    if (!handle) return;
    const QPoint from = handle->mapTo(window, handle->rect().center());
    QPoint to = from;
    if (splitter->orientation() == Qt::Horizontal) to.setX(splitter->mapTo(window, QPoint(position, 0)).x());
    else to.setY(splitter->mapTo(window, QPoint(0, position)).y());
    RawEvent event;
    event.window = window;
    event.mouse = true;
    event.button = Qt::LeftButton;
    timestamp_ += 2000;
    event.timestamp = timestamp_;
    event.type = QEvent::MouseButtonPress;
    event.position = from;
    event.buttons = Qt::LeftButton;
    pending_.push_back(event);
    event.type = QEvent::MouseMove;
    event.button = Qt::NoButton;
    event.position = to;
    pending_.push_back(event);
    event.type = QEvent::MouseButtonRelease;
    event.button = Qt::LeftButton;
    event.buttons = Qt::NoButton;
    pending_.push_back(event);
}

void SoakDriver::Resize(QWidget* window) {
    static const QSize sizes[] = {{1, 1}, {120, 80}, {320, 240}, {640, 480}, {1024, 768}, {1600, 1200}};
    QSize size = sizes[Below(std::size(sizes))];
    if (Chance(50)) size = QSize(1 + static_cast<int>(Below(1600)), 1 + static_cast<int>(Below(1200)));
    Record(QString("resize %1 to %2x%3").arg(WidgetPath(window)).arg(size.width()).arg(size.height()));
    window->resize(size);
}

bool SoakDriver::CloseOne(QWidget* keep) {
    pending_.clear();
    if (QWidget* popup = QApplication::activePopupWidget()) {
        Record("close popup " + WidgetPath(popup));
        popup->close();
        return true;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        Record("close modal " + WidgetPath(modal));
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
        return true;
    }
    // Other windows, the newest first (the order of the list is the order of creation).
    const auto windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        QWidget* w = *it;
        if (w == keep || !w->isVisible() || w->windowType() == Qt::ToolTip) continue;
        Record("close window " + WidgetPath(w));
        w->close();
        return true;
    }
    return false;
}
