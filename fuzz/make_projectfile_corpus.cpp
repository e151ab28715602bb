// Writes a few small, valid project files as fuzzing seeds:
//   make_projectfile_corpus OUTPUT_DIR

#include "document/project.h"
#include "history/projectfile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cstdio>

namespace
{

void stroke(Project &project, const QRect &rect, quint8 color, HistoryEntryKind kind)
{
    const Colormap before = project.colormap().copy(rect);
    project.colormap().fillRect(rect, color);
    HistoryNode node;
    node.kind = kind;
    node.hasConnectPoint = kind == HistoryEntryKind::Stroke;
    node.connectPoint = rect.bottomRight();
    recordRegionChange(project, node, rect, before);
    project.history().push(node);
}

void assignSlot(Project &project, ColorSlot slot, quint8 color)
{
    HistoryNode node;
    node.kind = HistoryEntryKind::AssignSlot;
    node.changes.append(HistoryChange::colorIndex(quint8(slot), project.slot(slot), color));
    project.setSlot(slot, color);
    project.history().push(node);
}

bool save(const Project &project, const QString &path)
{
    const ProjectFileResult result = saveProjectFile(project, path);
    if (!result.ok)
        std::fprintf(stderr, "%s\n", qPrintable(result.errorMessage));
    return result.ok;
}

// A version-10 file: no policy, no alignments, four slots, raw canvas.
QByteArray version10File()
{
    QByteArray payload;
    payload.append(char(1)).append(char(1)); // multicolor, side sprites
    payload.append(char(1)).append(char(0)); // one screen
    payload.append(char(0));                 // clash resolution
    payload.append(char(4));                 // slot count
    payload.append(char(6)).append(char(14)).append(char(2)).append(char(7));
    const auto i32 = [&payload](qint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        payload.append(b, 4);
    };
    i32(4);
    i32(2);
    i32(1);
    i32(0);
    payload.append(char(0));
    i32(8);
    payload.append("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    QByteArray file("\xFEkvprj", 6);
    file.append(char(0)).append(char(10));
    char header[6];
    qToLittleEndian(qint32(payload.size() + 2), header);
    qToLittleEndian(qint16(1), header + 4);
    return file + QByteArray(header, 6) + payload;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_projectfile_corpus OUTPUT_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));

    Project tiny(CanvasMode::Hires, 1, 1);
    bool ok = save(tiny, dir.filePath(QStringLiteral("seed_single_pixel.kvn")));

    Project hires(CanvasMode::Hires, 64, 32);
    stroke(hires, QRect(2, 3, 5, 4), 1, HistoryEntryKind::Stroke);
    stroke(hires, QRect(10, 10, 20, 8), 2, HistoryEntryKind::Fill);
    stroke(hires, QRect(0, 0, 64, 32), 0, HistoryEntryKind::ClearScreen);
    stroke(hires, QRect(30, 5, 3, 3), 7, HistoryEntryKind::Stroke);
    hires.history().undo(hires); // keep a redo tail
    ok = save(hires, dir.filePath(QStringLiteral("seed_hires_history.kvn"))) && ok;

    LayoutSpec layout{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                      BorderAlignment::Left};
    Project multi(CanvasMode::Multicolor, 48, 40, layout);
    multi.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    multi.setHiresClashResolution(HiresClashResolution::PreserveMostUsed);
    assignSlot(multi, ColorSlot::TopBackground, 11);
    HistoryNode align;
    align.kind = HistoryEntryKind::SetBorderAlignment;
    align.changes.append(HistoryChange::borderAlignment(1, 0, 1));
    multi.layoutSpec().bottomAlignment = BorderAlignment::Right;
    multi.history().push(align);
    stroke(multi, QRect(0, 0, 48, 40), 5, HistoryEntryKind::ConvertImage);
    stroke(multi, QRect(4, 4, 2, 30), 9, HistoryEntryKind::Stroke);
    const QString multiPath = dir.filePath(QStringLiteral("seed_multicolor_topbottom.kvn"));
    ok = save(multi, multiPath) && ok;

    // Saved again after loading: its crops go back out still deflated.
    Project reloaded;
    ok = loadProjectFile(multiPath, reloaded).ok && ok;
    ok = save(reloaded, dir.filePath(QStringLiteral("seed_resaved.kvn"))) && ok;

    QFile v10(dir.filePath(QStringLiteral("seed_version10.kvn")));
    ok = v10.open(QIODevice::WriteOnly) && v10.write(version10File()) > 0 && ok;
    return ok ? 0 : 1;
}
