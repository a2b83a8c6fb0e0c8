#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here, so that tests can see
// what would be shown without a modal box blocking them.
namespace MessageBoxes {

enum class Icon { None, Critical };

struct Message {
    QWidget *parent;
    Icon icon;
    QString title;
    QString text;
};

using Presenter = std::function<void(const Message &)>;

// Shows a modal box with an OK button (or hands it to the installed presenter).
void show(const Message &message);

// Replaces the real boxes; an empty presenter restores them. For tests.
void setPresenter(Presenter presenter);

} // namespace MessageBoxes
