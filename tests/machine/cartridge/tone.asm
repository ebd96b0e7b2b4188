; A 16 KB test cartridge: plays a steady tone on PSG channel A, period 254
; (111860.8 / 254 = 440.4 Hz) at full volume, noise off, and then idles.
        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        ld hl, settings
next:   ld a, (hl)
        cp 0FFh
        jr z, idle
        out (0A0h), a
        inc hl
        ld a, (hl)
        out (0A1h), a
        inc hl
        jr next
idle:   jr idle

; Register, value pairs: period low and high, volume 15, tone A on alone.
settings:
        db 0, 0FEh, 1, 00h, 8, 0Fh, 7, 0BEh, 0FFh

        ds 8000h - $, 0FFh
