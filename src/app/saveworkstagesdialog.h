#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

// How many workstages Save Workstages writes: all, or a subset chosen
// uniformly or leaning towards the start.
class SaveWorkstagesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SaveWorkstagesDialog(int stageCount, QWidget *parent = nullptr);

    int frameCount() const;
    bool smart() const;

    void done(int result) override;

private:
    int m_stageCount;
    QRadioButton *m_all = nullptr;
    QRadioButton *m_subset = nullptr;
    QSpinBox *m_count = nullptr;
    QRadioButton *m_uniform = nullptr;
    QRadioButton *m_smart = nullptr;
};
