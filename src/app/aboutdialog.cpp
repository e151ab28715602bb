#include "aboutdialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

// Resources of a static library must be registered by hand, outside any namespace.
static void initAboutResources()
{
    Q_INIT_RESOURCE(korven);
}

namespace
{

QLabel *centred(const QString &text, QWidget *parent, const char *name = nullptr,
                double pointScale = 1.0)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter);
    if (name)
        label->setObjectName(QLatin1String(name));
    if (pointScale != 1.0) {
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * pointScale);
        label->setFont(font);
    }
    return label;
}

} // namespace

QPixmap AboutDialog::logo(QDate today)
{
    initAboutResources();
    QPixmap picture(QStringLiteral(":/about/logo.png"));
    if (today.month() == 12 && !picture.isNull()) {
        const QPixmap hat(QStringLiteral(":/about/santa-hat.png"));
        QPainter painter(&picture);
        painter.drawPixmap(picture.width() - hat.width(), 0, hat);
    }
    return picture;
}

QString AboutDialog::versionHtml(const QString &version)
{
    const qsizetype dash = version.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return tr("KORVEN %1").arg(version.toHtmlEscaped());
    return tr("KORVEN %1")
        .arg(version.left(dash).toHtmlEscaped() +
             QStringLiteral("<span style=\"color:#F6811A\">%1</span>")
                 .arg(version.mid(dash).toHtmlEscaped()));
}

QString AboutDialog::buildInfo()
{
    const QString date = QString::fromLatin1(__DATE__).simplified();
#if defined(__clang__)
    const QString compiler = QStringLiteral("clang");
    const QString compilerVersion = QStringLiteral("%1.%2.%3")
                                        .arg(__clang_major__)
                                        .arg(__clang_minor__)
                                        .arg(__clang_patchlevel__);
#elif defined(__GNUC__)
    const QString compiler = QStringLiteral("gcc");
    const QString compilerVersion =
        QStringLiteral("%1.%2.%3").arg(__GNUC__).arg(__GNUC_MINOR__).arg(__GNUC_PATCHLEVEL__);
#else
    const QString compiler = QStringLiteral("unknown");
    const QString compilerVersion = QStringLiteral("0.0.0");
#endif
    const QString runtime = QString::fromLatin1(qVersion());
    const QString built = QStringLiteral(QT_VERSION_STR);
    const QString qt = runtime == built
                           ? tr("Qt runtime in use: %1").arg(runtime)
                           : tr("Qt runtime in use: %1 (built against %2)").arg(runtime, built);
    return tr("Compiled on: %1").arg(date) + QLatin1Char('\n') +
           tr("Compiled with %1 version: %2").arg(compiler, compilerVersion) + QLatin1Char('\n') +
           qt;
}

AboutDialog::AboutDialog(QWidget *parent, QDate today) : QDialog(parent)
{
    setWindowTitle(tr("About KORVEN"));
    auto *column = new QVBoxLayout(this);
    column->setSpacing(4);
    column->setContentsMargins(22, 22, 22, 22);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("aboutLogo"));
    picture->setPixmap(logo(today));
    picture->setAlignment(Qt::AlignHCenter);
    column->addWidget(picture);
    column->addSpacing(22);

    QLabel *version =
        centred(versionHtml(QCoreApplication::applicationVersion()), this, "aboutVersion", 1.9);
    version->setTextFormat(Qt::RichText);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    column->addWidget(version);
    column->addWidget(centred(tr("The pixel art editor for creating extended Commodore 64 images"),
                              this, "aboutTagline"));
    column->addSpacing(22);

    auto *avatars = new QHBoxLayout;
    avatars->setSpacing(22);
    avatars->addStretch();
    for (const char *name : {":/about/avatar-design.png", ":/about/avatar-code.png"}) {
        auto *avatar = new QLabel(this);
        avatar->setPixmap(QPixmap(QLatin1String(name)));
        avatars->addWidget(avatar);
    }
    avatars->addStretch();
    column->addLayout(avatars);
    column->addWidget(centred(tr("Pixel design by Ilka Varga (\"ilkatrix\")"), this));
    column->addWidget(centred(tr("Code by Tomas Lind (\"tlind\")"), this));
    column->addSpacing(22);

    column->addWidget(centred(buildInfo(), this, "aboutBuildInfo"));
    column->addSpacing(22);

    column->addWidget(
        centred(tr("Copyright 2024-2026 korvensoft. All rights reserved."), this, nullptr, 0.92));
    const QString address = QStringLiteral("https://korvensoft.net/");
    QLabel *website = centred(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()),
                              this, "aboutWebsite", 0.92);
    website->setTextFormat(Qt::RichText);
    website->setOpenExternalLinks(true);
    column->addWidget(website);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
