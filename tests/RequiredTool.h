#pragma once

#include <QTest>

// Without a tool it needs (ser2net, pymodbus) a test skips, or fails where
// LINTROVA_REQUIRE_TOOLS=1 (tools/test.sh) promises the tools.
#define LINTROVA_REQUIRE_TOOL(present, missing)                                                    \
    do {                                                                                           \
        if (!(present) && qEnvironmentVariableIntValue("LINTROVA_REQUIRE_TOOLS") == 1)             \
            QFAIL(missing);                                                                        \
        if (!(present))                                                                            \
            QSKIP(missing);                                                                        \
    } while (false)
