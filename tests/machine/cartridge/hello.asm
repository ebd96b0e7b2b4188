; A 16 KB test cartridge: prints a known text through the BIOS, then echoes every
; key it reads and sets the backdrop colour from the key's low four bits.
CHGET   equ 009Fh
CHPUT   equ 00A2h
WRTVDP  equ 0047h
INITXT  equ 006Ch

        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  call INITXT
        ld hl, message
print:  ld a, (hl)
        or a
        jr z, keys
        call CHPUT
        inc hl
        jr print

keys:   call CHGET
        push af
        call CHPUT
        pop af
        and 0Fh
        or 0F0h
        ld b, a
        ld c, 7
        call WRTVDP
        jr keys

message:
        db "QUIB TEST CARTRIDGE", 13, 10, 0

        ds 8000h - $, 0FFh
