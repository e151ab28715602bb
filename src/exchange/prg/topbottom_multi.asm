MULTI = 1
STABWAIT = 41
CHAINWAIT = 41
TOPWAIT = 40
        .include "topbottom.inc"
