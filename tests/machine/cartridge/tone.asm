; A 16 KB test cartridge: plays a steady tone on PSG channel A, period 254
; (111860.8 / 254 = 440.4 Hz) at full volume, noise off, and then idles.
        include "psg_player.inc"

; Register, value pairs: period low and high, volume 15, tone A on alone.
settings:
        db 0, 0FEh, 1, 00h, 8, 0Fh, 7, 0BEh, 0FFh

        ds 8000h - $, 0FFh
