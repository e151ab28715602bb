#pragma once

class MainWindow;

// Import Image: a native C64 picture chosen by the artist, checked against
// the canvas and placed on one of its screens as one edit.
class ImageImportFlow
{
public:
    explicit ImageImportFlow(MainWindow &window) : m_window(window) {}

    void run();

private:
    MainWindow &m_window;
};
