#include "ui/CharDelayInput.h"

#include "engine/NumberText.h"


namespace CharDelayInput {

bool IsInteger(const QString &text)
{
    return NumberText::toInt16(text).has_value();
}

std::optional<qint16> fromText(const QString &text)
{
    const auto value = NumberText::toNumber(text);
    const auto rounded = NumberText::toInt16(text);
    // The rounded value is checked too, so 9999.5 cannot slip in as 10000.
    if (!value || !rounded || *value < 0 || *rounded > 9999)
        return std::nullopt;
    return rounded;
}

} // namespace CharDelayInput
