#include "ui/frmSpecialChar.h"

#include "text/NumericToken.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/MessageBoxes.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>
#include <utility>

namespace {

// A refused text is quoted by its beginning only.
constexpr int kShownCodeLength = 40;

QPushButton *makeCharBox(const QString &name, const QString &caption, QWidget *parent)
{
    auto *box = new QPushButton(caption, parent);
    box->setObjectName(name);
    box->setCheckable(true);
    // The boxes are check boxes drawn as buttons: Enter on one of them
    // presses Accept, as on any other control that is not a button.
    box->setAutoDefault(false);
    return box;
}

} // namespace

frmSpecialChar::frmSpecialChar(quint8 language, QWidget *parent)
    : QDialog(parent), m_language(language)
{
    setObjectName(QStringLiteral("frmSpecialChar"));
    setModal(true);
    buildControls();
    ApplyLanguage();
}

void frmSpecialChar::buildControls()
{
    fraChar = new QGroupBox(this);
    fraChar->setObjectName(QStringLiteral("fraChar"));
    chkStx = makeCharBox(QStringLiteral("chkStx"), QStringLiteral("STX"), fraChar);
    chkEtx = makeCharBox(QStringLiteral("chkEtx"), QStringLiteral("ETX"), fraChar);
    chkEot = makeCharBox(QStringLiteral("chkEot"), QStringLiteral("EOT"), fraChar);
    chkEnq = makeCharBox(QStringLiteral("chkEnq"), QStringLiteral("ENQ"), fraChar);
    chkLf = makeCharBox(QStringLiteral("chkLf"), QStringLiteral("LF"), fraChar);
    chkCr = makeCharBox(QStringLiteral("chkCr"), QStringLiteral("CR"), fraChar);
    chkNak = makeCharBox(QStringLiteral("chkNak"), QStringLiteral("NAK"), fraChar);
    chkAck = makeCharBox(QStringLiteral("chkAck"), QStringLiteral("ACK"), fraChar);
    auto *charGrid = new QGridLayout(fraChar);
    QPushButton *const rows[2][4] = {{chkStx, chkEtx, chkEot, chkEnq},
                                     {chkLf, chkCr, chkNak, chkAck}};
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column) {
            QPushButton *box = rows[row][column];
            box->installEventFilter(this);
            charGrid->addWidget(box, row, column);
        }
    for (int column = 0; column < 4; ++column)
        charGrid->setColumnStretch(column, 1);

    fraNumeric = new QGroupBox(this);
    fraNumeric->setObjectName(QStringLiteral("fraNumeric"));
    txtNumeric = new QLineEdit(fraNumeric);
    txtNumeric->setObjectName(QStringLiteral("txtNumeric"));
    // No length limit: whatever is pasted goes into the token unchanged.
    txtNumeric->setMaxLength(std::numeric_limits<int>::max());
    txtNumeric->installEventFilter(this);
    labUserDefinedCharAscii = new QLabel(fraNumeric);
    labUserDefinedCharAscii->setObjectName(QStringLiteral("labUserDefinedCharAscii"));
    labUserDefinedCharAscii->setBuddy(txtNumeric);
    auto *numericRow = new QHBoxLayout(fraNumeric);
    numericRow->addWidget(txtNumeric);
    numericRow->addWidget(labUserDefinedCharAscii);

    cmdOk = new QPushButton(this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdOk->setEnabled(false);
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOk, &QPushButton::clicked, this, &frmSpecialChar::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSpecialChar::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraChar);
    layout->addWidget(fraNumeric);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSpecialChar::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1300, m_language));
    cmdOk->setText(fkt_ToolsGetResString(1301, m_language));
    cmdCancel->setText(fkt_ToolsGetResString(1302, m_language));
    fraChar->setTitle(fkt_ToolsGetResString(1623, m_language));
    fraNumeric->setTitle(fkt_ToolsGetResString(1622, m_language));
    labUserDefinedCharAscii->setText(fkt_ToolsGetResString(1630, m_language));
    // The box is named by its frame; the hint beside it describes it.
    txtNumeric->setAccessibleName(fraNumeric->title());
    txtNumeric->setAccessibleDescription(labUserDefinedCharAscii->text());
}

// Runs before the press reaches the box, so a left click then checks just the
// clicked box, also when it was checked already.
void frmSpecialChar::ClearSelection()
{
    cmdOk->setEnabled(true);
    for (QPushButton *box : {chkStx, chkEtx, chkEot, chkEnq, chkAck, chkLf, chkCr, chkNak})
        box->setChecked(false);
}

bool frmSpecialChar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtNumeric && event->type() == QEvent::KeyPress) {
        // Tab and Enter are taken by the dialog itself (focus moves, Accept),
        // they are no input into the field.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Return &&
            key != Qt::Key_Enter)
            ClearSelection();
    } else if (watched != txtNumeric && (event->type() == QEvent::MouseButtonPress ||
                                         event->type() == QEvent::MouseButtonDblClick)) {
        // The second press of a quick double click arrives as a double click;
        // it is a press all the same.
        ClearSelection();
    }
    return QDialog::eventFilter(watched, event);
}

// Cancel is deliberately not bound to Esc; the close box still cancels.
void frmSpecialChar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QString frmSpecialChar::chosenToken() const
{
    if (!txtNumeric->text().isEmpty())
        return QStringLiteral("<") + txtNumeric->text() + QStringLiteral(">");
    const std::pair<const QPushButton *, const char *> order[] = {
        {chkStx, "<STX>"}, {chkEtx, "<ETX>"}, {chkEot, "<EOT>"}, {chkEnq, "<ENQ>"},
        {chkAck, "<ACK>"}, {chkLf, "<LF>"},   {chkCr, "<CR>"},   {chkNak, "<NAK>"}};
    for (const auto &[box, token] : order)
        if (box->isChecked())
            return QString::fromLatin1(token);
    return {};
}

// A code that no token can send is refused here, where it can be mended,
// rather than typed into a box from which it would never go out.
void frmSpecialChar::cmdOk_Click()
{
    const QString numeric = txtNumeric->text();
    if (!numeric.isEmpty() && !numericTokenChar(numeric) && !hexTokenBytes(numeric)) {
        MessageBoxes::show({this, MessageBoxes::Icon::None, windowTitle(),
                            fkt_FormatInsertParam(fkt_ToolsGetResString(2140, m_language),
                                                  {numeric.left(kShownCodeLength)})});
        txtNumeric->setFocus(Qt::OtherFocusReason);
        txtNumeric->selectAll();
        return;
    }
    m_token = chosenToken();
    accept();
}
