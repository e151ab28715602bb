MULTI = 0
STABWAIT = 41
CHAINWAIT = 42
TOPWAIT = 40
        .include "topbottom.inc"
