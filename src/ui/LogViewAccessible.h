#pragma once

#include <QAccessibleWidget>
#include <QHash>

class LogView;

// What assistive technology sees of the log: a list with one item per line,
// each item made only when asked for (a full log has 32,000 lines). An item's
// text is its line with every control character spelled as a token, so a
// screen reader says "<STX>" where the view draws a small box; in the hex
// view it is the hex text shown.
class LogViewAccessible : public QAccessibleWidget {
public:
    explicit LogViewAccessible(LogView *view);
    ~LogViewAccessible() override;

    // Makes Qt use this interface for every LogView; once is enough.
    static void install();
    // The log was emptied: the items made so far no longer stand for lines.
    static void logReset(LogView *view);

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    LogView *view() const;

private:
    void dropItems();

    mutable QHash<int, QAccessible::Id> m_items;
};
