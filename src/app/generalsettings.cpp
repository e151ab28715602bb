#include "generalsettings.h"

#include <QSettings>
#include <algorithm>
#include <climits>
#include <cmath>

namespace
{

double readDouble(const QSettings &settings, const char *key, double fallback)
{
    bool ok = false;
    const double stored = settings.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(stored) ? stored : fallback;
}

} // namespace

bool GeneralSettings::toBool(const QVariant &stored, bool fallback)
{
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    // The settings file gives everything back as text.
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

bool GeneralSettings::readBool(const QSettings &settings, const char *key, bool fallback)
{
    return toBool(settings.value(QLatin1String(key)), fallback);
}

GeneralSettings GeneralSettings::read()
{
    const QSettings settings;
    GeneralSettings general;
    general.invertZoomWheel = readBool(settings, InvertZoomWheelKey, general.invertZoomWheel);
    general.bindZoomToCanvas = readBool(settings, BindZoomToCanvasKey, general.bindZoomToCanvas);
    general.smoothImageScaling =
        readBool(settings, SmoothImageScalingKey, general.smoothImageScaling);
    general.nativeFileDialogs = readBool(settings, NativeFileDialogsKey, general.nativeFileDialogs);
    general.prgBasicStart = readBool(settings, PrgBasicStartKey, general.prgBasicStart);
    general.flyoutHoverDelaySeconds =
        readDouble(settings, FlyoutHoverDelayKey, general.flyoutHoverDelaySeconds);
    general.flyoutLeaveGraceSeconds =
        readDouble(settings, FlyoutLeaveGraceKey, general.flyoutLeaveGraceSeconds);
    const QVariant host = settings.value(QLatin1String(UltimateHostKey));
    if (host.canConvert<QString>())
        general.ultimateHost = host.toString();
    general.ultimateTimeoutSeconds =
        readDouble(settings, UltimateTimeoutKey, general.ultimateTimeoutSeconds);
    const QVariant password = settings.value(QLatin1String(UltimatePasswordKey));
    if (password.canConvert<QString>())
        general.ultimatePassword = password.toString();
    return general;
}

void GeneralSettings::write() const
{
    QSettings settings;
    settings.setValue(QLatin1String(InvertZoomWheelKey), invertZoomWheel);
    settings.setValue(QLatin1String(BindZoomToCanvasKey), bindZoomToCanvas);
    settings.setValue(QLatin1String(SmoothImageScalingKey), smoothImageScaling);
    settings.setValue(QLatin1String(NativeFileDialogsKey), nativeFileDialogs);
    settings.setValue(QLatin1String(PrgBasicStartKey), prgBasicStart);
    settings.setValue(QLatin1String(UltimateHostKey), ultimateHost);
    settings.setValue(QLatin1String(UltimateTimeoutKey), ultimateTimeoutSeconds);
    settings.setValue(QLatin1String(UltimatePasswordKey), ultimatePassword);
    settings.setValue(QLatin1String(FlyoutHoverDelayKey), flyoutHoverDelaySeconds);
    settings.setValue(QLatin1String(FlyoutLeaveGraceKey), flyoutLeaveGraceSeconds);
}

int GeneralSettings::flyoutHoverDelayMs() const
{
    return std::max(0, secondsToMilliseconds(flyoutHoverDelaySeconds));
}

int GeneralSettings::flyoutLeaveGraceMs() const
{
    return std::max(0, secondsToMilliseconds(flyoutLeaveGraceSeconds));
}

int GeneralSettings::secondsToMilliseconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // std::round takes halves away from zero.
    const double ms = std::round(seconds * 1000.0);
    return int(std::clamp(ms, double(INT_MIN), double(INT_MAX)));
}

double GeneralSettings::clampTimeout(double seconds)
{
    if (std::isnan(seconds))
        return DefaultTimeoutSeconds;
    return std::clamp(seconds, MinTimeoutSeconds, MaxTimeoutSeconds);
}
