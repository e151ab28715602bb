#include "clicommand.h"

#include "document/project.h"
#include "rules/wholecanvasedits.h"

// The whole-canvas edits of the editor's Edit and Options menus, each
// recorded as one edit in the saved history, so a build pipeline can script
// a recolouring exactly as an artist would make it.

namespace
{

std::optional<quint8> colorArg(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 && value < 16 ? std::optional<quint8>(quint8(value)) : std::nullopt;
}

std::optional<ColorSlot> slotArg(const QString &text)
{
    static const QStringList names{"background",     "border", "sprite0", "sprite1",
                                   "top-background", "top0",   "top1",    "bottom-background",
                                   "bottom0",        "bottom1"};
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok)
        value = int(names.indexOf(text.toLower()));
    return value >= 0 && value < ColorSlotCount ? std::optional<ColorSlot>(ColorSlot(value))
                                                : std::nullopt;
}

using Edit = std::function<std::optional<QRect>(Project &, const QStringList &)>;

struct EditCommand {
    CliCommand command;
    CliRegistration registration;

    EditCommand(const char *name, const char *usage, int extraArgs, Edit edit)
        : command{QLatin1String(name), QLatin1String(usage), {}}, registration([&] {
              command.run = [this, extraArgs, edit](const QStringList &args) {
                  return cliRunEdit(command, args, extraArgs, edit);
              };
              return command;
          }())
    {
    }
};

std::optional<QRect> swapOrReplace(Project &project, const QStringList &args, bool swap)
{
    const std::optional<quint8> a = colorArg(args[0]), b = colorArg(args[1]);
    if (!a || !b)
        return std::nullopt;
    return swapOrReplaceColors(project, swap, *a, *b);
}

const EditCommand
    assignSlot("assign-slot",
               "assign-slot IN.kvn OUT.kvn SLOT COLOUR   (SLOT 0-9 or background, border, sprite0, "
               "sprite1, top-background, top0, top1, bottom-background, bottom0, bottom1)",
               2, [](Project &project, const QStringList &args) -> std::optional<QRect> {
                   const std::optional<ColorSlot> slot = slotArg(args[0]);
                   const std::optional<quint8> color = colorArg(args[1]);
                   if (!slot || !color)
                       return std::nullopt;
                   return assignColorSlot(project, *slot, *color);
               });

const EditCommand swapColors("swap-colors", "swap-colors IN.kvn OUT.kvn A B", 2,
                             [](Project &project, const QStringList &args) {
                                 return swapOrReplace(project, args, true);
                             });

const EditCommand replaceColors("replace-colors",
                                "replace-colors IN.kvn OUT.kvn A B   (B becomes A)", 2,
                                [](Project &project, const QStringList &args) {
                                    return swapOrReplace(project, args, false);
                                });

const EditCommand
    flip("flip", "flip IN.kvn OUT.kvn horizontal|vertical", 1,
         [](Project &project, const QStringList &args) -> std::optional<QRect> {
             if (args[0] != QLatin1String("horizontal") && args[0] != QLatin1String("vertical"))
                 return std::nullopt;
             return flipCanvas(project, args[0] == QLatin1String("horizontal") ? Qt::Horizontal
                                                                               : Qt::Vertical);
         });

// Without a pen to take it from, the blank colour is the background slot.
const EditCommand clear("clear", "clear IN.kvn OUT.kvn   (fills with the background colour)", 0,
                        [](Project &project, const QStringList &) -> std::optional<QRect> {
                            return clearScreen(project, project.slot(ColorSlot::Background));
                        });

const EditCommand align("align", "align IN.kvn OUT.kvn top|bottom left|right", 2,
                        [](Project &project, const QStringList &args) -> std::optional<QRect> {
                            const int border = QStringList{"top", "bottom"}.indexOf(args[0]);
                            const int side = QStringList{"left", "right"}.indexOf(args[1]);
                            if (border < 0 || side < 0)
                                return std::nullopt;
                            return setBorderAlignment(project, border, BorderAlignment(side), true);
                        });

} // namespace
