#include "ui/LineIndicators.h"

#include "ports/SerialPortControl.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

constexpr qint32 kGroupName = 2310;
constexpr qint32 kOn = 2305;
constexpr qint32 kOff = 2306;
constexpr qint32 kUnknown = 2307;

struct Input {
    const char *name;
    quint8 bit;
};
constexpr std::array<Input, 4> kInputs = {Input{"CTS", kCts}, Input{"DSR", kDsr},
                                          Input{"DCD", kDcd}, Input{"RI", kRi}};

} // namespace

LineIndicators::LineIndicators(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraLines"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const auto makeSwitch = [this, row](const char *name) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("cmdLine") + QLatin1String(name));
        button->setText(QLatin1String(name));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        row->addWidget(button);
        return button;
    };
    cmdDtr = makeSwitch("DTR");
    cmdRts = makeSwitch("RTS");
    for (std::size_t i = 0; i < kInputs.size(); ++i) {
        auto *label = new QLabel(QLatin1String(kInputs[i].name), this);
        label->setObjectName(QStringLiteral("lblLine") + QLatin1String(kInputs[i].name));
        label->setAutoFillBackground(true);
        label->setMargin(2);
        row->addWidget(label);
        lblInputs[i] = label;
    }
    connect(cmdDtr, &QToolButton::clicked, this, &LineIndicators::dtrClicked);
    connect(cmdRts, &QToolButton::clicked, this, &LineIndicators::rtsClicked);
    showState(m_state);
}

void LineIndicators::showState(const LineState &state)
{
    m_state = state;
    const auto known = [&state](bool on) {
        return state.switchable ? std::optional(on) : std::nullopt;
    };
    cmdDtr->setEnabled(state.switchable);
    cmdDtr->setChecked(state.dtr);
    paint(cmdDtr, QStringLiteral("DTR"), known(state.dtr));
    cmdRts->setEnabled(state.switchable && !state.rtsOwned);
    cmdRts->setChecked(state.rts);
    paint(cmdRts, QStringLiteral("RTS"), known(state.rts));
    for (std::size_t i = 0; i < kInputs.size(); ++i) {
        const std::optional<bool> on = state.inputs
                                           ? std::optional((*state.inputs & kInputs[i].bit) != 0)
                                           : std::nullopt;
        lblInputs[i]->setEnabled(on.has_value());
        paint(lblInputs[i], QLatin1String(kInputs[i].name), on);
    }
}

void LineIndicators::applyLanguage(quint8 language)
{
    m_language = language;
    setAccessibleName(fkt_ToolsGetResString(kGroupName, language));
    showState(m_state);
}

QString LineIndicators::stateName(const QString &line, std::optional<bool> on) const
{
    const qint32 id = !on ? kUnknown : *on ? kOn : kOff;
    return fkt_FormatInsertParam(fkt_ToolsGetResString(id, m_language), {line});
}

// A line that is on is drawn in the highlight colours; one that is off or
// unknown in the window's own.
void LineIndicators::paint(QWidget *control, const QString &line, std::optional<bool> on)
{
    const QString name = stateName(line, on);
    control->setAccessibleName(name);
    control->setToolTip(name);
    if (control == cmdDtr || control == cmdRts)
        return; // a checked switch is drawn pressed
    QPalette palette = parentWidget() ? parentWidget()->palette() : QPalette();
    if (on.value_or(false)) {
        palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
    }
    control->setPalette(palette);
}
