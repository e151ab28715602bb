#pragma once

#include <QDate>
#include <QDialog>

// Help -> About: the logo (in December with a hat on), the version, the
// credits and what the program was built with.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr, QDate today = QDate::currentDate());

    // The logo as the dialog shows it on that day.
    static QPixmap logo(QDate today);
    // "KORVEN 3.2.1", a pre-release suffix from the first "-" in orange.
    static QString versionHtml(const QString &version);
    // Build date, compiler and Qt versions, one per line.
    static QString buildInfo();
};
