#pragma once

#include <QCoreApplication>

class MainWindow;

// Import Sprites: choose a sheet and how its attribute bytes read, then
// replace the border strips with it as one edit.
class SpriteImportFlow
{
    Q_DECLARE_TR_FUNCTIONS(SpriteImportFlow)

public:
    explicit SpriteImportFlow(MainWindow &window) : m_window(window) {}

    void run();

private:
    MainWindow &m_window;
};
