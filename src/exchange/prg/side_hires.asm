MULTI = 0
STABWAIT = 41
LINE42WAIT = 61
        .include "sideborders.inc"
