#pragma once

#include <QCoreApplication>

class MainWindow;

// Import Reference Image: a picture shown over the artwork to trace, fitted
// to the canvas's on-screen size; it never enters the document.
class ReferenceImportFlow
{
    Q_DECLARE_TR_FUNCTIONS(ReferenceImportFlow)

public:
    explicit ReferenceImportFlow(MainWindow &window) : m_window(window) {}

    void run();

private:
    MainWindow &m_window;
};
