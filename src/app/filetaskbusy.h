#pragma once

#include "mainwindow.h"

// Holds the window's busy flag for the life of a step and gives back what
// was there before, so a step inside a longer task does not end the task's
// busy time early.
class FileTaskBusy
{
public:
    explicit FileTaskBusy(MainWindow *window) : m_window(window), m_before(window->isFileTaskBusy())
    {
        m_window->setFileTaskBusy(true);
    }
    ~FileTaskBusy() { m_window->setFileTaskBusy(m_before); }
    FileTaskBusy(const FileTaskBusy &) = delete;
    FileTaskBusy &operator=(const FileTaskBusy &) = delete;

private:
    MainWindow *m_window;
    bool m_before;
};
