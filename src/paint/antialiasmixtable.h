#pragma once

#include "document/palette.h"

#include <QByteArray>

// The colour an anti-aliased edge pixel gets: for stroke colour s, the colour
// u that was under it and coverage k (0..255), the palette colour nearest to
// the RGB mix u + (s - u) k / 255. Held as one 16 x 16 x 256 table, built
// again only when the palette variant or the colour metric changes.
class AntialiasMixTable
{
public:
    // Rebuilds when variant or metric differ from the table's; returns
    // whether it did.
    bool ensure(PaletteVariant variant, ColorMetric metric = ColorMetric::Euclidean);

    quint8 mix(quint8 stroke, quint8 under, quint8 coverage) const
    {
        return quint8(
            m_table[(qsizetype(stroke & 15) << 12) | (qsizetype(under & 15) << 8) | coverage]);
    }
    int buildCount() const { return m_builds; }
    bool isBuilt() const { return !m_table.isEmpty(); }

private:
    QByteArray m_table;
    PaletteVariant m_variant = -1;
    ColorMetric m_metric = ColorMetric::Euclidean;
    int m_builds = 0;
};
