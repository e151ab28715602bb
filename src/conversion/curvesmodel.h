#pragma once

#include <QList>
#include <QPoint>
#include <array>

// The brightness curves of the converter: a master channel and one per
// colour, each a list of control points with a lookup table rebuilt from a
// natural cubic spline through them after every change.
class CurvesModel
{
public:
    enum Channel { Master = 0, Red = 1, Green = 2, Blue = 3 };
    static constexpr int ChannelCount = 4;
    static constexpr int MaxPoints = 32;
    using Table = std::array<quint8, 256>;

    CurvesModel();

    // Every channel back to (0, 0)-(255, 255) and the identity table.
    void reset();
    bool isIdentity() const;
    quint8 value(int channel, int v) const { return m_channels[channel].table[v & 255]; }
    const Table &table(int channel) const { return m_channels[channel].table; }
    const QList<QPoint> &points(int channel) const { return m_channels[channel].points; }

    // The index of the new point, or -1 when the channel is full or x lies
    // within `gap` of an end point.
    int addPoint(int channel, int x, int y, int gap);
    // End points move vertically only; interior points keep `gap` to their
    // neighbours. False when the clamped point equals the old one.
    bool movePoint(int channel, int index, int x, int y, int gap);
    // Interior points only.
    bool removePoint(int channel, int index);

private:
    struct ChannelCurve {
        QList<QPoint> points;
        Table table{};
    };
    void rebuild(ChannelCurve &curve);

    std::array<ChannelCurve, ChannelCount> m_channels;
};
