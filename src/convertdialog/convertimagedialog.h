#pragma once

#include "conversion/imageconverter.h"
#include "document/project.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QTimer>

class ConversionPreviewWidget;
class CurvesWidget;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QHBoxLayout;

// The Convert Image dialog: curves, dither, palette, distance, colour slots
// and border alignments with a live preview. It works on its own copy of the
// document's state; the caller applies the result on OK.
class ConvertImageDialog : public QDialog
{
    Q_OBJECT

public:
    // `source` already has the canvas's on-screen size.
    ConvertImageDialog(const Project &document, const QImage &source, QWidget *parent = nullptr);

    const Colormap &resultColormap() const { return m_result; }
    const std::array<quint8, ColorSlotCount> &slotBytes() const { return m_copy.slotBytes(); }
    const LayoutSpec &alignments() const { return m_copy.layoutSpec(); }
    PaletteVariant paletteVariant() const { return m_copy.paletteVariant(); }
    // The working copy the colour widgets show and edit.
    const Project &workingCopy() const { return m_copy; }
    ConversionOptions options() const;
    CurvesWidget *curvesWidget() const { return m_curves; }

    // Places the palette strip and the slot bar, shown when the canvas has
    // colour slots; they repaint whenever the working copy's colours change.
    void setColorWidgets(QWidget *palette, QWidget *slotBar);

public slots:
    void reconvert();
    // A slot of the working copy takes a colour picked in the dialog.
    void assignSlot(ColorSlot slot, quint8 color);
    void done(int result) override;

private:
    // Converts at once unless a conversion ran within the last 33 ms; then
    // the throttle converts when it runs out.
    void requestConversion();
    void throttleElapsed();
    void changePalette();
    void changeAlignment(int border, int side);
    void colorsChanged();
    QWidget *alignmentRow();
    // Shows a result; `final` when it is the conversion the choices ask for
    // and not the quick stand-in of a refinement still running.
    void showResult(const ConversionResult &result, bool final);
    void startRefining();
    void refiningFinished();

    RgbPicture m_source;
    Project m_copy;
    Colormap m_result;
    ConversionPreviewWidget *m_preview = nullptr;
    CurvesWidget *m_curves = nullptr;
    QComboBox *m_channel = nullptr;
    QComboBox *m_dither = nullptr;
    QComboBox *m_palette = nullptr;
    QComboBox *m_distance = nullptr;
    QComboBox *m_method = nullptr;
    QCheckBox *m_logarithmic = nullptr;
    QHBoxLayout *m_colorRow = nullptr;
    QList<QWidget *> m_colorWidgets;
    QTimer m_throttle;
    bool m_pending = false;
    // The Refined dither runs on a worker; each conversion request counts
    // one generation, and only the newest generation's refinement is shown.
    QFutureWatcher<ConversionResult> m_refiner;
    quint64 m_generation = 0;
    quint64 m_refiningGeneration = 0;
    bool m_refineAgain = false;
    bool m_resultFinal = false;
    // Multicolor: the converter picks the background until the artist assigns one.
    bool m_chooseBackground = false;
};
