#include "antialiasmixtable.h"

bool AntialiasMixTable::ensure(PaletteVariant variant, ColorMetric metric)
{
    if (isBuilt() && variant == m_variant && metric == m_metric)
        return false;
    m_variant = variant;
    m_metric = metric;
    ++m_builds;
    m_table.resize(16 * 16 * 256);
    QRgb rgb[16];
    for (int i = 0; i < 16; ++i)
        rgb[i] = paletteRgb(variant, i);
    for (int s = 0; s < 16; ++s) {
        for (int u = 0; u < 16; ++u) {
            char *entry = m_table.data() + (s << 12) + (u << 8);
            entry[0] = char(u);
            entry[255] = char(s);
            for (int k = 1; k < 255; ++k) {
                const double f = k / 255.0;
                const double r = qRed(rgb[u]) + (qRed(rgb[s]) - qRed(rgb[u])) * f;
                const double g = qGreen(rgb[u]) + (qGreen(rgb[s]) - qGreen(rgb[u])) * f;
                const double b = qBlue(rgb[u]) + (qBlue(rgb[s]) - qBlue(rgb[u])) * f;
                int best = 0;
                double bestDistance = colorDistance(r, g, b, rgb[0], metric);
                for (int c = 1; c < 16; ++c) {
                    const double distance = colorDistance(r, g, b, rgb[c], metric);
                    if (distance < bestDistance) {
                        best = c;
                        bestDistance = distance;
                    }
                }
                entry[k] = char(best);
            }
        }
    }
    return true;
}
