#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace {

MessageBoxes::Presenter &presenter()
{
    static MessageBoxes::Presenter installed;
    return installed;
}

} // namespace

namespace MessageBoxes {

void show(const Message &message)
{
    if (presenter()) {
        presenter()(message);
        return;
    }
    QMessageBox box(message.icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    message.title, message.text, QMessageBox::Ok, message.parent);
    box.exec();
}

void setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

} // namespace MessageBoxes
