#include "projectfile.h"

#include "document/pixeldeflater.h"
#include "document/project.h"
#include "document/quietinflate.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>

namespace
{

constexpr char Signature[7] = {char(0xFE), 'k', 'v', 'p', 'r', 'j', 0};
constexpr int WrittenVersion = 11;
constexpr int OldestVersion = 10;
constexpr qint64 MaxRecordSize = 0x10000000;
constexpr quint32 MaxBlobBytes = 0x10000000;
constexpr int MaxCanvasSide = 4096;

enum RecordKind : qint16 {
    ProjectStateRecord = 1,
    HistoryNodeRecord = 2,
    RegionChangeRecord = 3,
    ColorIndexChangeRecord = 4,
    BorderAlignmentChangeRecord = 5
};

enum BlobEncoding : quint8 { RawBlob = 0, CompressedBlob = 1 };

QString tr(const char *text)
{
    return QCoreApplication::translate("ProjectFile", text);
}

// ---------------------------------------------------------------- writing

// Appends records to one output buffer; a record's size field is patched
// once its payload is complete.
class RecordWriter
{
public:
    QByteArray &buffer() { return m_out; }

    void begin(qint16 kind)
    {
        m_recordStart = m_out.size();
        m_out.append(6, '\0');
        qToLittleEndian(kind, m_out.data() + m_recordStart + 4);
    }
    void end()
    {
        qToLittleEndian(qint32(m_out.size() - m_recordStart - 4), m_out.data() + m_recordStart);
    }

    void u8(quint8 v) { m_out.append(char(v)); }
    void i16(qint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        m_out.append(b, 2);
    }
    void i32(qint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_out.append(b, 4);
    }
    void blob(BlobEncoding encoding, const QByteArray &data)
    {
        u8(encoding);
        i32(qint32(data.size()));
        m_out.append(data);
    }
    // Raw when compressing does not make the pixels smaller. The state and
    // the newest history record often hold the same pixels: they are
    // deflated once.
    void pixels(const Colormap &colormap)
    {
        const QByteArray &raw = colormap.bytes();
        if (m_lastPacked.isNull() || raw != m_lastRaw) {
            m_lastRaw = raw;
            m_lastPacked = m_deflater.deflate(raw);
        }
        const QByteArray &packed = m_lastPacked;
        if (raw.size() <= packed.size())
            blob(RawBlob, raw);
        else
            blob(CompressedBlob, packed);
    }
    // A crop still deflated from a loaded file goes back out byte for byte.
    void crop(const ColormapCrop &crop)
    {
        if (crop.isDeflated())
            blob(CompressedBlob, crop.compressed());
        else
            pixels(crop.pixels());
    }

private:
    QByteArray m_out;
    qsizetype m_recordStart = 0;
    QByteArray m_lastRaw, m_lastPacked;
    PixelDeflater m_deflater;
};

void writeState(RecordWriter &w, const Project &project, qint32 recordCount)
{
    w.begin(ProjectStateRecord);
    w.u8(quint8(project.mode()));
    w.u8(quint8(project.layout()));
    w.i16(qint16(project.screensAcross()));
    w.u8(quint8(project.hiresClashResolution()));
    w.u8(quint8(project.spriteCountPolicy()));
    w.u8(quint8(project.layoutSpec().topAlignment));
    w.u8(quint8(project.layoutSpec().bottomAlignment));
    w.u8(ColorSlotCount);
    for (quint8 slot : project.slotBytes())
        w.u8(slot);
    w.i32(project.width());
    w.i32(project.height());
    w.i32(recordCount);
    w.i32(project.history().position());
    w.pixels(project.colormap());
    w.end();
}

void writeNode(RecordWriter &w, const HistoryNode &node)
{
    w.begin(HistoryNodeRecord);
    w.u8(quint8(node.kind));
    w.u8(node.hasConnectPoint ? 1 : 0);
    w.i32(node.hasConnectPoint ? node.connectPoint.x() : 0);
    w.i32(node.hasConnectPoint ? node.connectPoint.y() : 0);
    w.i32(qint32(node.changes.size()));
    w.end();
}

void writeChange(RecordWriter &w, const HistoryChange &change)
{
    switch (change.type) {
    case HistoryChange::Type::RegionChange:
        w.begin(RegionChangeRecord);
        w.i32(change.rect.left());
        w.i32(change.rect.top());
        w.i32(change.rect.width());
        w.i32(change.rect.height());
        w.crop(change.before);
        w.crop(change.after);
        break;
    case HistoryChange::Type::ColorIndexChange:
    case HistoryChange::Type::BorderAlignmentChange:
        // Both are three bytes: slot (or border), old value, new value.
        w.begin(change.type == HistoryChange::Type::ColorIndexChange ? ColorIndexChangeRecord
                                                                     : BorderAlignmentChangeRecord);
        w.u8(change.slot);
        w.u8(change.oldIndex);
        w.u8(change.newIndex);
        break;
    }
    w.end();
}

// ---------------------------------------------------------------- reading

// Little-endian fields of one record's payload, a view into the file's
// bytes. Reading past the end sets the underrun flag and yields zeros, so a
// parser checks once per group of fields.
class PayloadReader
{
public:
    PayloadReader(const QByteArray &owner, const char *data, qint64 size)
        : m_owner(owner), m_data(data), m_size(size)
    {
    }

    bool underrun() const { return m_underrun; }
    qint64 remaining() const { return m_size - m_pos; }

    quint8 u8()
    {
        const char *p = take(1);
        return p ? quint8(*p) : 0;
    }
    qint16 i16()
    {
        const char *p = take(2);
        return p ? qFromLittleEndian<qint16>(p) : 0;
    }
    qint32 i32()
    {
        const char *p = take(4);
        return p ? qFromLittleEndian<qint32>(p) : 0;
    }
    // Where the next `count` bytes start in the file's buffer, or -1.
    qint64 offsetOf(qint64 count)
    {
        const char *p = take(count);
        return p ? p - m_owner.constData() : -1;
    }
    const QByteArray &owner() const { return m_owner; }

private:
    const char *take(qint64 count)
    {
        if (m_underrun || count > remaining()) {
            m_underrun = true;
            return nullptr;
        }
        m_pos += count;
        return m_data + m_pos - count;
    }

    const QByteArray &m_owner;
    const char *m_data;
    qint64 m_size;
    qint64 m_pos = 0;
    bool m_underrun = false;
};

struct Record {
    const QByteArray *owner = nullptr;
    qint16 kind = 0;
    const char *payload = nullptr;
    qint64 size = 0;

    PayloadReader reader() const { return PayloadReader(*owner, payload, size); }
};

// Walks the header and records of a project file held in memory. Every
// method returns false with `error` set on the first fault.
class RecordStream
{
public:
    RecordStream(const QByteArray &bytes, QString &error)
        : m_bytes(bytes), m_data(bytes.constData()), m_size(bytes.size()), m_error(error)
    {
    }

    bool fail(const QString &message)
    {
        m_error = message;
        return false;
    }

    bool readHeader(int &version)
    {
        if (m_size < 8 || memcmp(m_data, Signature, 7) != 0)
            return fail(tr("not a KORVEN project file (bad signature)"));
        version = quint8(m_data[7]);
        m_pos = 8;
        if (version < OldestVersion)
            return fail(tr("file version %1 was written by the GTK version of KORVEN and is not "
                           "supported")
                            .arg(version));
        if (version > WrittenVersion)
            return fail(tr("file version %1 is newer than this KORVEN understands (version %2)")
                            .arg(version)
                            .arg(WrittenVersion));
        return true;
    }

    bool readRecord(Record &record)
    {
        if (m_size - m_pos < 6)
            return fail(tr("unexpected end of file in a record header"));
        const qint32 size = qFromLittleEndian<qint32>(m_data + m_pos);
        if (size < 2 || size > MaxRecordSize)
            return fail(tr("record size %1 is out of range").arg(size));
        record.owner = &m_bytes;
        record.kind = qFromLittleEndian<qint16>(m_data + m_pos + 4);
        m_pos += 6;
        record.size = size - 2;
        if (m_size - m_pos < record.size)
            return fail(tr("unexpected end of file inside a record"));
        record.payload = m_data + m_pos;
        m_pos += record.size;
        return true;
    }

    bool atEnd() const { return m_pos >= m_size; }

private:
    const QByteArray &m_bytes;
    const char *m_data;
    qint64 m_size;
    qint64 m_pos = 0;
    QString &m_error;
};

// A pixel blob as read: raw pixels, or the qCompress bytes left deflated.
bool readBlob(PayloadReader &in, int width, int height, ColormapCrop &crop, QString &error)
{
    const quint8 encoding = in.u8();
    const quint32 count = quint32(in.i32());
    if (in.underrun() || count > MaxBlobBytes) {
        error = tr("malformed pixel blob header");
        return false;
    }
    if (count > in.remaining()) {
        error = tr("pixel blob declares %1 bytes, but %2 remain in the record")
                    .arg(count)
                    .arg(in.remaining());
        return false;
    }
    const qint64 offset = in.offsetOf(count);
    if (offset < 0) {
        error = tr("pixel blob is truncated");
        return false;
    }
    const qint64 expected = qint64(width) * height;
    if (encoding == RawBlob) {
        if (count != expected) {
            error = tr("raw pixel blob holds %1 bytes, expected %2").arg(count).arg(expected);
            return false;
        }
        Colormap pixels;
        pixels.setBytes(width, height, in.owner().mid(offset, count));
        crop = ColormapCrop::fromColormap(pixels);
        return true;
    }
    if (encoding == CompressedBlob) {
        const char *data = in.owner().constData() + offset;
        const quint32 prefix = count > 4 ? qFromBigEndian<quint32>(data) : 0;
        if (count <= 4 || prefix != expected) {
            error = tr("compressed pixel blob declares %1 bytes, expected %2")
                        .arg(prefix)
                        .arg(expected);
            return false;
        }
        crop = ColormapCrop::fromCompressedSlice(in.owner(), offset, count, width, height);
        return true;
    }
    error = tr("unknown pixel blob encoding %1").arg(encoding);
    return false;
}

struct StateRecord {
    ProjectPreviewInfo info;
    ColormapCrop pixels;
};

bool parseState(const Record &record, int version, StateRecord &state, QString &error)
{
    const auto malformed = [&] {
        error = tr("malformed project state record");
        return false;
    };
    if (record.kind != ProjectStateRecord) {
        error = tr("the first record is not the project state");
        return false;
    }
    PayloadReader in = record.reader();
    const quint8 mode = in.u8();
    const quint8 layout = in.u8();
    const qint16 screens = in.i16();
    const quint8 clashResolution = in.u8();
    // Version 10 knew neither the sprite budget policy nor border alignments.
    quint8 policy = quint8(SpriteCountPolicy::Flag);
    quint8 top = 0;
    quint8 bottom = 0;
    if (version >= 11) {
        policy = in.u8();
        top = in.u8();
        bottom = in.u8();
    }
    const int storedSlots = in.u8();
    const int minimumSlots = version >= 11 ? ColorSlotCount : 4;
    if (in.underrun() || storedSlots < minimumSlots)
        return malformed();
    std::array<quint8, ColorSlotCount> slotValues = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
    // Version 10 stored only the first four slots; any extra bytes are skipped.
    const int usedSlots = version >= 11 ? ColorSlotCount : 4;
    for (int i = 0; i < storedSlots; ++i) {
        const quint8 value = in.u8();
        if (i < usedSlots)
            slotValues[size_t(i)] = value;
    }
    const qint32 width = in.i32();
    const qint32 height = in.i32();
    const qint32 recordCount = in.i32();
    const qint32 position = in.i32();
    if (in.underrun())
        return malformed();

    if (mode > 1) {
        error = tr("unknown canvas mode %1").arg(mode);
        return false;
    }
    if (layout > (version >= 11 ? 2 : 1)) {
        error = tr("unknown canvas layout %1").arg(layout);
        return false;
    }
    if (screens < 1 || screens > 8) {
        error = tr("screens-across %1 is out of range").arg(screens);
        return false;
    }
    if (clashResolution > 2) {
        error = tr("unknown clash resolution %1").arg(clashResolution);
        return false;
    }
    if (policy > 1) {
        error = tr("unknown sprite count policy %1").arg(policy);
        return false;
    }
    if (top > 1 || bottom > 1) {
        error = tr("malformed border alignment");
        return false;
    }
    for (quint8 value : slotValues) {
        if (value > 15) {
            error = tr("color index %1 is out of range").arg(value);
            return false;
        }
    }
    if (width < 1 || width > MaxCanvasSide || height < 1 || height > MaxCanvasSide) {
        error = tr("canvas size %1 x %2 is out of range").arg(width).arg(height);
        return false;
    }
    if (recordCount == 0) {
        error = tr("record count is zero");
        return false;
    }
    if (!readBlob(in, width, height, state.pixels, error))
        return false;
    if (in.underrun())
        return malformed();

    ProjectPreviewInfo &info = state.info;
    info.version = version;
    info.mode = CanvasMode(mode);
    info.layout.layout = CanvasLayout(layout);
    info.layout.topAlignment = BorderAlignment(top);
    info.layout.bottomAlignment = BorderAlignment(bottom);
    info.screensAcross = screens;
    info.hiresClashResolution = HiresClashResolution(clashResolution);
    info.spriteCountPolicy = SpriteCountPolicy(policy);
    info.slotValues = slotValues;
    info.recordCount = recordCount;
    info.position = position;
    return true;
}

bool inflateCanvas(StateRecord &state, QString &error)
{
    ColormapCrop &crop = state.pixels;
    if (crop.isDeflated()) {
        const QByteArray bytes =
            quietUncompress(crop.compressed(), qsizetype(crop.width()) * crop.height());
        if (!state.info.colormap.setBytes(crop.width(), crop.height(), bytes)) {
            error = tr("the canvas pixel data is corrupt");
            return false;
        }
        return true;
    }
    state.info.colormap = crop.pixels();
    return true;
}

bool readNode(const Record &record, HistoryNode &node, qint32 &expected, QString &error)
{
    PayloadReader in = record.reader();
    const quint8 kind = in.u8();
    const quint8 flag = in.u8();
    const qint32 x = in.i32();
    const qint32 y = in.i32();
    expected = in.i32();
    if (in.underrun()) {
        error = tr("malformed history node record");
        return false;
    }
    if (kind >= HistoryEntryKindCount) {
        error = tr("unknown history entry kind %1").arg(kind);
        return false;
    }
    if (flag > 1) {
        error = tr("malformed history node record");
        return false;
    }
    node = HistoryNode();
    node.kind = HistoryEntryKind(kind);
    node.hasConnectPoint = flag == 1;
    // Without the flag the stored point means nothing and is held as zero.
    node.connectPoint = node.hasConnectPoint ? QPoint(x, y) : QPoint();
    return true;
}

bool readChange(const Record &record, const QSize &canvas, HistoryChange &change, QString &error)
{
    PayloadReader in = record.reader();
    if (record.kind == RegionChangeRecord) {
        const qint32 x = in.i32();
        const qint32 y = in.i32();
        const qint32 w = in.i32();
        const qint32 h = in.i32();
        if (in.underrun()) {
            error = tr("malformed region change record");
            return false;
        }
        const qint64 uw = quint32(w);
        const qint64 uh = quint32(h);
        if (uw < 1 || uh < 1 || x < 0 || y < 0 || x + uw > canvas.width() ||
            y + uh > canvas.height()) {
            error = tr("region change rect (%1, %2) %3 x %4 lies outside the canvas")
                        .arg(x)
                        .arg(y)
                        .arg(w)
                        .arg(h);
            return false;
        }
        change = HistoryChange();
        change.type = HistoryChange::Type::RegionChange;
        change.rect = QRect(x, y, w, h);
        return readBlob(in, w, h, change.before, error) && readBlob(in, w, h, change.after, error);
    }
    const quint8 slot = in.u8();
    const quint8 oldValue = in.u8();
    const quint8 newValue = in.u8();
    if (record.kind == ColorIndexChangeRecord) {
        if (in.underrun()) {
            error = tr("malformed color index change record");
            return false;
        }
        if (slot >= ColorSlotCount) {
            error = tr("unknown color slot %1").arg(slot);
            return false;
        }
        if (oldValue > 15 || newValue > 15) {
            error = tr("color index change is out of range");
            return false;
        }
        change = HistoryChange::colorIndex(slot, oldValue, newValue);
        return true;
    }
    if (in.underrun() || slot > 1 || oldValue > 1 || newValue > 1) {
        error = tr("malformed border alignment change record");
        return false;
    }
    change = HistoryChange::borderAlignment(slot, oldValue, newValue);
    return true;
}

ProjectFileResult failure(const QString &message)
{
    ProjectFileResult result;
    result.errorMessage = message;
    return result;
}

ProjectFileResult cancelled()
{
    ProjectFileResult result;
    result.cancelled = true;
    return result;
}

ProjectFileResult loadFromBytes(const QByteArray &file, Project &out,
                                const ProgressCallback &progress)
{
    // Crops keep shares of the buffer, so it must be one that owns its bytes.
    QByteArray bytes = file;
    if (!bytes.data_ptr().isMutable())
        bytes = QByteArray(file.constData(), file.size());
    QString error;
    RecordStream stream(bytes, error);
    int version = 0;
    Record record;
    StateRecord state;
    if (!stream.readHeader(version) || !stream.readRecord(record) ||
        !parseState(record, version, state, error))
        return failure(error);
    const qint32 recordCount = state.info.recordCount;
    if (progress && !progress(1, recordCount))
        return cancelled();

    const QSize canvas(state.pixels.width(), state.pixels.height());
    QList<HistoryNode> nodes;
    // A kept node takes at least two records and a node record 20 bytes:
    // enough to size the list without trusting a lying count.
    nodes.reserve(qMin<qint64>(qMax(recordCount - 1, 0) / 2, bytes.size() / 20));
    HistoryNode node;
    bool haveNode = false;
    qint32 expected = 0;
    for (qint32 read = 1; read < recordCount; ++read) {
        if (!stream.readRecord(record))
            return failure(error);
        switch (record.kind) {
        case ProjectStateRecord:
            return failure(tr("duplicate project state record"));
        case HistoryNodeRecord:
            if (haveNode && expected > 0)
                return failure(
                    tr("a history node starts before the previous node's children are complete"));
            if (haveNode && !node.changes.isEmpty())
                nodes.append(std::move(node));
            if (!readNode(record, node, expected, error))
                return failure(error);
            haveNode = true;
            break;
        case RegionChangeRecord:
        case ColorIndexChangeRecord:
        case BorderAlignmentChangeRecord: {
            if (!haveNode || expected <= 0)
                return failure(tr("history change record outside a node"));
            HistoryChange change;
            if (!readChange(record, canvas, change, error))
                return failure(error);
            node.changes.append(std::move(change));
            --expected;
            break;
        }
        default:
            // Kinds this version does not know still count as a node's child.
            if (haveNode && expected > 0)
                --expected;
            break;
        }
        if (progress && !progress(read + 1, recordCount))
            return cancelled();
    }
    if (haveNode && expected > 0)
        return failure(tr("the file ends inside a history node"));
    if (haveNode && !node.changes.isEmpty())
        nodes.append(std::move(node));
    if (!stream.atEnd())
        return failure(tr("trailing data after the last record"));
    if (!inflateCanvas(state, error))
        return failure(error);

    const ProjectPreviewInfo &info = state.info;
    Project project(info.mode, info.colormap.width(), info.colormap.height(), info.layout,
                    info.screensAcross);
    project.colormap() = info.colormap;
    for (int i = 0; i < ColorSlotCount; ++i)
        project.setSlot(ColorSlot(i), info.slotValues[size_t(i)]);
    project.setHiresClashResolution(info.hiresClashResolution);
    project.setSpriteCountPolicy(info.spriteCountPolicy);
    project.history().assign(nodes, info.position);
    project.history().markClean();
    out = std::move(project);
    ProjectFileResult result;
    result.ok = true;
    return result;
}

bool previewFromBytes(const QByteArray &bytes, ProjectPreviewInfo &info, QString &error)
{
    RecordStream stream(bytes, error);
    int version = 0;
    Record record;
    StateRecord state;
    if (!stream.readHeader(version) || !stream.readRecord(record) ||
        !parseState(record, version, state, error) || !inflateCanvas(state, error))
        return false;
    info = state.info;
    return true;
}

} // namespace

ProjectFileResult saveProjectFile(const Project &project, const QString &path,
                                  const ProgressCallback &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(tr("cannot write %1: %2").arg(path, file.errorString()));

    const QList<HistoryNode> &nodes = project.history().nodes();
    qint64 total = 1;
    for (const HistoryNode &node : nodes)
        total += 1 + node.changes.size();
    qint64 done = 0;
    const auto goOn = [&] {
        if (!progress || progress(done, total))
            return true;
        file.cancelWriting();
        return false;
    };
    if (!goOn())
        return cancelled();

    // Records collect in one buffer that goes to the file a megabyte at a time.
    constexpr qsizetype FlushSize = 1 << 20;
    RecordWriter w;
    QByteArray &buffer = w.buffer();
    bool writeFailed = false;
    const auto flush = [&] {
        if (!writeFailed && file.write(buffer) != buffer.size())
            writeFailed = true;
        buffer.resize(0);
    };
    buffer.reserve(FlushSize + (FlushSize >> 2));
    buffer.append(Signature, 7);
    buffer.append(char(WrittenVersion));
    writeState(w, project, qint32(total));
    ++done;
    if (!goOn())
        return cancelled();
    for (const HistoryNode &node : nodes) {
        writeNode(w, node);
        ++done;
        if (!goOn())
            return cancelled();
        for (const HistoryChange &change : node.changes) {
            writeChange(w, change);
            if (buffer.size() >= FlushSize)
                flush();
            ++done;
            if (!goOn())
                return cancelled();
        }
    }
    flush();
    if (writeFailed || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(tr("writing failed: %1").arg(reason));
    }
    if (!file.commit())
        return failure(tr("cannot write %1: %2").arg(path, file.errorString()));
    ProjectFileResult result;
    result.ok = true;
    return result;
}

ProjectFileResult loadProjectFile(const QString &path, Project &out,
                                  const ProgressCallback &progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(tr("cannot read %1: %2").arg(path, file.errorString()));
    return loadFromBytes(file.readAll(), out, progress);
}

ProjectFileResult loadProjectFromBytes(const QByteArray &bytes, Project &out,
                                       const ProgressCallback &progress)
{
    return loadFromBytes(bytes, out, progress);
}

bool readProjectPreview(const QString &path, ProjectPreviewInfo &info, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    // Only the header and the first record, however long the history behind them.
    QByteArray head = file.read(8 + 6);
    if (head.size() == 8 + 6) {
        const qint32 size = qFromLittleEndian<qint32>(head.constData() + 8);
        if (size >= 2 && size <= MaxRecordSize && file.size() - file.pos() >= size - 2)
            head += file.read(size - 2);
    }
    return previewFromBytes(head, info, error);
}

bool readProjectPreviewFromBytes(const QByteArray &bytes, ProjectPreviewInfo &info, QString &error)
{
    return previewFromBytes(bytes, info, error);
}
