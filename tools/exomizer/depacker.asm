; The self-extracting program the cruncher writes: a BASIC line
; "10 SYS 2061" and the depacker after it, followed by the packed data.
; The cruncher patches the labels plen (pages of packed data), dest (the
; original load address) and entry (the start address) in this code.
;
; Packed data: a token byte, then
;   $00-$7F  literal: token + 1 bytes follow
;   $80-$FF  match: length (token & $7F) + 3, then the distance back in
;            two bytes, low first; distance 0 ends the data.
;
; Memory: the packed data is first moved to end at $D000 (BASIC ROM out,
; $01 = $36, so $A000-$BFFF reads RAM), then unpacked forward to dest,
; which must end below it. $01 goes back to $37 before the jump.

        * = $0801
origin
        .word basicend, 10
        .byte $9e
        .text "2061"
        .byte 0
basicend .word 0

src     = $fb           ; next packed byte
dst     = $fd           ; next output byte
ref     = $f7           ; match source
off     = $f9           ; match distance

start   sei
        lda #$36
        sta $01
        ; Move whole pages of packed data up, first page first: the copy
        ; lies wholly above the original.
        lda #<packed
        sta src
        lda #>packed
        sta src + 1
        lda #0
        sta dst
plen = * + 1
        ldx #0          ; pages
        txa
        eor #$ff
        sec
        adc #$d0        ; $D0 - pages
        sta dst + 1
        sta unpackhi
        ldy #0
move    lda (src),y
        sta (dst),y
        iny
        bne move
        inc src + 1
        inc dst + 1
        dex
        bne move
        ; Unpack from the moved copy (packed data starts at its first byte).
        lda #<packed
        sta src
unpackhi = * + 1
        lda #0
        sta src + 1
dest = * + 1
        lda #0
        sta dst
dest_hi = * + 1
        lda #0
        sta dst + 1
next    jsr getbyte
        cmp #$80
        bcs match
        tax
        inx
literal jsr getbyte
        ldy #0
        sta (dst),y
        inc dst
        bne +
        inc dst + 1
+       dex
        bne literal
        beq next
match   and #$7f
        clc
        adc #3
        tax
        jsr getbyte
        sta off
        jsr getbyte
        sta off + 1
        ora off
        beq done
        sec
        lda dst
        sbc off
        sta ref
        lda dst + 1
        sbc off + 1
        sta ref + 1
        ldy #0
copy    lda (ref),y
        sta (dst),y
        iny
        dex
        bne copy
        tya
        clc
        adc dst
        sta dst
        bcc next
        inc dst + 1
        bcs next
done    lda #$37
        sta $01
entry = * + 1
        jmp $0000

getbyte ldy #0
        lda (src),y
        inc src
        bne +
        inc src + 1
+       rts

        .align 256, $00 ; the packed data starts on a page, so it moves page by page
        .cerror (* & $ff) != 0
packed
