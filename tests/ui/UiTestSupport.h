#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <tuple>

namespace UiTestSupport {

// The caption a user sees on a label, button, check box or frame.
inline QString captionOf(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    return QStringLiteral("<no caption: %1>").arg(widget ? widget->objectName() : "null");
}

// The columns language (0 German, 1 English), control and textColumn, and
// for each {control, German, English} of rows the rows "de control" and
// "en control": a table of what a control shows or is called in each
// language.
using Bilingual = QList<std::tuple<const char *, const char *, const char *>>;
inline void addBilingualTable(const char *textColumn, const Bilingual &rows)
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>(textColumn);
    for (const auto &[control, german, english] : rows) {
        QTest::addRow("de %s", control) << 0 << control << german;
        QTest::addRow("en %s", control) << 1 << control << english;
    }
}

// A port list text as the port discovery gives it: its fields joined.
inline QString portListText(const QStringList &fields)
{
    return fields.join(QChar(3));
}

inline QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// The captions of the items of a menu or menu bar (a separator's is empty),
// or their object names.
inline QStringList itemsOf(const QWidget *menu, bool objectNames = false)
{
    QStringList items;
    for (const QAction *action : menu->actions())
        items << (objectNames ? action->objectName() : action->text());
    return items;
}

// What a screen reader calls object.
inline QString accessibleName(QObject *object)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

// The controls of window a user can reach with the keyboard now: shown,
// enabled and taking the focus by Tab (a widget that hands its focus to
// another is left out; that other one counts).
inline QList<QWidget *> focusableControls(QWidget *window)
{
    QList<QWidget *> controls;
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *w : all)
        if (w->window() == window && w->isVisibleTo(window) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy())
            controls << w;
    return controls;
}

// "objectName: name" of every focusable control of window that has no
// accessible name, or one that another focusable control has too.
inline QStringList namingFaults(QWidget *window)
{
    QStringList faults;
    QHash<QString, QWidget *> byName;
    for (QWidget *control : focusableControls(window)) {
        const QString name = accessibleName(control);
        const QString who = (control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                             : control->objectName());
        if (name.trimmed().isEmpty())
            faults << who + QStringLiteral(": no name");
        else if (byName.contains(name))
            faults << who + QStringLiteral(": '") + name + QStringLiteral("' as ") +
                          byName[name]->objectName();
        byName.insert(name, control);
    }
    return faults;
}

// The controls Tab visits, starting from the one with the focus, until it
// comes back there (at most 200 steps).
inline QList<QWidget *> tabCycle()
{
    QList<QWidget *> visited;
    QWidget *start = QApplication::focusWidget();
    QWidget *at = start;
    for (int step = 0; at && step < 200; ++step) {
        visited << at;
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (at == start)
            break;
    }
    return visited;
}

// The object names of controls, sorted, for comparing sets of them.
inline QStringList namesOf(const QList<QWidget *> &controls)
{
    QStringList names;
    for (const QWidget *control : controls)
        names << (control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                  : control->objectName());
    names.sort();
    names.removeDuplicates();
    return names;
}

// Gives widget the focus, first showing the page of a tab widget it lies on,
// and presses key (Return or the keypad's Enter) there, as a user would.
inline void pressEnterOn(QWidget *widget, Qt::Key key = Qt::Key_Return)
{
    for (QWidget *page = widget; page && page->parentWidget(); page = page->parentWidget()) {
        auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
        if (tabs && tabs->indexOf(page) >= 0)
            tabs->setCurrentWidget(page);
    }
    widget->setFocus(Qt::TabFocusReason);
    QTest::keyClick(widget, key);
}

// Runs action on the first modal window of type Dialog that shows up, from
// inside its own event loop. When none shows within a few seconds the modal
// window on top is closed, so that a failing test ends instead of hanging.
template <typename Dialog>
void whenModalShows(std::function<void(Dialog *)> action)
{
    auto *timer = new QTimer;
    auto *waited = new int(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, action]() {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            action(dialog);
            return;
        }
        if (++*waited > 500) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            if (QWidget *top = QApplication::activeModalWidget())
                top->close();
        }
    });
    timer->start();
}

} // namespace UiTestSupport
