MULTI = 1
STABWAIT = 10
LINE42WAIT = 93
        .include "sideborders.inc"
