#pragma once

#include <QString>

class QSettings;
class QVariant;

// The preferences that are set rather than toggled: the "general/" and
// "ultimate/" groups the Settings dialog edits. Their keys and defaults are
// known here and nowhere else; a missing or unreadable key yields its default.
struct GeneralSettings {
    static constexpr char InvertZoomWheelKey[] = "general/invertZoomWheel";
    static constexpr char BindZoomToCanvasKey[] = "general/bindZoomToCanvas";
    static constexpr char SmoothImageScalingKey[] = "general/smoothImageScaling";
    static constexpr char NativeFileDialogsKey[] = "general/nativeFileDialogs";
    static constexpr char FlyoutHoverDelayKey[] = "general/toolFlyoutHoverDelaySeconds";
    static constexpr char FlyoutLeaveGraceKey[] = "general/toolFlyoutLeaveGraceSeconds";
    static constexpr char PrgBasicStartKey[] = "general/prgBasicStart";
    static constexpr char UltimateHostKey[] = "ultimate/host";
    static constexpr char UltimateTimeoutKey[] = "ultimate/timeoutSeconds";
    static constexpr char UltimatePasswordKey[] = "ultimate/password";

    static constexpr double DefaultFlyoutSeconds = 0.5;
    static constexpr char DefaultUltimateHost[] = "192.168.0.64";
    static constexpr double DefaultTimeoutSeconds = 2.5;
    static constexpr double MinTimeoutSeconds = 0.1;
    static constexpr double MaxTimeoutSeconds = 60.0;

    bool invertZoomWheel = false;
    bool bindZoomToCanvas = false;
    bool smoothImageScaling = false;
    bool nativeFileDialogs = false;
    double flyoutHoverDelaySeconds = DefaultFlyoutSeconds;
    double flyoutLeaveGraceSeconds = DefaultFlyoutSeconds;
    QString ultimateHost = QString::fromLatin1(DefaultUltimateHost);
    // As stored; the device is given clampedTimeoutSeconds().
    double ultimateTimeoutSeconds = DefaultTimeoutSeconds;
    // The device's network password; empty when it has none.
    QString ultimatePassword;
    // An uncompressed PRG export loads behind a BASIC line, so RUN starts it.
    bool prgBasicStart = false;

    // From the application's settings store.
    static GeneralSettings read();
    // Stores every field as it is.
    void write() const;

    // The flyout times as the timers take them; never negative.
    int flyoutHoverDelayMs() const;
    int flyoutLeaveGraceMs() const;
    double clampedTimeoutSeconds() const { return clampTimeout(ultimateTimeoutSeconds); }
    int ultimateTimeoutMs() const { return secondsToMilliseconds(clampedTimeoutSeconds()); }

    // Seconds x 1000, rounded half away from zero, saturated to the int range.
    static int secondsToMilliseconds(double seconds);
    // Within MinTimeoutSeconds..MaxTimeoutSeconds; the default for a non-number.
    static double clampTimeout(double seconds);
    // An on/off value as stored (a bool, "true"/"false" or 1/0); anything
    // else, or nothing, reads as `fallback`.
    static bool toBool(const QVariant &stored, bool fallback);
    static bool readBool(const QSettings &settings, const char *key, bool fallback);

    bool operator==(const GeneralSettings &) const = default;
};
