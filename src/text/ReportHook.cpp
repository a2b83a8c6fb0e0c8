#include "text/ReportHook.h"

namespace
{

// Only setReportHook and reportMessage see the hook.
ReportHook &installedHook()
{
    static ReportHook hook;
    return hook;
}

} // namespace

void setReportHook(ReportHook hook)
{
    installedHook() = std::move(hook);
}

void reportMessage(const QString &title, const QString &text)
{
    // A copy, so a hook that replaces itself while it runs stays alive.
    const ReportHook hook = installedHook();
    if (hook)
        hook(title, text);
}
