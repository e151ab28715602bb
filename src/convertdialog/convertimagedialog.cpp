#include "convertimagedialog.h"

#include "conversionpreviewwidget.h"
#include "curveswidget.h"

#include "rules/wholecanvasedits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

namespace
{

constexpr int ThrottleMs = 33;
const char GeometryKey[] = "convertImageDialog/geometry";
const char DitherKey[] = "convertImageDialog/dither";

QComboBox *comboOf(const QList<QPair<QString, int>> &entries, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    for (const auto &[text, value] : entries)
        combo->addItem(text, value);
    return combo;
}

QWidget *labelled(const QString &text, QWidget *field)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(text, row));
    layout->addWidget(field, 1);
    return row;
}

} // namespace

ConvertImageDialog::ConvertImageDialog(const Project &document, const QImage &source,
                                       QWidget *parent)
    : QDialog(parent), m_source(RgbPicture::fromImage(source)),
      m_copy(document.mode(), document.width(), document.height(), document.layoutSpec(),
             document.screensAcross())
{
    setWindowTitle(tr("Image Converter for KORVEN"));
    for (int s = 0; s < ColorSlotCount; ++s)
        m_copy.setSlot(ColorSlot(s), document.slot(ColorSlot(s)));
    m_copy.setPaletteVariant(document.paletteVariant());
    m_chooseBackground = m_copy.mode() == CanvasMode::Multicolor;

    m_channel = comboOf({{tr("RGB"), 0}, {tr("R"), 1}, {tr("G"), 2}, {tr("B"), 3}}, this);
    m_dither = comboOf({{tr("None"), 0},
                        {tr("Error Diffusion"), 1},
                        {tr("Ordered"), 2},
                        {tr("Floyd-Steinberg"), 3},
                        {tr("Atkinson"), 4},
                        {tr("Sierra Lite"), 5},
                        {tr("Bayer 2x2"), 6},
                        {tr("Bayer 4x4"), 7},
                        {tr("Bayer 8x8"), 8},
                        {tr("Refined (slower)"), 9}},
                       this);
    m_dither->setCurrentIndex(
        std::max(0, m_dither->findData(QSettings().value(DitherKey, 0).toInt())));
    m_palette = new QComboBox(this);
    for (PaletteVariant variant : paletteVariants())
        m_palette->addItem(paletteVariantName(variant), variant);
    m_palette->setCurrentIndex(std::max(0, m_palette->findData(document.paletteVariant())));
    m_distance = comboOf({{tr("Euclidean"), 0}, {tr("Weighted"), 1}, {tr("Perceptual"), 2}}, this);
    m_distance->setCurrentIndex(2);
    m_distance->setToolTip(
        tr("How near two colors are: Euclidean and Weighted measure in RGB, Perceptual as the "
           "eye sees them (CIELAB)."));
    m_method = comboOf({{tr("Best Colors per Cell"), int(ConversionMethod::CellColorsFirst)},
                        {tr("Most Used per Cell"), int(ConversionMethod::MostUsed)}},
                       this);
    m_method->setToolTip(
        tr("Best Colors per Cell picks each cell's and sprite's colors to fit the picture, then "
           "dithers within them.\nMost Used per Cell dithers against all 16 colors, then each "
           "cell keeps its most-used ones."));
    m_channel->setObjectName(QStringLiteral("channelCombo"));
    m_dither->setObjectName(QStringLiteral("ditherCombo"));
    m_palette->setObjectName(QStringLiteral("paletteCombo"));
    m_distance->setObjectName(QStringLiteral("distanceCombo"));
    m_method->setObjectName(QStringLiteral("methodCombo"));
    m_logarithmic = new QCheckBox(tr("Logarithmic Scale Histogram"), this);
    m_logarithmic->setChecked(true);
    auto *reset = new QPushButton(tr("Reset Curves"), this);
    m_curves = new CurvesWidget(this);
    m_curves->setHistogram(ImageHistogram(source));
    m_preview = new ConversionPreviewWidget(m_copy, this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(labelled(tr("Channels:"), m_channel), 0, 0);
    grid->addWidget(new QLabel(tr("Converted Image"), this), 0, 1);
    grid->addWidget(m_curves, 1, 0);
    grid->addWidget(m_preview, 1, 1, 3, 1);
    grid->addWidget(m_logarithmic, 2, 0);
    grid->addWidget(reset, 3, 0);
    grid->addWidget(labelled(tr("Dither:"), m_dither), 4, 0);
    grid->addWidget(labelled(tr("Palette:"), m_palette), 4, 1);
    grid->addWidget(labelled(tr("Color Distance:"), m_distance), 5, 0);
    grid->addWidget(labelled(tr("Method:"), m_method), 5, 1);
    if (m_copy.layout() == CanvasLayout::TopBottomBorderSprites)
        grid->addWidget(alignmentRow(), 6, 0, 1, 2);
    m_colorRow = new QHBoxLayout;
    grid->addLayout(m_colorRow, 7, 0, 1, 2);
    grid->addWidget(buttons, 8, 0, 1, 2);

    connect(m_channel, &QComboBox::currentIndexChanged, m_curves, &CurvesWidget::setChannel);
    connect(m_logarithmic, &QCheckBox::toggled, m_curves, &CurvesWidget::setLogarithmicScale);
    connect(reset, &QPushButton::clicked, m_curves, &CurvesWidget::resetCurves);
    connect(m_curves, &CurvesWidget::curvesChanged, this, &ConvertImageDialog::requestConversion);
    connect(m_dither, &QComboBox::currentIndexChanged, this,
            &ConvertImageDialog::requestConversion);
    connect(m_distance, &QComboBox::currentIndexChanged, this,
            &ConvertImageDialog::requestConversion);
    connect(m_method, &QComboBox::currentIndexChanged, this,
            &ConvertImageDialog::requestConversion);
    connect(m_palette, &QComboBox::currentIndexChanged, this, &ConvertImageDialog::changePalette);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_throttle.setSingleShot(true);
    m_throttle.setInterval(ThrottleMs);
    connect(&m_throttle, &QTimer::timeout, this, &ConvertImageDialog::throttleElapsed);
    connect(&m_refiner, &QFutureWatcher<ConversionResult>::finished, this,
            &ConvertImageDialog::refiningFinished);

    restoreGeometry(QSettings().value(GeometryKey).toByteArray());
    reconvert();
}

QWidget *ConvertImageDialog::alignmentRow()
{
    const QString tip =
        tr("Which bitmap edge each border's sprite grid hugs; the truncated 14th sprite sits at "
           "the opposite end.\nIt moves the sprite boundaries the conversion picks colors "
           "within, so the preview follows it.\nThe choice is applied to the canvas on OK.");
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Sprite alignment"), row));
    const BorderAlignment current[2] = {m_copy.layoutSpec().topAlignment,
                                        m_copy.layoutSpec().bottomAlignment};
    const QString names[2] = {tr("Top:"), tr("Bottom:")};
    for (int border = 0; border < 2; ++border) {
        layout->addWidget(new QLabel(names[border], row));
        auto *group = new QButtonGroup(row);
        for (int side = 0; side < 2; ++side) {
            auto *button = new QRadioButton(side == 0 ? tr("Left") : tr("Right"), row);
            button->setObjectName(
                QStringLiteral("%1%2").arg(border ? "bottom" : "top", side ? "Right" : "Left"));
            button->setToolTip(tip);
            button->setChecked(int(current[border]) == side);
            group->addButton(button, side);
            layout->addWidget(button);
        }
        connect(group, &QButtonGroup::idClicked, this,
                [this, border](int side) { changeAlignment(border, side); });
    }
    return row;
}

ConversionOptions ConvertImageDialog::options() const
{
    ConversionOptions options;
    options.mode = m_copy.mode();
    options.layout = m_copy.layoutSpec();
    options.dither = DitherKind(m_dither->currentData().toInt());
    options.distance = ColorMetric(m_distance->currentData().toInt());
    options.slotBytes = m_copy.slotBytes();
    options.paletteVariant = m_copy.paletteVariant();
    options.method = ConversionMethod(m_method->currentData().toInt());
    options.chooseBackground = m_chooseBackground;
    return options;
}

void ConvertImageDialog::setColorWidgets(QWidget *palette, QWidget *slotBar)
{
    const bool shown = !m_copy.visibleSlots().isEmpty();
    for (QWidget *widget : {palette, slotBar}) {
        m_colorRow->addWidget(widget, widget == palette ? 1 : 0);
        widget->setVisible(shown);
        m_colorWidgets << widget;
    }
}

void ConvertImageDialog::reconvert()
{
    ++m_generation;
    const ConversionOptions chosen = options();
    if (chosen.dither != DitherKind::Refined) {
        showResult(convertImage(m_source, m_copy.size(), m_curves->curves(), chosen), true);
        return;
    }
    // The refinement takes several frames: Floyd-Steinberg within the same
    // cell colours shows at once, and the refined picture replaces it when
    // ready, so curves and colours stay live under the hand.
    ConversionOptions quick = chosen;
    quick.dither = DitherKind::FloydSteinberg;
    showResult(convertImage(m_source, m_copy.size(), m_curves->curves(), quick), false);
    startRefining();
}

void ConvertImageDialog::showResult(const ConversionResult &result, bool final)
{
    m_result = result.colormap;
    m_resultFinal = final;
    // A background the converter chose shows in the slot bar and goes with the result.
    const quint8 background = result.slotBytes[size_t(ColorSlot::Background)];
    if (background != m_copy.slot(ColorSlot::Background)) {
        m_copy.setSlot(ColorSlot::Background, background);
        for (QWidget *widget : std::as_const(m_colorWidgets))
            widget->update();
    }
    m_preview->setResult(m_result);
}

void ConvertImageDialog::startRefining()
{
    if (m_refiner.isRunning()) {
        m_refineAgain = true;
        return;
    }
    m_refineAgain = false;
    m_refiningGeneration = m_generation;
    m_refiner.setFuture(QtConcurrent::run(
        [picture = m_source, size = m_copy.size(), curves = m_curves->curves(),
         chosen = options()] { return convertImage(picture, size, curves, chosen); }));
}

void ConvertImageDialog::refiningFinished()
{
    if (m_refiningGeneration == m_generation && !m_resultFinal)
        showResult(m_refiner.result(), true);
    else if (m_refineAgain && options().dither == DitherKind::Refined)
        startRefining();
}

void ConvertImageDialog::requestConversion()
{
    if (m_throttle.isActive()) {
        m_pending = true;
        return;
    }
    reconvert();
    m_throttle.start();
}

void ConvertImageDialog::throttleElapsed()
{
    if (!m_pending)
        return;
    m_pending = false;
    reconvert();
    m_throttle.start();
}

void ConvertImageDialog::assignSlot(ColorSlot slot, quint8 color)
{
    m_copy.setSlot(slot, quint8(color & 15));
    // The artist's own background holds from now on.
    if (slot == ColorSlot::Background)
        m_chooseBackground = false;
    colorsChanged();
}

void ConvertImageDialog::changePalette()
{
    m_copy.setPaletteVariant(PaletteVariant(m_palette->currentData().toInt()));
    colorsChanged();
}

void ConvertImageDialog::colorsChanged()
{
    for (QWidget *widget : std::as_const(m_colorWidgets))
        widget->update();
    requestConversion();
}

void ConvertImageDialog::changeAlignment(int border, int side)
{
    setBorderAlignment(m_copy, border, BorderAlignment(side), false);
    requestConversion();
}

void ConvertImageDialog::done(int result)
{
    // The applied result follows the last change, even one the throttle held back.
    if (result == Accepted && m_pending) {
        m_pending = false;
        m_throttle.stop();
        reconvert();
    }
    // OK applies the refined picture, not its stand-in.
    if (result == Accepted && !m_resultFinal) {
        m_refiner.waitForFinished();
        showResult(convertImage(m_source, m_copy.size(), m_curves->curves(), options()), true);
    }
    QSettings settings;
    settings.setValue(GeometryKey, saveGeometry());
    settings.setValue(DitherKey, m_dither->currentData().toInt());
    QDialog::done(result);
}
