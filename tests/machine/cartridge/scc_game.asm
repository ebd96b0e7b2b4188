; A 48 KB Konami SCC MegaROM for the save state tests: every frame it plays
; with the SCC (waves, periods, volumes), switches the 6000h bank between
; blocks 2 to 5 and feeds what it reads there to the SCC and the PSG, and it
; echoes every typed key, which also sets a period.
CHSNS   equ 009Ch
CHGET   equ 009Fh
CHPUT   equ 00A2h
INITXT  equ 006Ch
counter equ 0E000h

        org 4000h
        db "AB"
        dw start
        ds 12, 0
        db "CD", 0, "Q"         ; a Konami SCC game

start:  call INITXT
        di
        in a, (0A8h)            ; show this slot in page 2 as well as page 1
        ld b, a
        and 0Ch
        rlca
        rlca
        ld c, a
        ld a, b
        and 0CFh
        or c
        out (0A8h), a
        ld a, 3Fh
        ld (9000h), a           ; bank 3Fh at 8000h opens the SCC window
        ld hl, 9800h
        ld b, 128
        xor a
wave:   ld (hl), a              ; four sawtooth-like waves
        add a, 11
        inc hl
        djnz wave
        ld hl, 988Ah
        ld b, 5
        ld a, 0Fh
volume: ld (hl), a
        inc hl
        djnz volume
        ld a, 1Fh
        ld (988Fh), a           ; all five channels on
        ld a, 7
        out (0A0h), a
        ld a, 0BEh
        out (0A1h), a           ; PSG tone A on

frame:  ei
        halt
        ld hl, counter
        inc (hl)
        ld a, (hl)
        ld (9880h), a           ; channel 1 period follows the frames
        ld e, a
        and 7Fh
        ld l, a
        ld h, 98h
        ld (hl), e              ; one wave byte changes each frame
        ld a, e
        and 3
        add a, 2
        ld (7000h), a           ; blocks 2-5 at 6000h in turn
        ld a, (6000h)
        ld (9882h), a           ; channel 2 period from the bank
        ld a, 0
        out (0A0h), a
        ld a, e
        out (0A1h), a           ; PSG tone A period
        call CHSNS
        jr z, frame
        call CHGET
        ld (9884h), a           ; channel 3 period from the key
        call CHPUT
        jr frame

        ds 6000h - $, 0FFh
        ds 2000h, 11h           ; block 1
        ds 2000h, 22h           ; block 2
        ds 2000h, 33h           ; block 3
        ds 2000h, 44h           ; block 4
        ds 2000h, 55h           ; block 5
