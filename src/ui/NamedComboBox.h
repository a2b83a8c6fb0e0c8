#pragma once

#include <QComboBox>

// A drop-down list that assistive technology names like any other control:
// by its accessible name, else by the label whose buddy it is. (Qt names a
// plain QComboBox by its current entry on Linux, so a screen reader said
// "9600 *" where the user needed "Baudrate".) The current entry is its
// value; its popup list and actions are those of a QComboBox.
class NamedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit NamedComboBox(QWidget *parent = nullptr);
};
