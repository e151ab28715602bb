#include "clicommand.h"

#include "document/project.h"
#include "exchange/pictureexport.h"

#include <QFileInfo>
#include <QImageWriter>

namespace
{

// Writes the canvas as a modern picture, as File -> Export to Image does;
// the format follows the file name's suffix.
int runExportImage(const QStringList &args);

const CliCommand command{QStringLiteral("export-image"),
                         QStringLiteral("export-image IN.kvn OUT.png [--borders]"), runExportImage};
const CliRegistration registration(command);

int runExportImage(const QStringList &args)
{
    QStringList files;
    const std::optional<bool> flag = cliTwoFilesAndFlag(args, QStringLiteral("--borders"), files);
    if (!flag)
        return cliUsageError(command);
    const bool borders = *flag;
    Project project;
    if (!cliLoadProject(files.at(0), project))
        return 1;
    QImageWriter writer(files.at(1));
    if (!writer.write(PictureExport::exportImage(project, borders))) {
        cliErr(QStringLiteral("Could not export %1 as %2.")
                   .arg(files.at(1), QFileInfo(files.at(1)).suffix().toUpper()));
        return 1;
    }
    return 0;
}

} // namespace
