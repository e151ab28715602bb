#include "pluraltranslator.h"

#include <QCoreApplication>

QString PluralTranslator::translate(const char *, const char *sourceText, const char *, int n) const
{
    // An empty result tells Qt to fall back to the source text.
    if (n < 0 || !sourceText)
        return {};
    QString text = QString::fromUtf8(sourceText);
    if (!text.contains(QLatin1String("(s)")))
        return {};
    return text.replace(QLatin1String("(s)"), n == 1 ? QString() : QStringLiteral("s"));
}

void PluralTranslator::install()
{
    auto *translator = new PluralTranslator(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
}
