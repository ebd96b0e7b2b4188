; A 64 KB ASCII 8K MegaROM that looks like a game: a Graphic 2 play field of
; 41 tiles in colour (sky, clouds, brick walls, platforms, ladders, coins, grass,
; water and a score line) and all 32 sprites, 16 x 16, moving and changing
; picture every frame from the timer interrupt's hook. Tile patterns, tile
; colours, the play field, the sprite patterns, the wave of their heights and
; their starting places each lie in a bank of their own, switched in as they
; are needed. It is assembled in two halves: blocks 0-3 as seen at 4000h-BFFFh,
; and with UPPER_HALF defined blocks 4-7, which are only ever seen at 8000h or
; A000h.
H_TIMI  equ 0FD9Fh

; One bank register for each 8 KB of 4000h-BFFFh.
BANK_4000 equ 6000h
BANK_6000 equ 6800h
BANK_8000 equ 7000h
BANK_A000 equ 7800h

TILE_PATTERNS_BLOCK   equ 2     ; shown at 8000h
TILE_COLOURS_BLOCK    equ 3     ; shown at 8000h
PLAY_FIELD_BLOCK      equ 4     ; shown at 8000h
SPRITE_PATTERNS_BLOCK equ 5     ; shown at A000h
WAVE_BLOCK            equ 6     ; shown at A000h
SPRITE_STARTS_BLOCK   equ 7     ; shown at A000h

TILES   equ 41
SPRITES equ 32

frame   equ 0E000h              ; frames since the start
sprites equ 0E001h              ; per sprite: X, Y base, pattern, colour, X step, wave phase

IF defined UPPER_HALF

        org 8000h
; Block 4: the play field, 24 rows of 32 names.
        db 16h, 22h, 23h, 24h, 25h, 26h, 16h, 18h, 18h, 19h, 1Ah, 18h, 18h, 16h, 16h, 27h, 28h, 16h, 18h, 1Dh, 18h, 18h, 18h, 18h, 16h, 16h, 16h, 17h, 17h, 17h, 16h, 16h
        db 00h, 00h, 00h, 02h, 00h, 00h, 02h, 00h, 01h, 00h, 02h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 02h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 03h, 04h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 05h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 00h, 00h, 03h, 04h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 02h, 02h, 00h, 00h
        db 00h, 02h, 01h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 03h, 04h, 01h, 00h, 00h, 00h, 00h, 01h, 00h, 00h
        db 00h, 00h, 00h, 00h, 0Ch, 0Ch, 0Ch, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 01h, 00h, 00h, 0Ch, 0Ch, 0Ch, 00h, 14h, 14h, 00h, 00h, 00h
        db 00h, 00h, 09h, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Bh, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 09h, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Bh, 00h, 00h
        db 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 00h
        db 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 00h, 15h, 00h, 00h, 02h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 0Ch, 0Ch, 0Ch, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h
        db 07h, 07h, 07h, 07h, 07h, 07h, 07h, 07h, 00h, 00h, 00h, 00h, 01h, 07h, 07h, 07h, 07h, 07h, 07h, 00h, 00h, 00h, 00h, 00h, 02h, 07h, 07h, 07h, 07h, 07h, 07h, 07h
        db 06h, 06h, 06h, 06h, 06h, 06h, 06h, 06h, 00h, 00h, 00h, 00h, 00h, 06h, 06h, 06h, 06h, 06h, 06h, 00h, 00h, 00h, 00h, 01h, 00h, 06h, 06h, 06h, 06h, 06h, 06h, 06h
        db 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 02h, 00h, 08h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 0Ch, 0Ch, 0Ch, 00h, 01h, 00h, 02h, 00h, 08h, 01h, 00h, 00h, 00h, 00h, 0Ch, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 01h, 00h, 00h, 00h, 00h, 09h, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Bh, 00h, 00h, 01h, 00h, 09h, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Ah, 0Bh, 00h, 00h, 00h, 00h
        db 00h, 02h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 02h, 00h, 00h, 00h, 00h, 00h, 01h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 12h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 01h, 01h, 12h, 00h, 00h
        db 00h, 00h, 13h, 00h, 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 00h, 00h, 00h, 00h, 08h, 00h, 00h, 00h, 00h, 13h, 00h, 00h
        db 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 14h, 14h, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh, 0Dh
        db 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh, 0Eh
        db 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh, 0Fh, 0Eh, 0Eh, 0Eh, 0Eh
        db 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h
        db 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h, 11h, 10h
        ds 0A000h - $, 0FFh

; Block 5: sprite patterns, two pictures of each of four figures.
        ; pattern 0: runner
        db 03h, 07h, 05h, 07h, 03h, 1Fh, 21h, 21h, 01h, 03h, 06h, 0Ch, 08h, 18h, 00h, 00h
        db 0C0h, 0E0h, 0A0h, 0E0h, 0C0h, 0F8h, 84h, 84h, 80h, 0C0h, 60h, 30h, 10h, 18h, 00h, 00h
        ; pattern 4: runner, stepping
        db 03h, 07h, 05h, 07h, 03h, 0Fh, 11h, 09h, 01h, 03h, 02h, 02h, 02h, 06h, 00h, 00h
        db 0C0h, 0E0h, 0A0h, 0E0h, 0C0h, 0F0h, 88h, 90h, 80h, 0C0h, 40h, 40h, 40h, 60h, 00h, 00h
        ; pattern 8: ghost
        db 07h, 1Fh, 3Fh, 73h, 61h, 65h, 73h, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0DDh, 88h, 00h
        db 0E0h, 0F8h, 0FCh, 0CEh, 86h, 96h, 0CEh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0BBh, 89h, 00h
        ; pattern 12: ghost, waving
        db 07h, 1Fh, 3Fh, 73h, 61h, 69h, 73h, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0BBh, 11h, 00h
        db 0E0h, 0F8h, 0FCh, 0CEh, 86h, 0A6h, 0CEh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 0FFh, 77h, 11h, 00h
        ; pattern 16: bat
        db 00h, 00h, 80h, 0C2h, 0E3h, 0F3h, 0FDh, 0FFh, 0FFh, 7Eh, 3Ch, 18h, 00h, 00h, 00h, 00h
        db 00h, 00h, 01h, 43h, 0C7h, 0CFh, 0BFh, 0FFh, 0FFh, 7Eh, 3Ch, 18h, 00h, 00h, 00h, 00h
        ; pattern 20: bat, wings up
        db 00h, 0E2h, 73h, 3Bh, 1Fh, 0Fh, 0Bh, 03h, 02h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 47h, 0CEh, 0DCh, 0F8h, 0F0h, 0D0h, 0C0h, 40h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        ; pattern 24: spark
        db 00h, 01h, 01h, 11h, 09h, 07h, 0Fh, 0FFh, 3Fh, 0Fh, 07h, 09h, 11h, 01h, 01h, 00h
        db 00h, 80h, 80h, 88h, 90h, 0E0h, 0F0h, 0FCh, 0FFh, 0F0h, 0E0h, 90h, 88h, 80h, 80h, 00h
        ; pattern 28: spark, turned
        db 00h, 00h, 21h, 11h, 0Dh, 07h, 03h, 3Fh, 3Fh, 03h, 07h, 0Dh, 11h, 21h, 00h, 00h
        db 00h, 00h, 84h, 88h, 0B0h, 0E0h, 0C0h, 0FCh, 0FCh, 0C0h, 0E0h, 0B0h, 88h, 84h, 00h, 00h
        ds 0C000h - $, 0FFh

; Block 6: the wave the sprites ride, 0-32 lines over 256 steps.
        db 10h, 10h, 11h, 11h, 12h, 12h, 12h, 13h, 13h, 14h, 14h, 14h, 15h, 15h, 15h, 16h
        db 16h, 16h, 17h, 17h, 18h, 18h, 18h, 19h, 19h, 19h, 1Ah, 1Ah, 1Ah, 1Ah, 1Bh, 1Bh
        db 1Bh, 1Ch, 1Ch, 1Ch, 1Ch, 1Dh, 1Dh, 1Dh, 1Dh, 1Eh, 1Eh, 1Eh, 1Eh, 1Eh, 1Eh, 1Fh
        db 1Fh, 1Fh, 1Fh, 1Fh, 1Fh, 1Fh, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h
        db 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 20h, 1Fh, 1Fh, 1Fh, 1Fh, 1Fh
        db 1Fh, 1Fh, 1Eh, 1Eh, 1Eh, 1Eh, 1Eh, 1Eh, 1Dh, 1Dh, 1Dh, 1Dh, 1Ch, 1Ch, 1Ch, 1Ch
        db 1Bh, 1Bh, 1Bh, 1Ah, 1Ah, 1Ah, 1Ah, 19h, 19h, 19h, 18h, 18h, 18h, 17h, 17h, 16h
        db 16h, 16h, 15h, 15h, 15h, 14h, 14h, 14h, 13h, 13h, 12h, 12h, 12h, 11h, 11h, 10h
        db 10h, 10h, 0Fh, 0Fh, 0Eh, 0Eh, 0Eh, 0Dh, 0Dh, 0Ch, 0Ch, 0Ch, 0Bh, 0Bh, 0Bh, 0Ah
        db 0Ah, 0Ah, 09h, 09h, 08h, 08h, 08h, 07h, 07h, 07h, 06h, 06h, 06h, 06h, 05h, 05h
        db 05h, 04h, 04h, 04h, 04h, 03h, 03h, 03h, 03h, 02h, 02h, 02h, 02h, 02h, 02h, 01h
        db 01h, 01h, 01h, 01h, 01h, 01h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h
        db 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 00h, 01h, 01h, 01h, 01h, 01h
        db 01h, 01h, 02h, 02h, 02h, 02h, 02h, 02h, 03h, 03h, 03h, 03h, 04h, 04h, 04h, 04h
        db 05h, 05h, 05h, 06h, 06h, 06h, 06h, 07h, 07h, 07h, 08h, 08h, 08h, 09h, 09h, 0Ah
        db 0Ah, 0Ah, 0Bh, 0Bh, 0Bh, 0Ch, 0Ch, 0Ch, 0Dh, 0Dh, 0Eh, 0Eh, 0Eh, 0Fh, 0Fh, 10h
        ds 0E000h - $, 0FFh

; Block 7: where each sprite starts: X, Y base, pattern, colour (bit 7 early
; clock), X step, wave phase.
        db 19h, 0Ch, 00h, 0Fh, 01h, 00h  ; sprite 0
        db 4Eh, 31h, 08h, 0Dh, 0FFh, 1Dh  ; sprite 1
        db 83h, 56h, 08h, 07h, 02h, 3Ah  ; sprite 2
        db 0B8h, 7Bh, 08h, 09h, 0FEh, 57h  ; sprite 3
        db 0Dh, 14h, 10h, 05h, 01h, 74h  ; sprite 4
        db 42h, 39h, 10h, 0Eh, 0FFh, 91h  ; sprite 5
        db 77h, 5Eh, 18h, 0Ah, 02h, 0AEh  ; sprite 6
        db 0ACh, 83h, 18h, 0Bh, 0FEh, 0CBh  ; sprite 7
        db 0E1h, 1Ch, 00h, 0Fh, 01h, 0E8h  ; sprite 8
        db 36h, 41h, 08h, 0Dh, 0FFh, 05h  ; sprite 9
        db 6Bh, 66h, 08h, 07h, 02h, 22h  ; sprite 10
        db 0A0h, 8Bh, 08h, 09h, 0FEh, 3Fh  ; sprite 11
        db 0D5h, 24h, 10h, 05h, 01h, 5Ch  ; sprite 12
        db 2Ah, 49h, 10h, 0Eh, 0FFh, 79h  ; sprite 13
        db 5Fh, 6Eh, 18h, 0Ah, 02h, 96h  ; sprite 14
        db 94h, 93h, 18h, 0Bh, 0FEh, 0B3h  ; sprite 15
        db 0C9h, 2Ch, 00h, 0Fh, 01h, 0D0h  ; sprite 16
        db 1Eh, 51h, 08h, 0Dh, 0FFh, 0EDh  ; sprite 17
        db 53h, 76h, 08h, 07h, 02h, 0Ah  ; sprite 18
        db 88h, 0Fh, 08h, 09h, 0FEh, 27h  ; sprite 19
        db 0BDh, 34h, 10h, 05h, 01h, 44h  ; sprite 20
        db 12h, 59h, 10h, 0Eh, 0FFh, 61h  ; sprite 21
        db 47h, 7Eh, 18h, 0Ah, 02h, 7Eh  ; sprite 22
        db 7Ch, 17h, 18h, 0Bh, 0FEh, 9Bh  ; sprite 23
        db 0B1h, 3Ch, 00h, 0Fh, 01h, 0B8h  ; sprite 24
        db 0E6h, 61h, 08h, 0Dh, 0FFh, 0D5h  ; sprite 25
        db 3Bh, 86h, 08h, 07h, 02h, 0F2h  ; sprite 26
        db 70h, 1Fh, 08h, 09h, 0FEh, 0Fh  ; sprite 27
        db 0A5h, 44h, 10h, 05h, 01h, 2Ch  ; sprite 28
        db 0DAh, 69h, 10h, 0Eh, 0FFh, 49h  ; sprite 29
        db 2Fh, 8Eh, 18h, 0Ah, 02h, 66h  ; sprite 30
        db 64h, 27h, 18h, 8Bh, 0FEh, 83h  ; sprite 31
        ds 0FFFFh - $, 0FFh
        db 0FFh

ELSE

        org 4000h
        db "AB"
        dw start
        dw 0, 0, 0              ; no statement, device or BASIC text
        ds 6, 0

start:  di
        xor a                   ; blocks 0-3, as the cartridge starts
        ld (BANK_4000), a
        inc a
        ld (BANK_6000), a
        inc a
        ld (BANK_8000), a
        inc a
        ld (BANK_A000), a
        include "page2_slot.inc"
        di

        ld hl, vdp_registers
        ld c, 80h
set_register:
        ld a, (hl)
        out (99h), a
        ld a, c
        out (99h), a
        inc hl
        inc c
        bit 3, c                ; past R7
        jr z, set_register

        ld hl, 0
        call set_write_address
        ld bc, 4000h
clear:  xor a
        out (98h), a
        dec bc
        ld a, b
        or c
        jr nz, clear

        ; Each third of the screen gets the tiles: patterns at 0000h, 0800h and
        ; 1000h, colours 2000h further on.
        ld hl, 0000h
        ld b, 3
load_third:
        push bc
        push hl
        ld a, TILE_PATTERNS_BLOCK
        ld (BANK_8000), a
        call copy_tiles
        pop hl
        push hl
        ld a, h
        add a, 20h
        ld h, a
        ld a, TILE_COLOURS_BLOCK
        ld (BANK_8000), a
        call copy_tiles
        pop hl
        ld a, h
        add a, 08h
        ld h, a
        pop bc
        djnz load_third

        ld a, PLAY_FIELD_BLOCK
        ld (BANK_8000), a
        ld hl, 1800h
        call set_write_address
        ld hl, 8000h
        ld bc, 32 * 24
        call copy_to_vram

        ld a, SPRITE_PATTERNS_BLOCK
        ld (BANK_A000), a
        ld hl, 3800h
        call set_write_address
        ld hl, 0A000h
        ld bc, 8 * 32
        call copy_to_vram

        ld a, SPRITE_STARTS_BLOCK
        ld (BANK_A000), a
        ld hl, 0A000h
        ld de, sprites
        ld bc, SPRITES * 6
        ldir
        xor a
        ld (frame), a
        call move_sprites

        ld a, 0C3h              ; JP frame_hook from the timer interrupt
        ld (H_TIMI), a
        ld hl, frame_hook
        ld (H_TIMI + 1), hl
        ld a, 0E2h              ; display on, frame interrupt, 16 x 16 sprites
        out (99h), a
        ld a, 81h
        out (99h), a
        ei
idle:   halt
        jr idle

; Graphic 2, display off while loading: names 1800h, colours 2000h, patterns
; 0000h, sprite attributes 1B00h, sprite patterns 3800h, black backdrop.
vdp_registers:
        db 02h, 0A2h, 06h, 0FFh, 03h, 36h, 07h, 01h

; HL: the VRAM address the next bytes on port 98h go to.
set_write_address:
        ld a, l
        out (99h), a
        ld a, h
        or 40h
        out (99h), a
        ret

; HL: VRAM address; the tile bytes of the block at 8000h go there.
copy_tiles:
        call set_write_address
        ld hl, 8000h
        ld bc, TILES * 8

; HL: source, BC: count, to the VRAM address set.
copy_to_vram:
        ld a, (hl)
        out (98h), a
        inc hl
        dec bc
        ld a, b
        or c
        jr nz, copy_to_vram
        ret

frame_hook:
        ld hl, frame
        inc (hl)
; Every sprite steps sideways, turning at the edges, and rides the wave up and
; down; every 8 frames it shows its other picture.
move_sprites:
        ld a, WAVE_BLOCK
        ld (BANK_A000), a
        ld hl, 1B00h
        call set_write_address
        ld ix, sprites
        ld b, SPRITES
next_sprite:
        ld a, (frame)
        add a, a
        add a, (ix + 5)
        ld e, a
        ld d, 0A0h
        ld a, (de)
        add a, (ix + 1)
        out (98h), a            ; Y
        ld a, (ix + 0)
        add a, (ix + 4)
        cp 241                  ; past 240, or below 0: turn back
        jr c, inside
        ld a, (ix + 4)
        neg
        ld (ix + 4), a
        add a, (ix + 0)
inside: ld (ix + 0), a
        out (98h), a            ; X
        ld a, (frame)
        and 8
        rrca
        add a, (ix + 2)
        out (98h), a            ; pattern
        ld a, (ix + 3)
        out (98h), a            ; early clock and colour
        ld de, 6
        add ix, de
        djnz next_sprite
        ret

        ds 6000h - $, 0FFh

; Block 1.
        db "QUIB SPRITE GAME", 0
        ds 8000h - $, 0FFh

; Block 2: tile patterns.
        db 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b  ; 0 sky
        db 00000000b, 00000000b, 00010000b, 00111000b, 00010000b, 00000000b, 00000000b, 00000000b  ; 1 star
        db 00000000b, 00000010b, 00000000b, 00000000b, 00000000b, 00000000b, 01000000b, 00000000b  ; 2 small star
        db 00000000b, 00001110b, 00111111b, 01111111b, 11111111b, 11111111b, 01111111b, 00000000b  ; 3 cloud, left
        db 00000000b, 01100000b, 11110000b, 11111100b, 11111110b, 11111111b, 11111110b, 00000000b  ; 4 cloud, right
        db 00111100b, 01100000b, 11000000b, 11000000b, 11000000b, 11000000b, 01100000b, 00111100b  ; 5 moon
        db 11111111b, 00010000b, 00010000b, 00010000b, 11111111b, 00000001b, 00000001b, 00000001b  ; 6 brick
        db 11111111b, 10101010b, 11111111b, 00010000b, 00010000b, 11111111b, 00000001b, 00000001b  ; 7 brick, top
        db 10000001b, 10000001b, 11111111b, 10000001b, 10000001b, 10000001b, 11111111b, 10000001b  ; 8 ladder
        db 00111111b, 01111111b, 11010101b, 10101010b, 01111111b, 00111111b, 00000000b, 00000000b  ; 9 platform, left
        db 11111111b, 11111111b, 01010101b, 10101010b, 11111111b, 11111111b, 00000000b, 00000000b  ; 10 platform
        db 11111100b, 11111110b, 01010101b, 10101011b, 11111110b, 11111100b, 00000000b, 00000000b  ; 11 platform, right
        db 00111100b, 01000010b, 10011001b, 10100001b, 10100001b, 10011001b, 01000010b, 00111100b  ; 12 coin
        db 00010000b, 01010010b, 01110111b, 11111111b, 11111111b, 10100101b, 00000000b, 00100000b  ; 13 grass
        db 00000000b, 00100000b, 00000010b, 00001000b, 01000000b, 00000100b, 00010000b, 10000000b  ; 14 earth
        db 00111000b, 01111100b, 11111110b, 11111110b, 01111100b, 00000000b, 00001000b, 00000000b  ; 15 stone in the earth
        db 00110000b, 01001001b, 10000110b, 00000000b, 00011000b, 00100100b, 01000011b, 00000000b  ; 16 water
        db 00001100b, 10010010b, 01100001b, 00000000b, 11000011b, 00100100b, 00011000b, 00000000b  ; 17 water, second
        db 00111100b, 01111110b, 11101111b, 11111111b, 11110111b, 11111111b, 01111110b, 00011000b  ; 18 tree top
        db 00011000b, 00011000b, 00011100b, 00111000b, 00011000b, 00011000b, 00111100b, 01111110b  ; 19 tree trunk
        db 00000000b, 00010001b, 00010001b, 00111011b, 00111011b, 01111111b, 11111111b, 11111111b  ; 20 spikes
        db 00111100b, 01000010b, 10000001b, 10000001b, 10000101b, 10000001b, 10000001b, 10000001b  ; 21 door
        db 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b, 00000000b  ; 22 black
        db 00000000b, 01101100b, 11111110b, 11111110b, 01111100b, 00111000b, 00010000b, 00000000b  ; 23 heart
        db 00111000b, 01000100b, 01001100b, 01010100b, 01100100b, 01000100b, 00111000b, 00000000b  ; 24 '0'
        db 00010000b, 00110000b, 00010000b, 00010000b, 00010000b, 00010000b, 00111000b, 00000000b  ; 25 '1'
        db 00111000b, 01000100b, 00000100b, 00011000b, 00100000b, 01000000b, 01111100b, 00000000b  ; 26 '2'
        db 00111000b, 01000100b, 00000100b, 00011000b, 00000100b, 01000100b, 00111000b, 00000000b  ; 27 '3'
        db 00001000b, 00011000b, 00101000b, 01001000b, 01111100b, 00001000b, 00001000b, 00000000b  ; 28 '4'
        db 01111100b, 01000000b, 01111000b, 00000100b, 00000100b, 01000100b, 00111000b, 00000000b  ; 29 '5'
        db 00111000b, 01000000b, 01111000b, 01000100b, 01000100b, 01000100b, 00111000b, 00000000b  ; 30 '6'
        db 01111100b, 00000100b, 00001000b, 00010000b, 00100000b, 00100000b, 00100000b, 00000000b  ; 31 '7'
        db 00111000b, 01000100b, 01000100b, 00111000b, 01000100b, 01000100b, 00111000b, 00000000b  ; 32 '8'
        db 00111000b, 01000100b, 01000100b, 00111100b, 00000100b, 00001000b, 00110000b, 00000000b  ; 33 '9'
        db 00111100b, 01000000b, 01000000b, 00111000b, 00000100b, 00000100b, 01111000b, 00000000b  ; 34 'S'
        db 00111000b, 01000100b, 01000000b, 01000000b, 01000000b, 01000100b, 00111000b, 00000000b  ; 35 'C'
        db 00111000b, 01000100b, 01000100b, 01000100b, 01000100b, 01000100b, 00111000b, 00000000b  ; 36 'O'
        db 01111000b, 01000100b, 01000100b, 01111000b, 01010000b, 01001000b, 01000100b, 00000000b  ; 37 'R'
        db 01111100b, 01000000b, 01000000b, 01111000b, 01000000b, 01000000b, 01111100b, 00000000b  ; 38 'E'
        db 01000100b, 01000100b, 01000100b, 01111100b, 01000100b, 01000100b, 01000100b, 00000000b  ; 39 'H'
        db 00111000b, 00010000b, 00010000b, 00010000b, 00010000b, 00010000b, 00111000b, 00000000b  ; 40 'I'
        ds 0A000h - $, 0FFh

; Block 3: tile colours, one byte a line: foreground in the high nibble.
        db 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h  ; 0 sky
        db 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h, 0F4h  ; 1 star
        db 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h  ; 2 small star
        db 0F4h, 0F4h, 0F4h, 0F4h, 0E4h, 0E4h, 0E4h, 0F4h  ; 3 cloud, left
        db 0F4h, 0F4h, 0F4h, 0F4h, 0E4h, 0E4h, 0E4h, 0F4h  ; 4 cloud, right
        db 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h, 0B4h  ; 5 moon
        db 0E9h, 0E8h, 0E8h, 0E6h, 0E9h, 0E8h, 0E8h, 0E6h  ; 6 brick
        db 0FEh, 0E9h, 0E9h, 0E8h, 0E8h, 0E9h, 0E8h, 0E6h  ; 7 brick, top
        db 0A4h, 0A4h, 0A4h, 0A4h, 0A4h, 0A4h, 0A4h, 0A4h  ; 8 ladder
        db 0F4h, 0E4h, 0E4h, 0E4h, 0E4h, 0E4h, 44h, 44h  ; 9 platform, left
        db 0F4h, 0E4h, 0E4h, 0E4h, 0E4h, 0E4h, 44h, 44h  ; 10 platform
        db 0F4h, 0E4h, 0E4h, 0E4h, 0E4h, 0E4h, 44h, 44h  ; 11 platform, right
        db 0A4h, 0B4h, 0ABh, 0ABh, 0ABh, 0ABh, 0A4h, 0A4h  ; 12 coin
        db 34h, 34h, 34h, 32h, 2Ch, 2Ch, 0C6h, 0C6h  ; 13 grass
        db 0A6h, 0A6h, 0B6h, 0A6h, 0A6h, 0B6h, 0A6h, 0A6h  ; 14 earth
        db 0E6h, 0E6h, 0F6h, 0E6h, 0E6h, 0A6h, 0A6h, 0A6h  ; 15 stone in the earth
        db 74h, 75h, 75h, 55h, 75h, 75h, 75h, 55h  ; 16 water
        db 74h, 75h, 75h, 55h, 75h, 75h, 75h, 55h  ; 17 water, second
        db 34h, 24h, 34h, 24h, 34h, 24h, 24h, 64h  ; 18 tree top
        db 64h, 64h, 64h, 64h, 64h, 64h, 64h, 34h  ; 19 tree trunk
        db 0F4h, 0F4h, 0F4h, 0E4h, 0E4h, 0E4h, 0E4h, 0E4h  ; 20 spikes
        db 6Ah, 6Ah, 6Ah, 6Ah, 6Ah, 6Ah, 6Ah, 6Ah  ; 21 door
        db 11h, 11h, 11h, 11h, 11h, 11h, 11h, 11h  ; 22 black
        db 81h, 81h, 81h, 81h, 81h, 81h, 81h, 81h  ; 23 heart
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 24 '0'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 25 '1'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 26 '2'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 27 '3'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 28 '4'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 29 '5'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 30 '6'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 31 '7'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 32 '8'
        db 0F1h, 0F1h, 0F1h, 0F1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 33 '9'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 34 'S'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 35 'C'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 36 'O'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 37 'R'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 38 'E'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 39 'H'
        db 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0B1h, 0A1h, 0A1h  ; 40 'I'
        ds 0C000h - $, 0FFh

ENDIF
