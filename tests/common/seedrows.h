#pragma once

#include <QTest>

// One "seed N" row per seed for the random-stroke tests; setting the named
// environment variable to n runs a longer soak of n seeds.
inline void addSeedRows(const char *soakVariable, quint32 defaultCount, quint32 spread)
{
    QTest::addColumn<quint32>("seed");
    const quint32 count = qEnvironmentVariableIsSet(soakVariable)
                              ? quint32(qEnvironmentVariableIntValue(soakVariable))
                              : defaultCount;
    for (quint32 seed = 1; seed <= count; ++seed)
        QTest::addRow("seed %u", seed) << seed * spread;
}
