MULTI = 0
        .include "bitmaponly.inc"
