#pragma once

// Table rows kept in a text file under tests/: one row a line, "table |
// name | field | field ...", lines that are blank or start with # skipped.
// A _data() function calls addTextRows("rules/clashrules.txt", "sweep") and
// the test reads QFETCH(QStringList, row), converting fields with the
// helpers below.

#include <QFile>
#include <QPointF>
#include <QRect>
#include <QStringList>
#include <QTest>

inline void addTextRows(const char *file, const char *table)
{
    QTest::addColumn<QStringList>("row");
    QFile in(QStringLiteral(KORVEN_SOURCE_DIR "/tests/") + QLatin1String(file));
    QVERIFY2(in.open(QIODevice::ReadOnly | QIODevice::Text), file);
    int rows = 0;
    for (const QString &line : QString::fromUtf8(in.readAll()).split(u'\n')) {
        QStringList fields = line.split(u'|');
        for (QString &field : fields)
            field = field.trimmed();
        if (fields.size() > 2 && fields[0] == QLatin1String(table) && ++rows)
            QTest::newRow(qPrintable(fields[1])) << fields.mid(2);
    }
    QVERIFY2(rows > 0, table);
}

inline QList<int> intsOf(const QString &text)
{
    QList<int> list;
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts))
        list.append(item.toInt());
    return list;
}

inline QPoint pointOf(const QString &text)
{
    const QList<int> v = intsOf(text);
    return QPoint(v.value(0), v.value(1));
}

inline QPointF pointFOf(const QString &text)
{
    const QStringList v = text.split(u',');
    return QPointF(v.value(0).toDouble(), v.value(1).toDouble());
}

// "x,y,w,h"; an empty field is the null rectangle.
inline QRect rectOf(const QString &text)
{
    const QList<int> v = intsOf(text);
    return v.size() == 4 ? QRect(v[0], v[1], v[2], v[3]) : QRect();
}
