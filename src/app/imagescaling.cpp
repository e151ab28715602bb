#include "imagescaling.h"

#include "generalsettings.h"

#include "conversion/imageconverter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ImageScaling
{

Answer askScaling(QWidget *parent, const QString &fileName, QSize imageSize, QSize canvasSize,
                  const QString &marginWord)
{
    QMessageBox box(QMessageBox::Question, QCoreApplication::translate("ImageScaling", "KORVEN"),
                    QCoreApplication::translate(
                        "ImageScaling",
                        "%1 is %2 x %3 pixels; the canvas displays at %4 x %5 pixels.\n\n"
                        "Stretch the image to fill the canvas, or scale it keeping its "
                        "aspect ratio, centered with the leftover area %6?")
                        .arg(fileName)
                        .arg(imageSize.width())
                        .arg(imageSize.height())
                        .arg(canvasSize.width())
                        .arg(canvasSize.height())
                        .arg(marginWord),
                    QMessageBox::NoButton, parent);
    QPushButton *stretch = box.addButton(
        QCoreApplication::translate("ImageScaling", "Stretch to Fit"), QMessageBox::AcceptRole);
    QPushButton *keep = box.addButton(
        QCoreApplication::translate("ImageScaling", "Keep Aspect Ratio"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(keep);
    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    return {clicked == stretch || clicked == keep, clicked != stretch};
}

QImage scaleToCanvas(const QImage &image, QSize target, bool keepAspect, const QColor &margin,
                     bool smooth)
{
    return fitToCanvas(image, target, keepAspect, margin.rgba(), smooth);
}

bool smoothScalingEnabled()
{
    return GeneralSettings::read().smoothImageScaling;
}

} // namespace ImageScaling
