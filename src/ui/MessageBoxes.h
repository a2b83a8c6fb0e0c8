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

// Asks a question with the buttons Yes and No (No is the default: a reflex
// on Enter changes nothing); true for Yes. A box closed any other way (the
// program ending meanwhile) answers No.
bool ask(const Message &message);

// Answers the questions instead of real boxes; an empty one restores them.
// Without one, a presenter installed above is shown the question, which is
// then answered No. For tests.
using QuestionPresenter = std::function<bool(const Message &)>;
void setQuestionPresenter(QuestionPresenter presenter);

} // namespace MessageBoxes
