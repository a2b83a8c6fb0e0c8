#include "ui/InsertSpecialChar.h"

#include "app/modGlobal.h"
#include "ui/KeyboardTyping.h"
#include "ui/frmSpecialChar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>

void fkt_ToolsShowSpecialCharDialog(quint8 target, SettingsRecord &settings, QLineEdit *targetBox,
                                    QWidget *parent)
{
    settings.SpecialCharTarget = target;
    // The box may go away while the modal dialog runs its own event loop.
    QPointer<QLineEdit> box(targetBox);
    QString token;
    {
        frmSpecialChar dialog(settings.Language, parent);
        if (dialog.exec() != QDialog::Accepted)
            return;
        token = dialog.token();
    }
    if (!targetBox) {
        KeyboardTyping::postInsertion(QApplication::focusWidget(), token);
        return;
    }
    if (!box)
        return; // its window has closed; the token has nowhere to go
    box->setFocus(Qt::OtherFocusReason);
    KeyboardTyping::postInsertion(box, token);
}
