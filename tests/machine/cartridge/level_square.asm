; A 16 KB test cartridge: plays a square wave on PSG channel A with tone and
; noise off, by writing its level 15 and 0 in turn, as programs play samples.
; One round of the loop takes 56 + 28 x 126 = 3584 cycles (with the M1 wait
; cycles): 998.8 Hz. Interrupts stay off.
        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        ld a, 7
        out (0A0h), a
        ld a, 0BFh
        out (0A1h), a
        ld a, 8
        out (0A0h), a
loop:   ld a, 0Fh
        out (0A1h), a
        ld b, 126
up:     djnz up
        xor a
        out (0A1h), a
        ld b, 126
down:   djnz down
        jr loop

        ds 8000h - $, 0FFh
