#pragma once

// Table-driven rows with one struct column: a _data() function calls
// addRows<Row>({{"name", {...}}, ...}) and the test reads QFETCH(Row, row).
// Row needs Q_DECLARE_METATYPE at namespace scope.

#include <QTest>
#include <initializer_list>
#include <utility>

template <class Row> void addRows(std::initializer_list<std::pair<const char *, Row>> rows)
{
    QTest::addColumn<Row>("row");
    for (const auto &[name, row] : rows)
        QTest::newRow(name) << row;
}
