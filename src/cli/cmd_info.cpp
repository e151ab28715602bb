#include "clicommand.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

// One JSON object describing the project: its state and its history's size.
int runInfo(const QStringList &args);

const CliCommand command{QStringLiteral("info"), QStringLiteral("info FILE.kvn"), runInfo};
const CliRegistration registration(command);

int runInfo(const QStringList &args)
{
    if (args.size() != 1)
        return cliUsageError(command);
    Project project;
    if (!cliLoadProject(args.at(0), project))
        return 1;
    // The version and the record count are the file's own, not the loaded document's.
    ProjectPreviewInfo preview;
    QString error;
    if (!readProjectPreview(args.at(0), preview, error)) {
        cliErr(error);
        return 1;
    }
    const History &history = project.history();
    QJsonArray slotValues;
    for (quint8 slot : project.slotBytes())
        slotValues.append(int(slot));

    // Keys in a fixed order, as scripts reading the line by eye expect.
    const QList<std::pair<QString, QJsonValue>> fields = {
        {"version", preview.version},
        {"mode", project.mode() == CanvasMode::Multicolor ? "multicolor" : "hires"},
        {"layout", int(project.layout())},
        {"screens", project.screensAcross()},
        {"width", project.width()},
        {"height", project.height()},
        {"slots", slotValues},
        {"topAlignment", int(project.layoutSpec().topAlignment)},
        {"bottomAlignment", int(project.layoutSpec().bottomAlignment)},
        {"spriteCountPolicy", int(project.spriteCountPolicy())},
        {"hiresClashResolution", int(project.hiresClashResolution())},
        {"nodes", history.nodeCount()},
        {"position", history.position()},
        {"records", preview.recordCount},
        {"workstages", history.workstageCount()},
    };
    QStringList parts;
    for (const auto &[key, value] : fields) {
        const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        parts.append(
            QStringLiteral("\"%1\":%2").arg(key, QString::fromUtf8(json.mid(1, json.size() - 2))));
    }
    cliOut(QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}'));
    return 0;
}

} // namespace
