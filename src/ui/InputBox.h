#pragma once

#include <QString>

#include <functional>

class QWidget;

// The input box that shows one log line in full, behind a seam so tests can
// see the prompt, the title and the default value without a modal box.
namespace InputBox {

struct Request {
    QWidget *parent;
    QString prompt;
    QString title;
    QString defaultValue;
};

using Presenter = std::function<void(const Request &)>;

// Shows the box with OK and Cancel; the result is not used.
void show(const Request &request);
void setPresenter(Presenter presenter);

} // namespace InputBox
