; A 16 KB test cartridge that reads the cassette for ever: it runs the motor,
; shifts the input bit (PSG register 14, bit 7) into a byte and writes every
; eighth byte into VRAM, mixing in a keyboard row, with interrupts off.
        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        ld a, 14
        out (0A0h), a           ; register 14 stays selected
        ld a, 08h
        out (0ABh), a           ; port C bit 4 cleared: the motor runs
        ld hl, 0                ; VRAM address
        ld de, 0                ; d collects the bits, e counts them
sample: in a, (0A2h)
        rla
        rl d
        inc e
        ld a, e
        and 7
        jr nz, sample
        ld a, l
        out (99h), a
        ld a, h
        and 03h
        or 40h
        out (99h), a
        ld a, d
        out (98h), a
        inc hl
        ld a, l
        and 07h
        out (0AAh), a           ; a keyboard row; bit 4 stays 0, the motor runs on
        in a, (0A9h)
        xor d
        ld d, a
        jr sample

        ds 8000h - $, 0FFh
