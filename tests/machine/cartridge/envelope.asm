; A 16 KB test cartridge: plays PSG channel A at 440.4 Hz (period 254) in
; envelope mode, envelope period 699 and shape 8, a saw falling from level 15
; to 0 and starting again ten times a second; noise off. Then it idles.
        include "psg_player.inc"

; Register, value pairs: tone period, envelope period 02BBh, envelope mode,
; tone A on alone, and last the shape, which starts the envelope.
settings:
        db 0, 0FEh, 1, 00h, 11, 0BBh, 12, 02h, 8, 10h, 7, 0BEh, 13, 08h, 0FFh

        ds 8000h - $, 0FFh
