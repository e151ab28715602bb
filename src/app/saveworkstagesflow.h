#pragma once

#include <QCoreApplication>

class MainWindow;

// Save Workstages: the chosen workstages replayed into a numbered PNG
// sequence in a folder, behind a progress dialog that can stop it.
class SaveWorkstagesFlow
{
    Q_DECLARE_TR_FUNCTIONS(SaveWorkstagesFlow)

public:
    explicit SaveWorkstagesFlow(MainWindow &window) : m_window(window) {}

    void run();

private:
    MainWindow &m_window;
};
