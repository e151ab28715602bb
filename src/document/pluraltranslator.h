#pragma once

#include <QTranslator>

// The program's texts are written in English with Qt's plural notation
// ("%n workstage(s)"). Without a translation file Qt would show that
// notation as it stands; this translator resolves it to the English forms
// ("1 workstage", "3 workstages"). Installed once on the application.
class PluralTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;

    // Installs one translator on the running application.
    static void install();
};
