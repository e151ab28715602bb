MULTI = 1
        .include "bitmaponly.inc"
