#pragma once

#include <QtGlobal>

class QLineEdit;
class QWidget;
struct SettingsRecord;

// Records target in settings.SpecialCharTarget (0 prefix box of the settings
// dialog, 1 its suffix box, 2 the main window's active edit box) and shows the
// special character dialog modally over parent. On Accept targetBox gets the
// focus and the chosen token goes into it as typed in one go, once the dialog
// has gone (KeyboardTyping::postInsertion); with no targetBox the token goes
// to whatever widget has the focus.
void fkt_ToolsShowSpecialCharDialog(quint8 target, SettingsRecord &settings, QLineEdit *targetBox,
                                    QWidget *parent);
