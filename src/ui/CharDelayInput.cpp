#include "ui/CharDelayInput.h"

#include "engine/NumberText.h"


namespace CharDelayInput {

bool IsInteger(const QString &text)
{
    return NumberText::toInt16(text).has_value();
}

std::optional<qint16> fromText(const QString &text, qint16 highest)
{
    const auto value = NumberText::toNumber(text);
    const auto rounded = NumberText::toInt16(text);
    // The rounded value is checked too, so 9999.5 cannot slip in as 10000
    // (nor 32767.5 outside the 16-bit range, which toInt16 refuses).
    if (!value || !rounded || *value < 0 || *rounded > highest)
        return std::nullopt;
    return rounded;
}

} // namespace CharDelayInput
