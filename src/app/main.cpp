#include "crashrecovery.h"
#include "darkappearance.h"
#include "mainwindow.h"
#include "startup.h"

#include "document/pluraltranslator.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Set once the application exists: its construction sets the default.
    Startup::keepEveryPointerPosition();
    Startup::setApplicationIdentity();
    PluralTranslator::install();
    QApplication::setWindowIcon(Startup::applicationIcon());
    QApplication::setAttribute(Qt::AA_DontShowIconsInMenus);
    DarkAppearance::apply(app);

    MainWindow window;
    window.show();
    // Work a crashed run left behind is offered before anything else opens.
    QTimer::singleShot(0, &window, [&window] { window.crashRecovery()->offerRestore(); });

    const QString project = Startup::projectArgument(QApplication::arguments());
    if (!project.isEmpty())
        window.openProjectLater(project);

    return app.exec();
}
