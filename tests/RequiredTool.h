#pragma once

#include <QTest>

// Without its tool a test skips, or fails where LINTROVA_REQUIRE_TOOLS=1 (tools/test.sh).
#define LINTROVA_REQUIRE_TOOL(present, missing)                                                    \
    do {                                                                                           \
        if (!(present) && qEnvironmentVariableIntValue("LINTROVA_REQUIRE_TOOLS") == 1)             \
            QFAIL(missing);                                                                        \
        if (!(present))                                                                            \
            QSKIP(missing);                                                                        \
    } while (false)
