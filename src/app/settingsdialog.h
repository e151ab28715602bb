#pragma once

#include "generalsettings.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;

// Edits the preferences that are set rather than toggled. It shows the
// settings it is given and hands back what OK should store; it stores nothing
// itself, so Cancel leaves every key as it was.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(const GeneralSettings &current, QWidget *parent = nullptr);

    // The edited settings: the host without surrounding white space, the
    // timeout within its range.
    GeneralSettings settings() const;

private:
    QWidget *createGeneralGroup(const GeneralSettings &current);
    QWidget *createToolPickerGroup(const GeneralSettings &current);
    QWidget *createUltimateGroup(const GeneralSettings &current);

    QCheckBox *m_invertZoomWheel = nullptr;
    QCheckBox *m_bindZoomToCanvas = nullptr;
    QCheckBox *m_smoothImageScaling = nullptr;
    QCheckBox *m_nativeFileDialogs = nullptr;
    QCheckBox *m_prgBasicStart = nullptr;
    QDoubleSpinBox *m_hoverDelay = nullptr;
    QDoubleSpinBox *m_leaveGrace = nullptr;
    QLineEdit *m_host = nullptr;
    QLineEdit *m_password = nullptr;
    QDoubleSpinBox *m_timeout = nullptr;
};
