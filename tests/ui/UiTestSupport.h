#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

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

inline QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
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
