; A long-running instruction exerciser in the manner of a CP/M test program:
; loaded at 0100h, it prints through the BDOS entry at 0005h and never ends.
; Each round runs groups of instructions over a table of operands, folds every
; result and its flags into a CRC-16 and prints "CRC xxxx". Interrupts stay
; disabled, so every round does exactly the same work.

bdos            equ 0005h
printchar       equ 2
printstring     equ 9

crctablehigh    equ 3E00h           ; 256-byte aligned: high bytes of the CRC table
crctablelow     equ 3F00h           ; and its low bytes
buffer          equ 4000h           ; 256 bytes of block data
copy            equ 4100h           ; where the block moves put it
scratch         equ 4200h           ; memory operands of the single-byte groups
stacktop        equ 8000h

        org 0100h
start:
        di
        ld sp, stacktop
        ld hl, 0038h
        ld (hl), 0C9h               ; RET at every restart vector the flow group uses
        ld l, 10h
        ld (hl), 0C9h
        ld l, 28h
        ld (hl), 0C9h
        call buildtable
round:
        ld hl, 0FFFFh
        ld (crc), hl
        call alugroup
        call incdecgroup
        call widegroup
        call shiftgroup
        call bitgroup
        call exchangegroup
        call blockgroup
        call indexgroup
        call flowgroup
        call iogroup
        ld de, crctext
        ld c, printstring
        call bdos
        ld a, (crc + 1)
        call printhex
        ld a, (crc)
        call printhex
        ld de, newline
        ld c, printstring
        call bdos
        jp round

; ---------------------------------------------------------------- helpers

; The CRC-16 table of the polynomial 1021h, built bit by bit.
buildtable:
        ld de, crctablehigh         ; e = index
tableentry:
        ld h, e
        ld l, 0
        ld b, 8
tablebit:
        add hl, hl
        jr nc, tablenext
        ld a, h
        xor 10h
        ld h, a
        ld a, l
        xor 21h
        ld l, a
tablenext:
        djnz tablebit
        ld a, h
        ld (de), a
        inc d
        ld a, l
        ld (de), a
        dec d
        inc e
        jr nz, tableentry
        ret

; Folds A into the CRC; keeps every register but AF.
crcbyte:
        push hl
        push de
        ld hl, (crc)
        xor h
        ld e, a
        ld d, crctablehigh / 256
        ld a, (de)
        xor l
        ld h, a
        inc d
        ld a, (de)
        ld l, a
        ld (crc), hl
        pop de
        pop hl
        ret

; Folds A and then F; keeps every register but AF.
foldaf:
        push hl
        push af
        pop hl
        ld a, h
        call crcbyte
        ld a, l
        call crcbyte
        pop hl
        ret

; Folds HL and F; keeps every register but AF.
foldhl:
        push af
        ld a, h
        call crcbyte
        ld a, l
        call crcbyte
        pop af
        jr foldaf

printhex:
        push af
        rrca
        rrca
        rrca
        rrca
        call printdigit
        pop af
printdigit:
        and 0Fh
        add a, 90h
        daa
        adc a, 40h
        daa
        ld e, a
        ld c, printchar
        jp bdos

; ---------------------------------------------------------------- 8-bit arithmetic

alugroup:
        ld hl, operands
        ld b, operandcount
aluouter:
        ld c, (hl)                  ; c = first operand
        push hl
        push bc
        ld hl, operands
        ld b, operandcount
aluinner:
        ld d, (hl)                  ; d = second operand, also at (hl)
        call alupair
        inc hl
        djnz aluinner
        pop bc
        pop hl
        inc hl
        djnz aluouter
        ret

alupair:
        ld a, c
        add a, d
        call foldaf
        ld a, c
        add a, d
        daa
        call foldaf
        ld a, c
        or a
        adc a, d
        call foldaf
        ld a, c
        scf
        adc a, (hl)
        call foldaf
        ld a, c
        sub d
        call foldaf
        ld a, c
        sub (hl)
        daa
        call foldaf
        ld a, c
        scf
        sbc a, d
        call foldaf
        ld a, c
        or a
        sbc a, (hl)
        call foldaf
        ld a, c
        and d
        call foldaf
        ld a, c
        xor (hl)
        call foldaf
        ld a, c
        or d
        call foldaf
        ld a, c
        cp d
        call foldaf
        ld a, c
        cp (hl)
        call foldaf
        ld a, d
        neg
        call foldaf
        ld a, c
        cpl
        xor d
        call foldaf
        ld a, c
        ccf
        adc a, 5Ah
        call foldaf
        ld a, c
        sbc a, 0A5h
        call foldaf
        ld a, d
        sub c
        jr c, alunoborrow
        add a, 66h
alunoborrow:
        call foldaf
        ret

; ---------------------------------------------------------------- INC and DEC

incdecgroup:
        ld hl, operands
        ld ix, scratch
        ld b, operandcount
incdecloop:
        ld a, (hl)
        ld (scratch + 3), a
        ld c, a
        inc c
        ld a, c
        call foldaf
        ld d, (hl)
        dec d
        ld a, d
        call foldaf
        ld e, (hl)
        scf
        inc e
        ld a, e
        call foldaf
        ld a, (hl)
        dec a
        call foldaf
        push hl
        ld hl, scratch + 3
        inc (hl)
        ld a, (hl)
        call foldaf
        dec (hl)
        dec (hl)
        ld a, (hl)
        call foldaf
        pop hl
        inc (ix + 3)
        ld a, (ix + 3)
        call foldaf
        dec (ix + 3)
        ld a, (ix + 3)
        call foldaf
        ld a, (hl)
        ld iyl, a
        inc iyl
        ld a, iyl
        call foldaf
        dec iyl
        dec iyl
        ld a, iyl
        call foldaf
        inc hl
        djnz incdecloop
        ret

; ---------------------------------------------------------------- 16-bit arithmetic

widegroup:
        ld hl, operands
        ld b, operandcount
wideouter:
        push bc
        push hl
        ld a, (hl)
        ld (wideleft + 1), a
        inc hl
        ld a, (hl)
        ld (wideleft), a            ; wideleft = operand i, operand i + 1
        ld hl, operands
        ld b, operandcount
wideinner:
        push bc
        ld c, (hl)
        inc hl
        ld b, (hl)                  ; bc = operand j + 1, operand j
        push hl
        ld hl, (wideleft)
        add hl, bc
        call foldhl
        ld hl, (wideleft)
        or a
        adc hl, bc
        call foldhl
        ld hl, (wideleft)
        scf
        sbc hl, bc
        call foldhl
        ld hl, (wideleft)
        ex de, hl
        ld h, b
        ld l, c
        or a
        sbc hl, de
        call foldhl
        ld ix, (wideleft)
        add ix, bc
        push ix
        pop hl
        call foldhl
        ld iy, (wideleft)
        add iy, iy
        push iy
        pop hl
        call foldhl
        ld hl, (wideleft)
        inc hl
        dec bc
        add hl, bc
        call foldhl
        pop hl
        pop bc
        djnz wideinner
        pop hl
        pop bc
        inc hl
        djnz wideouter
        ret

; ---------------------------------------------------------------- rotates and shifts

shiftgroup:
        ld hl, operands
        ld b, operandcount
shiftloop:
        push bc
        ld a, (hl)
        ld b, a
        rlc b
        ld a, b
        call foldaf
        ld c, (hl)
        rrc c
        ld a, c
        call foldaf
        ld d, (hl)
        scf
        rl d
        ld a, d
        call foldaf
        ld e, (hl)
        or a
        rr e
        ld a, e
        call foldaf
        ld a, (hl)
        sla a
        call foldaf
        ld a, (hl)
        sra a
        call foldaf
        ld a, (hl)
        sll a
        call foldaf
        ld a, (hl)
        srl a
        call foldaf
        ld a, (hl)
        rlca
        call foldaf
        ld a, (hl)
        rrca
        call foldaf
        ld a, (hl)
        scf
        rla
        call foldaf
        ld a, (hl)
        rra
        call foldaf
        ld a, (hl)
        ld (scratch), a
        push hl
        ld hl, scratch
        rlc (hl)
        ld a, (hl)
        call foldaf
        sra (hl)
        ld a, (hl)
        call foldaf
        ld a, 5Ch
        rld
        call foldaf
        ld a, (hl)
        call foldaf
        ld a, 0A3h
        rrd
        call foldaf
        ld a, (hl)
        call foldaf
        pop hl
        ld ix, scratch - 2
        rr (ix + 2)
        ld a, (ix + 2)
        call foldaf
        ld iy, scratch + 5
        srl (iy - 5)
        ld a, (iy - 5)
        call foldaf
        pop bc
        inc hl
        dec b                       ; the loop is too long for DJNZ
        jp nz, shiftloop
        ret

; ---------------------------------------------------------------- BIT, SET and RES

bitgroup:
        ld hl, operands
        ld b, operandcount
bitloop:
        push bc
        push hl
        ld a, (hl)
        ld (scratch), a
        ld c, a
        or a
        bit 0, c
        call foldaf
        scf
        bit 3, c
        call foldaf
        bit 7, c
        call foldaf
        ld hl, scratch
        bit 1, (hl)
        call foldaf
        bit 6, (hl)
        call foldaf
        set 2, (hl)
        res 7, (hl)
        ld a, (hl)
        call foldaf
        ld ix, scratch
        bit 4, (ix + 0)
        call foldaf
        set 0, (ix + 0)
        res 5, (ix + 0)
        ld a, (ix + 0)
        call foldaf
        ld a, c
        set 6, a
        res 1, a
        call foldaf
        ld d, c
        res 0, d
        set 7, d
        ld a, d
        call foldaf
        pop hl
        pop bc
        inc hl
        djnz bitloop
        ret

; ---------------------------------------------------------------- exchanges and stack

exchangegroup:
        ld b, 16
exchangeloop:
        push bc
        ld a, b
        ld hl, 1234h
        ld de, 5678h
        ld bc, 9ABCh
        exx
        ld hl, 0FEDCh
        ld de, 0BA98h
        ld bc, 7654h
        exx
        ex af, af'
        ld a, 33h
        scf
        ex af, af'
        add a, l
        ex de, hl
        exx
        add hl, bc
        ex de, hl
        exx
        call foldhl
        exx
        call foldhl
        ex de, hl
        call foldhl
        exx
        ex af, af'
        call foldaf
        ex af, af'
        push hl
        ld hl, 0C0DEh
        ex (sp), hl
        call foldhl
        pop hl
        call foldhl
        ld (wideleft), de
        ld bc, (wideleft)
        ld h, b
        ld l, c
        call foldhl
        ld (wideleft), sp
        ld hl, (wideleft)
        call foldhl
        ld a, i
        call foldaf
        ld a, 4Bh
        ld i, a
        xor a
        ld a, i
        call foldaf
        ld a, 0
        ld i, a
        push iy
        ld iy, 1111h
        ex (sp), iy
        push iy
        pop hl
        call foldhl
        pop iy
        push iy
        pop hl
        call foldhl
        pop bc
        dec b                       ; the loop is too long for DJNZ
        jp nz, exchangeloop
        ret

; ---------------------------------------------------------------- block instructions

blockgroup:
        ld hl, buffer               ; the buffer holds 256 bytes of i * 7 + 3
        ld b, 0
        ld a, 3
blockfill:
        ld (hl), a
        add a, 7
        inc hl
        djnz blockfill
        ld hl, buffer
        ld de, copy
        ld bc, 256
        ldir
        call foldcopy
        ld hl, buffer + 255
        ld de, copy + 127
        ld bc, 128
        lddr
        call foldcopy
        ld hl, buffer
        ld de, copy + 64
        ld bc, 3
        ldi
        ldi
        call foldaf
        ldi
        call foldaf
        ld hl, copy + 200
        ld de, copy + 199
        ldd
        call foldaf
        ld hl, buffer
        ld bc, 256
        ld a, 3 + 7 * 30
        cpir
        call foldaf
        call foldhl
        ld h, b
        ld l, c
        call foldhl
        ld hl, buffer + 255
        ld bc, 256
        ld a, 0FFh                  ; found 36 bytes from the start
        cpdr
        call foldaf
        call foldhl
        ld hl, buffer + 10
        ld bc, 2
        ld a, 3 + 7 * 10
        cpi
        call foldaf
        cpd
        call foldaf
        cpd
        call foldaf
        ret

; Folds the sum of the 256 copied bytes.
foldcopy:
        ld hl, copy
        ld b, 0
        xor a
foldcopyloop:
        add a, (hl)
        inc hl
        djnz foldcopyloop
        jp foldaf

; ---------------------------------------------------------------- index registers

indexgroup:
        ld ix, buffer + 128
        ld iy, copy + 128
        ld b, operandcount
        ld hl, operands
indexloop:
        ld a, (hl)
        push hl
        ld (ix - 5), a
        ld (iy + 7), 0A5h
        ld c, (ix - 5)
        ld d, (iy + 7)
        ld a, c
        add a, (ix - 5)
        call foldaf
        sub (iy + 7)
        call foldaf
        adc a, (ix + 100)
        call foldaf
        sbc a, (iy - 100)
        call foldaf
        and (ix - 5)
        call foldaf
        or (iy + 7)
        call foldaf
        xor (ix + 1)
        call foldaf
        cp (iy - 1)
        call foldaf
        ld ixh, d
        ld ixl, c
        ld a, ixh
        add a, ixl
        call foldaf
        ld a, iyh
        sub ixh
        call foldaf
        ld ix, buffer + 128
        inc ix
        dec iy
        ld e, (ix + 0)
        ld (iy + 0), e
        ld a, (iy + 0)
        call foldaf
        dec ix
        inc iy
        ld (wideleft), ix
        ld hl, (wideleft)
        call foldhl
        pop hl
        inc hl
        djnz indexloop
        ret

; ---------------------------------------------------------------- jumps, calls and returns

flowgroup:
        ld hl, operands
        ld b, operandcount
flowloop:
        push bc
        push hl
        ld c, 0
        ld a, (hl)
        or a                        ; Z, S and parity from the operand
        jp z, flowzero
        inc c
flowzero:
        jp m, flowminus
        inc c
flowminus:
        jp pe, floweven
        inc c
floweven:
        jr nz, flownonzero
        inc c
flownonzero:
        call p, flowcount
        call po, flowcount
        call nz, flowcount
        rlca                        ; carry from bit 7
        jr c, flowcarry
        inc c
flowcarry:
        jp nc, flownocarry
        inc c
flownocarry:
        call c, flowcount
        call flowtest
        rst 10h
        rst 28h
        ld a, c
        call foldaf
        ld hl, flowreturn
        push hl
        ret
flowreturn:
        ld hl, flowdone
        jp (hl)
flowdone:
        pop hl
        pop bc
        inc hl
        djnz flowloop
        ret

flowcount:
        inc c
        ret

; Conditional returns on the flags of the operand in (hl).
flowtest:
        ld a, (hl)
        add a, a
        ret c
        inc c
        ret z
        inc c
        ret pe
        inc c
        ret m
        inc c
        ret nc
        inc c
        ret

; ---------------------------------------------------------------- ports

iogroup:
        ld b, 8
ioloop:
        push bc
        ld a, b
        out (98h), a
        in a, (0A8h)
        call foldaf
        ld c, 0A9h
        in d, (c)
        ld a, d
        call foldaf
        out (c), b
        db 0EDh, 70h                ; IN F,(C)
        call foldaf
        ld hl, copy
        ld b, 4
        ld c, 0AAh
        inir
        call foldaf
        ld hl, copy
        ld b, 3
        otir
        call foldaf
        ld b, 2
        ini
        call foldaf
        outi
        call foldaf
        ld hl, copy + 3
        ld b, 2
        ind
        outd
        call foldaf
        pop bc
        djnz ioloop
        ret

; ---------------------------------------------------------------- data

operands:
        db 00h, 01h, 0Fh, 10h, 3Ch, 7Fh, 80h, 81h, 99h, 0A5h, 0F0h, 0FFh
operandcount    equ $ - operands
        db 00h                      ; the wide group reads one past the end

crc:            dw 0
wideleft:       dw 0
crctext:        db "CRC $"
newline:        db 13, 10, "$"
