#pragma once

#include <QWidget>

class CanvasArea;
class PreviewArea;

// The optional second window: the artwork as it would look on the screen,
// following every change the canvas reports. It may float above the other
// windows, but steps aside while a modal dialog waits for the user.
class PreviewWindow : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewWindow(CanvasArea *canvas, QWidget *parent = nullptr);

    PreviewArea *area() const { return m_area; }
    bool stayOnTop() const { return m_stayOnTop; }
    void setStayOnTop(bool on);
    // Shows the window and leaves the keyboard where it was: the main window
    // keeps its shortcuts whenever the preview comes up.
    void showPassively();
    // A modal dialog blocks the window and has taken the hint away.
    bool isSuspended() const { return m_suspended; }

signals:
    // The user closed the window (not a hide by the program).
    void closedByUser();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void applyStayOnTop();

    PreviewArea *m_area = nullptr;
    bool m_stayOnTop = false;
    bool m_suspended = false;
};
