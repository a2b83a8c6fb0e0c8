#pragma once

#include <QListView>

class TrafficLog;

// The traffic log list: follows the log's selected line (scrolling to it)
// and reports the user's own selection back to the log.
class LogView : public QListView {
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);
    void setLog(TrafficLog *log);

Q_SIGNALS:
    // A double click on the list, on a line or below the last one.
    void doubleClickedAnywhere();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void followSelection();
    void showSelection(int row);
    TrafficLog *m_log = nullptr;
    bool m_followPending = false;
};
