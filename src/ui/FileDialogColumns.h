#pragma once

class QFileDialog;

namespace FileDialogColumns {

// Widens the columns of the file dialog's detail view (size, type, date) to
// their captions and usual contents in the current language, and the dialog
// so that they are shown whole beside a name column of the usual width.
// Call before the dialog is shown.
void giveRoom(QFileDialog &dialog);

} // namespace FileDialogColumns
