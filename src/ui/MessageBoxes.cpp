#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace {

MessageBoxes::Presenter &presenter()
{
    static MessageBoxes::Presenter installed;
    return installed;
}

MessageBoxes::QuestionPresenter &questionPresenter()
{
    static MessageBoxes::QuestionPresenter installed;
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

bool ask(const Message &message)
{
    if (questionPresenter())
        return questionPresenter()(message);
    if (presenter()) {
        presenter()(message);
        return false;
    }
    QMessageBox box(QMessageBox::Question, message.title, message.text,
                    QMessageBox::Yes | QMessageBox::No, message.parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void setQuestionPresenter(QuestionPresenter p)
{
    questionPresenter() = std::move(p);
}

} // namespace MessageBoxes
