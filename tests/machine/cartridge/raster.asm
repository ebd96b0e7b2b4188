; A 16 KB test cartridge that changes the screen while the beam draws it, timed
; by the status register alone (interrupts stay off). Graphic 1 with blank
; patterns, so every pixel shows the backdrop unless a sprite covers it.
; Sprite table A (1B00h) has five 8 x 8 sprites on lines 100-107, in colours 2-6;
; table B (1B80h) one sprite on lines 150-157 in colour 15.
; Each frame: when the frame flag rises, table A and a blue backdrop; when the
; fifth-sprite flag rises (line 100), table B and a red backdrop.

        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        ld hl, registers
        ld b, 8
        ld c, 80h
setreg: ld a, (hl)
        out (99h), a
        ld a, c
        out (99h), a
        inc hl
        inc c
        djnz setreg

        ; VRAM from 0000h: all zero.
        xor a
        out (99h), a
        ld a, 40h
        out (99h), a
        ld bc, 4000h
clear:  xor a
        out (98h), a
        dec bc
        ld a, b
        or c
        jr nz, clear

        ld hl, 3800h            ; sprite pattern 0, solid
        ld de, solid
        ld b, 8
        call copy
        ld hl, 1B00h            ; table A
        ld de, tableA
        ld b, tableB - tableA
        call copy
        ld hl, 1B80h            ; table B
        ld de, tableB
        ld b, tableEnd - tableB
        call copy

frame:  in a, (99h)
        rla
        jr nc, frame
        ld a, 36h               ; table A
        out (99h), a
        ld a, 85h
        out (99h), a
        ld a, 04h               ; blue backdrop
        out (99h), a
        ld a, 87h
        out (99h), a
fifth:  in a, (99h)
        and 40h
        jr z, fifth
        ld a, 37h               ; table B
        out (99h), a
        ld a, 85h
        out (99h), a
        ld a, 08h               ; red backdrop
        out (99h), a
        ld a, 87h
        out (99h), a
        jr frame

; Copies B bytes from DE to VRAM at HL.
copy:   ld a, l
        out (99h), a
        ld a, h
        or 40h
        out (99h), a
copy1:  ld a, (de)
        out (98h), a
        inc de
        djnz copy1
        ret

; Graphic 1, display on, no interrupt: names 1800h, colours 2000h, patterns
; 0000h, sprite attributes 1B00h, sprite patterns 3800h, backdrop blue.
registers:
        db 00h, 0C0h, 06h, 80h, 00h, 36h, 07h, 04h
solid:  db 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh
tableA: db 99, 0, 0, 2
        db 99, 40, 0, 3
        db 99, 80, 0, 4
        db 99, 120, 0, 5
        db 99, 160, 0, 6
        db 0D0h
tableB: db 149, 100, 0, 15
        db 0D0h
tableEnd:

        ds 8000h - $, 0FFh
