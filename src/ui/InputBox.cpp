#include "ui/InputBox.h"

#include <QInputDialog>

namespace {

InputBox::Presenter &presenter()
{
    static InputBox::Presenter installed;
    return installed;
}

} // namespace

namespace InputBox {

void show(const Request &request)
{
    if (presenter()) {
        presenter()(request);
        return;
    }
    QInputDialog box(request.parent);
    box.setWindowTitle(request.title);
    box.setLabelText(request.prompt);
    box.setTextValue(request.defaultValue);
    box.resize(520, box.sizeHint().height());
    box.exec();
}

void setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

} // namespace InputBox
