#pragma once

#include <QObject>

// Installed on the application: every menu, when it is polished, becomes a
// frameless window without a drop shadow and with a translucent background,
// so the style sheet's rounded menus show without a square frame around them.
class MenuPolishFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override;
};
