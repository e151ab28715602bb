#pragma once

#include "conversion/rgbpicture.h"

#include <QString>

// How `convert` came by its picture.
enum class CliPictureRead {
    Read,
    Failed,          // `error` says why
    NeedsFullReader, // the quick front end cannot read it; the full program can
};

// Reads the picture at `path` and brings it to `target` (stretched, or fitted
// on black when `fit`; smooth or sharp scaling). The full program reads every
// format Qt reads; the quick front end only pictures PngDecoder reads that
// already have the target size.
CliPictureRead cliReadPicture(const QString &path, QSize target, bool fit, bool smooth,
                              RgbPicture &picture, QString &error);

// What a command returns to have the full program run it instead.
constexpr int CliNeedsFullProgram = -100;
