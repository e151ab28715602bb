#pragma once

#include <QWidget>

class QComboBox;

// The screen of a multi-screen canvas an imported picture goes into.
class ImageImportOptionsWidget : public QWidget
{
    Q_OBJECT

public:
    ImageImportOptionsWidget(int screens, QWidget *parent = nullptr);

    int targetScreen() const;

private:
    QComboBox *m_screens = nullptr;
};
