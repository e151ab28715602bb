MULTI = 1
STABWAIT = 10
CHAINWAIT = 10
TOPWAIT = 40
        .include "topbottom.inc"
