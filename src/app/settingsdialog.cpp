#include "settingsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace
{

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &text, const QString &tip,
                    bool checked)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    box->setChecked(checked);
    return box;
}

QDoubleSpinBox *secondsBox(QWidget *parent, const char *name, double minimum, double maximum,
                           double step, double value)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setDecimals(1);
    box->setSingleStep(step);
    box->setSuffix(SettingsDialog::tr(" s"));
    box->setValue(value);
    return box;
}

} // namespace

SettingsDialog::SettingsDialog(const GeneralSettings &current, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Settings"));
    auto *column = new QVBoxLayout(this);
    column->addWidget(createGeneralGroup(current));
    column->addWidget(createToolPickerGroup(current));
    column->addWidget(createUltimateGroup(current));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

QWidget *SettingsDialog::createGeneralGroup(const GeneralSettings &current)
{
    auto *group = new QGroupBox(tr("General"), this);
    auto *layout = new QVBoxLayout(group);
    m_invertZoomWheel =
        checkBox(group, "invertZoomWheel", tr("&Invert Scroll Wheel Direction for Zooming"),
                 tr("Scroll down to zoom in, on the canvas and in the preview window."),
                 current.invertZoomWheel);
    m_bindZoomToCanvas =
        checkBox(group, "bindZoomToCanvas", tr("&Bind Zoom to Canvas"),
                 tr("Keep the center Zoom In/Out works around inside the drawable canvas."),
                 current.bindZoomToCanvas);
    m_smoothImageScaling = checkBox(
        group, "smoothImageScaling", tr("&Smooth Scaling for Imported Images"),
        tr("Resample imported images (the reference layer and the Convert Image input) with "
           "bilinear filtering instead of keeping their pixels blocky."),
        current.smoothImageScaling);
    m_nativeFileDialogs = checkBox(
        group, "nativeFileDialogs", tr("Use OS-Native &File Chooser Dialogs"),
        tr("Open and save files through the system's own file chooser. Turn it off for KORVEN's "
           "choosers, which preview the project, image or sprite file as you highlight it."),
        current.nativeFileDialogs);
    m_prgBasicStart = checkBox(
        group, "prgBasicStart", tr("Start Uncompressed PRG Exports with &RUN"),
        tr("Give a PRG export that stays uncompressed (Exomizer missing or failing) a BASIC line, "
           "so that RUN starts it like a compressed one instead of SYS."),
        current.prgBasicStart);
    for (QCheckBox *box : {m_invertZoomWheel, m_bindZoomToCanvas, m_smoothImageScaling,
                           m_nativeFileDialogs, m_prgBasicStart})
        layout->addWidget(box);
    return group;
}

QWidget *SettingsDialog::createToolPickerGroup(const GeneralSettings &current)
{
    auto *group = new QGroupBox(tr("Tool Pickers"), this);
    auto *form = new QFormLayout(group);
    m_hoverDelay =
        secondsBox(group, "toolFlyoutHoverDelay", 0.0, 5.0, 0.1, current.flyoutHoverDelaySeconds);
    m_hoverDelay->setToolTip(
        tr("How long to hover over a tool picker button (the shape or selection tool) before its "
           "flyout opens on its own. Clicking the button activates the tool with the shown pick "
           "at once, whatever this is set to."));
    m_leaveGrace =
        secondsBox(group, "toolFlyoutLeaveGrace", 0.0, 5.0, 0.1, current.flyoutLeaveGraceSeconds);
    m_leaveGrace->setToolTip(
        tr("How long a tool picker's flyout stays open after the pointer strays off the dashboard "
           "(rather than onto it, which closes it at once); a grace for imprecise gestures. 0 "
           "closes immediately."));
    form->addRow(tr("&Hover delay:"), m_hoverDelay);
    form->addRow(tr("&Leave grace:"), m_leaveGrace);
    return group;
}

QWidget *SettingsDialog::createUltimateGroup(const GeneralSettings &current)
{
    auto *group = new QGroupBox(tr("Ultimate Device"), this);
    auto *form = new QFormLayout(group);
    m_host = new QLineEdit(current.ultimateHost, group);
    m_host->setObjectName(QStringLiteral("ultimateHost"));
    m_timeout =
        secondsBox(group, "ultimateTimeout", GeneralSettings::MinTimeoutSeconds,
                   GeneralSettings::MaxTimeoutSeconds, 0.5, current.clampedTimeoutSeconds());
    m_password = new QLineEdit(current.ultimatePassword, group);
    m_password->setObjectName(QStringLiteral("ultimatePassword"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("&Host:"), m_host);
    form->addRow(tr("&Password:"), m_password);
    form->addRow(tr("&Timeout:"), m_timeout);
    return group;
}

GeneralSettings SettingsDialog::settings() const
{
    GeneralSettings edited;
    edited.invertZoomWheel = m_invertZoomWheel->isChecked();
    edited.bindZoomToCanvas = m_bindZoomToCanvas->isChecked();
    edited.smoothImageScaling = m_smoothImageScaling->isChecked();
    edited.nativeFileDialogs = m_nativeFileDialogs->isChecked();
    edited.prgBasicStart = m_prgBasicStart->isChecked();
    edited.ultimateHost = m_host->text().trimmed();
    edited.ultimateTimeoutSeconds = GeneralSettings::clampTimeout(m_timeout->value());
    edited.ultimatePassword = m_password->text();
    edited.flyoutHoverDelaySeconds = m_hoverDelay->value();
    edited.flyoutLeaveGraceSeconds = m_leaveGrace->value();
    return edited;
}
