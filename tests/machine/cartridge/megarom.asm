; A 48 KB ASCII 16K MegaROM: it boots only as that kind, which must be set by hand. It
; switches banks with LD (HL),A, which the store scan does not see, so the image passes
; for a plain ROM from 0000h. It selects bank number 0FEh for 8000h-BFFFh, which the three
; blocks mirror to block 2, and prints the text found there.
CHPUT   equ 00A2h
INITXT  equ 006Ch

        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  call INITXT
        include "page2_slot.inc"
        ei
        ld hl, 7000h
        ld (hl), 0FEh
        ; The text lies at the start of block 2, assembled at C000h and shown at 8000h.
        ld hl, text - 4000h
print:  ld a, (hl)
        or a
        jr z, $
        call CHPUT
        inc hl
        jr print

        ds 0C000h - $, 0FFh     ; the rest of block 0, and block 1
text:   db "QUIB ASCII 16K BANK 2", 13, 10, 0
        ds 0FFFFh - $, 0FFh
        db 0FFh
